// Micro-benchmarks of the position's hot paths.
#include <benchmark/benchmark.h>

#include "board/keys.h"
#include "rules/lawyer.h"

namespace {

constexpr unsigned KeySeed = 1;
const char* const middlegame = "r1eakae2/4h4/1ch3h1c/p1p1p3p/6p2/2P6/P3P1P1P/1C2C1H2/9/RHEAKAE1R r";

void BM_MakeUnmake(benchmark::State& state) {
    qorat::fillKeyTables(KeySeed);
    qorat::Board board;
    qorat::Lawyer lawyer(board);
    board.addObserver(&lawyer);
    board.setFen(middlegame);
    qorat::MoveList moves;
    lawyer.generateMoves(moves, false);
    for (auto _ : state) {
        for (qorat::Move& m : moves) {
            board.makeMove(m);
            board.unmakeMove();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(moves.size()));
}
BENCHMARK(BM_MakeUnmake);

void BM_LegalMoves(benchmark::State& state) {
    qorat::fillKeyTables(KeySeed);
    qorat::Board board;
    qorat::Lawyer lawyer(board);
    board.addObserver(&lawyer);
    board.setFen(middlegame);
    for (auto _ : state) {
        qorat::MoveList moves;
        lawyer.generateMoves(moves, true);
        benchmark::DoNotOptimize(moves.size());
    }
}
BENCHMARK(BM_LegalMoves);

}  // namespace
