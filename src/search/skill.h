// A strength below the full one, for a person to beat: a search held to fewer nodes, and so
// shallower, that weighs several lines, and a choice among them blurred by noise that grows
// as the level falls, so that the mistakes are those of a weaker player (a good move missed,
// a slightly worse one preferred) rather than random blunders.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <span>

namespace qorat {

class Skill {
public:
    // Level 20 is the full strength: no limit and no noise.
    static constexpr int MaxLevel = 20;
    // The lines a limited level weighs: few enough that each is a move a player would consider.
    static constexpr int Lines = 4;

    explicit Skill(int level = MaxLevel);

    int level() const { return levelValue; }
    bool limited() const { return levelValue < MaxLevel; }
    // The nodes the level searches; its first depth is searched whole, whatever it costs.
    std::int64_t nodes() const;
    // Which of the lines to play, given their scores best first (the search's own units);
    // the noise is drawn from the generator, so a fixed seed replays the same choices.
    int pick(std::span<const int> scores, std::mt19937_64& noise) const;

    // The strength of each limited level on one scale, sjaakii's at 1500, measured by the
    // ladder of matches in bench/skill.md (two neighbours whose order the matches did not
    // settle share their mean), and the level whose strength is nearest an Elo asked for.
    static constexpr std::array<int, MaxLevel> MeasuredElo = {
        822, 863, 884, 884, 947, 975, 1090, 1090, 1237, 1336, 1500, 1600, 1800, 1885, 1970, 2152, 2194, 2309, 2510, 2625,
    };
    static constexpr int LowestElo = MeasuredElo.front();
    static constexpr int HighestElo = MeasuredElo.back();
    static int levelForElo(int elo);

private:
    int levelValue;
};

}  // namespace qorat
