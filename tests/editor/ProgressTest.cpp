// Progress reports from the line store through the control while a file is
// loaded, re-decoded and its rows rebuilt: increasing byte counts within the
// file's size, each heard while the control says it is working.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditTestUtil.h"

namespace zin::test {
namespace {

class ProgressTest : public EditTest {
protected:
    struct TReport {
        uint64_t Done, Total;
        bool Working;
    };
    std::vector<TReport> Reports;

    void Listen()
    {
        Edit->OnProgress = [this](uint64_t done, uint64_t total) {
            Reports.push_back({done, total, Edit->Working()});
        };
    }
    // Every report was made while working, within the total, in increasing
    // order; and there were at least `atLeast` of them.
    void ExpectReports(uint64_t total, size_t atLeast)
    {
        ASSERT_GE(Reports.size(), atLeast);
        uint64_t last = 0;
        for (const TReport& r : Reports) {
            EXPECT_TRUE(r.Working);
            EXPECT_EQ(r.Total, total);
            EXPECT_GT(r.Done, last);
            EXPECT_LE(r.Done, total);
            last = r.Done;
        }
        EXPECT_FALSE(Edit->Working());
        Reports.clear();
    }
};

// Short lines of printable ASCII (the one-loop route), lines with tabs and
// non-ASCII characters (the general route) and one line without a newline
// (rows cut by the byte limit) all report every few MiB.
TEST_F(ProgressTest, LoadReportsIncreasingBytesWhileWorking)
{
    Listen();
    const struct {
        const char* Name;
        std::string Line;
    } kinds[] = {
        {"ascii.txt", std::string(70, 'a') + "\r\n"},
        {"mixed.txt", "\tcaf\xC3\xA9 " + std::string(60, 'b') + "\n"},
        {"oneline.txt", std::string(1000, 'c')},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.Name);
        std::string bytes;
        while (bytes.size() < (size_t{20} << 20))
            bytes += k.Line;
        ASSERT_TRUE(Load(bytes, k.Name));
        ExpectReports(bytes.size(), 3);
    }
}

// Switching the code page re-splits every line, and wrapping at the window
// rebuilds every row: both report too, and a load of a small file does not.
TEST_F(ProgressTest, RedecodeAndRowRebuildReport)
{
    std::string bytes;
    while (bytes.size() < (size_t{12} << 20))
        bytes += "zin\xE9 line of text " + std::to_string(bytes.size()) + "\n";
    ASSERT_TRUE(Load(bytes));
    Listen();
    Edit->SetCodePage(28591);
    ExpectReports(bytes.size(), 2);
    Edit->SetWordWrapMode(wwmWrapByWindow);
    ExpectReports(bytes.size(), 2);

    ASSERT_TRUE(Load("a small file\n"));
    EXPECT_TRUE(Reports.empty());
    EXPECT_FALSE(Edit->Working());
}

}  // namespace
}  // namespace zin::test
