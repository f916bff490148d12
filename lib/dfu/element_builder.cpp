// SPDX-License-Identifier: GPL-3.0-or-later
#include "element_builder.h"

#include "address_range.h"

#include <algorithm>

namespace dfu {

bool ElementBuilder::continuesLastPiece(std::uint32_t address) const
{
    if (joining_ != Joining::MergeContinuations || pieces_.empty())
        return false;
    const Piece &last = pieces_.back();
    return std::uint64_t(last.address) + last.size == address;
}

void ElementBuilder::add(std::uint32_t address, const std::uint8_t *data, std::size_t size,
                         std::size_t source)
{
    if (continuesLastPiece(address)) {
        pieces_.back().size += size;
    } else {
        if (!pieces_.empty() && address < pieces_.back().address)
            sorted_ = false;
        pieces_.push_back({address, bytes_.size(), size, source});
    }
    bytes_.insert(bytes_.end(), data, data + size);
}

void ElementBuilder::sortPieces()
{
    if (sorted_)
        return;
    std::stable_sort(pieces_.begin(), pieces_.end(),
                     [](const Piece &a, const Piece &b) { return a.address < b.address; });
    sorted_ = true;
}

std::optional<ElementBuilder::Overlap> ElementBuilder::findOverlap() const
{
    std::vector<AddressRange> ranges;
    ranges.reserve(pieces_.size());
    for (const Piece &piece : pieces_)
        ranges.push_back({piece.address, std::uint64_t(piece.address) + piece.size});
    const auto pair = findFirstOverlap(ranges);
    if (!pair)
        return std::nullopt;
    const std::size_t lowerSource = pieces_[pair->lower].source;
    const std::size_t higherSource = pieces_[pair->higher].source;
    return Overlap{std::max(lowerSource, higherSource), std::min(lowerSource, higherSource)};
}

std::vector<ImageElement> ElementBuilder::build()
{
    sortPieces();
    std::vector<ImageElement> elements;
    // The usual image, one run in order, hands over its bytes without a copy.
    if (pieces_.size() == 1) {
        elements.push_back({pieces_.front().address, std::move(bytes_)});
        bytes_.clear();
        return elements;
    }
    for (const Piece &piece : pieces_) {
        if (elements.empty() || endAddress(elements.back()) != piece.address)
            elements.push_back({piece.address, {}});
        auto &data = elements.back().data;
        data.insert(data.end(), bytes_.begin() + std::ptrdiff_t(piece.offset),
                    bytes_.begin() + std::ptrdiff_t(piece.offset + piece.size));
    }
    return elements;
}

} // namespace dfu
