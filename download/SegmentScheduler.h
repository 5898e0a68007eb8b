// Shares the missing ranges of an image among several connections: each works through a piece of
// its own, and a connection left without work takes the back half of the largest piece still in
// flight, so that all of them finish together.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "download/RangeMap.h"

class SegmentScheduler {
public:
    using Range = RangeMap::Range;

    // `missing` in order; cut into at least `connections` pieces where each stays at least
    // `minPiece` bytes, which is also the least a split leaves each side.
    SegmentScheduler(const std::vector<Range>& missing, int connections, std::int64_t minPiece);

    // A piece for connection `id`, which has none: the first waiting one, or else the back half
    // of the largest piece in flight (its owner's end moves down to where the half begins). None
    // when nothing is left that is worth a connection of its own.
    std::optional<Range> Take(int id);
    // The end of `id`'s piece as it stands now; a split may have moved it since it was taken.
    std::int64_t End(int id) const;
    // `id` has fetched its piece up to `position`.
    void Advance(int id, std::int64_t position);
    // `id` gives up its piece: the part not fetched waits for a connection again.
    void Release(int id);
    // No piece waits and none is in flight.
    bool AllDone() const;
    // True while `id` holds a piece that is not finished.
    bool Busy(int id) const;

private:
    struct Piece {
        std::int64_t next = 0;
        std::int64_t end = 0;
        bool held = false;
    };

    std::deque<Range> waiting;
    std::vector<Piece> pieces;
    std::int64_t min_piece;
};
