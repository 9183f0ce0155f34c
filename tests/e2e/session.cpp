// Runs the real program through pipes: feeds its standard input, collects its standard
// output and error, and never waits for anything without a time limit.
#include "session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "board/board.h"
#include "board/keys.h"
#include "board/notation.h"
#include "rules/lawyer.h"

namespace qorat::testing {

namespace {

using Clock = std::chrono::steady_clock;

// Close-on-exec, so that a program started later never holds another session's pipe open.
void makePipe(int fds[2]) {
    if (pipe2(fds, O_CLOEXEC) != 0) std::abort();
}

}  // namespace

const char* const prompt = "Enter move or command: ";
const char* const noBookMessages = "Can't open " QORAT_DATA_DIR "/book.dat\nCan't open book.dat\nCan't open my book!\n";

namespace {

// Makes larger allocations fail: the sanitizers' allocator is told so, since it reserves
// far more address space than any limit on it would allow; a plain build gets a limit on it.
void limitMemory(int megabytes) {
#ifdef QORAT_SANITIZED_PROGRAM
    std::string settings = "allocator_may_return_null=1:max_allocation_size_mb=" + std::to_string(megabytes);
    if (const char* given = std::getenv("ASAN_OPTIONS")) settings = std::string(given) + ":" + settings;
    setenv("ASAN_OPTIONS", settings.c_str(), 1);
#else
    const rlim_t bytes = static_cast<rlim_t>(megabytes) << 20;
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
#endif
}

}  // namespace

Session::Session(const std::vector<std::string>& args, const std::string& directory, bool nonBlockingInput,
                 int memoryLimitMegabytes) {
    int in[2], out[2], err[2];
    makePipe(in);
    makePipe(out);
    makePipe(err);
    pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        if (nonBlockingInput) fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
        if (memoryLimitMegabytes > 0) limitMemory(memoryLimitMegabytes);
        if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
        std::vector<char*> argv;
        std::string binary = QORAT_BINARY;
        argv.push_back(binary.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    inputFd = in[1];
    // A write never blocks, so that a program that stops reading cannot hold the test.
    fcntl(inputFd, F_SETFL, fcntl(inputFd, F_GETFL) | O_NONBLOCK);
    outputFd = out[0];
    errorFd = err[0];
    signal(SIGPIPE, SIG_IGN);
}

Session::~Session() {
    if (pid > 0 && status == -1) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    for (int fd : {inputFd, outputFd, errorFd})
        if (fd >= 0) close(fd);
}

bool Session::send(const std::string& text, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::size_t sent = 0;
    while (sent < text.size()) {
        if (Clock::now() > deadline) {
            ADD_FAILURE() << "the program read no input for " << limit.count() << " ms";
            return false;
        }
        pollfd p{inputFd, POLLOUT, 0};
        // Drain the program's output while writing, so that neither side blocks the other.
        if (poll(&p, 1, 10) <= 0) {
            pump(std::chrono::milliseconds(0));
            continue;
        }
        const ssize_t n = write(inputFd, text.data() + sent, text.size() - sent);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void Session::sendSignal(int number) { kill(pid, number); }

void Session::closeInput() {
    if (inputFd >= 0) close(inputFd);
    inputFd = -1;
}

bool Session::pump(std::chrono::milliseconds wait) {
    std::vector<pollfd> fds;
    if (outputFd >= 0) fds.push_back({outputFd, POLLIN, 0});
    if (errorFd >= 0) fds.push_back({errorFd, POLLIN, 0});
    if (fds.empty()) return false;
    if (poll(fds.data(), fds.size(), static_cast<int>(wait.count())) <= 0) return true;
    for (const pollfd& p : fds) {
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buffer[65536];
        const ssize_t n = read(p.fd, buffer, sizeof buffer);
        std::string& target = p.fd == outputFd ? stdoutText : stderrText;
        if (n > 0) {
            target.append(buffer, static_cast<std::size_t>(n));
        } else {
            close(p.fd);
            (p.fd == outputFd ? outputFd : errorFd) = -1;
        }
    }
    return outputFd >= 0 || errorFd >= 0;
}

int occurrences(const std::string& haystack, const std::string& needle) {
    int count = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
    return count;
}

bool Session::waitForOutput(const std::string& text, std::chrono::milliseconds limit, int count) {
    const auto deadline = Clock::now() + limit;
    while (occurrences(stdoutText, text) < count) {
        if (Clock::now() > deadline) return false;
        if (!pump(std::chrono::milliseconds(20)) && occurrences(stdoutText, text) < count) return false;
    }
    return true;
}

long Session::residentMegabytes() const {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6)) / 1024;
    return -1;
}

bool Session::finish(std::chrono::milliseconds limit) {
    closeInput();
    const auto deadline = Clock::now() + limit;
    while (pump(std::chrono::milliseconds(20)))
        if (Clock::now() > deadline) break;
    int raw = 0;
    while (waitpid(pid, &raw, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            status = -2;
            return false;
        }
        usleep(10000);
    }
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return true;
}

RunResult runProgram(const std::vector<std::string>& args, const std::string& input, const std::string& directory) {
    Session session(args, directory.empty() ? bookFreeDirectory() : directory);
    session.send(input);
    session.finish();
    return {session.out(), session.err(), session.exitStatus()};
}

namespace {

// The process's scratch folder, removed with all it holds when the tests end.
struct ScratchFolder {
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qorat-e2e-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

}  // namespace

std::string bookFreeDirectory() {
    static const ScratchFolder folder;
    return folder.path;
}

bool legalIn(const std::string& fen, const std::string& text) {
    fillKeyTables(1);
    Board board;
    Lawyer lawyer(board);
    board.addObserver(&lawyer);
    board.setFen(fen);
    Move m = parseMove(text);
    return lawyer.isLegal(m);
}

std::string boardText(const std::string& fen) {
    Board board;
    board.setFen(fen);
    std::ostringstream out;
    out << '\n' << board << '\n';
    return out.str();
}

}  // namespace qorat::testing
