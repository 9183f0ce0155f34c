// The console's and cxboard's protocol: reading a line, and the computer's turn.
#include "protocol/console_protocol.h"

#include <algorithm>

#include "board/notation.h"
#include "classic/engine.h"
#include "game/clock.h"
#include "options/options.h"
#include "protocol/background_search.h"
#include "protocol/command_handler.h"
#include "protocol/controller.h"
#include "protocol/interface.h"

namespace qorat {

ConsoleProtocol::ConsoleProtocol(Controller& c, Interface& i, Board& b, Engine& e, CommandHandler& h,
                                 BackgroundSearch& g)
    : controller(c), interface(i), board(b), engine(e), commands(h), background(g) {}

void ConsoleProtocol::handleLine(const std::string& line) {
    if (line == "uci") {
        // The front end's first word switches the protocol, which then answers it.
        options.set("interface", "uci");
        controller.handleLine(line);
        return;
    }
    const Move m = parseMove(line);
    if (!isNoMove(m)) {
        controller.attemptMove(m);
    } else if (!options.handleCommand(line) && !commands.handleCommand(line)) {
        interface.current().printText("Error (unknown command): " + printableText(line) + "\n");
    }
}

void ConsoleProtocol::tend() {
    // A search for a position the game has left, or for a side the computer no longer plays,
    // would only hold the threads.
    if (background.active() && (!commands.computerToMove() || !background.searches(board))) background.cancel();
}

bool ConsoleProtocol::computerTurn() { return engine.modernSearch() ? modernTurn() : controller.classicTurn(); }

void ConsoleProtocol::humanMoved(const Move& m) { interface.current().printMove(m); }

bool ConsoleProtocol::modernTurn() {
    BackgroundSearch::Result result;
    if (background.searches(board)) {
        if (!background.takeResult(result)) return false;
        controller.playComputerMove(result.best);
        return true;
    }
    const Move book = engine.bookMove();
    if (!book.isNull()) {
        engine.dropMove();
        controller.playComputerMove(book);
        return true;
    }
    SearchLimits limits;
    // A "?" that came before the search began: the first move found is played.
    limits.depth = engine.moveWanted() ? 1 : std::clamp(engine.depthLimit(), 1, MaxPly - 1);
    limits.moveTime = clockFor(board.sideToMove())->moveBudget();
    engine.dropMove();
    background.showThinking(options.get("post") == "on");
    background.start(board, nullMove, limits, BackgroundSearch::Purpose::Play);
    return false;
}

}  // namespace qorat
