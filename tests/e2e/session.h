// Runs the real program through pipes: feeds its standard input, collects its standard
// output and error, and never waits for anything without a time limit.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace qorat::testing {

class Session {
public:
    // Starts the program with these arguments in the given working directory; its standard
    // input is set non-blocking when asked, as some parents leave it. With a memory limit,
    // the program cannot have an allocation of more than that many megabytes.
    Session(const std::vector<std::string>& args, const std::string& directory, bool nonBlockingInput = false,
            int memoryLimitMegabytes = 0);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Writes the text to the program's input; false, with a test failure, when the program
    // has not taken it all within the limit.
    bool send(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(20));
    void sendSignal(int number);
    void closeInput();
    // Waits until standard output holds the text (count times); false on timeout.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(20),
                       int count = 1);
    // Closes the input if still open and waits for the exit; false on timeout (then it is killed).
    bool finish(std::chrono::milliseconds limit = std::chrono::seconds(20));

    // The program's resident memory now, in megabytes; -1 once it has ended.
    long residentMegabytes() const;

    const std::string& out() const { return stdoutText; }
    const std::string& err() const { return stderrText; }
    int exitStatus() const { return status; }

private:
    // Reads whatever is available, waiting at most the given time; false once both streams ended.
    bool pump(std::chrono::milliseconds wait);

    int pid = -1;
    int inputFd = -1;
    int outputFd = -1;
    int errorFd = -1;
    std::string stdoutText;
    std::string stderrText;
    int status = -1;
};

// Runs the program on the whole input and returns once it has exited.
struct RunResult {
    std::string out;
    std::string err;
    int status;
};
RunResult runProgram(const std::vector<std::string>& args, const std::string& input,
                     const std::string& directory = "");

// A working directory with no opening book in it, and the messages the program then writes.
std::string bookFreeDirectory();
extern const char* const noBookMessages;

// How often the text stands in the output, overlaps counted.
int occurrences(const std::string& haystack, const std::string& needle);

// Whether the move text is a legal move in the position.
bool legalIn(const std::string& fen, const std::string& text);

// The text the console shows for a board: the picture framed by empty lines.
std::string boardText(const std::string& fen);
extern const char* const prompt;

}  // namespace qorat::testing
