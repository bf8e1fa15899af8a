#include "neural/Pattern.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace torvask {
namespace {

TEST(PatternRead, ReadsIdInputsAndTargets) {
    std::istringstream in("12\t0.5\t1\t0.25\t0\n");
    PATTERN p(2, 2, in);
    EXPECT_EQ(p.getId(), 12);
    EXPECT_EQ(p.getInSize(), 2);
    EXPECT_EQ(p.getOutSize(), 2);
    EXPECT_EQ(p.getIn(0), 0.5);
    EXPECT_EQ(p.getIn(1), 1.0);
    EXPECT_EQ(p.getOut(0), 0.25);
    EXPECT_EQ(p.getOut(1), 0.0);
    EXPECT_TRUE(in.eof());
    EXPECT_FALSE(in.fail());
}

struct LineEndCase {
    const char* name;
    std::string text;
    bool eofAfterFirst;
    int nextId;  // id of the record after the first, when there is one
};

TEST(PatternRead, LineEndsAfterARecordAreConsumed) {
    const LineEndCase cases[] = {
        {"two newlines", "1 0.5 0.25\n\n", true, 0},
        {"one newline", "1 0.5 0.25\n", true, 0},
        {"no line end", "1 0.5 0.25", true, 0},
        {"CR LF", "1 0.5 0.25\r\n", true, 0},
        {"two CR LF", "1 0.5 0.25\r\n\r\n", true, 0},
        {"lone CR at end", "1 0.5 0.25\r", true, 0},
        {"next record", "1 0.5 0.25\n2 0.75 1\n", false, 2},
        {"next record after CR LF", "1 0.5 0.25\r\n2 0.75 1\r\n", false, 2},
    };
    for (const LineEndCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(c.text);
        PATTERN first(1, 1, in);
        EXPECT_EQ(first.getId(), 1);
        EXPECT_EQ(first.getIn(0), 0.5);
        EXPECT_EQ(first.getOut(0), 0.25);
        EXPECT_FALSE(in.fail());
        EXPECT_EQ(in.eof(), c.eofAfterFirst);
        if (!c.eofAfterFirst) {
            PATTERN second(1, 1, in);
            EXPECT_FALSE(in.fail());
            EXPECT_EQ(second.getId(), c.nextId);
            EXPECT_EQ(second.getOut(0), 1.0);
            EXPECT_TRUE(in.eof());
        }
    }
}

TEST(PatternRead, ARecordCutShortFailsTheStream) {
    const char* texts[] = {"", "3", "3 0.5", "3 0.5 x", "3\t0.5\t\n"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        std::istringstream in(text);
        PATTERN p(1, 1, in);
        EXPECT_TRUE(in.fail());
    }
}

struct SaveCase {
    const char* name;
    PATTERN pattern;
    std::string expected;
};

TEST(PatternSave, WritesTabsBetweenFieldsAndNoneAfterTheLastTarget) {
    const SaveCase cases[] = {
        {"two and two", PATTERN(12, {0.5, 1.0}, {0.25, 0.0}), "12\t0.5\t1\t0.25\t0\n"},
        {"one and one", PATTERN(3, {0.125}, {1.0}), "3\t0.125\t1\n"},
        {"default precision", PATTERN(1, {1.0 / 3.0}, {2.0 / 3.0}), "1\t0.333333\t0.666667\n"},
        {"no targets", PATTERN(5, {2.0}, {}), "5\t2\t\n"},
    };
    for (SaveCase c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream out;
        c.pattern.save(out);
        EXPECT_EQ(out.str(), c.expected);
    }
}

TEST(PatternSave, UsesTheStreamsCurrentPrecisionAndReadsBack) {
    PATTERN p(7, {0.1, -2.5e-7}, {0.9});
    std::ostringstream out;
    out.precision(18);
    p.save(out);
    EXPECT_EQ(out.str(), "7\t0.100000000000000006\t-2.49999999999999989e-07\t0.900000000000000022\n");
    std::istringstream in(out.str());
    PATTERN back(2, 1, in);
    EXPECT_EQ(back.getIn(0), 0.1);
    EXPECT_EQ(back.getIn(1), -2.5e-7);
    EXPECT_EQ(back.getOut(0), 0.9);
}

struct CopyCase {
    const char* name;
    int toIn;
    int toOut;
    bool inputsCopied;
    bool targetsCopied;
};

TEST(PatternCopy, EachSideIsCopiedOnlyWhenItsSizeAgrees) {
    const CopyCase cases[] = {
        {"5x3 into 5x2", 5, 2, true, false},
        {"5x3 into 4x3", 4, 3, false, true},
        {"5x3 into 5x3", 5, 3, true, true},
        {"5x3 into 1x1", 1, 1, false, false},
    };
    PATTERN from(9, {1, 2, 3, 4, 5}, {6, 7, 8});
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.name);
        PATTERN to(1, std::vector<double>(c.toIn, -4.0), std::vector<double>(c.toOut, -5.0));
        to.copyFrom(from);
        EXPECT_EQ(to.getId(), 1);
        for (int i = 0; i < c.toIn; ++i) EXPECT_EQ(to.getIn(i), c.inputsCopied ? i + 1.0 : -4.0);
        for (int i = 0; i < c.toOut; ++i) EXPECT_EQ(to.getOut(i), c.targetsCopied ? i + 6.0 : -5.0);
    }
}

TEST(PatternValue, CopiesAreIndependent) {
    PATTERN a(4, {1.0}, {2.0});
    PATTERN b(a);
    b.setIn(0, 5.0);
    b.setOut(0, 6.0);
    EXPECT_EQ(a.getIn(0), 1.0);
    EXPECT_EQ(a.getOut(0), 2.0);
    EXPECT_EQ(b.getId(), 4);
    EXPECT_EQ(b.getIn(0), 5.0);
    // Outside the arrays: -1.0, writes ignored.
    b.setIn(1, 3.0);
    EXPECT_EQ(b.getIn(1), -1.0);
    EXPECT_EQ(b.getOut(-1), -1.0);
}

TEST(PatternPrint, DumpsToStandardOutput) {
    PATTERN p(12, {0.5, 1.0}, {0.25, 0.0});
    ::testing::internal::CaptureStdout();
    p.print();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "ID: 12   In: 0.5 1    Out: 0.25 0 \n");
}

}  // namespace
}  // namespace torvask
