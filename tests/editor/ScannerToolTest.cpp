// zinscan-dump, whose output is a contract read outside the tests: the
// tokens of every row with their widths, styles and colours.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Files.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace zin::test {
namespace {

TToolRun RunScanDump(const std::string& args)
{
    return RunTool("zinscan-dump", args);
}

class ScannerToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!FileExists(ExecutableDir() + "zinscan-dump"))
            GTEST_SKIP() << "zinscan-dump is not built";
        Syntax = Dir.Write("t.syn",
                           ".title=T\n.casesensitive=yes\n.linecomment=//\n.escapechar=\\\n.stringchar=\"\n"
                           ".keywordprefix=$\n.range=3 <? ?> 00ff00\n.string.color=008000\n.string.inrange=0 3\n"
                           ".keywords.color=ff0000\n.keywords.style=bold\n.keywords=\nif $x\n");
        Text = Dir.Write("t.txt", "if $x $y // c\n<?a \"q\\\"\" ?>\n\xE4\xB8\xAD");
    }
    TempDir Dir;
    std::string Syntax, Text;
};

TEST_F(ScannerToolTest, RowsOfTokens)
{
    const TToolRun all = RunScanDump("--syntax " + Syntax + " " + Text);
    ASSERT_EQ(all.Status, 0);
    const std::vector<std::string> want = {
        R"({"size":30,"codepage":65001,"editmode":"text","newline":"Unix","lines":3,"rows":3,"maxrowwidth":104,"source":"memory","endstate":[0,0,0,0]})",
        R"({"row":0,"line":0,"sub":0,"tokens":[["if",16,"keyword:1",255,16777215,1],[" ",8,"space",0,16777215,0],["$x",16,"keyword:1",255,16777215,1],[" ",8,"space",0,16777215,0],["$",8,"delimiter",0,16777215,0],["y",8,"text",0,16777215,0],[" ",8,"space",0,16777215,0],["//",16,"comment",0,16777215,0],[" ",8,"space",0,16777215,0],["c",8,"comment",0,16777215,0]],"ended":true,"range":0})",
        R"({"row":1,"line":1,"sub":0,"tokens":[["<?",16,"delimiter",0,65280,0],["a",8,"text",0,65280,0],[" ",8,"space",0,65280,0],["\u0022q\u005c\u0022\u0022",40,"string",32768,65280,0],[" ",8,"space",0,65280,0],["?>",16,"delimiter",0,65280,0]],"ended":true,"range":0})",
        R"({"row":2,"line":2,"sub":0,"tokens":[["\u4e2d",8,"text",0,16777215,0]],"ended":true,"range":0})"};
    EXPECT_EQ(all.Out, want);

    // From a row inside a wrapped line: the state at the row is the one a
    // scan from the line's start reaches (a string opened at the end of the
    // row before), and the range stays open across rows.
    const TToolRun part = RunScanDump("--syntax " + Syntax + " --wrap window:40 --start 3 --count 2 " + Text);
    ASSERT_EQ(part.Status, 0);
    ASSERT_EQ(part.Out.size(), 3u);
    EXPECT_EQ(part.Out[1],
              R"({"row":3,"line":1,"sub":0,"tokens":[["<?",16,"delimiter",0,65280,0],["a",8,"text",0,65280,0],[" ",8,"space",0,65280,0],["\u0022",8,"string",32768,65280,0]],"ended":false,"range":3})");
    EXPECT_EQ(part.Out[2],
              R"({"row":4,"line":1,"sub":1,"tokens":[["q\u005c\u0022\u0022",32,"string",32768,65280,0],[" ",8,"space",0,65280,0]],"ended":false,"range":3})");

    EXPECT_EQ(RunScanDump("--summary " + Text).Status, 2);
    EXPECT_EQ(RunScanDump("--start x " + Text).Status, 2);
    EXPECT_EQ(RunScanDump(Dir.Path() + "missing.txt").Status, 1);
}

}  // namespace
}  // namespace zin::test
