// qorat-features: the modern evaluation as the tuning pipeline sees it.
//   qorat-features layout   the evaluation's terms: name, first weight, count, then the weights
//                           compiled in and the weights the fit starts from
//   qorat-features quiet    for each line "FEN;RESULT" read, the position at the end of the
//                           quiescence search's line, with its result, when not in check there
//   qorat-features trace    for each FEN read: the evaluation for Red, the phase, and each
//                           term's count for Red less Blue as index:count pairs
// FEN is our FEN text (h and e for horse and elephant, r or b to move).
#include <array>
#include <cstdint>
#include <iostream>
#include <map>
#include <string>

#include "board/keys.h"
#include "board/notation.h"
#include "eval/eval_terms.h"
#include "eval/eval_weights.h"
#include "eval/evaluator.h"
#include "eval/pvs_evaluation.h"
#include "search/modern_search.h"

namespace {

using namespace qorat;

constexpr unsigned KeySeed = 1;
// The classic evaluation counts in tenths of a pawn, the modern one in centipawns.
constexpr int TableScale = 10;
// The side to move's bonus the fit starts from.
constexpr int StartTempo = 20;

struct Group {
    const char* name;
    int first;
    int count;
};

const Group groups[] = {
    {"Material", term::Material, LosablePieces},
    {"Square", term::Square, (PieceTypes - 1) * FoldedSquares},
    {"RookMobility", term::RookMobility, 1},
    {"CannonMobility", term::CannonMobility, 1},
    {"HorseMobility", term::HorseMobility, HorseMoves},
    {"PalaceAttacks", term::PalaceAttacks, 1},
    {"PalaceAttackers", term::PalaceAttackers, AttackerCounts},
    {"HollowCannon", term::HollowCannon, 1},
    {"ScreenedCannon", term::ScreenedCannon, 1},
    {"MissingAdvisor", term::MissingAdvisor, 1},
    {"MissingElephant", term::MissingElephant, 1},
    {"Hanging", term::Hanging, LosablePieces},
    {"HangingWaiting", term::HangingWaiting, LosablePieces},
    {"Threatened", term::Threatened, LosablePieces},
    {"ThreatenedWaiting", term::ThreatenedWaiting, LosablePieces},
    {"ConnectedPawns", term::ConnectedPawns, 1},
    {"Tempo", term::Tempo, 1},
};

struct Never : SearchControl {
    bool stopRequested() override { return false; }
};

int usage() {
    std::cerr << "usage: qorat-features layout|quiet|trace < lines\n";
    return 2;
}

// Where every fit starts, whatever the weights compiled in: the classic evaluation's
// piece-square table, worth apart, and no other term but the tempo.
std::array<Weight, term::Count> startWeights() {
    std::array<Weight, term::Count> start{};
    for (int type = Pawn; type <= King; ++type) {
        // The king's table holds its placement alone.
        const int worth = type == King ? 0 : pieceValues[type];
        const auto material = static_cast<std::int16_t>(worth * TableScale);
        if (type != King) start[term::Material + type - 1] = {material, material};
        for (int square = 0; square < BoardSquares; ++square) {
            if (columnOf(square) >= FoldedFiles) continue;
            const auto value = static_cast<std::int16_t>((Evaluator::pieceSquareTable[type][0][square] - worth) * TableScale);
            start[term::Square + (type - 1) * FoldedSquares + eval::foldedSquare(Blue, square)] = {value, value};
        }
    }
    start[term::Tempo] = {StartTempo, StartTempo};
    return start;
}

void printWeights(const char* name, const std::array<Weight, term::Count>& weights) {
    std::cout << name;
    for (const Weight& w : weights) std::cout << ' ' << w.mg << ',' << w.eg;
    std::cout << '\n';
}

void layout() {
    for (const Group& g : groups) std::cout << g.name << ' ' << g.first << ' ' << g.count << '\n';
    printWeights("weights", evalWeights);
    printWeights("start", startWeights());
}

// The material and piece-square terms, counted from scratch.
void squareTerms(const Board& board, std::map<int, int>& counts) {
    for (int side : {Red, Blue}) {
        const int sign = eval::sideSign(side);
        for (int type = Pawn; type <= King; ++type) {
            for (int square : board.pieces(side, type)) {
                if (type != King) counts[term::Material + type - 1] += sign;
                counts[term::Square + (type - 1) * FoldedSquares + eval::foldedSquare(side, square)] += sign;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return usage();
    const std::string mode = argv[1];
    if (mode == "layout") {
        layout();
        return 0;
    }
    if (mode != "quiet" && mode != "trace") return usage();

    fillKeyTables(KeySeed);
    Board board;
    Lawyer lawyer(board);
    board.addObserver(&lawyer);
    Never never;
    SearchTable table(1);
    ModernSearch search(board, lawyer, table, never);
    std::string line;
    while (std::getline(std::cin, line)) {
        const std::size_t split = line.find(';');
        const std::string fen = line.substr(0, split);
        if (!board.setFen(fen)) {
            std::cerr << "bad FEN: " << fen << '\n';
            continue;
        }
        if (mode == "quiet") {
            std::array<Move, MaxPly> quiet;
            const int length = search.quietLine(quiet);
            for (int i = 0; i < length; ++i) board.makeMove(quiet[static_cast<std::size_t>(i)]);
            if (!lawyer.inCheck(board.sideToMove()))
                std::cout << board.toFen() << (split == std::string::npos ? "" : line.substr(split)) << '\n';
            continue;
        }
        std::map<int, int> counts;
        squareTerms(board, counts);
        collectTerms(board, [&counts](int term, int count) { counts[term] += count; });
        const int evaluation = pvsEvaluate(board, squareSums(board));
        std::cout << (board.sideToMove() == Red ? evaluation : -evaluation) << ' ' << gamePhase(board);
        for (const auto& [index, count] : counts)
            if (count != 0) std::cout << ' ' << index << ':' << count;
        std::cout << '\n';
    }
    return 0;
}
