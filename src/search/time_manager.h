// The one time manager: a search's limits turned into a soft target, past which no new
// iteration begins, and a hard limit, past which the search stops.
#pragma once

#include <chrono>

#include "search/search_limits.h"

namespace qorat {

class TimeManager {
public:
    using Milliseconds = SearchLimits::Milliseconds;
    // What each move costs beyond the search (the pipes, the front end, a slow machine),
    // unless the front end sets it.
    static constexpr Milliseconds DefaultMoveOverhead = 50;

    // The search starts now; moveOverhead is kept back from every move to come.
    void start(const SearchLimits& limits, Milliseconds moveOverhead);
    bool timed() const { return isTimed; }
    Milliseconds elapsed() const;
    Milliseconds softLimit() const { return soft; }
    Milliseconds hardLimit() const { return hard; }
    bool pastHard() const { return isTimed && elapsed() >= hard; }
    // Whether another, deeper iteration is worth starting.
    bool mayStartIteration() const;

private:
    std::chrono::steady_clock::time_point startTime = std::chrono::steady_clock::now();
    bool isTimed = false;
    bool fixedTime = false;
    Milliseconds soft = 0;
    Milliseconds hard = 0;
};

}  // namespace qorat
