// The examples of lines, rows, newlines and states through zinlines-dump,
// the tool's output being the user-visible contract.
#include <cstdio>

#include "support/TempDir.h"
#include "support/ToolRun.h"
#include "platform/Files.h"
#include <gtest/gtest.h>

namespace zin::test {
namespace {

TToolRun RunDump(const std::string& args)
{
    return RunTool("zinlines-dump", args);
}

class DumpToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!FileExists(ExecutableDir() + "zinlines-dump"))
            GTEST_SKIP() << "zinlines-dump is not built";
    }
    std::string File(std::string_view bytes, const std::string& name = "f.txt") { return Dir.Write(name, bytes); }
    TempDir Dir;
};

TEST_F(DumpToolTest, LinesAndNewlines)
{
    struct Case {
        std::string bytes;
        std::string args;
        std::vector<std::string> out;
    } cases[] = {
        {"a\r\nb\r\n", "",
         {R"({"size":6,"codepage":1252,"editmode":"text","newline":"DOS","lines":3,"rows":3,"maxrowwidth":8,"source":"memory","endstate":[0,0,0,0]})",
          R"({"len":3,"nl":2,"state":[0,0,0,0],"rows":[[0,8],[1,0]]})",
          R"({"len":3,"nl":2,"state":[0,0,0,0],"rows":[[0,8],[1,0]]})",
          R"({"len":0,"nl":0,"state":[0,0,0,0],"rows":[[0,0],[0,0]]})"}},
        {"a\rb\nc", "--summary",
         {R"({"size":5,"codepage":1252,"editmode":"text","newline":"Mac","lines":3,"rows":3,"maxrowwidth":8,"source":"memory","endstate":[0,0,0,0]})"}},
        {"\n", "--maxmem 0",
         {R"({"size":1,"codepage":1252,"editmode":"text","newline":"Unix","lines":2,"rows":2,"maxrowwidth":0,"source":"disk","endstate":[0,0,0,0]})",
          R"({"len":1,"nl":1,"state":[0,0,0,0],"rows":[[0,0],[0,0]]})",
          R"({"len":0,"nl":0,"state":[0,0,0,0],"rows":[[0,0],[0,0]]})"}},
        {std::string("\xFF\xFE\x61\x00\x0A\x00", 6), "--charwidth 7",
         {R"({"size":6,"codepage":1200,"editmode":"text","newline":"Unix","lines":2,"rows":2,"maxrowwidth":7,"source":"memory","endstate":[0,0,0,0]})",
          R"({"len":6,"nl":2,"state":[0,0,0,0],"rows":[[2,7],[4,0]]})",
          R"({"len":0,"nl":0,"state":[0,0,0,0],"rows":[[0,0],[0,0]]})"}},
        // The same file switched to 1252 after the load: 0A ends a line and
        // the 00 after it starts the next.
        {std::string("\xFF\xFE\x61\x00\x0A\x00", 6), "--codepage 1252",
         {R"({"size":6,"codepage":1252,"editmode":"text","newline":"Unix","lines":2,"rows":2,"maxrowwidth":32,"source":"memory","endstate":[0,0,0,0]})",
          R"({"len":5,"nl":1,"state":[0,0,0,0],"rows":[[0,32],[4,0]]})",
          R"({"len":1,"nl":0,"state":[0,0,0,0],"rows":[[0,8],[1,0]]})"}},
        {"", "--acp 1251",
         {R"({"size":0,"codepage":1251,"editmode":"text","newline":"DefaultDOS","lines":1,"rows":1,"maxrowwidth":0,"source":"none","endstate":[0,0,0,0]})",
          R"({"len":0,"nl":0,"state":[0,0,0,0],"rows":[[0,0],[0,0]]})"}},
        {std::string("ab\x01\n", 4), "",
         {R"({"size":4,"codepage":1252,"editmode":"hex","newline":"DefaultDOS","lines":1,"rows":1,"maxrowwidth":0,"source":"memory","endstate":[0,0,0,0]})",
          R"({"len":4,"nl":0,"state":[0,0,0,0],"rows":[[0,0],[4,0]]})"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const TToolRun run = RunDump(c.args + " " + File(c.bytes));
        EXPECT_EQ(run.Status, 0);
        EXPECT_EQ(run.Out, c.out);
    }
}

TEST_F(DumpToolTest, RowsAndWrap)
{
    TToolRun run = RunDump("--summary " + File(std::string(100000, 'a')));
    ASSERT_EQ(run.Out.size(), 1u);
    EXPECT_NE(run.Out[0].find(R"("lines":1,"rows":4,"maxrowwidth":262144)"), std::string::npos) << run.Out[0];

    run = RunDump("--wrap column:10 " + File("abcde fghij"));
    ASSERT_EQ(run.Out.size(), 2u);
    EXPECT_EQ(run.Out[1], R"({"len":11,"nl":0,"state":[0,0,0,0],"rows":[[0,48],[6,40],[11,0]]})");

    run = RunDump("--wrap window:40 " + File("abcdefg"));
    ASSERT_EQ(run.Out.size(), 2u);
    EXPECT_EQ(run.Out[1], R"({"len":7,"nl":0,"state":[0,0,0,0],"rows":[[0,40],[5,16],[7,0]]})");

    // The mark of a UTF-8 file stays skipped.
    run = RunDump(File("\xEF\xBB\xBFxy\n"));
    ASSERT_EQ(run.Out.size(), 3u);
    EXPECT_EQ(run.Out[1], R"({"len":6,"nl":1,"state":[0,0,0,0],"rows":[[3,16],[5,0]]})");
}

TEST_F(DumpToolTest, StatesWithASyntaxDefinition)
{
    const std::string syn = Dir.Write("c.syn", ".title=C\n.blockcomment=/* */\n.stringchar=\"\n.escapechar=\\\n");
    const TToolRun run = RunDump("--syntax " + syn + " " + File("a /* b\nc */ d\ne \"x\\\"\nf\n"));
    ASSERT_EQ(run.Out.size(), 6u);
    // The string stays open to the end of the file.
    EXPECT_NE(run.Out[0].find(R"("endstate":[0,0,0,1])"), std::string::npos) << run.Out[0];
    EXPECT_NE(run.Out[2].find(R"("state":[0,1,1,0])"), std::string::npos) << run.Out[2];
    EXPECT_NE(run.Out[3].find(R"("state":[0,0,0,0])"), std::string::npos) << run.Out[3];
    EXPECT_NE(run.Out[4].find(R"("state":[0,0,0,1])"), std::string::npos) << run.Out[4];
}

TEST_F(DumpToolTest, MissingFileAndBadArguments)
{
    const std::string tool = ExecutableDir() + "zinlines-dump";
    FILE* p = popen((tool + " " + Dir.Path() + "missing.txt 2>&1 >/dev/null").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::vector<std::string> err;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, p))
        err.emplace_back(buf);
    const int st = pclose(p);
    EXPECT_EQ(WEXITSTATUS(st), 1);
    EXPECT_EQ(err.size(), 1u);
    EXPECT_NE(RunDump("--wrap sideways x").Status, 0);
}

}  // namespace
}  // namespace zin::test
