// Polling and reading standard input, with the descriptor replaced by a pipe the test writes.
#include <gtest/gtest.h>

#include <unistd.h>

#include "protocol/interface.h"

namespace qorat {
namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedInput = dup(0);
        ASSERT_EQ(pipe(fds), 0);
        ASSERT_EQ(dup2(fds[0], 0), 0);
        close(fds[0]);
        interface = std::make_unique<Interface>(nullptr);
    }
    void TearDown() override {
        interface.reset();
        if (fds[1] >= 0) close(fds[1]);
        dup2(savedInput, 0);
        close(savedInput);
    }
    void write(const std::string& text) { ASSERT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size())); }
    void closeInput() {
        close(fds[1]);
        fds[1] = -1;
    }

    int savedInput = -1;
    int fds[2] = {-1, -1};
    std::unique_ptr<Interface> interface;
};

TEST_F(InputTest, NothingWaiting) {
    EXPECT_FALSE(interface->inputPending());
    EXPECT_FALSE(interface->inputEnded());
}

TEST_F(InputTest, LinesAsSent) {
    write("h2e2\nh9g7\r\n\n");
    ASSERT_TRUE(interface->inputPending());
    EXPECT_EQ(interface->readLine(), "h2e2");
    // The rest of the same write waits in the buffer; the poll must still see it.
    ASSERT_TRUE(interface->inputPending());
    // One carriage return before the newline is dropped.
    EXPECT_EQ(interface->readLine(), "h9g7");
    ASSERT_TRUE(interface->inputPending());
    EXPECT_EQ(interface->readLine(), "");
    EXPECT_FALSE(interface->inputPending());
}

TEST_F(InputTest, LastLineWithoutNewlineThenTheEnd) {
    write("quit");
    closeInput();
    ASSERT_TRUE(interface->inputPending());
    EXPECT_EQ(interface->readLine(), "quit");
    EXPECT_TRUE(interface->inputEnded());
    EXPECT_TRUE(interface->inputPending());
    EXPECT_EQ(interface->readLine(), "");
}

TEST_F(InputTest, BinaryBytesPassThrough) {
    const std::string bytes("a\0b\xff", 4);
    write(bytes + "\n");
    EXPECT_EQ(interface->readLine(), bytes);
}

TEST_F(InputTest, OutputStateFollowsTheProtocolChosen) {
    // Only the option's own values choose a state; any other leaves the one in use.
    interface->setInterface("cxboard");
    EXPECT_NE(dynamic_cast<CXBoardState*>(&interface->current()), nullptr);
    interface->setInterface("console");
    EXPECT_NE(dynamic_cast<CXBoardState*>(&interface->current()), nullptr);
    interface->setInterface("user");
    EXPECT_NE(dynamic_cast<UserState*>(&interface->current()), nullptr);
}

}  // namespace
}  // namespace qorat
