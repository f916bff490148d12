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
    explicit Lines(std::string_view text, std::size_t linesBefore = 0)
        : rest_(text), number_(linesBefore)
    {
    }

    bool next(std::string_view &line)
    {
        if (rest_.empty())
            return false;
        const std::size_t end = rest_.find('\n');
        line = rest_.substr(0, end);
        rest_ = end == std::string_view::npos ? std::string_view{} : rest_.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++number_;
        return true;
    }
    std::size_t number() const { return number_; }
    std::string_view rest() const { return rest_; }

private:
    std::string_view rest_;
    std::size_t number_ = 0;
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

template <class Payload>
QString readRows(Lines &lines, const std::vector<Column> &columns,
                 std::vector<Record<Payload>> &records)
{
    const std::size_t expected = columns.size() + 3;
    std::string_view line;
    std::vector<std::string_view> values;
    while (lines.next(line)) {
        if (line.empty())
            continue;
        split(line, values);
        if (values.size() != expected)
            return lineError(
                lines.number(),
                QStringLiteral("%1 fields, %2 expected").arg(values.size()).arg(expected));
        Record<Payload> record{};
        if (const QString problem = readRow(values, columns, record); !problem.isEmpty())
            return lineError(lines.number(), problem);
        records.push_back(record);
    }
    return {};
}

// Room for the rows of `text`, judged by the length of its first.
template <class Payload>
void reserveFor(std::string_view text, std::vector<Record<Payload>> &records)
{
    const std::size_t firstLine = text.find('\n');
    if (firstLine != std::string_view::npos && firstLine > 0)
        records.reserve(records.size() + text.size() / firstLine + 1);
}

// Above this size the rows are parsed in two halves at once, each on a core.
constexpr std::size_t kHalvedBytes = 4 << 20;

// The rows after the header; a large table is cut at the line end nearest its
// middle, and the second half's line numbers continue the first's.
template <class Payload>
QString readAllRows(Lines &lines, const std::vector<Column> &columns,
                    std::vector<Record<Payload>> &records)
{
    const std::string_view rest = lines.rest();
    const std::size_t cut =
        rest.size() < kHalvedBytes ? std::string_view::npos : rest.find('\n', rest.size() / 2);
    if (cut == std::string_view::npos) {
        reserveFor(rest, records);
        return readRows(lines, columns, records);
    }
    const std::string_view firstHalf = rest.substr(0, cut + 1);
    Lines first(firstHalf, lines.number());
    Lines second(rest.substr(cut + 1),
                 lines.number() +
                     std::size_t(std::count(firstHalf.begin(), firstHalf.end(), '\n')));
    std::vector<Record<Payload>> secondRecords;
    QString secondError;
    std::thread worker([&] {
        reserveFor(rest.substr(cut + 1), secondRecords);
        secondError = readRows(second, columns, secondRecords);
    });
    reserveFor(firstHalf, records);
    const QString firstError = readRows(first, columns, records);
    worker.join();
    if (!firstError.isEmpty())
        return firstError;
    if (!secondError.isEmpty())
        return secondError;
    records.insert(records.end(), secondRecords.begin(), secondRecords.end());
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
    const QString error = samples ? readAllRows(lines, sampleColumns(), tables.samples)
                                  : readAllRows(lines, calibrationColumns(), tables.calibration);
    if (!error.isEmpty())
        return {std::nullopt, error};
    return {std::move(tables), {}};
}

ReadResult readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
    const QByteArray bytes = file.readAll();
    ReadResult result = readText(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!result.tables)
        result.error = QFileInfo(path).fileName() + ": " + result.error;
    return result;
}

} // namespace recording::csv
