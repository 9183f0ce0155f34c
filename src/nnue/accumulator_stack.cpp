// The net's accumulators along the search's path, worked out lazily from the parent's.
#include "nnue/accumulator_stack.h"

#include <algorithm>

#include "nnue/features.h"
#include "nnue/output.h"

namespace qorat {

AccumulatorStack::AccumulatorStack(const Kernels& k) : kernels(k) {}

void AccumulatorStack::use(const Net* net, int slots) {
    current = net;
    slotCount = slots;
    // The slots and the spare.
    const std::size_t wanted = net == nullptr ? 0 : static_cast<std::size_t>(slots + 1) * 2 * static_cast<std::size_t>(net->hidden);
    if (numbers.size() != wanted) numbers = wanted == 0 ? AlignedNumbers() : AlignedNumbers(wanted);
    changes.resize(net == nullptr ? 0 : static_cast<std::size_t>(slots + 1));
}

std::int16_t* AccumulatorStack::slotNumbers(int slot) {
    return numbers.data() + static_cast<std::size_t>(slot) * 2 * static_cast<std::size_t>(current->hidden);
}

std::int16_t* AccumulatorStack::half(int slot, int perspective) {
    return slotNumbers(slot) + static_cast<std::size_t>(sideIndex(perspective)) * static_cast<std::size_t>(current->hidden);
}

void AccumulatorStack::refresh(int slot, const Board& board) {
    computeFromScratch(slot, board);
    changes[static_cast<std::size_t>(slot)].current = true;
}

void AccumulatorStack::defer(int slot, const Board& board, const Move& m) {
    Change& next = changes[static_cast<std::size_t>(slot) + 1];
    next.current = false;
    next.piece = static_cast<std::uint8_t>(m.isNull() ? Empty : board.piece(m.from));
    next.victim = static_cast<std::uint8_t>(m.isNull() ? Empty : board.piece(m.to));
    next.from = static_cast<std::uint8_t>(m.from);
    next.to = static_cast<std::uint8_t>(m.to);
}

int AccumulatorStack::evaluate(int slot, int sideToMove) {
    bringUpToDate(slot);
    return netEvaluation(*current, half(slot, sideToMove), half(slot, opponent(sideToMove)), kernels);
}

const std::int16_t* AccumulatorStack::accumulator(int slot, int perspective) {
    bringUpToDate(slot);
    return half(slot, perspective);
}

bool AccumulatorStack::matches(int slot, const Board& board) {
    bringUpToDate(slot);
    computeFromScratch(slotCount, board);
    const std::int16_t* held = slotNumbers(slot);
    return std::equal(held, held + 2 * current->hidden, slotNumbers(slotCount));
}

void AccumulatorStack::bringUpToDate(int slot) {
    // The root's slot is current, so the walk down ends there at the latest.
    int first = slot;
    while (!changes[static_cast<std::size_t>(first)].current) --first;
    for (int s = first + 1; s <= slot; ++s) computeFromParent(s);
}

void AccumulatorStack::computeFromParent(int slot) {
    Change& change = changes[static_cast<std::size_t>(slot)];
    const int hidden = current->hidden;
    if (change.piece == Empty) {
        std::copy_n(slotNumbers(slot - 1), 2 * hidden, slotNumbers(slot));
    } else {
        for (int perspective : {Blue, Red}) {
            const std::int16_t* captured =
                change.victim == Empty ? nullptr : current->row(featureIndex(perspective, change.victim, change.to));
            kernels.update(half(slot - 1, perspective), half(slot, perspective), hidden,
                           current->row(featureIndex(perspective, change.piece, change.to)),
                           current->row(featureIndex(perspective, change.piece, change.from)), captured);
        }
    }
    change.current = true;
}

void AccumulatorStack::computeFromScratch(int slot, const Board& board) {
    const int hidden = current->hidden;
    for (int perspective : {Blue, Red}) {
        std::int16_t* accumulator = half(slot, perspective);
        std::copy_n(current->biases.data(), hidden, accumulator);
        for (int square = 0; square < BoardSquares; ++square) {
            if (board.piece(square) == Empty) continue;
            const std::int16_t* row = current->row(featureIndex(perspective, board.piece(square), square));
            for (int i = 0; i < hidden; ++i) accumulator[i] = static_cast<std::int16_t>(accumulator[i] + row[i]);
        }
    }
}

}  // namespace qorat
