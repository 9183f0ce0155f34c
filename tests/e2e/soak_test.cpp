// A seeded stream of thousands of random lines, legal and not, fed to the real program in
// force mode and against the computer: it must neither crash nor hang, its checked build
// must keep the position consistent, and everything it prints must belong to the protocol.
#include <gtest/gtest.h>

#include <unistd.h>

#include <random>

#include "board/board.h"
#include "protocol.h"
#include "session.h"

namespace qorat::testing {
namespace {

constexpr unsigned SoakSeed = 20261210;

const char* const fens[] = {
    "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r",
    "4k4/9/9/9/9/9/9/9/5R3/5K3 r",
    "3k5/9/9/9/6r2/9/2H6/9/9/4K4 r",
    "r1eakae2/4h4/1ch3h1c/p1p1p3p/6p2/2P6/P3P1P1P/1C2C1H2/9/RHEAKAE1R b",
    "4ka3/4a4/9/9/9/9/9/9/4A4/4KA2R b",
    "3k5/9/9/9/9/9/9/9/4p4/3AK4 r",
};
const char* const openingMoves[] = {"h2e2", "h9g7", "b0c2", "b9c7", "h0g2", "c3c4", "g6g5", "i0h0", "i9h9",
                                    "b2e2", "b7e7", "g0e2", "c9e7", "a0a1", "e3e4", "H2E2", "e1d1", "d9e9"};
const char* const optionNames[] = {"search", "searchPly", "nullmove", "quiescence", "verifynull", "useOpeningBook",
                                   "hash", "hashadjust", "iterative", "post", "qnull", "qhash", "interface",
                                   "tableSize", "st", "whatever", ""};
const char* const oddValues[] = {"on", "off", "", "n", "mtd", "negascout", "alphabeta", "user", "-1", "0", "1", "2",
                                 "99999999999", "x", "on\t", "cxboard"};

class LineMaker {
public:
    LineMaker(unsigned seed, bool againstComputer) : rng(seed), computer(againstComputer) {}

    std::string next() {
        switch (pick(14)) {
            case 0: case 1: case 2: return openingMoves[pick(std::size(openingMoves))];
            case 3: case 4: return randomMove();
            case 5: return mutatedFen();
            case 6: return pickOf({"undo", "remove", "new", "?", "t", "time", "vomit", "level 40 5 0"});
            case 7: return pickOf({"setboard", "setboard ", "sd", "st", "set", "set ", "post", "nopost"});
            case 8: return setOption();
            case 9: return std::string(pickOf({"sd ", "st "})) + oddValues[pick(std::size(oddValues))];
            case 10: return junk();
            case 11: return computer ? pickOf({"go", "red", "blue", "black", "force", "sd 1", "sd 2"}) : "force";
            case 12: return pickOf({"cxboard", "console", "set interface console"});
            default: return randomMove() + (pick(2) ? "\r" : " ");
        }
    }

private:
    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); }
    const char* pickOf(std::initializer_list<const char*> choices) { return choices.begin()[pick(choices.size())]; }

    std::string randomMove() {
        std::string text;
        for (int i = 0; i < 2; ++i) {
            text += static_cast<char>('a' + pick(9));
            text += static_cast<char>('0' + pick(10));
        }
        return text;
    }

    std::string mutatedFen() {
        std::string fen = fens[pick(std::size(fens))];
        for (std::size_t edits = pick(3); edits > 0; --edits) {
            const std::size_t at = pick(fen.size());
            const char replacement = "0123456789/ rbRHEAKCPkacphe+x"[pick(30)];
            if (pick(3) == 0)
                fen.erase(at, 1);
            else
                fen[at] = replacement;
        }
        return "setboard " + fen + (pick(2) ? " - - 0 1" : "");
    }

    std::string setOption() {
        std::string name = optionNames[pick(std::size(optionNames))];
        std::string value = oddValues[pick(std::size(oddValues))];
        // Against the computer the depth stays small, so that it answers between lines.
        if (computer && (name == "searchPly" || name == "iterative")) value = name == "iterative" ? "on" : "2";
        return "set " + name + " " + value;
    }

    std::string junk() {
        std::string text;
        for (std::size_t n = pick(40); n > 0; --n) {
            char c = static_cast<char>(pick(256));
            if (c == '\n') c = ' ';
            text += c;
        }
        return text;
    }

    std::mt19937 rng;
    bool computer;
};

void expectSound(Session& session, const char* what) {
    ASSERT_TRUE(session.finish(std::chrono::seconds(120))) << what << ": the program hung";
    EXPECT_EQ(session.exitStatus(), 0) << what << "\n" << session.err().substr(session.err().size() > 2000 ? session.err().size() - 2000 : 0);
    EXPECT_EQ(firstForeignLine(session.out()), "") << what;
}

TEST(Soak, ForceMode) {
    LineMaker maker(SoakSeed, false);
    std::string input = "force\n";
    for (int i = 0; i < 4000; ++i) input += maker.next() + "\n";
    Session session({"-nobook"}, bookFreeDirectory());
    session.send(input);
    expectSound(session, "force mode");
}

TEST(Soak, AgainstTheComputer) {
    LineMaker maker(SoakSeed + 1, true);
    Session session({"-nobook", "-depth", "2"}, bookFreeDirectory());
    for (int chunk = 0; chunk < 250; ++chunk) {
        std::string input;
        for (int i = 0; i < 6; ++i) input += maker.next() + "\n";
        session.send(input);
        // A pause lets the computer think and move between bursts of input.
        usleep(8000);
    }
    expectSound(session, "against the computer");
}

}  // namespace
}  // namespace qorat::testing
