// Text forms of the board's objects: the board picture, move text and its parser; and text
// read from outside in the form it may be shown again.
#include "board/notation.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace qorat {

namespace {

constexpr int RiverRow = 4;
constexpr int MoveTextLength = 4;

// The mark drawn in a connector block: palace diagonals below rows 0, 1, 7 and 8.
char connectorMark(int row, int block) {
    const bool falling = row == 0 || row == 7;
    const bool rising = row == 1 || row == 8;
    if (block == 4 && falling) return '\\';
    if (block == 5 && falling) return '/';
    if (block == 4 && rising) return '/';
    if (block == 5 && rising) return '\\';
    return ' ';
}

void drawConnector(std::ostream& out, int row) {
    out << "   |";
    for (int block = 1; block < BoardFiles; ++block) {
        const bool openRiver = row == RiverRow && block < BoardFiles - 1;
        out << ' ' << connectorMark(row, block) << ' ' << (openRiver ? ' ' : '|');
    }
    out << '\n';
}

void appendSquare(std::string& text, int square) {
    text += static_cast<char>('a' + columnOf(square));
    text += static_cast<char>('9' - rowOf(square));
}

constexpr unsigned char FirstPrintable = 0x20;
constexpr unsigned char LastPrintable = 0x7e;
constexpr unsigned char FirstNonAscii = 0x80;

// Well-formed characters that print nothing but steer the terminal or the line: the C1
// controls, the line and paragraph separators with the direction embeddings and overrides,
// and the direction isolates.
struct CodeRange {
    char32_t first;
    char32_t last;
};
constexpr CodeRange NonPrinting[] = {{0x80, 0x9f}, {0x2028, 0x202e}, {0x2066, 0x2069}};

bool printable(char32_t code) {
    for (const CodeRange& range : NonPrinting)
        if (code >= range.first && code <= range.last) return false;
    return true;
}

// The length of the well-formed UTF-8 sequence that starts at the position, with its code
// point; 0 when the bytes there form none. The second byte's bounds shut out overlong forms,
// surrogates and code points beyond U+10FFFF.
std::size_t utf8Sequence(const std::string& text, std::size_t at, char32_t& code) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        code = lead & 0x1fU;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        code = lead & 0x0fU;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        code = lead & 0x07U;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    }
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if (next < low || next > high) return 0;
        code = (code << 6) | (next & 0x3fU);
        low = 0x80;
        high = 0xbf;
    }
    return length;
}

int fileOf(char c) {
    if (c >= 'a' && c <= 'i') return c - 'a';
    if (c >= 'A' && c <= 'I') return c - 'A';
    return -1;
}

int rankRowOf(char c) { return c >= '0' && c <= '9' ? '9' - c : -1; }

}  // namespace

std::ostream& operator<<(std::ostream& out, const Board& board) {
    for (int row = 0; row < BoardRanks; ++row) {
        out << ' ' << (BoardRanks - 1 - row) << ' ';
        for (int column = 0; column < BoardFiles; ++column) {
            if (column) out << "---";
            out << pieceLetter(board.piece(makeSquare(row, column)));
        }
        out << '\n';
        if (row != BoardRanks - 1) drawConnector(out, row);
    }
    for (char file = 'a'; file <= 'i'; ++file) out << "   " << file;
    out << '\n';
    out.flush();
    return out;
}

std::ostream& operator<<(std::ostream& out, const Move& m) { return out << moveText(m); }

std::string moveText(const Move& m) {
    std::string text;
    appendSquare(text, m.from);
    appendSquare(text, m.to);
    return text;
}

Move parseMove(const std::string& text) {
    if (text.size() != MoveTextLength) return nullMove;
    const int fromColumn = fileOf(text[0]);
    const int fromRow = rankRowOf(text[1]);
    const int toColumn = fileOf(text[2]);
    const int toRow = rankRowOf(text[3]);
    if (fromColumn < 0 || fromRow < 0 || toColumn < 0 || toRow < 0) return nullMove;
    return Move{makeSquare(fromRow, fromColumn), makeSquare(toRow, toColumn), 0};
}

namespace {

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

std::string fromFrontEndFen(const std::string& fen) {
    std::istringstream fields(fen);
    std::string placement, side;
    if (!(fields >> placement >> side)) return "";
    std::string ours;
    for (char c : placement) ours += ourPieceLetter(c);
    ours += ' ';
    ours += side == "w" ? "r" : side;
    return ours;
}

std::string printableText(const std::string& text) {
    std::string shown;
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= FirstPrintable && byte <= LastPrintable) {
            shown += text[at++];
            continue;
        }
        char32_t code = 0;
        const std::size_t length = byte >= FirstNonAscii ? utf8Sequence(text, at, code) : 0;
        if (length > 0 && printable(code)) {
            shown.append(text, at, length);
            at += length;
            continue;
        }
        // A character that prints nothing is escaped whole, a byte of no character alone.
        for (const std::size_t end = at + std::max<std::size_t>(length, 1); at < end; ++at) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(text[at]));
            shown += escaped;
        }
    }
    return shown;
}

}  // namespace qorat
