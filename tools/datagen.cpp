// qorat-datagen: training positions from self-play games of the modern search.
//   qorat-datagen --seed S --games N --out FILE [--nodes K] [--openings FILE] [--random-plies R]
//       plays N games at K nodes a move from the opening lines plus R random plies, all drawn
//       from S, and writes their quiet positions with score and result to FILE (the format
//       tools/nnue/dataset.py reads); the same arguments give the same file
//   qorat-datagen check
//       for each FEN read, the engine's own text of the position, with " check" added when
//       the side to move is in check, or "unplayable" for a position no game reaches
#include <chrono>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "board/keys.h"
#include "datagen/game_start.h"
#include "datagen/position_record.h"
#include "datagen/self_play.h"
#include "protocol/number_text.h"
#include "rules/lawyer.h"

namespace {

using namespace qorat;
using namespace qorat::datagen;

// The keys every run draws, so that the table, and so the games, are the same on every run.
constexpr unsigned KeySeed = 1;

struct Settings {
    long long seed = -1;
    long long games = -1;
    std::string out;
    std::string openings;
    int randomPlies = 4;
    SelfPlaySettings play;
};

int usage() {
    std::cerr << "usage: qorat-datagen --seed S --games N --out FILE [--nodes K] [--openings FILE] "
                 "[--random-plies R]\n"
                 "       qorat-datagen check < fens\n";
    return 2;
}

// The options, each followed by its value; false on anything else.
bool readSettings(int argc, char** argv, Settings& settings) {
    constexpr long long MostNodes = 100'000'000;
    constexpr long long MostRandomPlies = 40;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        const auto whole = [&value](long long low, long long high) {
            const std::optional<long long> number = readWholeNumber(value, low, high);
            // Text that is no number, or one out of bounds, is refused rather than clamped.
            return number && std::to_string(*number) == value ? *number : -1;
        };
        if (name == "--seed")
            settings.seed = whole(0, MostWholeNumber);
        else if (name == "--games")
            settings.games = whole(1, MostWholeNumber);
        else if (name == "--nodes")
            settings.play.nodes = whole(1, MostNodes);
        else if (name == "--random-plies")
            settings.randomPlies = static_cast<int>(whole(0, MostRandomPlies));
        else if (name == "--out")
            settings.out = value;
        else if (name == "--openings")
            settings.openings = value;
        else
            return false;
    }
    return argc % 2 == 1 && settings.seed >= 0 && settings.games > 0 && settings.play.nodes > 0 &&
           settings.randomPlies >= 0 && !settings.out.empty();
}

int check() {
    Board board;
    Lawyer lawyer(board);
    board.addObserver(&lawyer);
    for (std::string fen; std::getline(std::cin, fen);) {
        if (!isPlayablePosition(fen) || !board.setFen(fen)) {
            std::cout << "unplayable\n";
            continue;
        }
        std::cout << board.toFen() << (lawyer.inCheck(board.sideToMove()) ? " check" : "") << '\n';
    }
    return 0;
}

int generate(const Settings& settings) {
    std::vector<OpeningLine> openings;
    std::string error;
    if (!settings.openings.empty() && !readOpenings(settings.openings, openings, error)) {
        std::cerr << "qorat-datagen: " << error << '\n';
        return 1;
    }
    std::ofstream out(settings.out, std::ios::binary);
    if (!out) {
        std::cerr << "qorat-datagen: cannot write " << settings.out << '\n';
        return 1;
    }
    writeHeader(out);
    const auto start = std::chrono::steady_clock::now();
    SelfPlay selfPlay(settings.play);
    std::vector<Record> records;
    long long positions = 0;
    // Games by their result for Red: lost, drawn, won.
    long long byResult[3] = {};
    for (long long game = 0; game < settings.games; ++game) {
        GameRandom random(static_cast<std::uint64_t>(settings.seed), static_cast<std::uint64_t>(game));
        startGame(selfPlay.board(), selfPlay.lawyer(), openings, settings.randomPlies, random);
        records.clear();
        ++byResult[static_cast<int>(selfPlay.play(records))];
        for (const Record& record : records) writeRecord(out, record);
        positions += static_cast<long long>(records.size());
    }
    out.close();
    if (!out) {
        std::cerr << "qorat-datagen: writing " << settings.out << " failed\n";
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cerr << settings.games << " games (Red " << byResult[2] << " won, " << byResult[1] << " drawn, " << byResult[0]
              << " lost), " << positions << " positions in " << seconds << " s\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    fillKeyTables(KeySeed);
    if (argc == 2 && std::string(argv[1]) == "check") return check();
    Settings settings;
    if (!readSettings(argc, argv, settings)) return usage();
    return generate(settings);
}
