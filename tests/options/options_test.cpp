// The option store, the command-line flags, the option commands and the word splitter.
#include <gtest/gtest.h>

#include <map>

#include "options/options.h"
#include "protocol/command_handler.h"

namespace qorat {
namespace {

struct Recorder : OptionsObserver {
    std::vector<std::string>* log;
    std::string tag;
    Recorder(std::vector<std::string>* l, std::string t) : log(l), tag(std::move(t)) {}
    void optionChanged(std::string name) override { log->push_back(tag + ":" + name); }
};

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        options = Options();
        options.addObserver(&first);
        options.addObserver(&second);
    }
    std::vector<std::string> log;
    Recorder first{&log, "1"};
    Recorder second{&log, "2"};
};

TEST_F(OptionsTest, StoreNotifiesEveryObserverInOrder) {
    EXPECT_EQ(options.get("post"), "");
    options.set("computerColor", "b");
    options.set("computerColor", "b");
    options.set("", "");
    options.set("whatever", "x");
    EXPECT_EQ(log, (std::vector<std::string>{"1:computerColor", "2:computerColor", "1:computerColor",
                                             "2:computerColor", "1:", "2:", "1:whatever", "2:whatever"}));
    EXPECT_EQ(options.get("whatever"), "x");
    EXPECT_EQ(options.get(""), "");
}

TEST_F(OptionsTest, CommandLine) {
    struct Case {
        std::vector<const char*> args;
        std::map<std::string, std::string> stored;
        int notifications;
    };
    const Case cases[] = {
        {{}, {}, 0},
        {{"-red", "-blue"}, {{"computerColor", "b"}}, 2},
        {{"-black"}, {{"computerColor", "b"}}, 1},
        {{"-cxboard", "-nobook"}, {{"interface", "cxboard"}, {"useOpeningBook", "n"}}, 2},
        {{"-depth", "8"}, {{"searchPly", "8"}}, 1},
        {{"-depth", "8x", "-red"}, {{"searchPly", ""}, {"computerColor", "r"}}, 1},
        {{"-depth", "-red"}, {{"searchPly", ""}, {"computerColor", ""}}, 0},
        {{"-depth", ""}, {{"searchPly", ""}}, 1},
        {{"-ts", "64"}, {{"tableSize", ""}}, 0},
        {{"-ts", "-red", "-blue"}, {{"computerColor", "b"}}, 1},
        {{"nonsense", "-red"}, {{"computerColor", "r"}}, 1},
        {{"-red", "-depth"}, {{"computerColor", "r"}, {"searchPly", ""}}, 1},
        {{"-ts"}, {}, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        log.clear();
        std::vector<const char*> argv = {"qorat"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        options.parseCommandLine(static_cast<int>(argv.size()), argv.data());
        for (const auto& [name, value] : c.stored) EXPECT_EQ(options.get(name), value) << name;
        EXPECT_EQ(static_cast<int>(log.size()), 2 * c.notifications);
    }
}

TEST_F(OptionsTest, OptionCommands) {
    struct Case {
        const char* line;
        bool taken;
        const char* name;
        const char* value;
    };
    const Case cases[] = {
        {"red", true, "computerColor", "b"},
        {"blue", true, "computerColor", "r"},
        {"black", true, "computerColor", "r"},
        {"force", true, "computerColor", "n"},
        {"cxboard", true, "interface", "cxboard"},
        {"console", true, "interface", "user"},
        {"sd", true, "searchPly", ""},
        {"sd 8 9", true, "searchPly", "8"},
        {"sd x", true, "searchPly", "x"},
        {"st 10", true, "st", "10"},
        {"post", true, "post", "on"},
        {"nopost", true, "post", "off"},
        {"set hash on", true, "hash", "on"},
        {"set hash", true, "hash", ""},
        {"set hash on extra", true, "hash", "on"},
        {" set hash on", true, "hash", "on"},
        {"  set hash on", true, "t", "hash"},
        {"set ", true, "", ""},
        {"set\thash\ton", true, "hash", "on"},
        {"  red", true, "computerColor", "b"},
    };
    for (const Case& c : cases) {
        SetUp();
        options.set("hash", "before");
        EXPECT_EQ(options.handleCommand(c.line), c.taken) << c.line;
        EXPECT_EQ(options.get(c.name), c.value) << c.line;
    }
}

TEST_F(OptionsTest, SetWithASpaceStoresTheEmptyName) {
    EXPECT_TRUE(options.handleCommand("set "));
    EXPECT_EQ(log, (std::vector<std::string>{"1:", "2:"}));
}

TEST_F(OptionsTest, CommandsThatStoreNothing) {
    for (const char* line : {"st", "level 40 5 0", "set"}) {
        log.clear();
        EXPECT_TRUE(options.handleCommand(line)) << line;
        EXPECT_TRUE(log.empty()) << line;
    }
    for (const char* line : {"Red", "redx", "", "quit", "h2e2", "settings x"}) {
        EXPECT_FALSE(options.handleCommand(line)) << line;
        EXPECT_TRUE(log.empty()) << line;
    }
}

TEST(SplitCommand, Words) {
    struct Case {
        const char* line;
        const char* command;
        std::vector<std::string> args;
        bool space;
    };
    const Case cases[] = {
        {"", "", {}, false},
        {"go", "go", {""}, false},
        {"go ", "go", {}, true},
        {"setboard a b", "setboard", {"a", "b"}, false},
        {"setboard a b ", "setboard", {"a", "b"}, true},
        {"setboard a b\r", "setboard", {"a", "b", "b"}, false},
        {"setboard", "setboard", {""}, false},
        {"setboard ", "setboard", {}, true},
        {"  time\tx", "time", {"x"}, false},
    };
    for (const Case& c : cases) {
        std::string command = "stale";
        std::vector<std::string> args = {"stale"};
        ::testing::internal::CaptureStderr();
        splitCommand(c.line, command, args);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(command, c.command) << c.line;
        EXPECT_EQ(args, c.args) << c.line;
        EXPECT_EQ(err, c.space ? "space\n" : "") << c.line;
    }
}

}  // namespace
}  // namespace qorat
