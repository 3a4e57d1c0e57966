#include "platform/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TempDir.h"

namespace zin {
namespace {

TEST(PlatformFile, SpecialFilesNeitherHangNorReadAsText)
{
    test::TempDir dir;
    const std::string fifo = dir.Path() + "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TPlatformFile f;
    EXPECT_FALSE(f.Open(fifo));  // no writer: must not block
    EXPECT_FALSE(f.Error().empty());

    EXPECT_EQ(f.Error(), NotARegularFileError());  // not the system's "Illegal seek"

    // Devices are refused alike: they have no size to show.
    TPlatformFile null;
    EXPECT_FALSE(null.Open("/dev/null"));
    EXPECT_EQ(null.Error(), NotARegularFileError());
    char c = 'x';
    EXPECT_EQ(null.ReadAt(&c, 1, 0), 0u);
}

TEST(PlatformFile, ReadsAtPositionsAndStopsAtTheEnd)
{
    test::TempDir dir;
    TPlatformFile f;
    ASSERT_TRUE(f.Open(dir.Write("f", "0123456789")));
    EXPECT_EQ(f.Size(), 10u);
    char buf[8] = {};
    EXPECT_EQ(f.ReadAt(buf, 4, 3), 4u);
    EXPECT_EQ(std::string(buf, 4), "3456");
    EXPECT_EQ(f.ReadAt(buf, 8, 7), 3u);
    EXPECT_EQ(f.ReadAt(buf, 8, 10), 0u);
    EXPECT_EQ(f.ReadAt(buf, 8, ~0ull), 0u);
    f.Close();
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.ReadAt(buf, 1, 0), 0u);
}

}  // namespace
}  // namespace zin
