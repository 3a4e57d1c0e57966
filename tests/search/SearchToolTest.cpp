// zinsearch-dump's output contract, through the tool itself, and the go-to
// box's parsing.
#include "platform/Files.h"
#include "search/ZinGoTo.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"
#include <gtest/gtest.h>

namespace zin::test {
namespace {

class SearchToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!FileExists(ExecutableDir() + "zinsearch-dump"))
            GTEST_SKIP() << "zinsearch-dump is not built";
    }
    TempDir Dir;
};

TEST_F(SearchToolTest, Contract)
{
    // Lines: "ab cd" (0-6 with CR LF), "AB" (7-9 with LF), "xab" (10-12).
    const std::string f = Dir.Write("f.txt", "ab cd\r\nAB\nxab");
    struct Case {
        std::string args;
        std::vector<std::string> out;
    } cases[] = {
        {"--all ab",
         {R"({"codepage":1252,"matches":3})", R"({"filepos":0,"length":2,"line":0,"linepos":0})",
          R"({"filepos":7,"length":2,"line":1,"linepos":0})", R"({"filepos":11,"length":2,"line":2,"linepos":1})"}},
        {"--all --case --word ab", {R"({"codepage":1252,"matches":1})", R"({"filepos":0,"length":2,"line":0,"linepos":0})"}},
        // Forward from a match's first byte finds it; a line's first byte in
        // the file's first half belongs to that line.
        {"--from 7 ab", {R"({"codepage":1252,"matches":null})", R"({"filepos":7,"length":2,"line":1,"linepos":0})"}},
        {"--from 8 ab", {R"({"codepage":1252,"matches":null})", R"({"filepos":11,"length":2,"line":2,"linepos":1})"}},
        // Backward: the last match that ends at or before --from (default: the end).
        {"--back --from 9 ab", {R"({"codepage":1252,"matches":null})", R"({"filepos":7,"length":2,"line":1,"linepos":0})"}},
        {"--back --from 8 ab", {R"({"codepage":1252,"matches":null})", R"({"filepos":0,"length":2,"line":0,"linepos":0})"}},
        {"--back ab", {R"({"codepage":1252,"matches":null})", R"({"filepos":11,"length":2,"line":2,"linepos":1})"}},
        {"--back --from 1 ab", {R"({"codepage":1252,"matches":null})"}},
        {"--all --regex '^\\w'",
         {R"({"codepage":1252,"matches":3})", R"({"filepos":0,"length":1,"line":0,"linepos":0})",
          R"({"filepos":7,"length":1,"line":1,"linepos":0})", R"({"filepos":10,"length":1,"line":2,"linepos":0})"}},
        // A forced code page: the bytes of "ab" are other letters in EBCDIC.
        {"--codepage 37 --all ab", {R"({"codepage":37,"matches":0})"}},
    };
    for (const Case& c : cases) {
        const TToolRun r = RunTool("zinsearch-dump", c.args + " " + f);
        EXPECT_EQ(r.Status, 0) << c.args << r.Err;
        EXPECT_EQ(r.Out, c.out) << c.args;
    }
    // A UTF-16 file is searched as UTF-16 (the load's guess).
    const std::string u = Dir.Write("u.txt", std::string("\xFF\xFEh\0i\0\n\0h\0i\0", 12));
    EXPECT_EQ(RunTool("zinsearch-dump", "--all hi " + u).Out,
              (std::vector<std::string>{R"({"codepage":1200,"matches":2})",
                                        R"({"filepos":2,"length":4,"line":0,"linepos":2})",
                                        R"({"filepos":8,"length":4,"line":1,"linepos":0})"}));
    // Errors: the engine's message, status 1; a malformed command, 2.
    const TToolRun bad = RunTool("zinsearch-dump", "--regex 'a(' " + f);
    EXPECT_EQ(bad.Status, 1);
    EXPECT_NE(bad.Err.find("missing closing parenthesis"), std::string::npos) << bad.Err;
    EXPECT_EQ(RunTool("zinsearch-dump", "--from x ab " + f).Status, 2);
    EXPECT_EQ(RunTool("zinsearch-dump", "ab " + Dir.Path() + "missing.txt").Status, 1);
}

TEST(GoToTest, Parsing)
{
    auto g = ParseGoTo(" 12 ", 100, 5000);
    EXPECT_EQ(g.Kind, TGoTo::TKind::Line);
    EXPECT_EQ(g.Line, 11);
    EXPECT_FALSE(g.HasColumn);
    EXPECT_FALSE(g.Clamped);
    g = ParseGoTo("3:7", 100, 5000);
    EXPECT_EQ(g.Line, 2);
    EXPECT_EQ(g.Column, 6);
    EXPECT_TRUE(g.HasColumn);
    g = ParseGoTo("0x1F", 100, 5000);
    EXPECT_EQ(g.Kind, TGoTo::TKind::Offset);
    EXPECT_EQ(g.Offset, 31u);
    // Out of range: to the nearest end, reported.
    g = ParseGoTo("250", 100, 5000);
    EXPECT_EQ(g.Line, 99);
    EXPECT_TRUE(g.Clamped);
    g = ParseGoTo("0:0", 100, 5000);
    EXPECT_EQ(g.Line, 0);
    EXPECT_EQ(g.Column, 0);
    EXPECT_TRUE(g.Clamped);
    g = ParseGoTo("99999999999999999999999", 100, 5000);
    EXPECT_EQ(g.Line, 99);
    EXPECT_TRUE(g.Clamped);
    g = ParseGoTo("0xFFFFFFFFFFFFFFFFFF", 100, 5000);
    EXPECT_EQ(g.Offset, 5000u);
    EXPECT_TRUE(g.Clamped);
    for (const char* bad : {"", "x", "1:", ":3", "0x", "0xG", "-1", "1:2:3", "1.5"})
        EXPECT_EQ(ParseGoTo(bad, 100, 5000).Kind, TGoTo::TKind::Invalid) << bad;
}

}  // namespace
}  // namespace zin::test
