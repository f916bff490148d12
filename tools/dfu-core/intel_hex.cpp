#include "intel_hex.h"

#include "element_builder.h"
#include "input_error.h"
#include "text.h"

#include <cstdint>

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

struct Record
{
    std::uint8_t type = 0;
    std::uint16_t offset = 0;
    std::vector<std::uint8_t> data;
};

[[noreturn]] void refuse(std::size_t lineNumber, const std::string &reason)
{
    throw InputError("line " + std::to_string(lineNumber) + ": " + reason);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string describeCharacter(char c)
{
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x21 && code < 0x7F)
        return std::string("'") + c + "'";
    return "byte " + hexText(code, 2);
}

// Blanks around a record, including the CR of CRLF line ends.
constexpr char kLineBlanks[] = " \t\r";

std::vector<std::uint8_t> decodeBytes(const std::string &line, std::size_t lineNumber)
{
    if (line[0] != ':')
        refuse(lineNumber, "record does not start with ':'");
    for (std::size_t i = 1; i < line.size(); ++i)
        if (hexValue(line[i]) < 0)
            refuse(lineNumber, "non-hex character " + describeCharacter(line[i]));
    const std::size_t digits = line.size() - 1;
    if (digits < 10 || digits % 2 != 0)
        refuse(lineNumber, "wrong record length (" + std::to_string(digits) + " hex digits)");
    std::vector<std::uint8_t> bytes(digits / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(hexValue(line[1 + 2 * i]) << 4 | hexValue(line[2 + 2 * i]));
    return bytes;
}

Record decodeRecord(const std::string &line, std::size_t lineNumber)
{
    const std::vector<std::uint8_t> bytes = decodeBytes(line, lineNumber);
    const std::size_t declared = bytes[0];
    if (bytes.size() != declared + 5)
        refuse(lineNumber, "wrong record length: byte count " + std::to_string(declared) + " but " +
                               std::to_string(bytes.size() - 5) + " data bytes");
    std::uint8_t sum = 0;
    for (std::uint8_t byte : bytes)
        sum = std::uint8_t(sum + byte);
    if (sum != 0)
        refuse(lineNumber, "bad checksum");
    Record record;
    record.offset = std::uint16_t(bytes[1] << 8 | bytes[2]);
    record.type = bytes[3];
    record.data.assign(bytes.begin() + 4, bytes.end() - 1);
    return record;
}

void requireLength(const Record &record, std::size_t expected, std::size_t lineNumber)
{
    if (record.data.size() != expected)
        refuse(lineNumber, "wrong record length for record type 0" + std::to_string(record.type));
}

std::uint32_t bigEndian16(const std::vector<std::uint8_t> &data)
{
    return std::uint32_t(data[0] << 8 | data[1]);
}

class HexReader
{
public:
    void readLine(const std::string &rawLine, std::size_t lineNumber)
    {
        const std::string line = trimmed(rawLine, kLineBlanks);
        if (line.empty())
            return;
        if (endSeen_)
            refuse(lineNumber, "content after the end-of-file record");
        apply(decodeRecord(line, lineNumber), lineNumber);
    }

    std::vector<ImageElement> finish(std::size_t lastLine)
    {
        if (!endSeen_)
            refuse(lastLine, "the file ends without an end-of-file record (cut off?)");
        if (const auto overlap = elements_.findOverlap())
            refuse(overlap->line,
                   "data overlaps data of line " + std::to_string(overlap->otherLine));
        return elements_.build();
    }

private:
    void apply(Record record, std::size_t lineNumber)
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

    void addData(Record &record, std::size_t lineNumber)
    {
        const std::uint64_t address = std::uint64_t(base_) + record.offset;
        if (address + record.data.size() > kAddressSpace)
            refuse(lineNumber, "data runs beyond 4 GiB");
        if (record.data.empty())
            return;
        elements_.add(std::uint32_t(address), record.data, lineNumber);
    }

    ElementBuilder elements_;
    std::uint32_t base_ = 0;
    bool endSeen_ = false;
};

} // namespace

std::vector<ImageElement> parseIntelHex(const std::string &text)
{
    HexReader reader;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        reader.readLine(text.substr(start, end - start), ++lineNumber);
        start = end + 1;
    }
    std::vector<ImageElement> elements = reader.finish(lineNumber == 0 ? 1 : lineNumber);
    if (elements.empty())
        throw InputError("no data records");
    return elements;
}

} // namespace dfu
