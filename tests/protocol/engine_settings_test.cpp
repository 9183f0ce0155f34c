// The table of engine settings: its names under each protocol, the one clamp every number
// goes through, the values it refuses, and the option lines it shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/engine_settings.h"

namespace qorat {
namespace {

// Settings whose handler records each value it is given.
struct Recorded {
    EngineSettings settings;
    std::vector<long long> given;
    explicit Recorded(Setting setting) {
        settings.bind(setting, [this](const SettingValue& value) {
            given.push_back(std::get<long long>(value));
            return true;
        });
    }
};

TEST(EngineSettings, TheSameTextGivesTheSameValueUnderEitherProtocol) {
    struct Case {
        const char* uciName;
        const char* xboardName;
        const char* text;
        long long held;
    };
    const Case cases[] = {
        {"Move Overhead", "Move overhead (ms)", "99999", 5000},
        {"Move Overhead", "Move overhead (ms)", "1e9", 5000},
        {"Move Overhead", "Move overhead (ms)", "-7", 0},
        {"Move Overhead", "Move overhead (ms)", "120.9", 120},
        {"Hash", "Hash size (MB)", "0", 1},
        {"Hash", "Hash size (MB)", "-99999999999999999999", 1},
        {"Hash", "Hash size (MB)", "4096", 1024},
        {"Hash", "Hash size (MB)", "64", 64},
    };
    for (const Case& c : cases) {
        for (const Dialect protocol : {Dialect::Uci, Dialect::XBoard}) {
            const char* name = protocol == Dialect::Uci ? c.uciName : c.xboardName;
            const std::optional<Setting> setting = EngineSettings().find(name, protocol);
            ASSERT_TRUE(setting) << name;
            Recorded recorded(*setting);
            EXPECT_TRUE(recorded.settings.setFromText(*setting, c.text, protocol)) << name << ' ' << c.text;
            EXPECT_EQ(recorded.settings.number(*setting), c.held) << name << ' ' << c.text;
            // What the setting does is told the value once, already within the range.
            EXPECT_EQ(recorded.given, std::vector<long long>{c.held}) << name << ' ' << c.text;
        }
    }
}

TEST(EngineSettings, XBoardMemoryAndCoresAndTheConsoleShareTheClamp) {
    // "memory" and "cores" under xboard and the console's numbers reach the same settings.
    struct Case {
        Setting setting;
        const char* text;
        long long held;
    };
    const Case cases[] = {
        {Setting::Hash, "0.5", 1}, {Setting::Hash, "2000", 1024}, {Setting::Threads, "0", 1},
        {Setting::Threads, "1000", 64}, {Setting::Threads, "3", 3},
    };
    for (const Case& c : cases) {
        Recorded fromText(c.setting);
        EXPECT_TRUE(fromText.settings.setFromText(c.setting, c.text, Dialect::XBoard)) << c.text;
        EXPECT_EQ(fromText.given, std::vector<long long>{c.held}) << c.text;
        Recorded fromNumber(c.setting);
        fromNumber.settings.set(c.setting, std::stoll(c.text));
        EXPECT_EQ(fromNumber.given, std::vector<long long>{c.held}) << c.text;
    }
}

TEST(EngineSettings, TextThatIsNoValueChangesNothing) {
    struct Case {
        Setting setting;
        const char* text;
        Dialect protocol;
    };
    const Case cases[] = {
        {Setting::MoveOverhead, "abc", Dialect::Uci},
        {Setting::MoveOverhead, "", Dialect::XBoard},
        {Setting::Hash, "x12", Dialect::XBoard},
        {Setting::Threads, "inf", Dialect::Uci},
        {Setting::Search, "MTD", Dialect::XBoard},
        {Setting::Search, "", Dialect::XBoard},
        {Setting::Evaluation, "Net", Dialect::XBoard},
        {Setting::Evaluation, "nnue", Dialect::Uci},
    };
    for (const Case& c : cases) {
        EngineSettings settings;
        bool called = false;
        settings.bind(c.setting, [&](const SettingValue&) { return called = true; });
        const std::string before = settings.optionLines(Dialect::Uci) + settings.optionLines(Dialect::XBoard);
        EXPECT_FALSE(settings.setFromText(c.setting, c.text, c.protocol)) << c.text;
        EXPECT_FALSE(called) << c.text;
        EXPECT_EQ(settings.optionLines(Dialect::Uci) + settings.optionLines(Dialect::XBoard), before) << c.text;
    }
}

TEST(EngineSettings, EachProtocolTicksABoxInItsOwnWords) {
    struct Case {
        const char* text;
        Dialect protocol;
        bool on;
    };
    const Case cases[] = {
        {"true", Dialect::Uci, true},    {"false", Dialect::Uci, false}, {"1", Dialect::Uci, false},
        {"TRUE", Dialect::Uci, false},   {"1", Dialect::XBoard, true},   {"0", Dialect::XBoard, false},
        {"true", Dialect::XBoard, false}, {"", Dialect::XBoard, false},
    };
    for (const Case& c : cases) {
        EngineSettings settings;
        // Both start the other way, so that each case shows a change.
        settings.set(Setting::OwnBook, !c.on);
        settings.set(Setting::Resign, !c.on);
        const Setting setting = c.protocol == Dialect::Uci ? Setting::OwnBook : Setting::Resign;
        EXPECT_TRUE(settings.setFromText(setting, c.text, c.protocol)) << c.text;
        EXPECT_EQ(settings.on(setting), c.on) << c.text;
    }
}

TEST(EngineSettings, AChangeThatCannotBeMadeKeepsTheValue) {
    EngineSettings settings;
    settings.bind(Setting::Hash, [](const SettingValue& megabytes) { return std::get<long long>(megabytes) <= 64; });
    settings.set(Setting::Hash, 64LL);
    settings.set(Setting::Hash, 1024LL);
    EXPECT_EQ(settings.number(Setting::Hash), 64);
    EXPECT_NE(settings.optionLines(Dialect::Uci).find("option name Hash type spin default 64 min 1 max 1024\n"), std::string::npos);
}

TEST(EngineSettings, Names) {
    struct Case {
        const char* name;
        Dialect protocol;
        std::optional<Setting> found;
    };
    const Case cases[] = {
        {"move overhead", Dialect::Uci, Setting::MoveOverhead},
        {"CLEAR HASH", Dialect::Uci, Setting::ClearHash},
        {"Book File", Dialect::Uci, Setting::BookFile},
        {"Move Overhead ", Dialect::Uci, std::nullopt},
        {"Search", Dialect::Uci, std::nullopt},
        {"Hash size (MB)", Dialect::Uci, std::nullopt},
        {"Move overhead (ms)", Dialect::XBoard, Setting::MoveOverhead},
        {"move overhead (ms)", Dialect::XBoard, std::nullopt},
        {"Hash size (MB)", Dialect::XBoard, Setting::Hash},
        {"Book file", Dialect::XBoard, Setting::BookFile},
        {"Hash", Dialect::XBoard, std::nullopt},
        {"OwnBook", Dialect::XBoard, std::nullopt},
        {"", Dialect::XBoard, std::nullopt},
        {"evalfile", Dialect::Uci, Setting::EvalFile},
        {"EvalFile", Dialect::XBoard, Setting::EvalFile},
        {"Evaluation", Dialect::XBoard, Setting::Evaluation},
        {"evaluation", Dialect::XBoard, std::nullopt},
    };
    const EngineSettings settings;
    for (const Case& c : cases) EXPECT_EQ(settings.find(c.name, c.protocol), c.found) << c.name;
    // Understood, but never offered: xboard's "memory" is the one table setting it shows.
    EXPECT_EQ(settings.optionLines(Dialect::XBoard).find("Hash size"), std::string::npos);
}

TEST(EngineSettings, LinesShowTheValuesAsTheyStand) {
    EngineSettings settings;
    std::string book;
    settings.follow(Setting::BookFile, [&] { return book; });
    settings.set(Setting::MoveOverhead, 120LL);
    settings.set(Setting::Search, std::string("mtd"));
    settings.set(Setting::OwnBook, false);
    settings.set(Setting::HashTable, false);
    struct Case {
        Dialect protocol;
        const char* line;
    };
    const Case cases[] = {
        {Dialect::Uci, "option name Move Overhead type spin default 120 min 0 max 5000\n"},
        {Dialect::Uci, "option name OwnBook type check default false\n"},
        {Dialect::Uci, "option name Book File type string default <empty>\n"},
        {Dialect::Uci, "option name Clear Hash type button\n"},
        {Dialect::XBoard, "feature option=\"Move overhead (ms) -spin 120 0 5000\"\n"},
        {Dialect::XBoard, "feature option=\"Search -combo pvs /// *mtd /// alphabeta /// negascout\"\n"},
        {Dialect::XBoard, "feature option=\"Hash table -check 0\"\n"},
        {Dialect::XBoard, "feature option=\"Book file -file \"\n"},
    };
    for (const Case& c : cases) EXPECT_NE(settings.optionLines(c.protocol).find(c.line), std::string::npos) << c.line;

    // The book shown is the one in use, its unprintable bytes escaped.
    book = "/books/\x1b.dat";
    EXPECT_NE(settings.optionLines(Dialect::Uci).find("option name Book File type string default /books/\\x1b.dat\n"),
              std::string::npos);
    EXPECT_NE(settings.optionLines(Dialect::XBoard).find("feature option=\"Book file -file /books/\\x1b.dat\"\n"),
              std::string::npos);
}

TEST(EngineSettings, AButtonIsPressedWhateverTheText) {
    EngineSettings settings;
    int presses = 0;
    settings.bind(Setting::ClearHash, [&](const SettingValue&) { return ++presses > 0; });
    for (const char* text : {"", "true", "anything"}) EXPECT_TRUE(settings.setFromText(Setting::ClearHash, text, Dialect::Uci));
    EXPECT_EQ(presses, 3);
}

}  // namespace
}  // namespace qorat
