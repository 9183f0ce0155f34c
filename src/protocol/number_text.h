// The one reader of the numbers that come as text from the front ends and the console:
// decimal text, read as far as it goes and kept within bounds.
#pragma once

#include <optional>
#include <string_view>

namespace qorat {

// Far beyond any game's milliseconds, nodes or megabytes, so that no sum or product of the
// numbers read overflows.
inline constexpr long long MostWholeNumber = 1'000'000'000'000LL;

// The decimal number the text starts with, after any blanks: a sign, digits with a fraction,
// an exponent; kept within [low, high]. Nothing when the text starts with no such number
// (hexadecimal, "inf" and "nan" included).
std::optional<double> readNumber(std::string_view text, double low, double high);

// The same, its fraction dropped; the bounds are kept within MostWholeNumber either way.
std::optional<long long> readWholeNumber(std::string_view text, long long low = -MostWholeNumber,
                                         long long high = MostWholeNumber);

}  // namespace qorat
