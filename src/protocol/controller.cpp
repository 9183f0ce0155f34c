// The controller: owns the game's main objects, wires them together and runs the main loop.
#include "protocol/controller.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <utility>

#include "board/notation.h"
#include "classic/engine.h"
#include "game/referee.h"
#include "protocol/command_handler.h"
#include "protocol/console_protocol.h"
#include "protocol/interface.h"
#include "protocol/launch.h"
#include "protocol/number_text.h"
#include "protocol/search_session.h"
#include "protocol/uci_protocol.h"
#include "protocol/xboard_protocol.h"
#include "rules/lawyer.h"
#include "search/modern_engine.h"
#include "search/skill.h"

namespace qorat {

namespace {

constexpr useconds_t PassPause = 100;

}  // namespace

Controller::Controller(int argc, const char* const* argv) {
    // The objects are built and wired one by one, each step relying on the ones before.
    // cppcheck-suppress useInitializationList
    boardPtr = std::make_unique<Board>();
    lawyer = std::make_unique<Lawyer>(*boardPtr);
    boardPtr->addObserver(lawyer.get());
    interface = std::make_unique<Interface>(this);
    // Under these protocols nothing may reach standard error, not even the book's messages at start-up.
    if (const char* protocol = readLaunch(argc, argv).protocol) interface->setInterface(protocol);
    clocks = std::make_unique<GameClocks>();
    engine = std::make_unique<Engine>(*boardPtr, *lawyer, *interface, *clocks, *interface);
    modern = std::make_unique<ModernEngine>(*boardPtr, *interface);
    commandHandler = std::make_unique<CommandHandler>(*interface, *boardPtr, *engine, *lawyer, *this);
    session = std::make_unique<SearchSession>(modern->pool(), *interface, *engine);
    bindSettings();
    console = std::make_unique<ConsoleProtocol>(*this, *interface, *boardPtr, *engine, *commandHandler, *session);
    cxboard = std::make_unique<CXBoardProtocol>(*this, *interface, *boardPtr, *engine, *commandHandler, *session);
    xboard = std::make_unique<XBoardProtocol>(*this, *interface, *boardPtr, *lawyer, *engine, *commandHandler,
                                              clocks->xboardClock(), *session, settings);
    uci = std::make_unique<UciProtocol>(*interface, *boardPtr, *lawyer, *engine, *session, settings);
    protocol = console.get();
    options.addObserver(this);
    // The computer starts as Blue; held as the option, so that every front end reads the same.
    options.set("computerColor", "b");
    options.parseCommandLine(argc, argv);
}

Controller::~Controller() {
    // The search's threads tell the session and the output, which go before the pool does.
    session->cancel();
}

void Controller::bindSettings() {
    settings.bind(Setting::Hash, [this](const SettingValue& megabytes) {
        return modern->resizeTable(static_cast<int>(std::get<long long>(megabytes)));
    });
    settings.bind(Setting::Threads, [this](const SettingValue& count) {
        modern->pool().setThreads(static_cast<int>(std::get<long long>(count)));
        return true;
    });
    settings.bind(Setting::MultiPv, [this](const SettingValue& lines) {
        modern->pool().setMultiPv(static_cast<int>(std::get<long long>(lines)));
        return true;
    });
    // The level played: the one asked for, or the one whose strength is nearest the Elo asked
    // for when the strength is limited so. Each reads the value it is given, the others as set.
    const auto playAtLevel = [this](long long level, bool limited, long long elo) {
        modern->pool().setSkill(limited ? Skill::levelForElo(static_cast<int>(elo)) : static_cast<int>(level));
        return true;
    };
    settings.bind(Setting::SkillLevel, [this, playAtLevel](const SettingValue& level) {
        return playAtLevel(std::get<long long>(level), settings.on(Setting::LimitStrength), settings.number(Setting::Elo));
    });
    settings.bind(Setting::LimitStrength, [this, playAtLevel](const SettingValue& limited) {
        return playAtLevel(settings.number(Setting::SkillLevel), std::get<bool>(limited), settings.number(Setting::Elo));
    });
    settings.bind(Setting::Elo, [this, playAtLevel](const SettingValue& elo) {
        return playAtLevel(settings.number(Setting::SkillLevel), settings.on(Setting::LimitStrength), std::get<long long>(elo));
    });
    settings.bind(Setting::ShowWdl, [this](const SettingValue& on) {
        session->showOutcomes(std::get<bool>(on));
        return true;
    });
    settings.bind(Setting::MoveOverhead, [this](const SettingValue& milliseconds) {
        modern->pool().setMoveOverhead(std::get<long long>(milliseconds));
        clocks->xboardClock().setMoveOverhead(std::get<long long>(milliseconds));
        return true;
    });
    // These reach the engine through the options the console also sets.
    settings.bind(Setting::BookFile, [](const SettingValue& path) {
        options.set("bookFile", std::get<std::string>(path));
        return true;
    });
    settings.follow(Setting::BookFile, [this] { return SettingValue(engine->bookFile()); });
    settings.bind(Setting::Search, [](const SettingValue& name) {
        options.set("search", std::get<std::string>(name));
        return true;
    });
    // These show what holds, also when the console or the command line set it.
    settings.follow(Setting::Search, [this] { return SettingValue(engine->searchName()); });
    settings.follow(Setting::HashTable, [] {
        const std::string hash = options.get("hash");
        return SettingValue(hash.empty() || hash == "on");
    });
    settings.follow(Setting::OpeningBook, [] { return SettingValue(options.get("useOpeningBook") != "n"); });
    settings.bind(Setting::HashTable, [](const SettingValue& on) {
        options.set("hash", std::get<bool>(on) ? "on" : "off");
        return true;
    });
    settings.bind(Setting::OpeningBook, [](const SettingValue& on) {
        options.set("useOpeningBook", std::get<bool>(on) ? "y" : "n");
        return true;
    });
    settings.bind(Setting::EvalFile,
                  [this](const SettingValue& path) { return modern->setNetFile(std::get<std::string>(path)); });
    settings.bind(Setting::Evaluation,
                  [this](const SettingValue& name) { return modern->useNet(std::get<std::string>(name) == "net"); });
}

void Controller::optionChanged(std::string name) {
    if (name == "st") {
        // Seconds no int holds leave the time control as it was.
        const std::optional<long long> read = readWholeNumber(options.get("st"));
        if (!read || !std::in_range<int>(*read)) return;
        const int seconds = static_cast<int>(*read);
        // No seconds at all means no limit, rather than a loss for every turn.
        if (seconds == 0)
            setTimeControl(0, 0, 0);
        else
            setTimeControl(1, seconds, 0);
        clockFor(boardPtr->sideToMove())->startTurn();
    } else if (name == "interface") {
        const std::string chosen = options.get("interface");
        // A search of the protocol left would speak in the new one's words, or through an
        // output already gone: it ends first.
        session->cancel();
        session->forgetResult();
        interface->setInterface(chosen);
        protocol = chosen == "cxboard" ? static_cast<Protocol*>(cxboard.get())
                   : chosen == "xboard" ? static_cast<Protocol*>(xboard.get())
                   : chosen == "uci"    ? static_cast<Protocol*>(uci.get())
                                        : static_cast<Protocol*>(console.get());
        clocks->useXBoardClock(protocol->keepsFrontEndClock());
        protocol->begin();
    } else if (name == "hashSize" || name == "threads") {
        // The console's names for two engine settings; a size or count below one, or none,
        // changes nothing there.
        const std::optional<long long> number = readWholeNumber(options.get(name));
        if (number && *number > 0) settings.set(name == "hashSize" ? Setting::Hash : Setting::Threads, *number);
    } else if (name == "skill" || name == "multipv") {
        // The console's names for the modern search's level and lines, kept in their ranges.
        const std::optional<long long> number = readWholeNumber(options.get(name));
        if (number) settings.set(name == "skill" ? Setting::SkillLevel : Setting::MultiPv, *number);
    } else if (name == "evaluation") {
        // The console's names for the modern search's evaluation and the net's file; an
        // evaluation of another name changes nothing.
        settings.setFromText(Setting::Evaluation, options.get(name), Dialect::Uci);
    } else if (name == "evalFile") {
        settings.set(Setting::EvalFile, options.get(name));
    } else if (name == "computerColor") {
        const std::string colour = options.get("computerColor");
        computerSide = colour == "r" ? Red : colour == "b" ? Blue : NoSide;
    }
}

void Controller::run() {
    interface->current().printBoard(*boardPtr);
    interface->current().printPrompt();
    for (;;) {
        if (!boardPtr->gameOver) adjudicate();
        protocol->tend();
        bool busy = true;
        if (interface->inputPending()) {
            const std::string line = interface->readLine();
            // Everything sent before the end of input has been handled: end as "quit" does.
            if (line.empty() && interface->inputEnded()) {
                session->cancel();
                std::exit(0);
            }
            handleLine(line);
            checkInvariants();
            interface->current().printPrompt();
        } else if (boardPtr->sideToMove() == computerSide && !boardPtr->gameOver) {
            busy = protocol->computerTurn();
            checkInvariants();
        } else {
            busy = false;
        }
        // With nothing to do until a line arrives, wait for it rather than spin.
        if (busy)
            usleep(PassPause);
        else
            interface->waitForInput();
    }
}

void Controller::adjudicate() {
    if (!protocol->judgesGames()) return;
    const std::string result = judgePosition(*boardPtr, *lawyer, protocol->claimsResults());
    if (result.empty()) return;
    endGame();
    interface->current().printText(result);
}

void Controller::checkInvariants() const {
#ifdef QORAT_INVARIANT_CHECKS
    if (!boardPtr->isConsistent() || lawyer->keyRecord().size() != boardPtr->history().size()) {
        std::cerr << "position invariants broken at " << boardPtr->toFen() << '\n';
        std::abort();
    }
#endif
}

void Controller::endGame() {
    boardPtr->gameOver = true;
    boardPtr->notifyObservers(GameOver);
}

void Controller::handleLine(const std::string& line) { protocol->handleLine(line); }

void Controller::attemptMove(Move m) {
    const std::string refusal = interface->current().refusal();
    const int colour = colourOf(boardPtr->piece(m.from));
    if (colour != boardPtr->sideToMove() || colour == computerSide) {
        interface->current().printText(refusal + " (Out of turn): " + moveText(m) + "\n");
    } else if (lawyer->isLegal(m)) {
        playHumanMove(m);
    } else {
        const std::string reason = lawyer->message.empty() ? "" : " (" + lawyer->message + ")";
        interface->current().printText(refusal + reason + ": " + moveText(m) + "\n");
    }
}

void Controller::playMove(Move& m) {
    Clock* mover = clockFor(boardPtr->sideToMove());
    mover->stopTurn();
    mover->chargeTurn();
    boardPtr->makeMove(m);
    interface->current().printBoard(*boardPtr);
}

void Controller::playHumanMove(Move m) {
    playMove(m);
    clockFor(boardPtr->sideToMove())->startTurn();
    protocol->humanMoved(m);
}

void Controller::moveNow() {
    if (session->purpose() == SearchSession::Purpose::Play)
        session->stop();
    else
        engine->moveNow();
}

void Controller::quit() {
    session->cancel();
    std::exit(0);
}

bool Controller::classicTurn() {
    if (!engine->moveReady()) {
        engine->think();
        return true;
    }
    playComputerMove(engine->takeMove());
    return true;
}

void Controller::playComputerMove(Move m) {
    // The engine's move is checked like any other before it reaches the board.
    if (isNoMove(m) || !lawyer->isLegal(m)) return;
    playMove(m);
    interface->current().printMove(m);
    interface->current().printPrompt();
    clockFor(boardPtr->sideToMove())->startTurn();
    protocol->computerMoved(m);
}

}  // namespace qorat
