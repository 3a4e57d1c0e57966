// Loads that must stop and files without a size: more lines or rows than
// the count limit (lowered for the test), an index that would outgrow the
// memory the machine has (a probe stands in for the system), a rebuild of
// rows past the limit, files that report no size, pipes and devices.
#include <sys/stat.h>

#include <string>

#include "LinesTestUtil.h"
#include "platform/Files.h"

namespace zin::test {
namespace {

class LimitsTest : public LinesTest {
protected:
    // A load that stopped leaves one blank line, no file, the flag cleared.
    void ExpectStopped(TLoadError why)
    {
        EXPECT_EQ(Lines().LoadError(), why);
        EXPECT_EQ(Lines().LineCount(), 1);
        EXPECT_EQ(Lines().RowCount(), 1);
        EXPECT_EQ(Lines().FileSize(), 0u);
        EXPECT_FALSE(Lines().OnDisk());
        EXPECT_FALSE(Owner.FLoading);
        EXPECT_EQ(Lines().Lines().front().Length(), 0u);
        ExpectInvariants(Lines(), Owner);
    }
    // The store goes on working: a small file loads as usual.
    void ExpectNextLoadWorks()
    {
        ASSERT_TRUE(Load("one\ntwo\n", "next.txt"));
        EXPECT_EQ(Lines().LoadError(), TLoadError::None);
        EXPECT_EQ(Lines().LineCount(), 3);
        ExpectInvariants(Lines(), Owner);
    }
};

TEST_F(LimitsTest, MoreLinesOrRowsThanTheLimitStopTheLoadFromMemoryAndFromDisk)
{
    Lines().SetCountLimit(100);
    std::string lines;
    for (int i = 0; i < 150; ++i)
        lines += "line\n";
    std::string wide;
    for (int i = 0; i < 20; ++i)
        wide += "abcdefghij abcdefghij abcdefghij abcdefghij\n";
    for (const int32_t maxMem : {1 << 20, 0}) {
        SCOPED_TRACE(maxMem);
        Owner.MaxMemFileSize = maxMem;
        Owner.WrapMode = wwmNoWrap;
        EXPECT_FALSE(Load(lines));
        ExpectStopped(TLoadError::TooManyLines);
        EXPECT_STREQ(LoadErrorMessage(Lines().LoadError()), "Cannot read this file!");
        ExpectNextLoadWorks();
        // 21 lines, but wrapped at five columns some 200 rows.
        ASSERT_TRUE(Load(wide));
        Owner.WrapMode = wwmWrapByColumn;
        Owner.MaxColumns = 5;
        EXPECT_FALSE(Load(wide));
        ExpectStopped(TLoadError::TooManyLines);
        ExpectNextLoadWorks();
    }
    // Exactly at the limit is fine: 99 newlines give 100 lines.
    Owner.WrapMode = wwmNoWrap;
    EXPECT_TRUE(Load(std::string(99, '\n')));
    EXPECT_EQ(Lines().LineCount(), 100);
}

TEST_F(LimitsTest, ARowRebuildPastTheLimitKeepsThePreviousRows)
{
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "abcdefghij abcdefghij\n";
    Owner.WrapMode = wwmWrapByColumn;
    Owner.MaxColumns = 12;
    ASSERT_TRUE(Load(text));
    const auto before = CopyLines(Lines());
    const int32_t rows = Lines().RowCount();
    EXPECT_EQ(rows, 41);
    Lines().SetCountLimit(60);
    Owner.MaxColumns = 5;  // some 100 rows
    EXPECT_FALSE(Lines().Reformat());
    EXPECT_EQ(CopyLines(Lines()), before);
    EXPECT_EQ(Lines().RowCount(), rows);
    ExpectInvariants(Lines(), Owner);
    // A rebuild that fits goes through.
    Owner.WrapMode = wwmNoWrap;
    EXPECT_TRUE(Lines().Reformat());
    EXPECT_EQ(Lines().RowCount(), 21);
}

TEST_F(LimitsTest, ACodePageChangePastTheLimitLeavesOneBlankLine)
{
    // UTF-16 by its mark: 0A 0A is one character, no newline. In code page
    // 1252 every 0A byte ends a line.
    ASSERT_TRUE(Load("\xFF\xFE" + std::string(200, '\n')));
    EXPECT_EQ(Owner.GetCodePage(), 1200);
    EXPECT_EQ(Lines().LineCount(), 1);
    Lines().SetCountLimit(150);
    Owner.SetCodePage(1252);
    ExpectStopped(TLoadError::TooManyLines);
    ExpectNextLoadWorks();
}

uint64_t gAvailable = 0;
int gProbes = 0;
uint64_t Probe()
{
    ++gProbes;
    return gAvailable;
}

TEST_F(LimitsTest, AnIndexThatWouldOutgrowTheAvailableMemoryStopsTheLoad)
{
    // Checked every 64 KiB of index, so at every chunk of its arrays.
    Lines().SetMemoryProbe(&Probe, 64 << 10);
    const std::string path = Dir.Write("many.txt", std::string(1200000, '\n'));
    gAvailable = uint64_t{1} << 30;
    gProbes = 0;
    ASSERT_TRUE(Owner.Load(path));  // plenty left all the way
    EXPECT_EQ(Lines().LineCount(), 1200001);
    EXPECT_GE(gProbes, 3);
    EXPECT_LT(gProbes, 10);  // never per line
    // Memory runs short while the load goes on (a larger file: the memory
    // the first load left to reuse does not suffice).
    const std::string larger = Dir.Write("more.txt", std::string(2500000, '\n'));
    struct TShrinking {
        static uint64_t Probe()
        {
            ++gProbes;
            return gProbes == 1 ? uint64_t{1} << 30 : uint64_t{1} << 20;
        }
    };
    Lines().SetMemoryProbe(&TShrinking::Probe, 64 << 10);
    gProbes = 0;
    EXPECT_FALSE(Owner.Load(larger));
    ExpectStopped(TLoadError::NoMemory);
    EXPECT_STREQ(LoadErrorMessage(Lines().LoadError()), "Not enough memory to open this file.");
    EXPECT_EQ(Lines().LoadErrorReason(), "Not enough memory to open this file.");
    ExpectNextLoadWorks();
    // The system's figure is read where there is one.
    EXPECT_GT(TZinLines::SystemAvailableMemory(), 0u);
}

TEST_F(LimitsTest, AFileThatReportsNoSizeIsReadToItsEndUpToTheMemoryLimit)
{
    // /proc files report a size of 0.
    struct stat st {};
    ASSERT_EQ(::stat("/proc/self/status", &st), 0);
    ASSERT_EQ(st.st_size, 0);
    ASSERT_TRUE(Owner.Load("/proc/self/status"));
    EXPECT_EQ(Lines().LoadError(), TLoadError::None);
    EXPECT_GT(Lines().FileSize(), 100u);
    EXPECT_GT(Lines().LineCount(), 10);
    EXPECT_FALSE(Lines().OnDisk());
    ExpectInvariants(Lines(), Owner);
    // Beyond the limit the load keeps what it read and says so.
    Owner.MaxMemFileSize = 64;
    ASSERT_TRUE(Owner.Load("/proc/self/status"));
    EXPECT_EQ(Lines().LoadError(), TLoadError::Truncated);
    EXPECT_EQ(Lines().FileSize(), 64u);
    ExpectInvariants(Lines(), Owner);
    // An empty regular file is still empty.
    EXPECT_TRUE(Load(""));
    EXPECT_EQ(Lines().LoadError(), TLoadError::None);
    EXPECT_EQ(Lines().FileSize(), 0u);
}

TEST_F(LimitsTest, AFileHoldingLessThanItsSizeSaysIsReadAsTheBytesItHolds)
{
    // Attribute files in /sys report a page (4096 bytes) and hold a line.
    std::string path;
    for (const char* p : {"/sys/kernel/mm/transparent_hugepage/enabled", "/sys/devices/system/cpu/online",
                          "/sys/kernel/mm/transparent_hugepage/defrag"}) {
        struct stat st {};
        if (::stat(p, &st) == 0 && st.st_size == 4096) {
            path = p;
            break;
        }
    }
    if (path.empty())
        GTEST_SKIP() << "no attribute file in /sys";
    ASSERT_TRUE(Owner.Load(path));
    EXPECT_LT(Lines().FileSize(), 4096u);
    EXPECT_GT(Lines().FileSize(), 0u);
    EXPECT_NE(Lines().ContentTest(), TContentTest::Binary);  // no padding of zeros
    EXPECT_EQ(Lines().LineCount(), 2);                       // one line and its newline
    ExpectInvariants(Lines(), Owner);
}

TEST_F(LimitsTest, PipesAndDevicesAreRefusedWithAMessageAUserUnderstands)
{
    ASSERT_TRUE(Load("kept\n"));
    const std::string fifo = Dir.Path() + "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string path : {fifo, std::string("/dev/null"), std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(Owner.Load(path));
        EXPECT_EQ(Lines().LoadError(), TLoadError::NotAFile);
        TPlatformFile f;
        EXPECT_FALSE(f.Open(path));
        EXPECT_EQ(f.Error(), NotARegularFileError());
        EXPECT_EQ(Lines().LoadErrorReason(), "It is a pipe or a device");
        // The previous file stays.
        EXPECT_EQ(Lines().LineCount(), 2);
    }
    EXPECT_FALSE(Owner.Load(Dir.Path() + "missing"));
    EXPECT_EQ(Lines().LoadError(), TLoadError::CannotOpen);
    EXPECT_EQ(Lines().LoadErrorReason(), "No such file or directory");
    ASSERT_TRUE(Load("a\n"));
    EXPECT_EQ(Lines().LoadErrorReason(), "");
}

}  // namespace
}  // namespace zin::test
