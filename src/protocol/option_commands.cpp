// The text interpreters that write options: command-line flags and option commands.
#include <sstream>

#include "options/options.h"

namespace qorat {

namespace {

// The "set" command reads its name and value from the fifth character of the line on.
constexpr std::size_t SetTextStart = 4;

bool allDigits(const std::string& text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string nextWord(std::istringstream& words) {
    std::string word;
    words >> word;
    return word;
}

}  // namespace

void Options::parseCommandLine(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "-cxboard") {
            set("interface", "cxboard");
        } else if (flag == "-xboard") {
            set("interface", "xboard");
        } else if (flag == "-uci") {
            set("interface", "uci");
        } else if (flag == "-red") {
            set("computerColor", "r");
        } else if (flag == "-blue" || flag == "-black") {
            set("computerColor", "b");
        } else if (flag == "-nobook") {
            set("useOpeningBook", "n");
        } else if (flag == "-depth" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (allDigits(value)) set("searchPly", value);
        } else if (flag == "-ts" && i + 1 < argc) {
            // Accepted with its number, for the command lines of older set-ups, and ignored.
            ++i;
        }
    }
}

bool Options::handleCommand(const std::string& line) {
    std::istringstream words(line);
    const std::string command = nextWord(words);
    if (command == "red") {
        set("computerColor", "b");
    } else if (command == "blue" || command == "black") {
        set("computerColor", "r");
    } else if (command == "force") {
        set("computerColor", "n");
    } else if (command == "cxboard") {
        set("interface", "cxboard");
    } else if (command == "xboard") {
        set("interface", "xboard");
    } else if (command == "console") {
        set("interface", "user");
    } else if (command == "sd") {
        set("searchPly", nextWord(words));
    } else if (command == "post") {
        set("post", "on");
    } else if (command == "nopost") {
        set("post", "off");
    } else if (command == "st") {
        std::string seconds;
        if (words >> seconds) set("st", seconds);
    } else if (command == "set") {
        if (line.size() >= SetTextStart) parseSet(line.substr(SetTextStart));
    } else {
        return command == "level";
    }
    return true;
}

void Options::parseSet(const std::string& text) {
    std::istringstream words(text);
    const std::string name = nextWord(words);
    const std::string value = words.eof() ? std::string() : nextWord(words);
    set(name, value);
}

}  // namespace qorat
