// SPDX-License-Identifier: GPL-3.0-or-later
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
    // Whether a piece that continues the previous one (next address, next in
    // input) is merged into it. Merged pieces keep only the first piece's source.
    enum class Joining
    {
        MergeContinuations,
        KeepEveryPiece
    };

    explicit ElementBuilder(Joining joining = Joining::MergeContinuations) : joining_(joining) {}

    // Room for `bytes` data bytes without growing.
    void reserve(std::size_t bytes) { bytes_.reserve(bytes); }

    // `source` identifies the piece in messages (a line number for HEX input).
    void add(std::uint32_t address, const std::uint8_t *data, std::size_t size, std::size_t source);

    struct Overlap
    {
        std::size_t line = 0;      // the later of the two pieces in input order
        std::size_t otherLine = 0; // the earlier one
    };
    // Found whenever any two pieces overlap; with merged pieces the lines name
    // the first piece of each merged run, so callers wanting the exact pieces
    // build again with KeepEveryPiece.
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
    bool continuesLastPiece(std::uint32_t address) const;

    Joining joining_;
    std::vector<Piece> pieces_;
    std::vector<std::uint8_t> bytes_;
    bool sorted_ = true;
};

} // namespace dfu
