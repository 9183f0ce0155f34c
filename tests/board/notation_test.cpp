// The board picture, move text and its parser.
#include <gtest/gtest.h>

#include <sstream>

#include "board/keys.h"
#include "board/notation.h"

namespace qorat {
namespace {

TEST(Notation, StartPicture) {
    fillKeyTables(1);
    const Board board;
    std::ostringstream out;
    out << board;
    const std::string expected =
        " 9 r---h---e---a---k---a---e---h---r\n"
        "   |   |   |   | \\ | / |   |   |   |\n"
        " 8 +---+---+---+---+---+---+---+---+\n"
        "   |   |   |   | / | \\ |   |   |   |\n"
        " 7 +---c---+---+---+---+---+---c---+\n"
        "   |   |   |   |   |   |   |   |   |\n"
        " 6 p---+---p---+---p---+---p---+---p\n"
        "   |   |   |   |   |   |   |   |   |\n"
        " 5 +---+---+---+---+---+---+---+---+\n"
        "   |                               |\n"
        " 4 +---+---+---+---+---+---+---+---+\n"
        "   |   |   |   |   |   |   |   |   |\n"
        " 3 P---+---P---+---P---+---P---+---P\n"
        "   |   |   |   |   |   |   |   |   |\n"
        " 2 +---C---+---+---+---+---+---C---+\n"
        "   |   |   |   | \\ | / |   |   |   |\n"
        " 1 +---+---+---+---+---+---+---+---+\n"
        "   |   |   |   | / | \\ |   |   |   |\n"
        " 0 R---H---E---A---K---A---E---H---R\n"
        "   a   b   c   d   e   f   g   h   i\n";
    EXPECT_EQ(out.str(), expected);
}

TEST(Notation, MoveText) {
    EXPECT_EQ(moveText(Move{70, 67, 0}), "h2e2");
    EXPECT_EQ(moveText(Move{0, 89, 0}), "a9i0");
    EXPECT_EQ(moveText(Move{85, 76, 0}), "e0e1");
    EXPECT_EQ(moveText(nullMove), "a9a9");
    std::ostringstream out;
    out << Move{70, 67, 0};
    EXPECT_EQ(out.str(), "h2e2");
}

TEST(Notation, ParseMove) {
    struct Case {
        const char* text;
        int from, to;
    };
    const Case cases[] = {
        {"h2e2", 70, 67}, {"H2E2", 70, 67}, {"h2h2", 70, 70}, {"a0i9", 81, 8}, {"i0a9", 89, 0},
        {"h2e", 0, 0},    {"h2e2 ", 0, 0},  {"j2e2", 0, 0},   {"h2ee", 0, 0}, {"h2-e2", 0, 0},
        {"", 0, 0},       {"h2e2\r", 0, 0}, {"`2e2", 0, 0},   {"h:e2", 0, 0},
    };
    for (const Case& c : cases) {
        const Move m = parseMove(c.text);
        EXPECT_EQ(m.from, c.from) << c.text;
        EXPECT_EQ(m.to, c.to) << c.text;
        EXPECT_EQ(m.captured, 0) << c.text;
    }
    for (int from = 0; from < BoardSquares; from += 7)
        for (int to = 0; to < BoardSquares; to += 5) {
            const Move back = parseMove(moveText(Move{from, to, 0}));
            EXPECT_EQ(back.from, from);
            EXPECT_EQ(back.to, to);
        }
}

}  // namespace
}  // namespace qorat
