// The console's and cxboard's protocol: reading a line, and the computer's turn.
#include "protocol/console_protocol.h"

#include <algorithm>

#include "board/notation.h"
#include "classic/engine.h"
#include "game/clock.h"
#include "options/options.h"
#include "protocol/command_handler.h"
#include "protocol/controller.h"
#include "protocol/interface.h"
#include "protocol/search_session.h"

namespace qorat {

ConsoleProtocol::ConsoleProtocol(Controller& c, Interface& i, Board& b, Engine& e, CommandHandler& h,
                                 SearchSession& g)
    : controller(c), interface(i), board(b), engine(e), commands(h), session(g) {}

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
    // A search for a position the game has left, for a side the computer no longer plays, or
    // after a classic search was chosen, would only hold the threads.
    if (session.active() && (!commands.computerToMove() || !session.searches(board) || !engine.modernSearch()))
        session.cancel();
}

bool ConsoleProtocol::computerTurn() { return engine.modernSearch() ? modernTurn() : controller.classicTurn(); }

void ConsoleProtocol::humanMoved(const Move& m) { interface.current().printMove(m); }

bool ConsoleProtocol::modernTurn() {
    SearchSession::Result result;
    if (session.searches(board)) {
        if (!session.takeResult(result)) return false;
        controller.playComputerMove(result.best);
        return true;
    }
    SearchLimits limits;
    // A "?" that came before the search began: the first move found is played.
    limits.depth = engine.moveWanted() ? 1 : std::clamp(engine.depthLimit(), 1, MaxPly - 1);
    limits.moveTime = clockFor(board.sideToMove())->moveBudget();
    engine.dropMove();
    session.showThinking(options.get("post") == "on");
    const Move book = session.bookOrSearch(board, limits, SearchSession::Purpose::Play, true);
    if (book.isNull()) return false;
    controller.playComputerMove(book);
    return true;
}

}  // namespace qorat
