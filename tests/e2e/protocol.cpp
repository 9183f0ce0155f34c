// Whether a line of standard output belongs to the program's protocol.
#include "protocol.h"

#include <cstring>
#include <sstream>

#include "session.h"

namespace qorat::testing {

namespace {

constexpr std::size_t PictureWidth = 36;

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool isMoveText(const std::string& text) {
    return text.size() == 4 && text[0] >= 'a' && text[0] <= 'i' && text[1] >= '0' && text[1] <= '9' &&
           text[2] >= 'a' && text[2] <= 'i' && text[3] >= '0' && text[3] <= '9';
}

bool isPieceLine(const std::string& line) {
    if (line.size() != PictureWidth || line[0] != ' ' || line[1] < '0' || line[1] > '9' || line[2] != ' ') return false;
    for (std::size_t i = 3; i < PictureWidth; i += 4) {
        if (!std::strchr("+pcrheakPCRHEAK", line[i])) return false;
        if (i + 1 < PictureWidth && line.compare(i + 1, 3, "---") != 0) return false;
    }
    return true;
}

bool isConnectorLine(const std::string& line) {
    return line.size() == PictureWidth && startsWith(line, "   |") && line.find_first_not_of(" |/\\") == std::string::npos;
}

bool isPostLine(const std::string& line) {
    return !line.empty() && (line[0] == '*' || (line[0] >= '0' && line[0] <= '9')) && line.find('\t') != std::string::npos;
}

bool isResultLine(const std::string& line) {
    return (startsWith(line, "1-0 ") || startsWith(line, "0-1 ") || startsWith(line, "1/2-1/2 ")) && line.back() == '}';
}

}  // namespace

bool isProtocolLine(const std::string& raw) {
    std::string line = raw;
    while (startsWith(line, prompt)) line.erase(0, std::strlen(prompt));
    return line.empty() || isPieceLine(line) || isConnectorLine(line) || line == "   a   b   c   d   e   f   g   h   i" ||
           (startsWith(line, "    ... ") && isMoveText(line.substr(8))) ||
           (startsWith(line, "    ") && line.size() == 12 && line.compare(8, 4, " ...") == 0 && isMoveText(line.substr(4, 4))) ||
           (startsWith(line, "move ") && isMoveText(line.substr(5))) || isResultLine(line) ||
           startsWith(line, "IllegalMove") || startsWith(line, "Error (") || startsWith(line, "Time left is: ") ||
           isPostLine(line);
}

std::string firstForeignLine(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        if (!isProtocolLine(line)) return line.empty() ? "(empty)" : line;
    return "";
}

}  // namespace qorat::testing
