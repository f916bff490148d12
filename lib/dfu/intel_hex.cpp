// SPDX-License-Identifier: GPL-3.0-or-later
#include "intel_hex.h"

#include "element_builder.h"
#include "input_error.h"
#include "text.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace dfu {

namespace {

enum RecordType : std::uint8_t
{
    Data = 0x00,
    EndOfFile = 0x01,
    ExtendedSegmentAddress = 0x02,
    StartSegmentAddress = 0x03,
    ExtendedLinearAddress = 0x04,
    StartLinearAddress = 0x05,
};

// Byte count, two offset bytes, type and checksum around the data.
constexpr std::size_t kRecordFrameBytes = 5;
constexpr std::size_t kLongestRecordBytes = 255 + kRecordFrameBytes;

// The value of every hex digit; kNotHex for any other character, chosen so
// that OR-ing two looked-up digits keeps the high bits set.
constexpr std::uint8_t kNotHex = 0xFF;

constexpr std::array<std::uint8_t, 256> makeDigitValues()
{
    std::array<std::uint8_t, 256> values{};
    for (std::size_t c = 0; c < values.size(); ++c)
        values[c] = kNotHex;
    for (std::uint8_t i = 0; i < 10; ++i)
        values[std::size_t('0' + i)] = i;
    for (std::uint8_t i = 0; i < 6; ++i) {
        values[std::size_t('a' + i)] = std::uint8_t(10 + i);
        values[std::size_t('A' + i)] = std::uint8_t(10 + i);
    }
    return values;
}

constexpr std::array<std::uint8_t, 256> kDigitValues = makeDigitValues();

std::uint8_t digitValue(char c)
{
    return kDigitValues[static_cast<unsigned char>(c)];
}

// A decoded record; `data` points into the decoder's buffer.
struct Record
{
    std::uint8_t type = 0;
    std::uint16_t offset = 0;
    const std::uint8_t *data = nullptr;
    std::size_t size = 0;
};

[[noreturn]] void refuse(std::size_t lineNumber, const std::string &reason)
{
    throw InputError("line " + std::to_string(lineNumber) + ": " + reason);
}

std::string describeCharacter(char c)
{
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x21 && code < 0x7F)
        return std::string("'") + c + "'";
    return "byte " + hexText(code, 2);
}

bool isLineBlank(char c)
{
    // The CR of CRLF line ends counts as a blank.
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trimmedLine(const char *begin, const char *end)
{
    while (begin < end && isLineBlank(*begin))
        ++begin;
    while (end > begin && isLineBlank(end[-1]))
        --end;
    return {begin, std::size_t(end - begin)};
}

// Refuses a record for its first non-hex character, if it has one.
void refuseNonHexDigits(std::string_view digits, std::size_t lineNumber)
{
    for (char c : digits)
        if (digitValue(c) == kNotHex)
            refuse(lineNumber, "non-hex character " + describeCharacter(c));
}

class RecordDecoder
{
public:
    Record decode(std::string_view line, std::size_t lineNumber)
    {
        if (line[0] != ':')
            refuse(lineNumber, "record does not start with ':'");
        const std::string_view digits = line.substr(1);
        const std::size_t byteCount = digits.size() / 2;
        if (digits.size() % 2 != 0 || byteCount < kRecordFrameBytes ||
            byteCount > kLongestRecordBytes || !decodePairs(digits)) {
            refuseNonHexDigits(digits, lineNumber);
            if (digits.size() % 2 != 0 || byteCount < kRecordFrameBytes)
                refuse(lineNumber,
                       "wrong record length (" + std::to_string(digits.size()) + " hex digits)");
            bytes_[0] = std::uint8_t(digitValue(digits[0]) << 4 | digitValue(digits[1]));
        }
        const std::size_t declared = bytes_[0];
        if (byteCount != declared + kRecordFrameBytes)
            refuse(lineNumber, "wrong record length: byte count " + std::to_string(declared) +
                                   " but " + std::to_string(byteCount - kRecordFrameBytes) +
                                   " data bytes");
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i < byteCount; ++i)
            sum = std::uint8_t(sum + bytes_[i]);
        if (sum != 0)
            refuse(lineNumber, "bad checksum");
        return {bytes_[3], std::uint16_t(bytes_[1] << 8 | bytes_[2]), bytes_.data() + 4, declared};
    }

private:
    // Decodes digit pairs into bytes_; false when any digit is not hex.
    bool decodePairs(std::string_view digits)
    {
        std::uint8_t invalid = 0;
        for (std::size_t i = 0; i < digits.size() / 2; ++i) {
            const std::uint8_t high = digitValue(digits[2 * i]);
            const std::uint8_t low = digitValue(digits[2 * i + 1]);
            invalid |= high | low;
            bytes_[i] = std::uint8_t(high << 4 | low);
        }
        return (invalid & 0xF0) == 0;
    }

    std::array<std::uint8_t, kLongestRecordBytes> bytes_{};
};

void requireLength(const Record &record, std::size_t expected, std::size_t lineNumber)
{
    if (record.size != expected)
        refuse(lineNumber, "wrong record length for record type 0" + std::to_string(record.type));
}

std::uint32_t bigEndian16(const std::uint8_t *data)
{
    return std::uint32_t(data[0] << 8 | data[1]);
}

class HexReader
{
public:
    HexReader(std::size_t textSize, ElementBuilder::Joining joining) : elements_(joining)
    {
        // Two digits per byte: the data never exceeds half the text.
        elements_.reserve(textSize / 2);
    }

    void readLine(const char *begin, const char *end, std::size_t lineNumber)
    {
        const std::string_view line = trimmedLine(begin, end);
        if (line.empty())
            return;
        if (endSeen_)
            refuse(lineNumber, "content after the end-of-file record");
        apply(decoder_.decode(line, lineNumber), lineNumber);
    }

    // The elements, unless pieces overlap: then nothing, and `overlap` holds
    // the first overlap found.
    std::vector<ImageElement> finish(std::size_t lastLine,
                                     std::optional<ElementBuilder::Overlap> &overlap)
    {
        if (!endSeen_)
            refuse(lastLine, "the file ends without an end-of-file record (cut off?)");
        overlap = elements_.findOverlap();
        if (overlap)
            return {};
        return elements_.build();
    }

private:
    void apply(const Record &record, std::size_t lineNumber)
    {
        switch (record.type) {
        case Data:
            addData(record, lineNumber);
            break;
        case EndOfFile:
            requireLength(record, 0, lineNumber);
            endSeen_ = true;
            break;
        case ExtendedSegmentAddress:
            requireLength(record, 2, lineNumber);
            base_ = bigEndian16(record.data) << 4;
            break;
        case ExtendedLinearAddress:
            requireLength(record, 2, lineNumber);
            base_ = bigEndian16(record.data) << 16;
            break;
        case StartSegmentAddress:
        case StartLinearAddress:
            requireLength(record, 4, lineNumber);
            break;
        default:
            refuse(lineNumber, "unknown record type " + std::to_string(record.type));
        }
    }

    void addData(const Record &record, std::size_t lineNumber)
    {
        const std::uint64_t address = std::uint64_t(base_) + record.offset;
        if (address + record.size > kAddressSpace)
            refuse(lineNumber, "data runs beyond 4 GiB");
        if (record.size == 0)
            return;
        elements_.add(std::uint32_t(address), record.data, record.size, lineNumber);
    }

    RecordDecoder decoder_;
    ElementBuilder elements_;
    std::uint32_t base_ = 0;
    bool endSeen_ = false;
};

std::vector<ImageElement> readRecords(std::string_view text, ElementBuilder::Joining joining,
                                      std::optional<ElementBuilder::Overlap> &overlap)
{
    HexReader reader(text.size(), joining);
    std::size_t lineNumber = 0;
    const char *start = text.data();
    const char *const end = text.data() + text.size();
    while (start < end) {
        const void *newline = std::memchr(start, '\n', std::size_t(end - start));
        const char *lineEnd = newline ? static_cast<const char *>(newline) : end;
        reader.readLine(start, lineEnd, ++lineNumber);
        start = lineEnd + 1;
    }
    return reader.finish(lineNumber == 0 ? 1 : lineNumber, overlap);
}

} // namespace

std::vector<ImageElement> parseIntelHex(std::string_view text)
{
    std::optional<ElementBuilder::Overlap> overlap;
    std::vector<ImageElement> elements =
        readRecords(text, ElementBuilder::Joining::MergeContinuations, overlap);
    if (overlap) {
        // Merged pieces only know their first line: read again piece by piece
        // to name the two records that claim the same bytes.
        readRecords(text, ElementBuilder::Joining::KeepEveryPiece, overlap);
        refuse(overlap->line, "data overlaps data of line " + std::to_string(overlap->otherLine));
    }
    if (elements.empty())
        throw InputError("no data records");
    return elements;
}

} // namespace dfu
