// The one reader of the numbers that come as text from the front ends and the console.
#include "protocol/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace qorat {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The length of the run of digits at the start of the text.
std::size_t digitsAt(std::string_view text) {
    std::size_t n = 0;
    while (n < text.size() && isDigit(text[n])) ++n;
    return n;
}

}  // namespace

std::optional<double> readNumber(std::string_view text, double low, double high) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    const std::size_t start = at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t whole = digitsAt(text.substr(at));
    at += whole;
    std::size_t fraction = 0;
    if (at < text.size() && text[at] == '.') {
        fraction = digitsAt(text.substr(at + 1));
        if (whole + fraction > 0) at += 1 + fraction;
    }
    if (whole + fraction == 0) return std::nullopt;
    // An exponent counts only with its digits: "2e" is 2.
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t sign = at + 1 < text.size() && (text[at + 1] == '+' || text[at + 1] == '-') ? 1 : 0;
        const std::size_t digits = digitsAt(text.substr(std::min(text.size(), at + 1 + sign)));
        if (digits > 0) at += 1 + sign + digits;
    }
    // Only the decimal text found goes to strtod, which would also read hexadecimal and names.
    const std::string number(text.substr(start, at - start));
    return std::clamp(std::strtod(number.c_str(), nullptr), low, high);
}

std::optional<long long> readWholeNumber(std::string_view text, long long low, long long high) {
    // Within these bounds every whole number is a double, and back.
    low = std::clamp(low, -MostWholeNumber, MostWholeNumber);
    high = std::clamp(high, low, MostWholeNumber);
    const std::optional<double> number = readNumber(text, static_cast<double>(low), static_cast<double>(high));
    if (!number) return std::nullopt;
    return static_cast<long long>(std::trunc(*number));
}

}  // namespace qorat
