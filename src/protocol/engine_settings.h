// The engine settings the front ends offer, each declared once in engine_settings.cpp with its
// type, default and range and its names under UCI and xboard: the protocols' option lines are
// written from it, and every change, from either protocol or the console, is clamped there
// once and handed to what the setting does.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qorat {

// One name for each row of the table.
enum class Setting : std::uint8_t {
    Hash,
    Threads,
    Ponder,
    MoveOverhead,
    OwnBook,
    BookFile,
    ClearHash,
    Search,
    HashTable,
    OpeningBook,
    Resign,
    OfferDraw,
    MultiPv,
    SkillLevel,
    LimitStrength,
    Elo,
    ShowWdl,
    EvalFile,
    Evaluation,
};

// The types of setting, with their defaults and ranges.
struct Spin {
    long long initial, low, high;
};
struct Check {
    bool initial;
};
// The choices, separated by spaces.
struct Combo {
    std::string_view initial, choices;
};
// A line of text; a file's path, which xboard lets the person browse for.
struct Text {
    std::string_view initial;
    bool file;
};
struct Button {};
using SettingType = std::variant<Spin, Check, Combo, Text, Button>;

// A setting's value: a spin's number, a check's state, a combo's choice or a text; a button
// has none.
using SettingValue = std::variant<std::monostate, long long, bool, std::string>;

// The two protocols that offer the settings, each with its names and its words for them.
enum class Dialect : std::uint8_t { Uci, XBoard };

class EngineSettings {
public:
    // What a change does, installed by the part of the program that owns what it changes;
    // false when it cannot be carried out, and the setting keeps the value it had.
    using Handler = std::function<bool(const SettingValue&)>;

    EngineSettings();

    void bind(Setting setting, Handler handler);
    // For a setting whose value is held by what it sets (the book in use, the search chosen),
    // also when changed another way: read from there.
    void follow(Setting setting, std::function<SettingValue()> current);

    // Sets a value of the setting's type, a number first kept within its range.
    void set(Setting setting, SettingValue value);
    // Reads the text as the protocol writes the setting's values and sets it; false, with
    // nothing changed, when it is none (a spin's text with no number, a combo's unknown choice).
    bool setFromText(Setting setting, const std::string& text, Dialect protocol);
    // The setting of that name under the protocol (UCI's in any case), also one the protocol
    // understands but does not offer; nothing when there is none.
    std::optional<Setting> find(const std::string& name, Dialect protocol) const;

    // The value as it stands: a spin's, a check's, a combo's choice or a text.
    long long number(Setting setting) const;
    bool on(Setting setting) const;
    std::string text(Setting setting) const;
    // Whether a change alters what the engine searches with, so that an analysis under way
    // starts again under it; the others only change how the game is played.
    bool reachesSearch(Setting setting) const;

    // The settings the protocol offers, each with its value as it stands: UCI's "option name
    // ..." lines of its answer to "uci", xboard's "feature option=..." lines of its features.
    std::string optionLines(Dialect protocol) const;

private:
    // The value as it stands: where it is held when followed, else as last set.
    SettingValue current(Setting setting) const;

    std::vector<SettingValue> values;
    std::vector<Handler> handlers;
    std::vector<std::function<SettingValue()>> followed;
};

}  // namespace qorat
