// The limited levels' choice among their lines: never a line that loses by force when
// another does not, a forced win always taken, full strength always the best line, the
// same choices from the same seed; and the level an Elo stands for.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "search/modern_search.h"
#include "search/skill.h"

namespace qorat {
namespace {

std::set<int> choicesOver(const Skill& skill, const std::vector<int>& scores, int draws) {
    std::mt19937_64 noise(7);
    std::set<int> chosen;
    for (int i = 0; i < draws; ++i) chosen.insert(skill.pick(scores, noise));
    return chosen;
}

TEST(Skill, ChoosesAmongTheGoodLinesOnly) {
    struct Case {
        int level;
        std::vector<int> scores;  // best first
        std::set<int> allowed;
    } cases[] = {
        // Full strength plays the best line, however close the others.
        {Skill::MaxLevel, {30, 29, 28, 27}, {0}},
        // A forced win seen is played at any level.
        {0, {PvsMate - 5, 40, 30, 20}, {0}},
        // A line that loses by force (mated, or the rule's forfeit) is never chosen...
        {0, {10, -(PvsMate - 3), -(PvsRuleWin - 2), 0}, {0, 3}},
        // ...nor one a piece worse, whatever the noise.
        {0, {50, -900, -1000, -1200}, {0}},
    };
    for (const Case& c : cases) {
        const std::set<int> chosen = choicesOver(Skill(c.level), c.scores, 200);
        for (int line : chosen) EXPECT_TRUE(c.allowed.count(line)) << "level " << c.level << " chose line " << line;
    }
    // The weakest level does not always play the best of close lines; the same seed
    // replays the same choices.
    const std::vector<int> close = {20, 15, 10, 5};
    EXPECT_GT(choicesOver(Skill(0), close, 200).size(), 1u);
    EXPECT_EQ(choicesOver(Skill(0), close, 50), choicesOver(Skill(0), close, 50));
}

TEST(Skill, LevelsSearchMoreAsTheyRiseAndEloMapsToTheNearestLevel) {
    for (int level = 1; level < Skill::MaxLevel; ++level) EXPECT_GT(Skill(level).nodes(), Skill(level - 1).nodes());
    EXPECT_FALSE(Skill(Skill::MaxLevel).limited());
    EXPECT_EQ(Skill(Skill::MaxLevel).nodes(), 0) << "full strength has no node limit";
    EXPECT_EQ(Skill(99).level(), Skill::MaxLevel);
    EXPECT_EQ(Skill(-4).level(), 0);

    EXPECT_EQ(Skill::levelForElo(Skill::LowestElo - 500), 0);
    EXPECT_EQ(Skill::levelForElo(Skill::HighestElo + 500), Skill::MaxLevel - 1);
    for (int level = 0; level < Skill::MaxLevel; ++level)
        EXPECT_EQ(Skill::MeasuredElo[static_cast<std::size_t>(Skill::levelForElo(Skill::MeasuredElo[static_cast<std::size_t>(level)]))],
                  Skill::MeasuredElo[static_cast<std::size_t>(level)]);
}

}  // namespace
}  // namespace qorat
