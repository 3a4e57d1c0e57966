#include "viewer/FileInfo.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "encoding/CodePage.h"
#include "lines/ZinLines.h"
#include "platform/Files.h"
#include "platform/SystemCodePage.h"
#include "support/TempDir.h"

namespace zin {
namespace {

class FileInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        LoadCodePageNames();
        FOldSystemCodePage = SetSystemCodePage(1251);
    }
    void TearDown() override { SetSystemCodePage(FOldSystemCodePage); }
    test::TempDir FDir;
    int32_t FOldSystemCodePage = 0;
};

TEST_F(FileInfo, ContentTestsDecideInOrder)
{
    struct {
        const char* Name;
        std::string Bytes;
        TContentTest Decided;
        int32_t CodePage;  // 0: hex mode
    } const cases[] = {
        {"utf8.txt", "caf\xC3\xA9\n", TContentTest::UTF8, 65001},
        {"le.txt", std::string("\xFF\xFE" "a\0b\0", 6), TContentTest::UTF16LE, 1200},
        {"le-nobom.txt", std::string("a\0b\0\n\0", 6), TContentTest::UTF16LE, 1200},
        {"be.txt", std::string("\0a\0b", 4), TContentTest::UTF16BE, 1201},
        {"bin.dat", std::string("ab\x01\x02\xFF", 5), TContentTest::Binary, 0},
        {"plain.txt", "plain text\r\n", TContentTest::None, 1251},
        {"latin1.txt", "caf\xE9\n", TContentTest::None, 1251},
        {"empty.txt", "", TContentTest::None, 1251},
    };
    for (const auto& c : cases) {
        const TFileInfo info = GatherFileInfo(FDir.Write(c.Name, c.Bytes));
        ASSERT_TRUE(info.Opened) << c.Name;
        EXPECT_EQ(info.Size, c.Bytes.size()) << c.Name;
        EXPECT_TRUE(info.InMemory) << c.Name;
        EXPECT_EQ(info.Decided, c.Decided) << c.Name;
        EXPECT_EQ(info.HexMode, c.CodePage == 0) << c.Name;
        EXPECT_EQ(info.CodePage, c.CodePage) << c.Name;
        if (c.CodePage) {
            EXPECT_EQ(info.CodePageName, FindCodePage(c.CodePage)->Name) << c.Name;
        }
    }
    // A system code page outside the table falls back to 1252.
    SetSystemCodePage(28605);
    EXPECT_EQ(GatherFileInfo(FDir.Path() + "plain.txt").CodePage, 1252);
}

TEST_F(FileInfo, OnlyTheFirst5000BytesAreSampled)
{
    std::string text(5000, 'a');
    EXPECT_EQ(GatherFileInfo(FDir.Write("late-nul", text + std::string(2, '\0'))).Decided,
              TContentTest::None);
    text[4998] = text[4999] = '\0';
    EXPECT_EQ(GatherFileInfo(FDir.Write("nul", text)).Decided, TContentTest::Binary);
}

TEST_F(FileInfo, TheMemoryLimitIsInclusive)
{
    const std::string path = FDir.Write("ten", "0123456789");
    EXPECT_TRUE(GatherFileInfo(path, 10).InMemory);
    EXPECT_FALSE(GatherFileInfo(path, 9).InMemory);
    const std::string atLimit = FDir.Write("8mib", std::string(DefaultMaxMemFileSize, 'x'));
    EXPECT_TRUE(GatherFileInfo(atLimit).InMemory);
    const std::string above = FDir.Write("8mib+1", std::string(DefaultMaxMemFileSize + 1, 'x'));
    EXPECT_FALSE(GatherFileInfo(above).InMemory);
}

TEST_F(FileInfo, NewlinesLinesAndRowsComeFromTheLineStore)
{
    struct {
        const char* Name;
        std::string Bytes;
        TNewLineType NewLine;
        int32_t Lines, Rows, Widest;
    } const cases[] = {
        {"dos.txt", "a\r\nbbb\r\n", nltDOS, 3, 3, 24},
        {"unix.txt", "a\nbb\rc", nltUnix, 3, 3, 16},
        {"mac.txt", "abcd\re", nltMac, 2, 2, 32},
        {"none.txt", "abc", nltDefaultDOS, 1, 1, 24},
        {"wide.txt", std::string(40000, 'x') + "\n", nltUnix, 2, 3, 32768 * InfoCharWidth},
        {"utf16.txt", std::string("\xFF\xFE" "a\0\n\0b\0", 8), nltUnix, 2, 2, 8},
    };
    for (const auto& c : cases) {
        const TFileInfo info = GatherFileInfo(FDir.Write(c.Name, c.Bytes));
        ASSERT_TRUE(info.Opened) << c.Name;
        EXPECT_EQ(info.NewLine, c.NewLine) << c.Name;
        EXPECT_EQ(info.LineCount, c.Lines) << c.Name;
        EXPECT_EQ(info.RowCount, c.Rows) << c.Name;
        EXPECT_EQ(info.MaxRowWidth, c.Widest) << c.Name;
    }
}

TEST_F(FileInfo, FilesThatCannotBeOpenedSayWhy)
{
    const TFileInfo missing = GatherFileInfo(FDir.Path() + "missing");
    EXPECT_FALSE(missing.Opened);
    EXPECT_EQ(missing.Error, "No such file or directory");
    const TFileInfo directory = GatherFileInfo(FDir.Path());
    EXPECT_FALSE(directory.Opened);
    EXPECT_EQ(directory.Error, "Is a directory");
    EXPECT_EQ(GatherFileInfo("/dev/zero").Error, "It is a pipe or a device");
    // A load that stops for memory says so, not "cannot be read".
    static int asked;
    asked = 0;
    const TFileInfo stopped = GatherFileInfo(FDir.Write("many", std::string(600000, '\n')), DefaultMaxMemFileSize,
                                             [](TZinLines& lines) {
                                                 lines.SetMemoryProbe(
                                                     [] { return asked++ == 0 ? uint64_t{1} << 30 : uint64_t{1} << 20; },
                                                     64 << 10);
                                             });
    EXPECT_FALSE(stopped.Opened);
    EXPECT_EQ(stopped.Error, "Not enough memory to open this file.");
}

TEST_F(FileInfo, PrintedOneKeyAndValuePerLine)
{
    std::ostringstream text;
    PrintFileInfo(GatherFileInfo(FDir.Write("u.txt", "\xEF\xBB\xBFhi")), text);
    EXPECT_EQ(text.str(), "file: " + FDir.Path() + "u.txt\nsize: 5\nstorage: memory\ncontent: UTF-8\n"
                          "mode: text\ncode page: 65001\ncode page name: (65001)Unicode UTF-8\n"
                          "newline: DefaultDOS\nlines: 1\nrows: 1\nwidest row: 16\n");
    std::ostringstream hex;
    PrintFileInfo(GatherFileInfo(FDir.Write("b", std::string("\0", 1))), hex);
    EXPECT_EQ(hex.str(), "file: " + FDir.Path() + "b\nsize: 1\nstorage: memory\ncontent: binary\nmode: hex\n"
                         "newline: DefaultDOS\nlines: 1\nrows: 1\nwidest row: 0\n");
}

// The build puts every program, this test's included, in one directory.
std::string ViewerProgram() { return ExecutableDir() + "zinviewer"; }

// Runs the built program with the C locale, stopped after a minute;
// returns its exit status (124 when it had to be stopped) and fills `out`
// with its standard output and `err` with its standard error.
int RunViewer(const std::string& args, std::string& out, std::string& err, const test::TempDir& dir)
{
    const std::string exe = ViewerProgram();
    const std::string errFile = dir.Path() + "stderr.txt";
    const std::string cmd = "LC_ALL=C timeout -k 5 60 '" + exe + "' " + args + " 2>'" + errFile + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    out.clear();
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    const int status = pclose(p);
    err = test::ReadFileBytes(errFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(FileInfo, TheProgramAnswersInfoAsAUserSeesIt)
{
    if (!FileExists(ViewerProgram()))
        GTEST_SKIP() << "the zinviewer program is not built";
    std::string out, err;

    const std::string utf8 = FDir.Write("u.txt", "caf\xC3\xA9\nbar\n");
    EXPECT_EQ(RunViewer("--info '" + utf8 + "'", out, err, FDir), 0);
    EXPECT_NE(out.find("content: UTF-8\n"), std::string::npos) << out;
    EXPECT_NE(out.find("newline: Unix\nlines: 3\nrows: 3\nwidest row: 32\n"), std::string::npos) << out;

    const std::string binary = FDir.Write("b.dat", std::string("\x7F" "ELF\x02\x01\x01\0", 8));
    EXPECT_EQ(RunViewer("--info '" + binary + "'", out, err, FDir), 0);
    EXPECT_NE(out.find("content: binary\nmode: hex\n"), std::string::npos) << out;

    const std::string utf16 = FDir.Write("w.txt", std::string("\xFF\xFE" "a\0", 4));
    EXPECT_EQ(RunViewer("--info '" + utf16 + "'", out, err, FDir), 0);
    EXPECT_NE(out.find("content: UTF-16LE\n"), std::string::npos) << out;
    EXPECT_NE(out.find("code page: 1200\n"), std::string::npos) << out;

    const std::string empty = FDir.Write("e.txt", "");
    EXPECT_EQ(RunViewer("--info '" + empty + "'", out, err, FDir), 0);
    EXPECT_NE(out.find("size: 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("content: none\n"), std::string::npos) << out;
    EXPECT_NE(out.find("code page: 1252\n"), std::string::npos) << out;  // the C locale

    const std::string missing = FDir.Path() + "missing.txt";
    EXPECT_EQ(RunViewer("--info '" + missing + "'", out, err, FDir), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "zinviewer: cannot open " + missing + ": No such file or directory\n");

    EXPECT_EQ(RunViewer("--info", out, err, FDir), 2);
    EXPECT_NE(err.find("usage: zinviewer --info FILE"), std::string::npos);
    EXPECT_EQ(RunViewer("--bogus x", out, err, FDir), 2);
}

// A screenshot of a start file that cannot be loaded has no one to answer
// a message box: the reason goes to standard error, the status is 1, and
// no picture is written.
TEST_F(FileInfo, AScreenshotOfAFileThatCannotBeLoadedEndsWithItsReason)
{
    if (!FileExists(ViewerProgram()))
        GTEST_SKIP() << "the zinviewer program is not built";
    const std::string fifo = FDir.Path() + "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string dangling = FDir.Path() + "dangling";
    ASSERT_EQ(symlink("nowhere", dangling.c_str()), 0);
    const std::string png = FDir.Path() + "shot.png";
    const std::pair<std::string, std::string> cases[] = {
        {FDir.Path() + "missing.txt", "No such file or directory"},
        {fifo, "It is a pipe or a device"},
        {"/dev/zero", "It is a pipe or a device"},
        {dangling, "No such file or directory"},
    };
    std::string out, err;
    for (const auto& [path, reason] : cases) {
        EXPECT_EQ(RunViewer("--screenshot '" + png + "' --size 600x400 '" + path + "'", out, err, FDir), 1) << path;
        EXPECT_NE(err.find("zinviewer: cannot read " + path + ": " + reason + "\n"), std::string::npos) << err;
        EXPECT_FALSE(FileExists(png)) << path;
    }
    // A file that loads gives its picture.
    const std::string good = FDir.Write("good.txt", "hello\n");
    EXPECT_EQ(RunViewer("--screenshot '" + png + "' --size 600x400 '" + good + "'", out, err, FDir), 0) << err;
    EXPECT_TRUE(FileExists(png));
}

}  // namespace
}  // namespace zin
