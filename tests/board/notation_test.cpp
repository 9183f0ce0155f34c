// The board picture, move text and its parser, and the printable form of text from outside.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

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

TEST(Notation, PrintableText) {
    const std::pair<std::string, std::string> cases[] = {
        {"h2e2 ~!", "h2e2 ~!"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\t\r\x1b[2J\x7f", "\\x09\\x0d\\x1b[2J\\x7f"},
        // Well-formed UTF-8 stays: two, three and four bytes.
        {"caf\xc3\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80"},
        // Bytes of no character: stray, cut short, overlong, a surrogate, beyond U+10FFFF.
        {"\xff\xfe", "\\xff\\xfe"},
        {"\x80" "a", "\\x80a"},
        {"\xe4\xb8", "\\xe4\\xb8"},
        {"\xe4\xb8" "a", "\\xe4\\xb8a"},
        {"\xc0\xaf", "\\xc0\\xaf"},
        {"\xe0\x80\xaf", "\\xe0\\x80\\xaf"},
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
        // Characters that steer rather than print: a C1 control, a direction override.
        {"\xc2\x85", "\\xc2\\x85"},
        {"\xe2\x80\xae" "ab", "\\xe2\\x80\\xaeab"},
    };
    for (const auto& [text, shown] : cases) EXPECT_EQ(printableText(text), shown) << shown;
}

}  // namespace
}  // namespace qorat
