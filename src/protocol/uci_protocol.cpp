// The UCI protocol: positions, searches with their limits, options, and the replies.
#include "protocol/uci_protocol.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "board/move_list.h"
#include "board/notation.h"
#include "classic/engine.h"
#include "options/options.h"
#include "protocol/interface.h"
#include "protocol/number_text.h"
#include "rules/lawyer.h"
#include "search/search_pool.h"

namespace qorat {

namespace {

std::vector<std::string> splitWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// The number after a keyword; 0 when it is not a number.
long long numberAt(const std::vector<std::string>& words, std::size_t i) {
    return i < words.size() ? readWholeNumber(words[i]).value_or(0) : 0;
}

// The words after "name" up to "value", and those after "value".
void readOptionWords(const std::vector<std::string>& words, std::string& name, std::string& value) {
    auto valueAt = std::find(words.begin(), words.end(), "value");
    auto join = [](auto from, auto to) {
        std::string text;
        for (auto it = from; it != to; ++it) text += (text.empty() ? "" : " ") + *it;
        return text;
    };
    auto nameAt = std::find(words.begin(), words.end(), "name");
    // Each runs to the other's keyword when that follows it, else to the end of the line.
    name = nameAt == words.end() ? "" : join(nameAt + 1, valueAt > nameAt ? valueAt : words.end());
    value = valueAt == words.end() ? "" : join(valueAt + 1, nameAt > valueAt ? nameAt : words.end());
}

}  // namespace

UciProtocol::UciProtocol(Interface& i, Board& b, Lawyer& l, Engine& e, SearchSession& g, EngineSettings& s)
    : interface(i), board(b), lawyer(l), engine(e), session(g), settings(s) {
    // Of the settings only this one ends the search under way first, and says its move.
    settings.bind(Setting::ClearHash, [this](const SettingValue&) {
        endSearch();
        session.searchPool().newGame();
        return true;
    });
}

void UciProtocol::begin() {
    options.set("searchPly", UnlimitedDepth);
    options.set("computerColor", "n");
}

void UciProtocol::handleLine(const std::string& line) {
    const std::vector<std::string> words = splitWords(line);
    if (words.empty()) return;
    const std::string& command = words[0];
    if (command == "uci") {
        identify();
    } else if (command == "isready") {
        interface.print("readyok\n");
    } else if (command == "ucinewgame") {
        newGame();
    } else if (command == "position") {
        setPosition(words);
    } else if (command == "go") {
        go(words);
    } else if (command == "stop") {
        session.stop();
    } else if (command == "ponderhit") {
        session.ponderHit();
    } else if (command == "setoption") {
        setOption(words);
    } else if (command == "quit") {
        quit();
    } else if (command != "debug" && command != "register") {
        interface.print("info string Unknown command: " + printableText(line) + "\n");
    }
}

void UciProtocol::identify() {
    interface.print("id name qorat " QORAT_VERSION "\n"
                    "id author the qorat developers\n" +
                    settings.optionLines(Dialect::Uci) + "uciok\n");
}

void UciProtocol::endSearch() {
    if (!session.active()) return;
    session.finish();
    tend();
}

void UciProtocol::newGame() {
    endSearch();
    session.newGame();
    board.reset();
}

void UciProtocol::setPosition(const std::vector<std::string>& words) {
    endSearch();
    std::size_t i = 1;
    std::string fen;
    if (i < words.size() && words[i] == "startpos") {
        fen = startPositionFen;
        ++i;
    } else if (i < words.size() && words[i] == "fen") {
        std::string text;
        for (++i; i < words.size() && words[i] != "moves"; ++i) text += words[i] + " ";
        fen = fromFrontEndFen(text);
    }
    // Until a position is set again no search starts, so that no move answers a board the
    // front end does not have.
    if (!session.admit(fen)) {
        interface.print("info string Illegal position\n");
        return;
    }
    board.setFen(fen);
    if (i < words.size() && words[i] == "moves") ++i;
    for (; i < words.size(); ++i) {
        Move m = parseMove(words[i]);
        // The moves before a refused one stand, so the board is the front end's up to there.
        if (isNoMove(m) || !lawyer.isLegal(m)) {
            interface.print("info string Illegal move: " + printableText(words[i]) + "\n");
            session.refuse();
            return;
        }
        board.makeMove(m);
    }
}

void UciProtocol::go(const std::vector<std::string>& words) {
    endSearch();
    if (session.refused()) {
        interface.print("info string No position to search\nbestmove (none)\n");
        return;
    }
    SearchLimits limits;
    const bool redToMove = board.sideToMove() == Red;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "infinite") {
            limits.infinite = true;
        } else if (word == "ponder") {
            limits.ponder = true;
        } else if (word == "searchmoves") {
            for (; i + 1 < words.size(); ++i) {
                Move m = parseMove(words[i + 1]);
                if (isNoMove(m) || !lawyer.isLegal(m)) break;
                limits.searchMoves.push_back(m);
            }
        } else if ((word == "wtime" && redToMove) || (word == "btime" && !redToMove)) {
            limits.time = std::max(1LL, numberAt(words, ++i));
        } else if ((word == "winc" && redToMove) || (word == "binc" && !redToMove)) {
            limits.increment = std::max(0LL, numberAt(words, ++i));
        } else if (word == "wtime" || word == "btime" || word == "winc" || word == "binc") {
            ++i;
        } else if (word == "movestogo") {
            limits.movesToGo = static_cast<int>(std::clamp(numberAt(words, ++i), 0LL, 1000LL));
        } else if (word == "depth") {
            limits.depth = static_cast<int>(std::clamp(numberAt(words, ++i), 1LL, 1000LL));
        } else if (word == "nodes") {
            limits.nodes = std::max(1LL, numberAt(words, ++i));
        } else if (word == "movetime") {
            limits.moveTime = std::max(1LL, numberAt(words, ++i));
        }
    }
    session.showThinking(true);
    // A book move answers at once, unless the front end waits for a stop.
    const bool bookFirst =
        settings.on(Setting::OwnBook) && !limits.infinite && !limits.ponder && limits.searchMoves.empty();
    const Move m = session.bookOrSearch(board, limits,
                                        limits.ponder ? SearchSession::Purpose::Ponder : SearchSession::Purpose::Play,
                                        bookFirst);
    if (!m.isNull()) interface.print("bestmove " + moveText(m) + "\n");
}

void UciProtocol::tend() {
    SearchSession::Result result;
    if (!session.takeResult(result)) return;
    if (result.best.isNull()) {
        interface.print("bestmove (none)\n");
        return;
    }
    std::string text = "bestmove " + moveText(result.best);
    if (!result.reply.isNull()) text += " ponder " + moveText(result.reply);
    interface.print(text + "\n");
}

void UciProtocol::setOption(const std::vector<std::string>& words) {
    std::string name, value;
    readOptionWords(words, name, value);
    // A search under way goes on with the table and threads it has: the settings hold from
    // the next search on.
    if (const std::optional<Setting> setting = settings.find(name, Dialect::Uci))
        settings.setFromText(*setting, value, Dialect::Uci);
    else
        interface.print("info string Unknown option: " + printableText(name) + "\n");
}

void UciProtocol::quit() {
    session.cancel();
    std::exit(0);
}

}  // namespace qorat
