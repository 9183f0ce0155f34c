// The program's face: the current output state, and the polling and reading of input lines.
#include "interface/interface.h"

#include <sys/select.h>

#include <iostream>

namespace qorat {

namespace {

constexpr int StandardInput = 0;

}  // namespace

Interface::Interface(Controller* c) : state(std::make_unique<UserState>(c)), controller(c) {
    options.addObserver(this);
}

void Interface::optionChanged(std::string name) {
    if (name == "interface") setInterface(options.get("interface"));
}

void Interface::setInterface(const std::string& value) {
    if (value == "user") {
        state.reset();
        state = std::make_unique<UserState>(controller);
    } else if (value == "cxboard") {
        state.reset();
        state = std::make_unique<CXBoardState>();
    }
}

Interface& Interface::print(const std::string& text) {
    state->printText(text);
    return *this;
}

bool Interface::descriptorReadable(bool wait) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(StandardInput, &readable);
    timeval noTime{0, 0};
    // An error counts as input: the read that follows reports what is wrong.
    return select(StandardInput + 1, &readable, nullptr, nullptr, wait ? nullptr : &noTime) != 0;
}

bool Interface::inputPending() {
    // Lines already read into the stream's buffer are waiting too, though the descriptor is quiet.
    return std::cin.rdbuf()->in_avail() > 0 || !std::cin.good() || descriptorReadable(false);
}

void Interface::waitForInput() {
    if (!inputPending()) descriptorReadable(true);
}

std::string Interface::readLine() {
    std::string line;
    char c;
    while (std::cin.good() && std::cin.get(c) && c != '\n') line += c;
    return line;
}

bool Interface::inputEnded() const { return !std::cin.good(); }

}  // namespace qorat
