// Collects data pieces in any order and joins them into sorted elements.
#pragma once

#include "image_element.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace dfu {

class ElementBuilder
{
public:
    // `source` identifies the piece in messages (a line number for HEX input).
    void add(std::uint32_t address, const std::vector<std::uint8_t> &data, std::size_t source);

    struct Overlap
    {
        std::size_t line = 0;      // the later of the two pieces in input order
        std::size_t otherLine = 0; // the earlier one
    };
    std::optional<Overlap> findOverlap() const;

    // One element per contiguous run, sorted by address; pieces must not overlap.
    std::vector<ImageElement> build();

private:
    struct Piece
    {
        std::uint32_t address;
        std::size_t offset; // into bytes_
        std::size_t size;
        std::size_t source;
    };
    void sortPieces();

    std::vector<Piece> pieces_;
    std::vector<std::uint8_t> bytes_;
    bool sorted_ = true;
};

} // namespace dfu
