// Fuzz target: input lines handled as the main loop handles them, on a game in force mode.
// The position must stay consistent whatever the lines do.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "board/keys.h"
#include "protocol/controller.h"
#include "rules/lawyer.h"

namespace {

qorat::Controller& game() {
    static qorat::Controller* controller = [] {
        qorat::fillKeyTables(1);
        // The game's output is of no interest here.
        if (!std::freopen("/dev/null", "w", stdout)) std::abort();
        const char* argv[] = {"qorat", "-nobook"};
        auto* c = new qorat::Controller(2, argv);
        c->handleLine("force");
        return c;
    }();
    return *controller;
}

bool endsTheProgram(const std::string& line) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    return first == "quit";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qorat::Controller& controller = game();
    std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
    std::string line;
    while (std::getline(lines, line)) {
        if (endsTheProgram(line)) continue;
        controller.handleLine(line);
        if (!controller.board().isConsistent()) std::abort();
    }
    // Keep the computer out of the game, whatever the lines chose.
    controller.handleLine("force");
    return 0;
}
