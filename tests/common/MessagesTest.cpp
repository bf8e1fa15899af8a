#include "common/Messages.h"

#include <gtest/gtest.h>

#include <string>

#include "support/MessageRecorder.h"

namespace torvask {
namespace {

TEST(Messages, FormatMessageReachesTheSinkFormatted) {
    testing::MessageRecorder recorder;
    formatMessage("ERROR: %s %d", "lap", 7);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0], "ERROR: lap 7");
}

TEST(Messages, TextIsCutAt2047Characters) {
    struct Case {
        std::size_t length;
        std::size_t expected;
    };
    const Case cases[] = {{2046, 2046}, {2047, 2047}, {2048, 2047}, {5000, 2047}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        testing::MessageRecorder recorder;
        const std::string long_text(c.length, 'x');
        formatMessage("%s", long_text.c_str());
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0], std::string(c.expected, 'x'));

        statusText().clear();
        appendStatus("%s", long_text.c_str());
        appendStatus("%s", long_text.c_str());
        EXPECT_EQ(statusText(), std::string(2 * c.expected, 'x'));
    }
    statusText().clear();
}

TEST(Messages, AppendStatusAccumulatesUntilRestarted) {
    statusText() = "Mode: User Control\r\n\r\n";
    appendStatus("Speed: %6.2f", 12.5);
    appendStatus("|%d", 3);
    EXPECT_EQ(statusText(), "Mode: User Control\r\n\r\nSpeed:  12.50|3");
    statusText().clear();
}

TEST(Messages, RecorderRestoresThePreviousSink) {
    testing::MessageRecorder outer;
    {
        testing::MessageRecorder inner;
        formatMessage("inner");
        EXPECT_EQ(inner.messages.size(), 1u);
    }
    formatMessage("outer");
    ASSERT_EQ(outer.messages.size(), 1u);
    EXPECT_EQ(outer.messages[0], "outer");
}

}  // namespace
}  // namespace torvask
