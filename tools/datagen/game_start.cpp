// Opening lines read and checked, and the random start of each game.
#include "datagen/game_start.h"

#include <fstream>
#include <sstream>

#include "board/notation.h"

namespace qorat::datagen {

namespace {

// SplitMix64's constants: the golden-ratio step and its finaliser's multipliers.
constexpr std::uint64_t Step = 0x9E3779B97F4A7C15ULL;
constexpr std::uint64_t MixFirst = 0xBF58476D1CE4E5B9ULL;
constexpr std::uint64_t MixSecond = 0x94D049BB133111EBULL;

std::uint64_t mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * MixFirst;
    z = (z ^ (z >> 27)) * MixSecond;
    return z ^ (z >> 31);
}

}  // namespace

// Mixed rather than added, so that the stream of one game is not the next game's shifted.
GameRandom::GameRandom(std::uint64_t seed, std::uint64_t game) : state(mix(mix(seed) + game)) {}

std::uint64_t GameRandom::next() { return mix(state += Step); }

bool readOpenings(const std::string& path, std::vector<OpeningLine>& lines, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    Board board;
    Lawyer lawyer(board);
    board.addObserver(&lawyer);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        std::istringstream words(text.substr(0, text.find('#')));
        board.reset();
        OpeningLine line;
        for (std::string word; words >> word;) {
            Move m = parseMove(word);
            if (isNoMove(m) || !lawyer.isLegal(m)) {
                std::ostringstream message;
                message << path << ':' << number << ": " << word << " is no legal move there";
                error = message.str();
                return false;
            }
            board.makeMove(m);
            line.push_back(m);
        }
        if (!line.empty()) lines.push_back(line);
    }
    return true;
}

void startGame(Board& board, Lawyer& lawyer, const std::vector<OpeningLine>& openings, int randomPlies,
               GameRandom& random) {
    board.reset();
    if (!openings.empty())
        for (Move m : openings[random.below(openings.size())]) board.makeMove(m);
    for (int ply = 0; ply < randomPlies; ++ply) {
        MoveList legal;
        lawyer.generateMoves(legal, true);
        if (legal.empty()) return;
        board.makeMove(legal[random.below(legal.size())]);
    }
}

}  // namespace qorat::datagen
