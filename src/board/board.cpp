// The one position of the game: squares, side to move, piece lists, keys and history.
#include "board/board.h"

#include <algorithm>
#include <cstring>

#include "board/keys.h"

namespace qorat {

const std::string startPositionFen = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r";

namespace {

// Enough room that the search never makes the history reallocate.
constexpr std::size_t ReservedPlies = 1024;

int pieceFromLetter(char c) {
    const char* letter = std::strchr(pieceLetters + 1, c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (c == '\0' || letter == nullptr) return Empty;
    const int type = static_cast<int>(letter - pieceLetters);
    return makePiece(c >= 'A' && c <= 'Z' ? Red : Blue, type);
}

}  // namespace

Board::Board() {
    ensureKeyTables();
    moves.reserve(ReservedPlies);
    setFen(startPositionFen);
}

bool Board::setFen(const std::string& fen) {
    std::array<std::uint8_t, BoardSquares> staged{};
    std::array<std::uint64_t, 2> stagedKeys{};
    std::array<std::array<SquareList, 7>, 2> stagedLists{};
    std::array<int, 2> stagedKings = kingSquares;
    std::array<int, 2> pieceCount{};
    int row = 0;
    int column = 0;
    std::size_t i = 0;
    for (; i < fen.size(); ++i) {
        const int square = makeSquare(row, column);
        if (square > LastSquare) break;
        const char c = fen[i];
        if (c == '/') {
            if (column != BoardFiles) return false;
            ++row;
            column = 0;
        } else if (c >= '0' && c <= '9') {
            if (column + (c - '0') > BoardFiles) return false;
            column += c - '0';
        } else {
            const int p = pieceFromLetter(c);
            if (p == Empty) return false;
            const int index = colourOf(p) == Red ? 1 : 0;
            if (++pieceCount[index] > MaxPiecesPerSide) return false;
            // A second king would leave the recorded king square stale once one is taken.
            if (typeOf(p) == King && stagedLists[index][King - 1].size() > 0) return false;
            staged[square] = static_cast<std::uint8_t>(p);
            stagedKeys[0] ^= keyTable1[keySlot(square, p)];
            stagedKeys[1] ^= keyTable2[keySlot(square, p)];
            stagedLists[index][typeOf(p) - 1].push_back(square);
            if (typeOf(p) == King) stagedKings[index] = square;
            ++column;
        }
    }
    if (i + 1 >= fen.size() || fen[i] != ' ' || (fen[i + 1] != 'r' && fen[i + 1] != 'b')) return false;

    side = fen[i + 1] == 'r' ? Red : Blue;
    squares = staged;
    moves.clear();
    setupText = fen;
    gameOver = false;
    const std::uint64_t sideBit = side == Red ? RedToMoveKeyBit : 0;
    keys = {stagedKeys[0] | sideBit, stagedKeys[1] | sideBit};
    pieceLists = stagedLists;
    kingSquares = stagedKings;
    notifyObservers(PositionSet);
    return true;
}

std::string Board::toFen() const {
    std::string fen;
    for (int row = 0; row < BoardRanks; ++row) {
        int emptyRun = 0;
        for (int column = 0; column < BoardFiles; ++column) {
            const int p = squares[makeSquare(row, column)];
            if (p == Empty) {
                ++emptyRun;
                continue;
            }
            if (emptyRun) fen += static_cast<char>('0' + emptyRun);
            emptyRun = 0;
            fen += pieceLetter(p);
        }
        if (emptyRun) fen += static_cast<char>('0' + emptyRun);
        if (row != BoardRanks - 1) fen += '/';
    }
    fen += side == Red ? " r" : " b";
    return fen;
}

void Board::reset() { setFen(startPositionFen); }

void Board::replayGame(const Board& game) {
    setFen(game.setupFen());
    for (Move m : game.history()) makeMove(m);
}

void Board::movePieceKeys(int piece, int square) {
    keys[0] ^= keyTable1[keySlot(square, piece)];
    keys[1] ^= keyTable2[keySlot(square, piece)];
}

void Board::makeMove(Move& m) {
    if (!m.isNull()) {
        const int p = squares[m.from];
        const int captured = squares[m.to];
        movePieceKeys(p, m.from);
        if (captured != Empty) {
            movePieceKeys(captured, m.to);
            listOf(captured).remove(m.to);
        }
        if (typeOf(p) == King) kingSquares[colourOf(p) == Red ? 1 : 0] = m.to;
        listOf(p).replace(m.from, m.to);
        m.captured = static_cast<std::uint8_t>(captured);
        squares[m.to] = static_cast<std::uint8_t>(p);
        squares[m.from] = Empty;
        movePieceKeys(p, m.to);
    }
    moves.push_back(m);
    side ^= ColourBit;
    keys[0] ^= RedToMoveKeyBit;
    keys[1] ^= RedToMoveKeyBit;
    notifyObservers(MoveMade);
}

void Board::unmakeMove() {
    const Move m = moves.back();
    moves.pop_back();
    if (!m.isNull()) {
        const int p = squares[m.to];
        movePieceKeys(p, m.to);
        if (typeOf(p) == King) kingSquares[colourOf(p) == Red ? 1 : 0] = m.from;
        listOf(p).replace(m.to, m.from);
        squares[m.from] = static_cast<std::uint8_t>(p);
        squares[m.to] = m.captured;
        movePieceKeys(p, m.from);
        if (m.captured != Empty) {
            movePieceKeys(m.captured, m.to);
            listOf(m.captured).push_back(m.to);
        }
    }
    side ^= ColourBit;
    keys[0] ^= RedToMoveKeyBit;
    keys[1] ^= RedToMoveKeyBit;
    notifyObservers(MoveUnmade);
}

bool Board::isConsistent() const {
    std::array<std::uint64_t, 2> recomputed = {0, 0};
    for (int square = 0; square < BoardSquares; ++square) {
        const int p = squares[square];
        if (p == Empty) continue;
        if (typeOf(p) == Empty) return false;
        recomputed[0] ^= keyTable1[keySlot(square, p)];
        recomputed[1] ^= keyTable2[keySlot(square, p)];
        const SquareList& list = pieces(colourOf(p), typeOf(p));
        if (std::count(list.begin(), list.end(), square) != 1) return false;
        if (typeOf(p) == King && kingSquare(colourOf(p)) != square) return false;
    }
    for (int s : {Red, Blue})
        for (int type = Pawn; type <= King; ++type)
            for (int square : pieces(s, type))
                if (squares[square] != makePiece(s, type)) return false;
    const std::uint64_t sideBit = side == Red ? RedToMoveKeyBit : 0;
    return keys[0] == (recomputed[0] | sideBit) && keys[1] == (recomputed[1] | sideBit);
}

void Board::addObserver(BoardObserver* observer) { observers.push_back(observer); }

void Board::notifyObservers(int event) {
    for (BoardObserver* observer : observers) observer->boardChanged(*this, event);
}

}  // namespace qorat
