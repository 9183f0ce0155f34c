// The store of named text options and its observers.
#include "options/options.h"

namespace qorat {

Options options;

void Options::set(const std::string& name, const std::string& value) {
    values[name] = value;
    for (OptionsObserver* observer : observers) observer->optionChanged(name);
}

std::string Options::get(const std::string& name) const {
    const auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
}

void Options::addObserver(OptionsObserver* observer) { observers.push_back(observer); }

void Options::removeObserver(OptionsObserver* observer) { std::erase(observers, observer); }

}  // namespace qorat
