// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/csv_reader.h"

#include "recording/csv_format.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <thread>

namespace recording::csv {

namespace {

// The lines of a text, '\n' or "\r\n" ended; the last may lack its end.
class Lines
{
public:
    explicit Lines(std::string_view text) : rest_(text) {}

    bool next(std::string_view &line)
    {
        if (rest_.empty())
            return false;
        const std::size_t end = rest_.find('\n');
        cut_ = end == std::string_view::npos;
        line = rest_.substr(0, end);
        rest_ = cut_ ? std::string_view{} : rest_.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++number_;
        return true;
    }
    std::size_t number() const { return number_; }
    std::string_view rest() const { return rest_; }
    // The line last read ended with the text, without its line end.
    bool cut() const { return cut_; }

private:
    std::string_view rest_;
    std::size_t number_ = 0;
    bool cut_ = false;
};

// Splits `line` at its commas into `out`, which keeps its storage from row to
// row.
void split(std::string_view line, std::vector<std::string_view> &out)
{
    out.clear();
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        out.push_back(line.substr(start, comma - start));
        if (comma == std::string_view::npos)
            return;
        start = comma + 1;
    }
}

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> out;
    split(line, out);
    return out;
}

template <class Number> bool parse(std::string_view text, Number &value)
{
    const char *end = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return false;
    if constexpr (std::is_floating_point_v<Number>)
        return !std::isnan(value);
    return true;
}

const QString kCutOff = QStringLiteral("the line is cut off: the file ends inside it");

QString lineError(std::size_t line, const QString &problem)
{
    return QStringLiteral("line %1: %2").arg(line).arg(problem);
}

// The start of the recording from the time column's header; invalid when the
// header is not that column's.
QDateTime startFrom(std::string_view header)
{
    const std::string_view start(kTimeHeaderStart);
    if (header.size() <= start.size() + 1 || header.substr(0, start.size()) != start ||
        header.back() != ']')
        return {};
    const std::string_view stamp = header.substr(start.size(), header.size() - start.size() - 1);
    return QDateTime::fromString(QString::fromUtf8(stamp.data(), qsizetype(stamp.size())),
                                 Qt::ISODateWithMs);
}

bool columnsMatch(const std::vector<std::string_view> &names, const std::vector<Column> &columns)
{
    if (names.size() != columns.size() + 3)
        return false;
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (names[i + 2] != columns[i].header)
            return false;
    return names.back() == kMissedHeader;
}

template <class Payload>
QString readRow(const std::vector<std::string_view> &values, const std::vector<Column> &columns,
                Record<Payload> &record)
{
    const auto bad = [&](std::size_t field, const char *name) {
        return QStringLiteral("field %1 (%2) is \"%3\", not a number")
            .arg(field + 1)
            .arg(QString::fromUtf8(name),
                 QString::fromUtf8(values[field].data(), qsizetype(values[field].size())));
    };
    if (!parse(values[0], record.index))
        return bad(0, kIndexHeader);
    if (!parse(values[1], record.seconds) || !std::isfinite(record.seconds))
        return bad(1, "time");
    auto *payload = reinterpret_cast<unsigned char *>(&record.data);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        float value;
        if (!parse(values[i + 2], value))
            return bad(i + 2, columns[i].header.c_str());
        std::memcpy(payload + columns[i].offset, &value, sizeof value);
    }
    if (!parse(values.back(), record.missedBefore))
        return bad(values.size() - 1, kMissedHeader);
    return {};
}

// Reads `line` straight into `record`, field after field, without splitting
// it first: the way nearly every row is read. False for anything readRow()
// would refuse (and for nothing it accepts), which is then asked why.
template <class Payload>
bool readRowDirectly(std::string_view line, const std::vector<Column> &columns,
                     Record<Payload> &record)
{
    const char *at = line.data();
    const char *const end = at + line.size();
    const auto field = [&](auto &value) {
        const std::from_chars_result result = std::from_chars(at, end, value);
        if (result.ec != std::errc() || result.ptr == end || *result.ptr != ',')
            return false;
        at = result.ptr + 1;
        return true;
    };
    if (!field(record.index) || !field(record.seconds) || !std::isfinite(record.seconds))
        return false;
    auto *payload = reinterpret_cast<unsigned char *>(&record.data);
    for (const Column &column : columns) {
        float value;
        if (!field(value) || std::isnan(value))
            return false;
        std::memcpy(payload + column.offset, &value, sizeof value);
    }
    const std::from_chars_result result = std::from_chars(at, end, record.missedBefore);
    return result.ec == std::errc() && result.ptr == end;
}

// What a piece of the rows held: its lines, and the first bad one's problem
// (in its last line counted).
struct PieceRead
{
    std::size_t lines = 0;
    QString problem;
};

template <class Payload>
PieceRead readRows(std::string_view text, const std::vector<Column> &columns,
                   std::vector<Record<Payload>> &records)
{
    const std::size_t expected = columns.size() + 3;
    Lines lines(text);
    std::string_view line;
    std::vector<std::string_view> values;
    while (lines.next(line)) {
        // The tool ends every line it writes: a last line without its end is
        // what is left of a file cut short, and its last number may read as
        // a shorter one.
        if (lines.cut())
            return {lines.number(), kCutOff};
        if (line.empty())
            continue;
        Record<Payload> record{};
        if (!readRowDirectly(line, columns, record)) {
            split(line, values);
            if (values.size() != expected)
                return {lines.number(),
                        QStringLiteral("%1 fields, %2 expected").arg(values.size()).arg(expected)};
            if (QString problem = readRow(values, columns, record); !problem.isEmpty())
                return {lines.number(), std::move(problem)};
        }
        records.push_back(record);
    }
    return {lines.number(), {}};
}

// Room for the rows of `text`, judged by the length of its first and a
// quarter more, as the numbers' lengths vary: untouched room costs no memory.
template <class Payload>
void reserveFor(std::string_view text, std::vector<Record<Payload>> &records)
{
    const std::size_t firstLine = text.find('\n');
    if (firstLine != std::string_view::npos && firstLine > 0)
        records.reserve(text.size() / firstLine * 5 / 4 + 1);
}

// Below this size a piece of the rows is not worth a thread of its own.
constexpr std::size_t kLeastPieceBytes = 2 << 20;

// The rows after the header, cut at line ends into as many pieces as there
// are cores, each parsed on a thread into its own vector. The first bad line
// of the first piece that has one wins; its number counts the lines of the
// pieces before it.
template <class Payload>
QString readAllRows(std::string_view rows, std::size_t linesBefore,
                    const std::vector<Column> &columns, std::vector<Record<Payload>> &records)
{
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t pieces = std::clamp<std::size_t>(rows.size() / kLeastPieceBytes, 1, cores);
    std::vector<std::string_view> texts;
    for (std::size_t from = 0, i = 1; from < rows.size(); ++i) {
        std::size_t to = i >= pieces ? std::string_view::npos
                                     : rows.find('\n', std::max(from, rows.size() / pieces * i));
        to = to == std::string_view::npos ? rows.size() : to + 1;
        texts.push_back(rows.substr(from, to - from));
        from = to;
    }
    std::vector<std::vector<Record<Payload>>> parts(texts.size());
    std::vector<PieceRead> reads(texts.size());
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < texts.size(); ++i)
        workers.emplace_back([&, i] {
            reserveFor(texts[i], parts[i]);
            reads[i] = readRows(texts[i], columns, parts[i]);
        });
    if (!texts.empty()) {
        reserveFor(rows, parts[0]);
        reads[0] = readRows(texts[0], columns, parts[0]);
    }
    for (std::thread &worker : workers)
        worker.join();
    std::size_t line = linesBefore;
    std::size_t total = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (!reads[i].problem.isEmpty())
            return lineError(line + reads[i].lines, reads[i].problem);
        line += reads[i].lines;
        total += parts[i].size();
    }
    if (texts.empty())
        return {};
    records = std::move(parts[0]);
    records.reserve(total);
    for (std::size_t i = 1; i < parts.size(); ++i)
        records.insert(records.end(), parts[i].begin(), parts[i].end());
    return {};
}

} // namespace

ReadResult readText(std::string_view text)
{
    Lines lines(text);
    std::string_view header;
    if (!lines.next(header))
        return {std::nullopt, QStringLiteral("the file is empty")};
    const std::vector<std::string_view> names = fields(header);
    ReadTables tables;
    if (names.size() >= 2)
        tables.started = startFrom(names[1]);
    const bool samples = columnsMatch(names, sampleColumns());
    const bool calibration = columnsMatch(names, calibrationColumns());
    if (names[0] != kIndexHeader || !tables.started.isValid() || !(samples || calibration))
        return {std::nullopt, lineError(1, QStringLiteral("not a table this tool exported: the "
                                                          "header does not name its columns"))};
    if (lines.cut())
        return {std::nullopt, lineError(1, kCutOff)};
    const QString error =
        samples ? readAllRows(lines.rest(), 1, sampleColumns(), tables.samples)
                : readAllRows(lines.rest(), 1, calibrationColumns(), tables.calibration);
    if (!error.isEmpty())
        return {std::nullopt, error};
    return {std::move(tables), {}};
}

ReadResult readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
    // Read, not mapped: a mapped file that another program shortens meanwhile
    // (a copy still under way) would end this program at the first page
    // past its new end.
    const QByteArray bytes = file.readAll();
    const std::string_view text(bytes.constData(), std::size_t(bytes.size()));
    ReadResult result = readText(text);
    if (!result.tables)
        result.error = QFileInfo(path).fileName() + ": " + result.error;
    return result;
}

} // namespace recording::csv
