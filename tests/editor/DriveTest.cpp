// zinedit-drive as its users see it: one JSON state line after the load and
// after every command, with the fields in their documented order.
#include <cstdio>
#include <regex>

#include "platform/Files.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"
#include <gtest/gtest.h>

namespace zin::test {
namespace {

TToolRun Drive(const std::string& args, const std::string& commands, const TempDir& dir)
{
    return RunTool("zinedit-drive", args, dir.Write("commands.txt", commands));
}

// The value of a top-level field as its JSON text.
std::string Field(const std::string& json, const std::string& name)
{
    const std::regex re("\"" + name + "\":(\\{[^}]*\\}|\\[[^\\]]*\\]|\"[^\"]*\"|[^,}]+)");
    std::smatch m;
    return std::regex_search(json, m, re) ? m[1].str() : "<none>";
}

class DriveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!FileExists(ExecutableDir() + "zinedit-drive"))
            GTEST_SKIP() << "zinedit-drive is not built";
    }
    TempDir Dir;
};

TEST_F(DriveTest, StateLinesAfterTheLoadAndEachCommand)
{
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "line " + std::to_string(i) + " of the file\r\n";
    const std::string file = Dir.Write("a.txt", text);
    const TToolRun run = Drive("--size 400x160 " + file,
                           "set WordWrapMode 2\nset MaxColumns 5\nvscroll 5 7\nvscroll 4 0\nset LineSpacing 1.5\n"
                           "resize 400 40\nload " + Dir.Path() + "missing.txt\n",
                           Dir);
    ASSERT_EQ(run.Status, 0);
    ASSERT_EQ(run.Out.size(), 8u);

    // Every field, in order, on the first line.
    const std::regex shape(
        R"(\{"ok":true,"caret":\{"filepos":0,"row":0,"linepos":0,"line":0,"subrow":0,"x":0,"vcols":0\},)"
        R"("charindex":0,"desiredx":0,"selecting":false,"anchor":\{[^}]*\},"end":\{[^}]*\},"colsel":\[0,0\],)"
        R"("toprow":0,"horzoffset":0,"gutter":\d+,"visiblerows":10,"horzextent":\d+,"wrapwidth":2147483647,)"
        R"("vbar":\{"min":0,"max":69,"page":11,"pos":0,"large":9\},"hbar":\{[^}]*\},"caretat":(null|\[\d+,\d+\]),)"
        R"("events":\["selection","state"\],"codepage":1252,"editmode":"text","newline":"DOS","lines":61,)"
        R"("rows":61,"maxrowwidth":\d+,"fontsize":16,"linespacing":1,"error":null,"change":null\})");
    EXPECT_TRUE(std::regex_match(run.Out[0], shape)) << run.Out[0];

    EXPECT_EQ(Field(run.Out[1], "events"), "[\"state\",\"selection\"]");
    EXPECT_EQ(Field(run.Out[1], "wrapwidth"), "640");
    EXPECT_EQ(Field(run.Out[2], "wrapwidth"), "40");
    EXPECT_GT(std::stoi(Field(run.Out[2], "rows")), 61 * 3);
    // A dragged thumb moves the view; its release moves only the bar.
    EXPECT_EQ(Field(run.Out[3], "toprow"), "7");
    EXPECT_EQ(Field(run.Out[4], "toprow"), "7");
    EXPECT_EQ(Field(Field(run.Out[4], "vbar"), "pos"), "0");
    EXPECT_EQ(Field(run.Out[5], "linespacing"), "1.5");
    EXPECT_EQ(Field(run.Out[5], "visiblerows"), "7");  // 160 / 24, rounded up
    EXPECT_EQ(Field(run.Out[6], "visiblerows"), "2");
    EXPECT_EQ(Field(run.Out[6], "events"), "[]");
    EXPECT_EQ(Field(run.Out[7], "ok"), "false");
    EXPECT_EQ(Field(run.Out[7], "lines"), "61");
    EXPECT_EQ(Field(run.Out[7], "error"), "\"No such file or directory\"");
}

TEST_F(DriveTest, ALoadThatStopsForMemorySaysWhyInEveryTool)
{
    // 600,000 lines grow the index past its first chunks, where the short
    // memory is noticed; the line below them loads fine.
    const std::string many = Dir.Write("many.txt", std::string(600000, '\n'));
    const std::string small = Dir.Write("small.txt", "abc\n");
    const TToolRun drive = Drive("--short-memory " + many, "load " + small + "\nload " + many + "\n", Dir);
    ASSERT_EQ(drive.Status, 0);
    ASSERT_EQ(drive.Out.size(), 3u);
    for (const size_t i : {size_t{0}, size_t{2}}) {
        EXPECT_EQ(Field(drive.Out[i], "ok"), "false");
        EXPECT_EQ(Field(drive.Out[i], "lines"), "1");
        EXPECT_EQ(Field(drive.Out[i], "error"), "\"Not enough memory to open this file.\"");
    }
    EXPECT_EQ(Field(drive.Out[1], "error"), "null");
    EXPECT_EQ(Field(drive.Out[1], "lines"), "2");

    for (const char* tool : {"zinlines-dump", "zinscan-dump"}) {
        const TToolRun dump = RunTool(tool, "--short-memory " + many);
        EXPECT_EQ(dump.Status, 1) << tool;
        EXPECT_EQ(dump.Err, std::string(tool) + ": cannot open " + many + ": Not enough memory to open this file.\n");
    }
}

TEST_F(DriveTest, SettingsFileFontSizeAndCodePageOptions)
{
    const std::string file = Dir.Write("b.txt", "abc\n");
    // A font size of 0 in the settings file is brought into range; a
    // --fontsize given on the command line wins over the file.
    const std::string ini = Dir.Write("s.ini", "[ZinEdit]\nFontSize=0\nLineSpacing=0\nWordWrapMode=7\n");
    TToolRun run = Drive("--ini " + ini + " " + file, "", Dir);
    ASSERT_EQ(run.Status, 0);
    ASSERT_EQ(run.Out.size(), 1u);
    EXPECT_EQ(Field(run.Out[0], "fontsize"), "1");
    EXPECT_EQ(Field(run.Out[0], "wrapwidth"), "2147483647");
    EXPECT_EQ(Field(run.Out[0], "linespacing"), "1.005");
    run = Drive("--ini " + ini + " --fontsize 20 --acp 1251 " + file, "", Dir);
    EXPECT_EQ(Field(run.Out[0], "fontsize"), "20");
    EXPECT_EQ(Field(run.Out[0], "codepage"), "1251");
}

TEST_F(DriveTest, KeysMouseAndCopy)
{
    const std::string file = Dir.Write("k.txt", "ab\"c\r\n\xE9x\r\n");
    const TToolRun run = Drive(file,
                               "key Right shift\nkey Down shift\ncopy\ndown 4 0\nmove 100 20\nup 100 20\ncopy\n"
                               "char zz\nkey A ctrl\npaint\n",
                               Dir);
    ASSERT_EQ(run.Status, 0);
    ASSERT_EQ(run.Out.size(), 11u);
    // The painted control shows its caret (after the gutter and the margin).
    EXPECT_EQ(Field(run.Out[0], "caretat"), "[22,0]");
    EXPECT_EQ(Field(run.Out[2], "selecting"), "true");
    EXPECT_EQ(Field(run.Out[3], "copied"), "\"ab\\u0022c\\u000d\\u000a\\u00e9\"");
    EXPECT_EQ(Field(run.Out[2], "copied"), "<none>");  // only after a copy
    EXPECT_EQ(Field(Field(run.Out[6], "end"), "filepos"), "8");  // dragged to the end of the second line
    EXPECT_EQ(Field(run.Out[7], "copied"), "\"ab\\u0022c\\u000d\\u000a\\u00e9x\"");
    // Typing and Ctrl+A change nothing.
    EXPECT_EQ(Field(run.Out[8], "caret"), Field(run.Out[7], "caret"));
    EXPECT_EQ(Field(run.Out[9], "caret"), Field(run.Out[7], "caret"));
    EXPECT_EQ(Field(run.Out[10], "events"), "[]");
}

// The caret's file position and the selection's anchor after each command.
std::vector<std::string> CaretsAndAnchors(const TToolRun& run)
{
    std::vector<std::string> out;
    for (const std::string& line : run.Out)
        out.push_back(Field(Field(line, "caret"), "filepos") + "/" +
                      (Field(line, "selecting") == "true" ? Field(Field(line, "anchor"), "filepos") : "-"));
    return out;
}

TEST_F(DriveTest, WordMovesAndDoubleClicksGoByRunsOfWordCharactersDelimitersAndBlanks)
{
    // ab . cd blanks ( e ) CR LF xy: runs start at 0 2 3 5 7 8 9, the line
    // ends at 10, the next starts at 12.
    const std::string file = Dir.Write("w.txt", "ab.cd  (e)\r\nxy");
    std::string keys;
    for (int i = 0; i < 9; ++i)
        keys += "key Right ctrl\n";
    for (int i = 0; i < 10; ++i)
        keys += "key Left ctrl\n";
    keys += "key Right ctrl shift\nkey Right ctrl shift\nkey Left ctrl shift\n";
    TToolRun run = Drive(file, keys, Dir);
    ASSERT_EQ(run.Status, 0);
    EXPECT_EQ(CaretsAndAnchors(run),
              (std::vector<std::string>{"0/-", "2/-", "3/-", "7/-", "8/-", "9/-", "10/-", "12/-", "14/-", "14/-",
                                        "12/-", "10/-", "9/-", "8/-", "7/-", "3/-", "2/-", "0/-", "0/-", "0/-", "2/0",
                                        "3/0", "2/0"}));

    // Characters are 8 pixels wide from x 22. A double click selects the run
    // under the pointer: "cd", the two blanks, the last character of a row
    // clicked beyond its end, "xy". Presses far beyond any screen neither
    // overflow nor land on the wrong end: far left is the row's start, a
    // drag far up reaches the top row, far right its end.
    run = Drive(file,
                "down 50 0\nup 50 0\ndown 50 0 double\nup 50 0\ndown 66 0 double\ndown 300 0 double\n"
                "down 23 16 double\ndown -2147483648 16\nmove 2147483647 -2147483648\nup 0 0\n"
                "down -2147483648 2147483647\n",
                Dir);
    ASSERT_EQ(run.Status, 0);
    EXPECT_EQ(CaretsAndAnchors(run), (std::vector<std::string>{"0/-", "3/-", "3/-", "5/3", "5/3", "7/5", "10/9",
                                                               "14/12", "12/-", "10/12", "10/12", "12/-"}));

    // A word longer than a wrapped row is one run across its rows.
    const std::string wrapped = Dir.Write("v.txt", "abcdefghijklm ij\nk");
    run = Drive(wrapped, "set WordWrapMode 2\nset MaxColumns 5\nkey Right ctrl\nkey Left ctrl\ndown 30 16 double\n", Dir);
    ASSERT_EQ(run.Status, 0);
    EXPECT_EQ(Field(run.Out[2], "rows"), "5");
    EXPECT_EQ(CaretsAndAnchors(run), (std::vector<std::string>{"0/-", "0/-", "0/-", "14/-", "0/-", "13/0"}));
}

// Hex mode: the positions are bytes ("filepos" the caret's byte), "caretat"
// is where the caret is drawn in the area it is in, and the state line ends
// with that area; a copy gives the bytes in hexadecimal, copytext decoded.
TEST_F(DriveTest, HexModeStateLinesAreAboutBytes)
{
    const std::string file = Dir.Write("h.bin", std::string("\x01\x02\x03Hello, bytes! And more of them.\xE9", 35));
    const TToolRun run = Drive(file,
                               "key Right\nkey Down shift\ncopy\ncopytext\nkey Tab\ndown 80 40\n"
                               "set EditMode 0\nset EditMode 2\nkey End ctrl\n",
                               Dir);
    ASSERT_EQ(run.Status, 0);
    ASSERT_EQ(run.Out.size(), 10u);
    const std::regex hexLine(R"re(\{"ok":true,"caret":\{"filepos":\d+,"row":\d+,.*,"change":null,"hexarea":"(hex|chars)"\})re");
    EXPECT_TRUE(std::regex_match(run.Out[0], hexLine)) << run.Out[0];
    EXPECT_EQ(Field(run.Out[0], "editmode"), "\"hex\"");
    // The gutter holds 8 offset digits of 8 pixels and half a digit, the
    // margin is 4: byte 0's digits start at 72.
    EXPECT_EQ(Field(run.Out[0], "gutter"), "68");
    EXPECT_EQ(Field(run.Out[0], "caretat"), "[72,0]");
    EXPECT_EQ(Field(Field(run.Out[2], "caret"), "filepos"), "17");
    EXPECT_EQ(Field(Field(run.Out[2], "anchor"), "filepos"), "1");
    EXPECT_EQ(Field(run.Out[2], "selecting"), "true");
    EXPECT_EQ(Field(run.Out[2], "caretat"), "[96,16]");
    EXPECT_EQ(Field(run.Out[3], "copied"), "\"02 03 48 65 6C 6C 6F 2C 20 62 79 74 65 73 21 20 41\"");
    EXPECT_EQ(Field(run.Out[4], "copied"), "\"\\u0002\\u0003Hello, bytes! A\"");
    // Tab: the same byte in the character area, 16 bytes and a gap right.
    EXPECT_EQ(Field(run.Out[5], "hexarea"), "\"chars\"");
    EXPECT_EQ(Field(run.Out[5], "caretat"), "[480,16]");
    // A press in the hex area of the third row: its byte, and that area.
    EXPECT_EQ(Field(Field(run.Out[6], "caret"), "filepos"), "32");
    EXPECT_EQ(Field(run.Out[6], "hexarea"), "\"hex\"");
    EXPECT_EQ(Field(run.Out[6], "selecting"), "false");
    // Text mode keeps the byte and has no hex area; hex mode again too.
    EXPECT_EQ(Field(run.Out[7], "editmode"), "\"text\"");
    EXPECT_EQ(Field(Field(run.Out[7], "caret"), "filepos"), "32");
    EXPECT_EQ(Field(run.Out[7], "hexarea"), "<none>");
    EXPECT_EQ(Field(Field(run.Out[8], "caret"), "filepos"), "32");
    EXPECT_EQ(Field(Field(run.Out[9], "caret"), "filepos"), "34");
    EXPECT_EQ(Field(run.Out[9], "toprow"), "0");
}

TEST_F(DriveTest, AnUnknownCommandOrABadArgumentEndsWithStatus2)
{
    const std::string file = Dir.Write("c.txt", "abc\n");
    for (const char* bad : {"frobnicate\n", "set WordWrapMode 3\n", "vscroll 9\n", "set Nothing 1\n",
                            "resize 10\n", "set ShowEndOfLine yes\n", "key F1\n", "down 1\n", "key Up meta\n"}) {
        const TToolRun run = Drive(file, bad, Dir);
        EXPECT_EQ(run.Status, 2) << bad;
        EXPECT_EQ(run.Out.size(), 1u) << bad;
    }
}

}  // namespace
}  // namespace zin::test
