// The xboard protocol (version 2): the commands a front end of the xboard family sends,
// beside the console's and cxboard's, which keep their own words. The modern search runs on
// threads of its own here, so the engine can ponder and analyse while it reads commands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/board.h"
#include "protocol/engine_settings.h"
#include "protocol/protocol.h"
#include "protocol/resign_and_draw.h"
#include "protocol/search_session.h"

namespace qorat {

class Interface;
class Controller;
class Engine;
class CommandHandler;
class Lawyer;
class XBoardClock;

class XBoardProtocol final : public Protocol {
public:
    XBoardProtocol(Controller& controller, Interface& interface, Board& board, Lawyer& lawyer, Engine& engine,
                   CommandHandler& commands, XBoardClock& clock, SearchSession& session, EngineSettings& settings);

    void begin() override;
    // A move, announced by "usermove" or not, else a command.
    void handleLine(const std::string& line) override;
    // Answers the pings held back while the computer was to move, once it no longer is, and
    // keeps the threaded search on what the game needs after each command: analysis follows
    // the board, a ponder hit goes on, a search whose position has gone is dropped.
    void tend() override;
    // An analysis claims nothing; in a game the front end judges repetition, material and
    // time, and would refuse any other claim.
    bool judgesGames() const override { return !analysis; }
    bool claimsResults() const override { return false; }
    bool keepsFrontEndClock() const override { return true; }
    bool computerTurn() override;
    // The computer's turn begins with the person's move: its budget is drawn from the front
    // end's clocks.
    void humanMoved(const Move& m) override;
    // The computer has moved: its clock is charged, and it ponders on the reply it expects.
    void computerMoved(const Move& m) override;

private:
    // Carries out a protocol command; false, having done nothing, when the line is not one.
    bool handleCommand(const std::string& line);
    void answerHeldPings();
    void startComputerTurn();
    // Whether the computer's moves come from the threaded search.
    bool searchesInBackground() const;
    // The computer's move from the threaded search, or from the book: starts the search when
    // none runs; true once the turn's search has ended, with the move, or no move when the
    // engine resigns or has none.
    bool computerMove(Move& m);
    void announceFeatures();
    void newGame();
    void finishGame();
    void go();
    void setBoard(const std::string& fen);
    // Sets the time control; false, having changed nothing, when a number cannot be read.
    bool level(const std::vector<std::string>& args);
    // Answers a command whose numbers cannot be read; the command counts as handled.
    bool refuse(const std::string& line);
    void setOption(const std::string& assignment);
    void ping(const std::string& number);
    bool computerToMove() const;
    bool computerPlays() const;
    int movesMade() const { return static_cast<int>(board.history().size() / 2); }

    // Pondering, analysis and the engine's own words on the game.
    void moveNow();
    // The limits of the computer's next move: the clock's and the depth set by "sd".
    SearchLimits moveLimits() const;
    void startAnalysis();
    // A changed setting takes hold in an analysis at once, in a search for a move at the next.
    void restartAnalysis();
    // Tells the person when a classic search is chosen but the analysis uses the modern one.
    void tellAnalysisSearch();
    // Forgets the excluded moves once the board is no longer theirs.
    void keepExclusionsFor(const Board& position);
    // The board's legal moves that are not excluded.
    MoveList movesToAnalyse();
    void exclude(const std::string& move, bool out);
    void showStatus();
    void hint();
    void showBookMoves();
    void answerDrawOffer();
    // Whether the score of the move about to be played gives the game up, or offers a draw.
    bool resigns(int score);
    void considerDrawOffer(int score);
    // The engine's view of the game, in centipawns: its search under way, else the search of
    // its last move, else a short search of the board.
    int drawOfferScore();

    Controller& controller;
    Interface& interface;
    Board& board;
    Lawyer& lawyer;
    Engine& engine;
    CommandHandler& commands;
    XBoardClock& clock;
    SearchSession& session;
    EngineSettings& settings;
    std::vector<std::string> heldPings;
    bool analysis = false;
    bool ponder = false;
    // A "?" that came before the search it answers had started.
    bool moveNowPending = false;
    std::vector<Move> excluded;
    std::uint64_t excludedKey = 0;
    std::size_t excludedPlies = 0;
    // The score of the search that gave the engine's last move; nothing after a book move, a
    // new game or a position set.
    std::optional<int> ownScore;
    ResignAndDraw verdicts;
};

}  // namespace qorat
