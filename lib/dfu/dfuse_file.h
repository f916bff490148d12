// SPDX-License-Identifier: GPL-3.0-or-later
// DfuSe files: a prefix, one or more targets of address/data elements, and
// the DFU suffix.
#pragma once

#include "byte_span.h"
#include "dfu_suffix.h"
#include "image_element.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dfu {

struct DfuseTarget
{
    std::uint8_t alternateSetting = 0;
    bool named = true;
    std::string name = "ST...";
    std::vector<ImageElement> elements;
};

struct DfuseFile
{
    std::vector<DfuseTarget> targets;
    DfuSuffix suffix;
};

// The bytes of a DfuSe file as consecutive spans, without copying the element
// data: the framing (prefix, target and element headers, suffix) lives here,
// the data stays in the DfuseFile, which must outlive this object.
class DfuseImage
{
public:
    // Throws InputError when the file cannot be represented (over 4 GiB or
    // more than 255 targets).
    explicit DfuseImage(const DfuseFile &file);

    const std::vector<ByteSpan> &spans() const { return spans_; }
    std::size_t size() const { return size_; }

private:
    std::vector<std::uint8_t> framing_;
    std::vector<ByteSpan> spans_;
    std::size_t size_ = 0;
};

// The complete file; the prefix's image size counts the whole file, suffix included.
std::vector<std::uint8_t> serializeDfuse(const DfuseFile &file);

// Checks everything before trusting any of it: signature, version, suffix and
// its CRC, every declared size, and that nothing is left over. Throws
// InputError with the first fault found.
DfuseFile parseDfuse(const std::vector<std::uint8_t> &bytes);

} // namespace dfu
