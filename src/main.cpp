// The entry point: builds the controller and runs the game.
#include <cstdlib>
#include <memory>
#include <string>

#include "board/random_seed.h"
#include "control/controller.h"

int main(int argc, char** argv) {
    // QORAT_SEED fixes the position keys and the book's choices, so a game can be replayed.
    if (const char* seed = std::getenv("QORAT_SEED")) qorat::fixRandomSeed(static_cast<unsigned>(std::strtoul(seed, nullptr, 10)));
    auto controller = std::make_unique<qorat::Controller>(argc, argv);
    controller->run();
}
