#include "download/SegmentScheduler.h"

#include <algorithm>

SegmentScheduler::SegmentScheduler(const std::vector<Range>& missing, int connections,
                                   std::int64_t minPiece)
    : waiting(missing.begin(), missing.end()),
      pieces(static_cast<std::size_t>(std::max(connections, 1))),
      min_piece(std::max<std::int64_t>(minPiece, 1)) {
    // Halve the largest until every connection has one, as long as the halves stay worth it.
    while (waiting.size() < pieces.size()) {
        auto largest = std::max_element(
            waiting.begin(), waiting.end(),
            [](const Range& a, const Range& b) { return a.end - a.begin < b.end - b.begin; });
        if (largest == waiting.end() || largest->end - largest->begin < 2 * min_piece) {
            break;
        }
        const std::int64_t middle = largest->begin + (largest->end - largest->begin) / 2;
        const Range back{middle, largest->end};
        largest->end = middle;
        waiting.insert(largest + 1, back);
    }
}

std::optional<SegmentScheduler::Range> SegmentScheduler::Take(int id) {
    Piece& mine = pieces.at(static_cast<std::size_t>(id));
    if (!waiting.empty()) {
        const Range range = waiting.front();
        waiting.pop_front();
        mine = {range.begin, range.end, true};
        return range;
    }
    Piece* largest = nullptr;
    for (Piece& piece : pieces) {
        if (piece.held &&
            (largest == nullptr || piece.end - piece.next > largest->end - largest->next)) {
            largest = &piece;
        }
    }
    if (largest == nullptr || largest->end - largest->next < 2 * min_piece) {
        mine = {};
        return std::nullopt;
    }
    const std::int64_t middle = largest->next + (largest->end - largest->next) / 2;
    const Range back{middle, largest->end};
    largest->end = middle;
    mine = {back.begin, back.end, true};
    return back;
}

std::int64_t SegmentScheduler::End(int id) const {
    return pieces.at(static_cast<std::size_t>(id)).end;
}

void SegmentScheduler::Advance(int id, std::int64_t position) {
    Piece& piece = pieces.at(static_cast<std::size_t>(id));
    piece.next = std::min(std::max(piece.next, position), piece.end);
    if (piece.next == piece.end) {
        piece.held = false;
    }
}

void SegmentScheduler::Release(int id) {
    Piece& piece = pieces.at(static_cast<std::size_t>(id));
    if (piece.held && piece.next < piece.end) {
        // Kept in order, so that the lowest bytes are fetched first and the hash can follow.
        const Range rest{piece.next, piece.end};
        waiting.insert(
            std::upper_bound(waiting.begin(), waiting.end(), rest,
                             [](const Range& a, const Range& b) { return a.begin < b.begin; }),
            rest);
    }
    piece = {};
}

bool SegmentScheduler::AllDone() const {
    return waiting.empty() &&
           std::none_of(pieces.begin(), pieces.end(), [](const Piece& p) { return p.held; });
}

bool SegmentScheduler::Busy(int id) const {
    return pieces.at(static_cast<std::size_t>(id)).held;
}
