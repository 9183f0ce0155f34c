// The program's face: the current output state, and the polling and reading of input lines.
#include "protocol/interface.h"

#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <iostream>

namespace qorat {

namespace {

constexpr int StandardInput = 0;
constexpr std::size_t ReadChunk = 65536;

}  // namespace

Interface::Interface(Controller* c) : state(std::make_unique<UserState>(c)), controller(c) {
    int ends[2];
    if (pipe(ends) == 0) {
        wakeRead = ends[0];
        wakeWrite = ends[1];
        fcntl(wakeRead, F_SETFL, O_NONBLOCK);
        fcntl(wakeWrite, F_SETFL, O_NONBLOCK);
    }
}

Interface::~Interface() {
    for (int end : {wakeRead, wakeWrite})
        if (end >= 0) close(end);
}

void Interface::setInterface(const std::string& value) {
    // Front ends of the xboard family interrupt their engine before passing it a move; a
    // person at the console ends the program with it.
    if (value == "user") {
        state = std::make_unique<UserState>(controller);
        std::signal(SIGINT, SIG_DFL);
        speakOnStandardError(true);
    } else if (value == "cxboard") {
        state = std::make_unique<CXBoardState>();
        std::signal(SIGINT, SIG_IGN);
        speakOnStandardError(true);
    } else if (value == "xboard" || value == "uci") {
        // The protocol starts on a line of its own, after the console's prompt.
        const auto* console = dynamic_cast<const UserState*>(state.get());
        if (console && console->hasPrompted()) state->printText("\n");
        if (value == "xboard")
            state = std::make_unique<XBoardState>();
        else
            state = std::make_unique<UciState>();
        std::signal(SIGINT, SIG_IGN);
        speakOnStandardError(false);
    }
}

void Interface::speakOnStandardError(bool speak) {
    if (!speak && silencedError == nullptr) {
        silencedError = std::cerr.rdbuf(nullptr);
    } else if (speak && silencedError != nullptr) {
        std::cerr.rdbuf(silencedError);
        std::cerr.clear();
        silencedError = nullptr;
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

bool Interface::inputPending() { return !received.empty() || ended || descriptorReadable(false); }

void Interface::waitForInput() {
    if (inputPending()) return;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(StandardInput, &readable);
    if (wakeRead >= 0) FD_SET(wakeRead, &readable);
    select(std::max(StandardInput, wakeRead) + 1, &readable, nullptr, nullptr, nullptr);
    // Every wake so far is answered by this one return.
    char drained[64];
    while (wakeRead >= 0 && read(wakeRead, drained, sizeof drained) > 0) {
    }
}

void Interface::wake() {
    const char byte = 1;
    // A full pipe already holds a wake.
    if (wakeWrite >= 0 && write(wakeWrite, &byte, 1) < 0) return;
}

void Interface::receive() {
    char chunk[ReadChunk];
    for (;;) {
        const ssize_t n = read(StandardInput, chunk, sizeof chunk);
        if (n > 0) {
            received.append(chunk, static_cast<std::size_t>(n));
            return;
        }
        if (n < 0 && errno == EINTR) continue;
        // A descriptor its parent made non-blocking has merely nothing yet: wait for it.
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            descriptorReadable(true);
            continue;
        }
        // The end of input, or a descriptor that can no longer be read, ends the input alike.
        ended = true;
        return;
    }
}

std::string Interface::readLine() {
    std::size_t scanned = 0;
    std::size_t newline;
    while ((newline = received.find('\n', scanned)) == std::string::npos && !ended) {
        scanned = received.size();
        receive();
    }
    const std::size_t length = newline == std::string::npos ? received.size() : newline;
    std::string line = received.substr(0, length);
    received.erase(0, newline == std::string::npos ? length : length + 1);
    // Lines from a CRLF source read like any other.
    if (newline != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace qorat
