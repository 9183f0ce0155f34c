// The interface through which the board announces its changes.
#pragma once

namespace qorat {

class Board;

enum BoardEvent : int { GameOver = 0, MoveMade = 1, MoveUnmade = 2, PositionSet = 3 };

class BoardObserver {
public:
    virtual void boardChanged(Board& board, int event) = 0;

protected:
    ~BoardObserver() = default;
};

}  // namespace qorat
