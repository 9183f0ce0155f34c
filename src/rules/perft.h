// Counting the leaf positions of the legal move tree: the check of the move generator.
#pragma once

#include <cstdint>

#include "rules/lawyer.h"

namespace qorat {

std::uint64_t perft(Board& board, Lawyer& lawyer, int depth);

}  // namespace qorat
