#include "viewer/FileInfo.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "encoding/CodePage.h"
#include "platform/Files.h"
#include "support/TempDir.h"

namespace zin {
namespace {

class FileInfo : public ::testing::Test {
protected:
    void SetUp() override { LoadCodePageNames(); }
    test::TempDir FDir;
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
        const TFileInfo info = GatherFileInfo(FDir.Write(c.Name, c.Bytes), 1251);
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
    EXPECT_EQ(GatherFileInfo(FDir.Path() + "plain.txt", 28605).CodePage, 1252);
}

TEST_F(FileInfo, OnlyTheFirst5000BytesAreSampled)
{
    std::string text(5000, 'a');
    EXPECT_EQ(GatherFileInfo(FDir.Write("late-nul", text + std::string(2, '\0')), 1252).Decided,
              TContentTest::None);
    text[4998] = text[4999] = '\0';
    EXPECT_EQ(GatherFileInfo(FDir.Write("nul", text), 1252).Decided, TContentTest::Binary);
}

TEST_F(FileInfo, TheMemoryLimitIsInclusive)
{
    const std::string path = FDir.Write("ten", "0123456789");
    EXPECT_TRUE(GatherFileInfo(path, 1252, 10).InMemory);
    EXPECT_FALSE(GatherFileInfo(path, 1252, 9).InMemory);
    const std::string atLimit = FDir.Write("8mib", std::string(DefaultMaxMemFileSize, 'x'));
    EXPECT_TRUE(GatherFileInfo(atLimit, 1252).InMemory);
    const std::string above = FDir.Write("8mib+1", std::string(DefaultMaxMemFileSize + 1, 'x'));
    EXPECT_FALSE(GatherFileInfo(above, 1252).InMemory);
}

TEST_F(FileInfo, FilesThatCannotBeOpenedSayWhy)
{
    const TFileInfo missing = GatherFileInfo(FDir.Path() + "missing", 1252);
    EXPECT_FALSE(missing.Opened);
    EXPECT_EQ(missing.Error, "No such file or directory");
    const TFileInfo directory = GatherFileInfo(FDir.Path(), 1252);
    EXPECT_FALSE(directory.Opened);
    EXPECT_EQ(directory.Error, "Is a directory");
}

TEST_F(FileInfo, PrintedOneKeyAndValuePerLine)
{
    std::ostringstream text;
    PrintFileInfo(GatherFileInfo(FDir.Write("u.txt", "\xEF\xBB\xBFhi"), 1252), text);
    EXPECT_EQ(text.str(), "file: " + FDir.Path() + "u.txt\nsize: 5\nstorage: memory\ncontent: UTF-8\n"
                          "mode: text\ncode page: 65001\ncode page name: (65001)Unicode UTF-8\n");
    std::ostringstream hex;
    PrintFileInfo(GatherFileInfo(FDir.Write("b", std::string("\0", 1)), 1252), hex);
    EXPECT_EQ(hex.str(), "file: " + FDir.Path() + "b\nsize: 1\nstorage: memory\ncontent: binary\nmode: hex\n");
}

// The build puts every program, this test's included, in one directory.
std::string ViewerProgram() { return ExecutableDir() + "zinviewer"; }

// Runs the built program with the C locale; returns its exit status and
// fills `out` with its standard output and `err` with its standard error.
int RunViewer(const std::string& args, std::string& out, std::string& err, const test::TempDir& dir)
{
    const std::string exe = ViewerProgram();
    const std::string errFile = dir.Path() + "stderr.txt";
    const std::string cmd = "LC_ALL=C '" + exe + "' " + args + " 2>'" + errFile + "'";
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

}  // namespace
}  // namespace zin
