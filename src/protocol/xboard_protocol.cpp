// The xboard protocol (version 2): the commands a front end of the xboard family sends,
// beside the console's and cxboard's, which keep their own words.
#include "protocol/xboard_protocol.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "game/xboard_clock.h"
#include "options/options.h"
#include "protocol/command_handler.h"
#include "protocol/interface.h"
#include "rules/lawyer.h"
#include "search/engine.h"

namespace qorat {

namespace {

constexpr long long MillisecondsPerSecond = 1000;
constexpr long long MillisecondsPerCentisecond = 10;
constexpr long long SecondsPerMinute = 60;
// "new" lifts any depth limit: deeper than any search gets in a game's time.
const char* const UnlimitedDepth = "100";

// Words the protocol sends that need no answer from us.
const char* const quietCommands[] = {"xboard", "accepted", "rejected", "hard", "easy", "random", "computer",
                                     "name", "rating", "ics", "exit", "draw", "hint", "bk"};

const char* const features[] = {
    "feature done=0",
    "feature myname=\"qorat " QORAT_VERSION "\" variants=\"xiangqi\" setboard=1 usermove=1 ping=1 time=1 colors=0 "
    "sigint=0 sigterm=0 reuse=1 analyze=0 playother=1 draw=0 san=0 name=0 nps=0 pause=0 memory=0 smp=0 "
    "exclude=0 setscore=0 highlight=0 debug=1",
    "feature option=\"Search -combo *pvs /// mtd /// alphabeta /// negascout\"",
    "feature option=\"Hash table -check 1\"",
    "feature option=\"Hash size (MB) -spin 8 1 1024\"",
    "feature option=\"Opening book -check 1\"",
    "feature option=\"Book file -file book.dat\"",
    "feature done=1",
};

// The option behind each name offered with "feature option"; a check box stores its two
// values, any other control its value as sent.
struct OfferedOption {
    const char* name;
    const char* option;
    const char* checked;
    const char* unchecked;
};
const OfferedOption offeredOptions[] = {
    {"Search", "search", nullptr, nullptr},
    {"Hash table", "hash", "on", "off"},
    {"Hash size (MB)", "hashSize", nullptr, nullptr},
    {"Opening book", "useOpeningBook", "y", "n"},
    {"Book file", "bookFile", nullptr, nullptr},
};

// Bounds on the numbers the front end sends, far beyond any real game, so that no sum or
// product of them can leave the range of the clock's arithmetic.
constexpr double MostSeconds = 1e8;
constexpr double MostCentiseconds = MostSeconds * 100;
constexpr double MostMinutes = MostSeconds / SecondsPerMinute;
constexpr double MostMovesPerPeriod = 1e6;

// The number the text starts with, kept within [low, high]; nothing when it starts with none.
std::optional<double> readNumber(const std::string& text, double low, double high) {
    const char* start = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start || std::isnan(value)) return std::nullopt;
    return std::clamp(value, low, high);
}

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

char ourPieceLetter(char c) {
    switch (c) {
        case 'N': return 'H';
        case 'n': return 'h';
        case 'B': return 'E';
        case 'b': return 'e';
        default: return c;
    }
}

}  // namespace

std::string fromXBoardFen(const std::string& fen) {
    std::istringstream fields(fen);
    std::string placement, side;
    if (!(fields >> placement >> side)) return "";
    std::string ours;
    for (char c : placement) ours += ourPieceLetter(c);
    ours += ' ';
    ours += side == "w" ? "r" : side;
    return ours;
}

XBoardProtocol::XBoardProtocol(Interface& i, Board& b, Engine& e, CommandHandler& c, XBoardClock& x)
    : interface(i), board(b), engine(e), commands(c), clock(x) {}

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
        if (first != "xiangqi") interface.print("Error (unsupported variant): " + first + "\n");
    } else if (command == "force") {
        options.set("computerColor", "n");
    } else if (command == "result") {
        finishGame();
    } else if (command == "go") {
        if (positionRefused) return true;
        options.set("computerColor", board.sideToMove() == Red ? "r" : "b");
        startComputerTurn();
    } else if (command == "playother") {
        if (positionRefused) return true;
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
    } else if (command == "?" || command == "undo" || command == "remove" || command == "quit") {
        return commands.handleCommand(line);
    } else {
        return false;
    }
    return true;
}

void XBoardProtocol::announceFeatures() {
    for (const char* feature : features) interface.print(std::string(feature) + "\n");
}

void XBoardProtocol::newGame() {
    engine.dropMove();
    positionRefused = false;
    board.reset();
    options.set("computerColor", "b");
    options.set("searchPly", UnlimitedDepth);
}

void XBoardProtocol::setBoard(const std::string& fen) {
    const std::string ours = fromXBoardFen(fen);
    // After a refused position every move is refused until a position is set again, so the
    // engine never plays on from a board the front end does not show.
    positionRefused = ours.empty() || !isPlayablePosition(ours);
    if (positionRefused) {
        interface.print("tellusererror Illegal position\n");
        return;
    }
    engine.dropMove();
    board.setFen(ours);
    if (computerToMove()) startComputerTurn();
}

void XBoardProtocol::finishGame() {
    // The front end has ended the game: nothing more is played or thought about.
    options.set("computerColor", "n");
    engine.dropMove();
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
    interface.print("Error (invalid format): " + line + "\n");
    return true;
}

void XBoardProtocol::setOption(const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    const std::size_t start = assignment.find_first_not_of(' ');
    if (equals == std::string::npos || start == std::string::npos || start > equals) {
        interface.print("Error (invalid format): option" + assignment + "\n");
        return;
    }
    const std::string name = assignment.substr(start, equals - start);
    const std::string value = assignment.substr(equals + 1);
    for (const OfferedOption& offered : offeredOptions) {
        if (name != offered.name) continue;
        if (offered.checked == nullptr)
            options.set(offered.option, value);
        else
            options.set(offered.option, value == "1" ? offered.checked : offered.unchecked);
        return;
    }
    interface.print("Error (unknown option): " + name + "\n");
}

bool XBoardProtocol::computerToMove() const {
    const std::string colour = options.get("computerColor");
    return !board.gameOver && colour == (board.sideToMove() == Red ? "r" : "b");
}

void XBoardProtocol::ping(const std::string& number) {
    // A ping that arrives while the computer is to move is answered after its move.
    heldPings.push_back(number);
    answerHeldPings();
}

void XBoardProtocol::answerHeldPings() {
    if (heldPings.empty() || computerToMove()) return;
    for (const std::string& number : heldPings) interface.print("pong " + number + "\n");
    heldPings.clear();
}

void XBoardProtocol::startComputerTurn() {
    clock.startTurn(static_cast<int>(board.history().size() / 2));
}

}  // namespace qorat
