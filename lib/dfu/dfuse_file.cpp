// SPDX-License-Identifier: GPL-3.0-or-later
#include "dfuse_file.h"

#include "byte_order.h"
#include "crc32.h"
#include "input_error.h"
#include "text.h"

#include <algorithm>
#include <cstring>

namespace dfu {

namespace {

constexpr char kPrefixSignature[] = "DfuSe";
constexpr char kTargetSignature[] = "Target";
constexpr std::size_t kPrefixLength = 11;
constexpr std::size_t kTargetNameLength = 255;
constexpr std::size_t kTargetPrefixLength = 6 + 1 + 4 + kTargetNameLength + 4 + 4;
constexpr std::size_t kElementHeaderLength = 8;
constexpr std::uint8_t kFormatVersion = 1;

std::uint64_t targetSize(const DfuseTarget &target)
{
    std::uint64_t size = 0;
    for (const ImageElement &element : target.elements)
        size += kElementHeaderLength + element.data.size();
    return size;
}

void appendTargetPrefix(std::vector<std::uint8_t> &out, const DfuseTarget &target)
{
    out.insert(out.end(), kTargetSignature, kTargetSignature + 6);
    out.push_back(target.alternateSetting);
    appendLe32(out, target.named ? 1u : 0u);
    const std::size_t nameStart = out.size();
    out.resize(nameStart + kTargetNameLength, 0);
    std::memcpy(out.data() + nameStart, target.name.data(),
                std::min(target.name.size(), kTargetNameLength - 1));
    appendLe32(out, std::uint32_t(targetSize(target)));
    appendLe32(out, std::uint32_t(target.elements.size()));
}

std::uint64_t checkedFileSize(const DfuseFile &file)
{
    std::uint64_t total = kPrefixLength + kSuffixLength;
    for (const DfuseTarget &target : file.targets)
        total += kTargetPrefixLength + targetSize(target);
    if (total > 0xFFFFFFFFu)
        throw InputError("the image is too large for a DfuSe file");
    if (file.targets.size() > 255)
        throw InputError("a DfuSe file holds at most 255 targets");
    return total;
}

// Walks the bytes front to back, refusing to read past the end of the content.
class Cursor
{
public:
    Cursor(const std::vector<std::uint8_t> &bytes, std::size_t end) : bytes_(bytes), end_(end) {}

    const std::uint8_t *take(std::size_t count, const char *what)
    {
        if (count > end_ - position_)
            throw InputError(std::string("the file is cut off inside ") + what);
        const std::uint8_t *start = bytes_.data() + position_;
        position_ += count;
        return start;
    }
    std::size_t position() const { return position_; }
    std::size_t remaining() const { return end_ - position_; }

private:
    const std::vector<std::uint8_t> &bytes_;
    std::size_t end_;
    std::size_t position_ = 0;
};

// Messages about the file spell hex numbers in capitals.
std::string upperHex32(std::uint32_t value)
{
    return hex32(value, LetterCase::Upper);
}

void checkSuffix(const std::vector<std::uint8_t> &bytes, DfuSuffix &suffix)
{
    const auto check = readSuffix(bytes);
    if (!check)
        throw InputError("no DFU suffix at the end of the file");
    if (check->storedCrc != check->computedCrc)
        throw InputError("CRC mismatch: the suffix says " + upperHex32(check->storedCrc) +
                         ", the content gives " + upperHex32(check->computedCrc));
    if (check->fields.bcdDfu != kDfuseVersion)
        throw InputError("the suffix declares DFU version " + upperHex32(check->fields.bcdDfu) +
                         ", not the DfuSe version " + hex16(kDfuseVersion, LetterCase::Upper));
    suffix = check->fields;
}

void checkPrefix(Cursor &cursor, std::size_t fileSize, std::size_t &targetCount)
{
    const std::uint8_t *prefix = cursor.take(kPrefixLength, "the prefix");
    if (std::memcmp(prefix, kPrefixSignature, 5) != 0)
        throw InputError("not a DfuSe file: the signature \"DfuSe\" is missing");
    if (prefix[5] != kFormatVersion)
        throw InputError("unsupported DfuSe format version " + std::to_string(prefix[5]));
    const std::uint32_t imageSize = readLe32(prefix + 6);
    // Files differ in whether this size counts the suffix; both are accepted.
    if (imageSize != fileSize && imageSize != fileSize - kSuffixLength)
        throw InputError("the prefix declares " + std::to_string(imageSize) +
                         " bytes but the file has " + std::to_string(fileSize));
    targetCount = prefix[10];
    if (targetCount == 0)
        throw InputError("the file holds no target");
}

ImageElement readElement(Cursor &cursor)
{
    const std::uint8_t *header = cursor.take(kElementHeaderLength, "an element header");
    ImageElement element;
    element.address = readLe32(header);
    const std::uint32_t size = readLe32(header + 4);
    if (std::uint64_t(element.address) + size > kAddressSpace)
        throw InputError("an element at " + upperHex32(element.address) + " runs beyond 4 GiB");
    const std::uint8_t *data = cursor.take(size, "element data");
    element.data.assign(data, data + size);
    return element;
}

DfuseTarget readTarget(Cursor &cursor)
{
    const std::uint8_t *prefix = cursor.take(kTargetPrefixLength, "a target prefix");
    if (std::memcmp(prefix, kTargetSignature, 6) != 0)
        throw InputError("a target lacks its \"Target\" signature");
    DfuseTarget target;
    target.alternateSetting = prefix[6];
    target.named = readLe32(prefix + 7) != 0;
    const char *name = reinterpret_cast<const char *>(prefix + 11);
    target.name.assign(name, strnlen(name, kTargetNameLength));
    const std::uint32_t declaredSize = readLe32(prefix + 11 + kTargetNameLength);
    const std::uint32_t elementCount = readLe32(prefix + 15 + kTargetNameLength);
    if (declaredSize > cursor.remaining())
        throw InputError("a target declares more bytes than the file holds");
    const std::size_t start = cursor.position();
    for (std::uint32_t i = 0; i < elementCount; ++i)
        target.elements.push_back(readElement(cursor));
    if (cursor.position() - start != declaredSize)
        throw InputError("a target's declared size does not match its elements");
    return target;
}

} // namespace

DfuseImage::DfuseImage(const DfuseFile &file)
{
    size_ = std::size_t(checkedFileSize(file));
    // Where the framing stops for an element's data to follow.
    struct DataCut
    {
        std::size_t framingEnd;
        const ImageElement *element;
    };
    std::vector<DataCut> cuts;
    framing_.insert(framing_.end(), kPrefixSignature, kPrefixSignature + 5);
    framing_.push_back(kFormatVersion);
    appendLe32(framing_, std::uint32_t(size_));
    framing_.push_back(std::uint8_t(file.targets.size()));
    for (const DfuseTarget &target : file.targets) {
        appendTargetPrefix(framing_, target);
        for (const ImageElement &element : target.elements) {
            appendLe32(framing_, element.address);
            appendLe32(framing_, std::uint32_t(element.data.size()));
            cuts.push_back({framing_.size(), &element});
        }
    }
    std::uint32_t crc = 0xFFFFFFFFu;
    std::size_t framingDone = 0;
    for (const DataCut &cut : cuts) {
        crc = crc32(framing_.data() + framingDone, cut.framingEnd - framingDone, crc);
        crc = crc32(cut.element->data.data(), cut.element->data.size(), crc);
        framingDone = cut.framingEnd;
    }
    crc = crc32(framing_.data() + framingDone, framing_.size() - framingDone, crc);
    appendSuffix(framing_, file.suffix, crc);

    // The framing is complete: pointers into it stay valid from here on.
    framingDone = 0;
    for (const DataCut &cut : cuts) {
        spans_.push_back({framing_.data() + framingDone, cut.framingEnd - framingDone});
        spans_.push_back({cut.element->data.data(), cut.element->data.size()});
        framingDone = cut.framingEnd;
    }
    spans_.push_back({framing_.data() + framingDone, framing_.size() - framingDone});
}

std::vector<std::uint8_t> serializeDfuse(const DfuseFile &file)
{
    const DfuseImage image(file);
    std::vector<std::uint8_t> out;
    out.reserve(image.size());
    for (const ByteSpan &span : image.spans())
        out.insert(out.end(), span.data, span.data + span.size);
    return out;
}

DfuseFile parseDfuse(const std::vector<std::uint8_t> &bytes)
{
    if (bytes.size() < kPrefixLength + kSuffixLength)
        throw InputError("the file is too short to be a DfuSe file");
    DfuseFile file;
    Cursor cursor(bytes, bytes.size() - kSuffixLength);
    std::size_t targetCount = 0;
    checkPrefix(cursor, bytes.size(), targetCount);
    checkSuffix(bytes, file.suffix);
    for (std::size_t i = 0; i < targetCount; ++i)
        file.targets.push_back(readTarget(cursor));
    if (cursor.remaining() != 0)
        throw InputError(std::to_string(cursor.remaining()) +
                         " unexplained bytes between the last target and the suffix");
    return file;
}

} // namespace dfu
