// The output strategies: the console for a person, and the cxboard line protocol.
#pragma once

#include <string>

#include "board/board.h"
#include "board/types.h"
#include "thinking/seams.h"

namespace qorat {

class Controller;

// Writes the text to standard output at once, whole, whichever thread writes.
void writeOutput(const std::string& text);

class InterfaceState {
public:
    virtual ~InterfaceState() = default;

    // Shows a move that has just been made on the board.
    virtual void printMove(const Move& m) = 0;
    virtual void printPrompt() = 0;
    virtual void printBoard(const Board& board) = 0;
    virtual void printText(const std::string& text);
    virtual void printChar(char c);
    virtual void printInt(int n);
    // The words that open the refusal of a move.
    virtual std::string refusal() const { return "IllegalMove"; }
    // The search's thinking: the post line.
    virtual void printThinking(const ThinkingLine& thinking);
    // A setting the engine could not carry out: a diagnostic on standard error.
    virtual void printProblem(const std::string& text);
};

class UserState final : public InterfaceState {
public:
    explicit UserState(Controller* controller) : controller(controller) {}

    void printMove(const Move& m) override;
    void printPrompt() override;
    void printBoard(const Board& board) override;
    // Whether a prompt stands on the screen, so that another protocol must start a new line.
    bool hasPrompted() const { return prompted; }

private:
    Controller* controller;
    bool prompted = false;
};

// The front end keeps its own board and prompts nobody; it needs the computer's moves only.
class CXBoardState final : public InterfaceState {
public:
    void printMove(const Move& m) override;
    void printPrompt() override {}
    void printBoard(const Board&) override {}
};

// The xboard protocol: the front end keeps the board; the engine's move is a "move" line,
// and nothing goes to standard error, which some front ends read as replies.
class XBoardState final : public InterfaceState {
public:
    void printMove(const Move& m) override;
    // The xboard family reads refusals, thinking and problems in its own words.
    std::string refusal() const override { return "Illegal move"; }
    void printThinking(const ThinkingLine& thinking) override;
    void printProblem(const std::string& text) override;
    void printPrompt() override {}
    void printBoard(const Board&) override {}
};

// UCI: the front end sends positions and asks for moves; the engine answers "bestmove",
// and tells of its thinking and its problems in "info" lines.
class UciState final : public InterfaceState {
public:
    void printMove(const Move&) override {}
    std::string refusal() const override { return "info string Illegal move"; }
    void printThinking(const ThinkingLine& thinking) override;
    void printProblem(const std::string& text) override;
    void printPrompt() override {}
    void printBoard(const Board&) override {}
};

}  // namespace qorat
