// The net's accumulators along the search's path, one slot a ply, both perspectives in each.
// Making a move only notes what it changes; a slot is worked out from its parent's when its
// evaluation is first asked for, so that a move pruned, or a node the table answers, costs
// nothing here. Only the root's slot is worked out from scratch.
#pragma once

#include <cstdint>
#include <vector>

#include "board/board.h"
#include "nnue/aligned_numbers.h"
#include "nnue/kernels.h"
#include "nnue/net.h"

namespace qorat {

class AccumulatorStack {
public:
    explicit AccumulatorStack(const Kernels& kernels = fastestKernels());

    // Holds the net's accumulators in this many slots; no net, none. Memory is taken only
    // when the size of what it holds changes.
    void use(const Net* net, int slots);
    const Net* net() const { return current; }

    // The slot's accumulators from scratch, for the board's position. A search's root slot
    // is set so before any slot above it is asked for.
    void refresh(int slot, const Board& board);
    // The next slot is the position after the move, about to be made on the board, from the
    // slot's position; a null move passes.
    void defer(int slot, const Board& board, const Move& m);

    // The evaluation of the slot's position for the side to move, as the net gives it.
    int evaluate(int slot, int sideToMove);
    // The slot's accumulator from the side's perspective, brought up to date.
    const std::int16_t* accumulator(int slot, int perspective);
    // Whether the slot's accumulators, brought up to date, are those the board's position
    // gives from scratch (worked out in a spare slot).
    bool matches(int slot, const Board& board);

private:
    // What a slot's position changed from its parent's: the piece that moved (none for a
    // pass) and what it took; current once the slot's numbers are worked out.
    struct Change {
        bool current = false;
        std::uint8_t piece = Empty;
        std::uint8_t victim = Empty;
        std::uint8_t from = 0;
        std::uint8_t to = 0;
    };

    std::int16_t* slotNumbers(int slot);
    // The slot's accumulator from the side's perspective, as it stands.
    std::int16_t* half(int slot, int perspective);
    void bringUpToDate(int slot);
    void computeFromParent(int slot);
    void computeFromScratch(int slot, const Board& board);

    const Kernels& kernels;
    const Net* current = nullptr;
    int slotCount = 0;
    // The slots in order, then the spare: each the Blue perspective's numbers, then Red's.
    AlignedNumbers numbers;
    std::vector<Change> changes;
};

}  // namespace qorat
