// The store of named text options, its observers, and the text interpreters that write to it.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qorat {

class OptionsObserver {
public:
    virtual void optionChanged(std::string name) = 0;

protected:
    ~OptionsObserver() = default;
};

class Options {
public:
    // Stores the value and tells every observer, in registration order, which name changed.
    void set(const std::string& name, const std::string& value);
    // The stored value; empty when the name was never set.
    std::string get(const std::string& name) const;
    void addObserver(OptionsObserver* observer);
    // An observer about to go is told nothing more.
    void removeObserver(OptionsObserver* observer);

    // Turns the command-line flags into options.
    void parseCommandLine(int argc, const char* const* argv);
    // Carries out an option command; false when the line is not one.
    bool handleCommand(const std::string& line);
    // Reads a name and a value from the text of a "set" line and stores them.
    void parseSet(const std::string& text);

private:
    std::map<std::string, std::string> values;
    std::vector<OptionsObserver*> observers;
};

// The one store of the program.
extern Options options;

}  // namespace qorat
