// The table of the engine settings the front ends offer, and how each protocol names, shows
// and reads them.
#include "protocol/engine_settings.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "board/notation.h"
#include "nnue/net_file.h"
#include "protocol/number_text.h"
#include "search/modern_engine.h"
#include "search/search_pool.h"
#include "search/skill.h"
#include "search/time_manager.h"

namespace qorat {

namespace {

// A setting's name under one protocol and its place among the lines that protocol is sent;
// without a name the protocol has no such setting, at place 0 it understands it unasked.
struct Offer {
    const char* name = nullptr;
    int place = 0;
};

// Whether a change alters what the engine searches with, or only how the game is played.
enum class Reach : std::uint8_t { Play, Search };

struct Row {
    Setting setting;
    Reach reach;
    Offer uci;
    Offer xboard;
    SettingType type;
};

using enum Setting;

// Every setting once, in the order of the enum. The table's size is offered to xboard only
// as "memory", which xboard sends before every game and which would undo a size chosen in
// the engine's settings; "Hash size (MB)" is still understood, from scripts that send it.
// Hash's default is the size the engine's table starts with; its most, what a player's
// machine can spare. Ponder only tells that the front end may ask for pondering. The net's
// file comes before the choice of the net, so that a front end that sends the settings in
// the order shown names the file before the net is read.
constexpr Row table[] = {
    // setting     reaches        UCI name, place       xboard name, place         type: default, range
    {Hash,         Reach::Search, {"Hash", 1},          {"Hash size (MB)", 0},     Spin{ModernEngine::DefaultTableMegabytes, 1, ModernEngine::MaxTableMegabytes}},
    {Threads,      Reach::Search, {"Threads", 2},       {},                        Spin{1, 1, SearchPool::MaxThreads}},
    {Ponder,       Reach::Play,   {"Ponder", 3},        {},                        Check{false}},
    {MoveOverhead, Reach::Play,   {"Move Overhead", 4}, {"Move overhead (ms)", 5}, Spin{TimeManager::DefaultMoveOverhead, 0, 5000}},
    {OwnBook,      Reach::Play,   {"OwnBook", 5},       {},                        Check{true}},
    {BookFile,     Reach::Search, {"Book File", 6},     {"Book file", 4},          Text{"", true}},
    {ClearHash,    Reach::Play,   {"Clear Hash", 7},    {},                        Button{}},
    {Search,       Reach::Search, {},                   {"Search", 1},             Combo{"pvs", "pvs mtd alphabeta negascout"}},
    {HashTable,    Reach::Search, {},                   {"Hash table", 2},         Check{true}},
    {OpeningBook,  Reach::Search, {},                   {"Opening book", 3},       Check{true}},
    {Resign,       Reach::Play,   {},                   {"Resign", 6},             Check{false}},
    {OfferDraw,    Reach::Play,   {},                   {"Offer draw", 7},         Check{false}},
    {MultiPv,      Reach::Search, {"MultiPV", 8},       {"MultiPV", 8},            Spin{1, 1, SearchPool::MaxMultiPv}},
    {SkillLevel,   Reach::Search, {"Skill Level", 9},   {"Skill Level", 9},        Spin{Skill::MaxLevel, 0, Skill::MaxLevel}},
    {LimitStrength, Reach::Search, {"UCI_LimitStrength", 10}, {},                  Check{false}},
    {Elo,          Reach::Search, {"UCI_Elo", 11},      {},                        Spin{Skill::HighestElo, Skill::LowestElo, Skill::HighestElo}},
    {ShowWdl,      Reach::Play,   {"UCI_ShowWDL", 12},  {},                        Check{false}},
    {EvalFile,     Reach::Search, {"EvalFile", 13},     {"EvalFile", 10},          Text{DefaultNetFile, true}},
    {Evaluation,   Reach::Search, {"Evaluation", 14},   {"Evaluation", 11},        Combo{"classic", "classic net"}},
};

constexpr std::size_t SettingCount = std::size(table);

constexpr bool inEnumOrder() {
    for (std::size_t i = 0; i < SettingCount; ++i)
        if (table[i].setting != static_cast<Setting>(i)) return false;
    return true;
}
static_assert(inEnumOrder(), "each setting's row stands at its place in the enum");

// Each protocol's places run from 1 up, each taken once.
constexpr bool placesInSequence(Offer Row::*offer) {
    int listed = 0;
    for (const Row& row : table) listed += (row.*offer).place > 0 ? 1 : 0;
    for (int place = 1; place <= listed; ++place) {
        int taken = 0;
        for (const Row& row : table) taken += (row.*offer).place == place ? 1 : 0;
        if (taken != 1) return false;
    }
    return true;
}
static_assert(placesInSequence(&Row::uci) && placesInSequence(&Row::xboard), "places run 1, 2, 3, ... once each");

template <class... Cases>
struct Overloaded : Cases... {
    using Cases::operator()...;
};
template <class... Cases>
Overloaded(Cases...) -> Overloaded<Cases...>;

std::size_t indexOf(Setting setting) { return static_cast<std::size_t>(setting); }

const Row& rowOf(Setting setting) { return table[indexOf(setting)]; }

const Offer& offerOf(const Row& row, Dialect protocol) { return protocol == Dialect::Uci ? row.uci : row.xboard; }

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::vector<std::string_view> choicesOf(const Combo& combo) {
    std::vector<std::string_view> choices;
    for (std::string_view rest = combo.choices; !rest.empty();) {
        const std::size_t space = std::min(rest.find(' '), rest.size());
        if (space > 0) choices.push_back(rest.substr(0, space));
        rest.remove_prefix(std::min(space + 1, rest.size()));
    }
    return choices;
}

SettingValue initialValue(const SettingType& type) {
    return std::visit(Overloaded{[](const Spin& spin) -> SettingValue { return spin.initial; },
                                 [](const Check& check) -> SettingValue { return check.initial; },
                                 [](const Combo& combo) -> SettingValue { return std::string(combo.initial); },
                                 [](const Text& text) -> SettingValue { return std::string(text.initial); },
                                 [](const Button&) -> SettingValue { return std::monostate{}; }},
                      type);
}

// The rows the protocol offers, in their places.
std::vector<const Row*> offered(Dialect protocol) {
    std::vector<const Row*> rows;
    for (const Row& row : table)
        if (offerOf(row, protocol).place > 0) rows.push_back(&row);
    std::sort(rows.begin(), rows.end(),
              [&](const Row* a, const Row* b) { return offerOf(*a, protocol).place < offerOf(*b, protocol).place; });
    return rows;
}

}  // namespace

EngineSettings::EngineSettings() : handlers(SettingCount), followed(SettingCount) {
    for (const Row& row : table) values.push_back(initialValue(row.type));
}

void EngineSettings::bind(Setting setting, Handler handler) { handlers[indexOf(setting)] = std::move(handler); }

void EngineSettings::follow(Setting setting, std::function<SettingValue()> current) {
    followed[indexOf(setting)] = std::move(current);
}

void EngineSettings::set(Setting setting, SettingValue value) {
    const std::size_t i = indexOf(setting);
    if (value.index() != values[i].index()) throw std::logic_error("a setting set to a value of another type");
    // The one clamp of every way a number reaches the setting.
    if (const Spin* spin = std::get_if<Spin>(&rowOf(setting).type))
        value = std::clamp(std::get<long long>(value), spin->low, spin->high);
    if (handlers[i] && !handlers[i](value)) return;
    values[i] = std::move(value);
}

bool EngineSettings::setFromText(Setting setting, const std::string& text, Dialect protocol) {
    using Read = std::optional<SettingValue>;
    Read value = std::visit(
        Overloaded{[&](const Spin&) -> Read {
                       const std::optional<long long> number = readWholeNumber(text);
                       return number ? Read(*number) : std::nullopt;
                   },
                   [&](const Check&) -> Read { return text == (protocol == Dialect::Uci ? "true" : "1"); },
                   [&](const Combo& combo) -> Read {
                       const std::vector<std::string_view> choices = choicesOf(combo);
                       if (std::find(choices.begin(), choices.end(), text) == choices.end()) return std::nullopt;
                       return text;
                   },
                   [&](const Text&) -> Read { return text; },
                   [&](const Button&) -> Read { return std::monostate{}; }},
        rowOf(setting).type);
    if (!value) return false;
    set(setting, std::move(*value));
    return true;
}

std::optional<Setting> EngineSettings::find(const std::string& name, Dialect protocol) const {
    const std::string wanted = protocol == Dialect::Uci ? lowerCase(name) : name;
    for (const Row& row : table) {
        const char* own = offerOf(row, protocol).name;
        if (own != nullptr && wanted == (protocol == Dialect::Uci ? lowerCase(own) : own)) return row.setting;
    }
    return std::nullopt;
}

SettingValue EngineSettings::current(Setting setting) const {
    const std::size_t i = indexOf(setting);
    return followed[i] ? followed[i]() : values[i];
}

long long EngineSettings::number(Setting setting) const { return std::get<long long>(current(setting)); }

bool EngineSettings::on(Setting setting) const { return std::get<bool>(current(setting)); }

std::string EngineSettings::text(Setting setting) const { return std::get<std::string>(current(setting)); }

bool EngineSettings::reachesSearch(Setting setting) const { return rowOf(setting).reach == Reach::Search; }

std::string EngineSettings::optionLines(Dialect protocol) const {
    const bool uci = protocol == Dialect::Uci;
    std::string lines;
    for (const Row* row : offered(protocol)) {
        const Setting setting = row->setting;
        const std::string described = std::visit(
            Overloaded{[&](const Spin& spin) {
                           // UCI names each number; xboard gives them in this order.
                           std::string line = uci ? "spin default " : "-spin ";
                           line += std::to_string(number(setting));
                           line += uci ? " min " : " ";
                           line += std::to_string(spin.low);
                           line += uci ? " max " : " ";
                           line += std::to_string(spin.high);
                           return line;
                       },
                       [&](const Check&) {
                           return uci ? std::string("check default ") + (on(setting) ? "true" : "false")
                                      : std::string("-check ") + (on(setting) ? "1" : "0");
                       },
                       // xboard marks the choice in force with a star.
                       [&](const Combo& combo) {
                           const std::string current = text(setting);
                           std::string line = uci ? "combo default " + current : "-combo";
                           for (std::string_view choice : choicesOf(combo)) {
                               const std::string name(choice);
                               if (uci)
                                   line += " var " + name;
                               else
                                   line += (line == "-combo" ? " " : " /// ") + (name == current ? "*" + name : name);
                           }
                           return line;
                       },
                       // UCI has no file type, and writes an empty text so.
                       [&](const Text& kind) {
                           const std::string value = printableText(text(setting));
                           if (uci) return "string default " + (value.empty() ? std::string("<empty>") : value);
                           return std::string(kind.file ? "-file " : "-string ") + value;
                       },
                       [&](const Button&) { return std::string(uci ? "button" : "-button"); }},
            row->type);
        lines += uci ? "option name " : "feature option=\"";
        lines += offerOf(*row, protocol).name;
        lines += uci ? " type " : " ";
        lines += described;
        lines += uci ? "\n" : "\"\n";
    }
    return lines;
}

}  // namespace qorat
