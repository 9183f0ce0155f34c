// The xboard protocol (version 2): the commands a front end of the xboard family sends,
// beside the console's and cxboard's, which keep their own words; pondering and analysis on
// the threaded search.
#include "protocol/xboard_protocol.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "board/move_list.h"
#include "board/notation.h"
#include "classic/engine.h"
#include "game/xboard_clock.h"
#include "options/options.h"
#include "protocol/command_handler.h"
#include "protocol/controller.h"
#include "protocol/interface.h"
#include "protocol/number_text.h"
#include "rules/lawyer.h"

namespace qorat {

namespace {

constexpr long long MillisecondsPerSecond = 1000;
constexpr long long MillisecondsPerCentisecond = 10;
constexpr long long SecondsPerMinute = 60;

// Words the protocol sends that need no answer from us.
const char* const quietCommands[] = {"xboard", "accepted", "rejected", "random", "computer", "name", "rating", "ics"};

const char* const features =
    "feature done=0\n"
    "feature myname=\"qorat " QORAT_VERSION "\" variants=\"xiangqi\" setboard=1 usermove=1 ping=1 time=1 colors=0 "
    "sigint=0 sigterm=0 reuse=1 analyze=1 playother=1 draw=1 san=0 name=0 nps=0 pause=0 memory=1 smp=1 "
    "exclude=1 setscore=0 highlight=0 debug=1\n";

// A draw offered before any search of ours has scored the game is judged on a search of this
// many nodes: a blink, enough to count the material and what hangs.
constexpr std::int64_t DrawJudgementNodes = 100000;

// Bounds on the numbers the front end sends, far beyond any real game, so that no sum or
// product of them can leave the range of the clock's arithmetic.
constexpr double MostSeconds = 1e8;
constexpr double MostCentiseconds = MostSeconds * 100;
constexpr double MostMinutes = MostSeconds / SecondsPerMinute;
constexpr double MostMovesPerPeriod = 1e6;

std::optional<long long> secondsToMilliseconds(const std::string& text) {
    const std::optional<double> seconds = readNumber(text, 0, MostSeconds);
    if (!seconds) return std::nullopt;
    return std::llround(*seconds * MillisecondsPerSecond);
}

// A period's time: minutes, or minutes and seconds as "m:ss"; in milliseconds.
std::optional<long long> readBase(const std::string& text) {
    const std::size_t colon = text.find(':');
    const std::optional<double> minutes = readNumber(text.substr(0, colon), 0, MostMinutes);
    if (!minutes) return std::nullopt;
    if (colon == std::string::npos) return std::llround(*minutes * SecondsPerMinute * MillisecondsPerSecond);
    const std::optional<long long> seconds = secondsToMilliseconds(text.substr(colon + 1));
    if (!seconds) return std::nullopt;
    return std::llround(std::floor(*minutes) * SecondsPerMinute * MillisecondsPerSecond) + *seconds;
}

// The front end's clock readings, in centiseconds; negative once a flag has fallen.
std::optional<long long> centisecondsToMilliseconds(const std::string& text) {
    const std::optional<double> centiseconds = readNumber(text, -MostCentiseconds, MostCentiseconds);
    if (!centiseconds) return std::nullopt;
    return std::llround(*centiseconds) * MillisecondsPerCentisecond;
}

}  // namespace

XBoardProtocol::XBoardProtocol(Controller& r, Interface& i, Board& b, Lawyer& l, Engine& e, CommandHandler& c,
                               XBoardClock& x, SearchSession& g, EngineSettings& s)
    : controller(r), interface(i), board(b), lawyer(l), engine(e), commands(c), clock(x), session(g), settings(s) {}

void XBoardProtocol::begin() { options.set("searchPly", UnlimitedDepth); }

void XBoardProtocol::handleLine(const std::string& line) {
    static const std::string userMove = "usermove ";
    const bool announced = line.rfind(userMove, 0) == 0;
    const Move m = parseMove(announced ? line.substr(userMove.size()) : line);
    if (!isNoMove(m) && session.refused())
        interface.current().printText("Illegal move (no position): " + moveText(m) + "\n");
    else if (!isNoMove(m))
        controller.attemptMove(m);
    else if (announced)
        interface.current().printText("Illegal move: " + printableText(line.substr(userMove.size())) + "\n");
    else if (!handleCommand(line))
        interface.current().printText("Error (unknown command): " + printableText(line) + "\n");
}

bool XBoardProtocol::computerTurn() {
    if (!searchesInBackground()) return controller.classicTurn();
    Move m;
    if (!computerMove(m)) return false;
    controller.playComputerMove(m);
    return true;
}

void XBoardProtocol::humanMoved(const Move&) {
    if (commands.computerToMove()) startComputerTurn();
}

bool XBoardProtocol::handleCommand(const std::string& line) {
    std::string command;
    std::vector<std::string> args;
    splitCommand(line, command, args);
    const std::string first = args.empty() ? std::string() : args[0];
    for (const char* quiet : quietCommands)
        if (command == quiet) return true;
    if (command == "protover") {
        announceFeatures();
    } else if (command == "new") {
        newGame();
    } else if (command == "variant") {
        if (first != "xiangqi") interface.print("Error (unsupported variant): " + printableText(first) + "\n");
    } else if (command == "force") {
        options.set("computerColor", "n");
    } else if (command == "result") {
        finishGame();
    } else if (command == "go") {
        go();
    } else if (command == "playother") {
        if (session.refused()) return true;
        options.set("computerColor", board.sideToMove() == Red ? "b" : "r");
    } else if (command == "ping") {
        ping(first);
    } else if (command == "setboard") {
        setBoard(line.substr(line.find("setboard") + std::string("setboard").size()));
    } else if (command == "level") {
        if (!level(args)) return refuse(line);
    } else if (command == "st") {
        const std::optional<long long> perMove = secondsToMilliseconds(first);
        if (!perMove) return refuse(line);
        clock.setMoveTime(*perMove);
    } else if (command == "sd") {
        options.set("searchPly", first);
    } else if (command == "time" || command == "otim") {
        const std::optional<long long> left = centisecondsToMilliseconds(first);
        if (!left) return refuse(line);
        if (command == "time")
            clock.setRemaining(*left);
        else
            clock.setOpponentRemaining(*left);
    } else if (command == "post" || command == "nopost") {
        options.set("post", command == "post" ? "on" : "off");
    } else if (command == "option") {
        setOption(line.substr(line.find("option") + std::string("option").size()));
    } else if (command == "hard" || command == "easy") {
        ponder = command == "hard";
    } else if (command == "memory" || command == "cores") {
        if (!settings.setFromText(command == "memory" ? Setting::Hash : Setting::Threads, first, Dialect::XBoard))
            return refuse(line);
        restartAnalysis();
    } else if (command == "analyze") {
        options.set("computerColor", "n");
        analysis = true;
        tellAnalysisSearch();
    } else if (command == "exit") {
        analysis = false;
        session.cancel();
    } else if (command == ".") {
        showStatus();
    } else if (command == "exclude" || command == "include") {
        exclude(first, command == "exclude");
    } else if (command == "hint") {
        hint();
    } else if (command == "bk") {
        showBookMoves();
    } else if (command == "draw") {
        answerDrawOffer();
    } else if (command == "?") {
        moveNow();
    } else if (command == "quit") {
        // No search may still run while the program ends.
        session.cancel();
        return commands.handleCommand(line);
    } else if (command == "undo" || command == "remove") {
        return commands.handleCommand(line);
    } else {
        return false;
    }
    return true;
}

void XBoardProtocol::announceFeatures() {
    interface.print(std::string(features) + settings.optionLines(Dialect::XBoard) + "feature done=1\n");
}

void XBoardProtocol::newGame() {
    engine.dropMove();
    session.newGame();
    ownScore.reset();
    excluded.clear();
    verdicts.newGame();
    board.reset();
    // Analysis goes on over the new game; the computer plays nothing then.
    options.set("computerColor", analysis ? "n" : "b");
    options.set("searchPly", UnlimitedDepth);
}

void XBoardProtocol::go() {
    // A game that has ended, or a board the front end no longer shows, has no move to give.
    if (session.refused() || board.gameOver) {
        interface.print("Error (command not legal now): go\n");
        return;
    }
    options.set("computerColor", board.sideToMove() == Red ? "r" : "b");
    startComputerTurn();
}

void XBoardProtocol::setBoard(const std::string& fen) {
    const std::string ours = fromFrontEndFen(fen);
    // After a refused position every move is refused until a position is set again, so the
    // engine never plays on from a board the front end does not show: any search stops.
    const bool admitted = session.admit(ours);
    engine.dropMove();
    session.cancel();
    session.forgetResult();
    ownScore.reset();
    excluded.clear();
    if (!admitted) {
        options.set("computerColor", "n");
        interface.print("tellusererror Illegal position\n");
        return;
    }
    board.setFen(ours);
    if (computerToMove()) startComputerTurn();
}

void XBoardProtocol::finishGame() {
    // The front end has ended the game: nothing more is played or thought about.
    options.set("computerColor", "n");
    engine.dropMove();
    session.cancel();
    if (!board.gameOver) {
        board.gameOver = true;
        board.notifyObservers(GameOver);
    }
    answerHeldPings();
}

bool XBoardProtocol::level(const std::vector<std::string>& args) {
    if (args.size() < 3) return false;
    const std::optional<double> moves = readNumber(args[0], 0, MostMovesPerPeriod);
    const std::optional<long long> base = readBase(args[1]);
    const std::optional<long long> increment = secondsToMilliseconds(args[2]);
    if (!moves || !base || !increment) return false;
    clock.setLevel(static_cast<int>(*moves), *base, *increment);
    return true;
}

bool XBoardProtocol::refuse(const std::string& line) {
    interface.print("Error (invalid format): " + printableText(line) + "\n");
    return true;
}

void XBoardProtocol::setOption(const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    const std::size_t start = assignment.find_first_not_of(' ');
    if (equals == std::string::npos || start == std::string::npos || start > equals) {
        interface.print("Error (invalid format): option" + printableText(assignment) + "\n");
        return;
    }
    const std::string name = assignment.substr(start, equals - start);
    const std::string value = assignment.substr(equals + 1);
    const std::optional<Setting> setting = settings.find(name, Dialect::XBoard);
    if (!setting) {
        interface.print("Error (unknown option): " + printableText(name) + "\n");
        return;
    }
    settings.setFromText(*setting, value, Dialect::XBoard);
    if (*setting == Setting::Search) tellAnalysisSearch();
    if (settings.reachesSearch(*setting)) restartAnalysis();
}

// While it analyses the computer plays no side: a "go" then waits for "exit", and nothing
// (a ping, a "?") waits for a move that analysis never makes.
bool XBoardProtocol::computerPlays() const {
    return !analysis && !board.gameOver && !session.refused() && options.get("computerColor") != "n";
}

bool XBoardProtocol::computerToMove() const { return !analysis && !session.refused() && commands.computerToMove(); }

void XBoardProtocol::ping(const std::string& number) {
    // A ping that arrives while the computer is to move is answered after its move.
    heldPings.push_back(number);
    answerHeldPings();
}

void XBoardProtocol::answerHeldPings() {
    if (heldPings.empty() || computerToMove()) return;
    for (const std::string& number : heldPings) interface.print("pong " + printableText(number) + "\n");
    heldPings.clear();
}

void XBoardProtocol::startComputerTurn() { clock.startTurn(movesMade()); }

bool XBoardProtocol::searchesInBackground() const { return engine.modernSearch(); }

void XBoardProtocol::tend() {
    // Pings held while the computer was to move are answered after its move and its result.
    answerHeldPings();
    using Purpose = SearchSession::Purpose;
    session.showThinking(analysis || options.get("post") == "on");
    if (!computerToMove()) moveNowPending = false;
    if (analysis) {
        // A new board, or a search ended by a setting that stopped it, is analysed afresh.
        if (!session.searches(board) || session.purpose() != Purpose::Analyse || session.finished())
            startAnalysis();
        return;
    }
    // Another search chosen: the threaded one has nothing more to do.
    if (!searchesInBackground()) session.cancel();
    if (session.purpose() == Purpose::Analyse) session.cancel();
    if (session.purpose() == Purpose::Ponder) {
        // The front end's move is the one pondered on: the search goes on for our move.
        if (session.searches(board) && computerToMove()) {
            startComputerTurn();
            session.ponderHit();
        } else if (!ponder || !computerPlays() || !session.pondersFrom(board)) {
            session.cancel();
        }
        return;
    }
    if (session.purpose() == Purpose::Play && (!computerToMove() || !session.searches(board))) session.cancel();
}

bool XBoardProtocol::computerMove(Move& m) {
    SearchSession::Result result;
    if (session.takeResult(result)) {
        m = nullMove;
        if (result.best.isNull() || resigns(result.score.ranking())) return true;
        considerDrawOffer(result.score.ranking());
        m = result.best;
        return true;
    }
    if (session.active()) return false;
    SearchLimits limits = moveLimits();
    // A "?" that came with the move it answers: the first move found is played.
    if (moveNowPending) limits.depth = 1;
    moveNowPending = false;
    m = session.bookOrSearch(board, limits, SearchSession::Purpose::Play, true);
    return !m.isNull();
}

void XBoardProtocol::computerMoved(const Move&) {
    clock.endTurn(static_cast<int>((board.history().size() - 1) / 2));
    // A book move has no score: neither search has run for it.
    ownScore.reset();
    if (searchesInBackground() && !session.lastResult().best.isNull())
        ownScore = session.lastResult().score.ranking();
    else if (!searchesInBackground() && engine.progress().depth > 0)
        ownScore = engine.progress().score.ranking();
    const Move expected = session.lastResult().reply;
    Move reply = expected;
    if (!ponder || !searchesInBackground() || !computerPlays() || expected.isNull() || !lawyer.isLegal(reply)) return;
    SearchLimits limits = moveLimits();
    limits.ponder = true;
    // xboard shows the move pondered on by the hint that comes before the thinking lines.
    interface.print("Hint: " + moveText(reply) + "\n");
    session.start(board, reply, limits, SearchSession::Purpose::Ponder);
}

void XBoardProtocol::moveNow() {
    if (!searchesInBackground()) {
        commands.handleCommand("?");
    } else if (session.purpose() == SearchSession::Purpose::Play) {
        session.stop();
    } else if (computerToMove()) {
        moveNowPending = true;
    }
}

SearchLimits XBoardProtocol::moveLimits() const {
    SearchLimits limits = clock.limits(movesMade());
    limits.depth = static_cast<int>(readWholeNumber(options.get("searchPly"), 0, INT_MAX).value_or(0));
    return limits;
}

void XBoardProtocol::tellAnalysisSearch() {
    // Analysis runs on threads of its own, which only the modern search has; a pop-up, since
    // xboard shows no comment lines, so that nobody takes its lines for the classic search's.
    if (analysis && !engine.modernSearch())
        interface.print("telluser Analysis uses the pvs search; " + engine.searchName() + " plays only in games\n");
}

void XBoardProtocol::keepExclusionsFor(const Board& position) {
    if (position.key1() == excludedKey && position.history().size() == excludedPlies) return;
    excluded.clear();
    excludedKey = position.key1();
    excludedPlies = position.history().size();
}

void XBoardProtocol::startAnalysis() {
    session.cancel();
    // A board the front end no longer shows is not analysed.
    if (session.refused()) return;
    keepExclusionsFor(board);
    SearchLimits limits;
    limits.infinite = true;
    if (!excluded.empty()) {
        limits.searchMoves = movesToAnalyse();
        // Every move excluded: nothing to analyse until one is included again.
        if (limits.searchMoves.empty()) return;
    }
    session.start(board, nullMove, limits, SearchSession::Purpose::Analyse);
}

void XBoardProtocol::restartAnalysis() {
    // A search for a move keeps its settings until it has moved; an analysis, which never
    // ends by itself, starts again under the new ones.
    if (analysis) session.cancel();
}

MoveList XBoardProtocol::movesToAnalyse() {
    keepExclusionsFor(board);
    MoveList legal;
    lawyer.generateMoves(legal, true);
    MoveList kept;
    for (const Move& m : legal)
        if (std::none_of(excluded.begin(), excluded.end(), [&](const Move& e) { return e.sameSquares(m); }))
            kept.push_back(m);
    return kept;
}

void XBoardProtocol::exclude(const std::string& text, bool out) {
    keepExclusionsFor(board);
    if (text == "all") {
        excluded.clear();
        if (out) {
            MoveList legal;
            lawyer.generateMoves(legal, true);
            excluded.assign(legal.begin(), legal.end());
        }
    } else {
        Move m = parseMove(text);
        // Not "Illegal move", which the front end would take for a refusal of its last move.
        if (isNoMove(m) || !lawyer.isLegal(m)) {
            interface.print("Error (invalid move): " + printableText(text) + "\n");
            return;
        }
        std::erase_if(excluded, [&](const Move& e) { return e.sameSquares(m); });
        if (out) excluded.push_back(m);
    }
    // The analysis starts again over the moves left.
    restartAnalysis();
}

void XBoardProtocol::showStatus() {
    if (!analysis) return;
    // The search as it stands: its time and nodes until now, the iteration under way, its root
    // moves not yet begun among all it searches, and the one it searches now.
    const SearchPool::Progress now = session.progress();
    const int total = static_cast<int>(movesToAnalyse().size());
    const int left = std::clamp(total - now.root.movesBegun, 0, total);
    std::ostringstream text;
    text << "stat01: " << now.elapsed / MillisecondsPerCentisecond << ' ' << now.nodes << ' ' << now.root.depth << ' '
         << left << ' ' << total;
    if (!now.root.move.isNull()) text << ' ' << moveText(now.root.move);
    text << '\n';
    interface.print(text.str());
}

void XBoardProtocol::hint() {
    Move m = session.lastResult().reply;
    if (m.isNull() || !lawyer.isLegal(m)) {
        const std::vector<Move> book = engine.bookMoves();
        if (book.empty()) return;
        m = book.front();
    }
    interface.print("Hint: " + moveText(m) + "\n");
}

void XBoardProtocol::showBookMoves() {
    // Each book move with its share of the position's entries, then an empty line.
    const std::vector<Move> book = engine.bookMoves();
    std::vector<std::pair<Move, int>> counted;
    for (const Move& m : book) {
        auto it = std::find_if(counted.begin(), counted.end(), [&](const auto& c) { return c.first.sameSquares(m); });
        if (it == counted.end())
            counted.emplace_back(m, 1);
        else
            ++it->second;
    }
    std::ostringstream text;
    if (counted.empty()) text << " no book moves\n";
    for (const auto& [m, count] : counted) text << ' ' << moveText(m) << ' ' << count * 100 / static_cast<int>(book.size()) << "%\n";
    text << '\n';
    interface.print(text.str());
}

int XBoardProtocol::drawOfferScore() {
    using Purpose = SearchSession::Purpose;
    // The threaded search's position has the engine to move, whether playing or pondering.
    if (session.purpose() == Purpose::Play || session.purpose() == Purpose::Ponder) {
        if (const std::optional<SearchScore> live = session.currentScore()) return live->ranking();
    }
    if (!searchesInBackground() && engine.isThinking() && engine.progress().depth > 0)
        return engine.progress().score.ranking();
    if (ownScore) return *ownScore;
    // A search of ours not yet through its first depth holds the threads: the game counts as level.
    if (session.active()) return 0;
    SearchLimits limits;
    limits.nodes = DrawJudgementNodes;
    const int score = session.scoreNow(board, limits).ranking();
    return options.get("computerColor") == (board.sideToMove() == Red ? "r" : "b") ? score : -score;
}

void XBoardProtocol::answerDrawOffer() {
    // Taken when the engine stands worse; "offer draw" accepts an offer made.
    if (computerPlays() && ResignAndDraw::takesDraw(drawOfferScore())) interface.print("offer draw\n");
}

bool XBoardProtocol::resigns(int score) {
    if (!verdicts.resigns(score, settings.on(Setting::Resign))) return false;
    interface.print("resign\n");
    options.set("computerColor", "n");
    return true;
}

void XBoardProtocol::considerDrawOffer(int score) {
    if (verdicts.offersDraw(score, settings.on(Setting::OfferDraw), board.history().size()))
        interface.print("offer draw\n");
}

}  // namespace qorat
