// Text forms of the board's objects: the board picture, move text and its parser.
#include "board/notation.h"

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

}  // namespace qorat
