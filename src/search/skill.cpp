// The limited levels: how deep each searches, how much noise blurs its choice, and the
// strength each was measured at.
#include "search/skill.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "search/modern_search.h"

namespace qorat {

namespace {

// Level 0 searches one ply (and the captures after it), which takes more than this; each level
// up searches this much more, a tenth of a second of a middle game at level 19, so that
// every level plays quickly and every step up is a step in strength.
constexpr double NodesAtLevelZero = 128;
constexpr double NodesGrowth = 1.4;
// The noise's reach at level 0, in centipawns, shrinking evenly to nothing at full strength:
// a move this much worse than the best may still be chosen, one a piece worse never.
constexpr int NoiseAtLevelZero = 300;

static_assert(std::is_sorted(Skill::MeasuredElo.begin(), Skill::MeasuredElo.end()), "stronger levels measure higher");

}  // namespace

Skill::Skill(int level) : levelValue(std::clamp(level, 0, MaxLevel)) {}

std::int64_t Skill::nodes() const {
    return limited() ? std::llround(NodesAtLevelZero * std::pow(NodesGrowth, levelValue)) : 0;
}

int Skill::pick(std::span<const int> scores, std::mt19937_64& noise) const {
    if (!limited() || scores.size() < 2) return 0;
    // A forced win seen is played: a weaker player misses mates by not seeing them, which
    // the shallower search already gives.
    if (scores[0] >= PvsKnownWin) return 0;
    const int reach = NoiseAtLevelZero * (MaxLevel - levelValue) / MaxLevel;
    std::uniform_int_distribution<int> blur(0, std::max(reach, 0));
    int chosen = 0;
    int chosenValue = scores[0] + blur(noise);
    for (std::size_t i = 1; i < scores.size(); ++i) {
        // A line that loses by force (mated, or forfeit by the rule of repetition) is never
        // chosen on purpose.
        if (scores[i] <= -PvsKnownWin) continue;
        const int value = scores[i] + blur(noise);
        if (value > chosenValue) {
            chosen = static_cast<int>(i);
            chosenValue = value;
        }
    }
    return chosen;
}

int Skill::levelForElo(int wanted) {
    const auto distance = [&](int elo) { return std::abs(elo - wanted); };
    const auto nearest = std::min_element(MeasuredElo.begin(), MeasuredElo.end(),
                                          [&](int a, int b) { return distance(a) < distance(b); });
    return static_cast<int>(nearest - MeasuredElo.begin());
}

}  // namespace qorat
