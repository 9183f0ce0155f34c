// Whether a line of standard output belongs to the program's protocol.
#pragma once

#include <string>

namespace qorat::testing {

// True for the board picture, prompts, move echoes, result lines, refusals, error lines,
// the front end's "move" lines, post lines and the time report.
bool isProtocolLine(const std::string& line);

// The first line of the text that belongs to no protocol, or "" when all do.
std::string firstForeignLine(const std::string& text);

}  // namespace qorat::testing
