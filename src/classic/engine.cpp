// Building the engine, and how it follows the options that concern it.
#include "classic/engine.h"

#include <algorithm>
#include <iostream>
#include <sstream>

#include "board/notation.h"

namespace qorat {

namespace {

const char* const installedBookPath = QORAT_DATA_DIR "/book.dat";
const char* const localBookPath = "book.dat";
constexpr int VerifiedNullReduction = 3;
constexpr int PlainNullReduction = 2;

bool isOn(const std::string& value) { return value == "on"; }

// The leading number of the text, as a stream reads an int; blank text gives nothing.
void readInt(const std::string& text, std::int32_t& value) {
    std::istringstream in(text);
    in >> value;
}

}  // namespace

Engine::Engine(Board& board, Lawyer& lawyer, InputPoll& input, ClockSource& clocks, EngineOutput& output)
    : board(board), lawyer(lawyer), input(input), clocks(clocks), output(output),
      table(std::make_unique<TranspositionTable>()), ordering(board) {
    clocks.setTimeControl(0, 0, 0);
    options.addObserver(this);
    // The book is read before any option can switch its use off.
    loadBook();
}

// The store outlives the engines built for a bench or a test.
Engine::~Engine() { options.removeObserver(this); }

void Engine::loadBook() {
    for (const char* path : {installedBookPath, localBookPath}) {
        book = std::make_unique<OpeningBook>(path);
        if (book->loaded()) {
            bookPath = path;
            return;
        }
    }
    book.reset();
    bookPath.clear();
    std::cerr << "Can't open my book!\n";
}

void Engine::report(const std::string& text) const { output.reportProblem(text); }

void Engine::chooseSearch(const std::string& value) {
    if (value == "alphabeta") {
        mtd = false;
        algorithm = AlphaBeta;
    } else if (value == "mtd") {
        mtd = true;
        algorithm = AlphaBeta;
    } else if (value == "negascout") {
        mtd = false;
        algorithm = NegaScout;
    } else if (value == "pvs") {
        algorithm = Pvs;
    } else {
        return;
    }
    searchChosen = true;
}

std::string Engine::searchName() const {
    if (algorithm == Pvs) return "pvs";
    if (algorithm == NegaScout) return "negascout";
    return mtd ? "mtd" : "alphabeta";
}

void Engine::optionChanged(std::string name) {
    const std::string value = options.get(name);
    if (name == "search") {
        chooseSearch(value);
    } else if (name == "searchPly") {
        readInt(value, searchPly);
    } else if (name == "nullmove") {
        nullmove = isOn(value);
    } else if (name == "quiescence") {
        quiescence = isOn(value);
    } else if (name == "verifynull") {
        verifynull = isOn(value);
        if (verifynull) nullmove = true;
        nullReduction = verifynull ? VerifiedNullReduction : PlainNullReduction;
    } else if (name == "useOpeningBook") {
        useOpeningBook = value != "n";
    } else if (name == "hash") {
        hash = isOn(value);
    } else if (name == "hashadjust") {
        hashadjust = isOn(value);
    } else if (name == "iterative") {
        iterative = isOn(value);
        thinkState = Idle;
    } else if (name == "post") {
        post = isOn(value);
    } else if (name == "qnull") {
        qnull = isOn(value);
    } else if (name == "qhash") {
        qhash = isOn(value);
    } else if (name == "computerColor") {
        dropMove();
    } else if (name == "interface") {
        frontEndOutput = value == "xboard" || value == "uci";
        // Under these front ends the modern search plays, unless a search was chosen.
        if (frontEndOutput && !searchChosen) algorithm = Pvs;
    } else if (name == "bookFile") {
        auto chosen = std::make_unique<OpeningBook>(value);
        // A book that cannot be read leaves the one in use; the reader has said why on
        // standard error, which a front end of the xboard family never shows.
        if (chosen->loaded()) {
            book = std::move(chosen);
            bookPath = value;
        } else if (frontEndOutput) {
            report("Can't open " + printableText(value) + "; the book stays as it was");
        }
    }
}

}  // namespace qorat
