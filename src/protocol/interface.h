// The program's face: the current output state, and the polling and reading of input lines.
#pragma once

#include <memory>
#include <streambuf>
#include <string>

#include "protocol/interface_state.h"
#include "thinking/seams.h"

namespace qorat {

class Controller;

class Interface final : public InputPoll, public EngineOutput {
public:
    explicit Interface(Controller* controller);
    ~Interface();
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;

    // Installs a fresh state for "user", "cxboard", "xboard" or "uci"; any other value changes nothing.
    void setInterface(const std::string& value);
    InterfaceState& current() { return *state; }
    Interface& print(const std::string& text);

    // The engine's words, in the current protocol's.
    void showThinking(const ThinkingLine& thinking) override { state->printThinking(thinking); }
    void reportProblem(const std::string& text) override { state->printProblem(text); }

    // Whether a line, part of one, or the end of input is waiting; never blocks.
    bool inputPending() override;
    // Sleeps until inputPending would be true, or until wake is called from any thread.
    void waitForInput();
    void wake();
    // The next line without its newline; waits for the newline if only part has arrived.
    std::string readLine();
    // Whether standard input has ended and everything before the end has been read.
    bool inputEnded() const { return ended && received.empty(); }

private:
    bool descriptorReadable(bool wait);
    // Diagnostics on standard error are dropped while a front end might read them as replies.
    void speakOnStandardError(bool speak);
    // Reads what the descriptor has, waiting for at least one byte or the end.
    void receive();

    std::unique_ptr<InterfaceState> state;
    Controller* controller;
    // Standard input is read here, straight from its descriptor, so that the poll knows of
    // every character received but not yet handed out, whatever the libraries buffer.
    std::string received;
    bool ended = false;
    std::streambuf* silencedError = nullptr;
    // A pipe to itself, written by wake, so that one wait covers input and a finished search.
    int wakeRead = -1;
    int wakeWrite = -1;
};

}  // namespace qorat
