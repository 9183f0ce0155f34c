// The entry point: builds the controller and runs the game, or runs the bench.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "board/random_seed.h"
#include "protocol/bench.h"
#include "protocol/controller.h"
#include "protocol/launch.h"

int main(int argc, char** argv) {
    // Testers' signature of the build: the bench positions' node total and speed.
    if (argc >= 2 && std::strcmp(argv[1], "bench") == 0) return qorat::benchCommand(argc, argv);
    // Front ends interrupt their engine before they pass it a move, perhaps while it is still
    // starting: under one the signal is ignored from the first instruction on.
    if (qorat::readLaunch(argc, argv).frontEnd) std::signal(SIGINT, SIG_IGN);
    // QORAT_SEED fixes the position keys and the book's choices, so a game can be replayed.
    if (const char* seed = std::getenv("QORAT_SEED")) qorat::fixRandomSeed(static_cast<unsigned>(std::strtoul(seed, nullptr, 10)));
    auto controller = std::make_unique<qorat::Controller>(argc, argv);
    controller->run();
}
