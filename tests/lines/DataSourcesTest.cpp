#include "lines/ZinData.h"

#include <cstring>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/TempDir.h"

namespace zin {
namespace {

// Bytes that differ from chunk to chunk and within a chunk.
uint8_t PatternByte(uint64_t i) { return static_cast<uint8_t>(i * 7 + (i >> 19) * 13 + 1); }

// Compares long byte strings without printing them whole.
::testing::AssertionResult SameBytes(const std::string& got, const std::string& want)
{
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << "size " << got.size() << " instead of " << want.size();
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i] != want[i])
            return ::testing::AssertionFailure() << "first difference at " << i;
    return ::testing::AssertionSuccess();
}

std::string Pattern(uint64_t size)
{
    std::string s(size, '\0');
    for (uint64_t i = 0; i < size; ++i)
        s[i] = static_cast<char>(PatternByte(i));
    return s;
}

TEST(FileData, FilesThatCannotBeOpened)
{
    test::TempDir dir;
    TFileData missing(dir.Path() + "no-such-file");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(missing.Error().empty());
    EXPECT_EQ(missing.GetByte(0), 0);  // unusable, but harmless
    uint32_t avail = 7;
    EXPECT_EQ(missing.Span(0, avail), nullptr);
    EXPECT_EQ(avail, 0u);

    TFileData directory(dir.Path());
    EXPECT_FALSE(directory.IsOpen());
    TFileData empty("");
    EXPECT_FALSE(empty.IsOpen());
}

TEST(FileData, OpeningReadsTheFirstWindow)
{
    test::TempDir dir;
    TFileData small(dir.Write("small", "hello"));
    ASSERT_TRUE(small.IsOpen());
    EXPECT_EQ(small.FSize, 5u);
    EXPECT_EQ(small.FBufferPos, 0u);
    EXPECT_EQ(small.FWindowReads, 1u);
    EXPECT_EQ(std::memcmp(small.FBuffer.get(), "hello", 5), 0);

    TFileData empty(dir.Write("empty", ""));
    ASSERT_TRUE(empty.IsOpen());
    EXPECT_EQ(empty.FSize, 0u);
    uint32_t avail = 1;
    EXPECT_EQ(empty.Span(0, avail), nullptr);
    EXPECT_EQ(avail, 0u);
}

TEST(FileData, WindowMovesOnlyAcrossItsEdges)
{
    test::TempDir dir;
    const uint64_t size = 3 * uint64_t(ChunkSize) + 100;
    TFileData f(dir.Write("big", Pattern(size)));
    ASSERT_TRUE(f.IsOpen());
    ASSERT_EQ(f.FSize, size);

    struct {
        uint64_t Pos;
        uint64_t WindowAfter;
        uint64_t ReadsAfter;
    } const steps[] = {
        {0x7FFFF, 0, 1},          // still the first window
        {0x80000, 0x80000, 2},    // one past it: the window moves up
        {0xFFFFF, 0x80000, 2},
        {0x7FFFF, 0, 3},          // and back down
        {0x0, 0, 3},
        {size - 1, 0x180000, 4},  // the short last window
        {0x100000, 0x100000, 5},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(f.GetByte(s.Pos), PatternByte(s.Pos)) << std::hex << s.Pos;
        EXPECT_EQ(f.FBufferPos, s.WindowAfter) << std::hex << s.Pos;
        EXPECT_EQ(f.FWindowReads, s.ReadsAfter) << std::hex << s.Pos;
    }
}

TEST(FileData, SequentialReadingFillsTheWindowOncePerChunk)
{
    test::TempDir dir;
    const uint64_t size = 4 * uint64_t(ChunkSize) + 1;
    const std::string bytes = Pattern(size);
    TFileData byByte(dir.Write("seq", bytes));
    ASSERT_TRUE(byByte.IsOpen());
    bool same = true;
    for (uint64_t p = 0; p < size; ++p)
        same = same && byByte.GetByte(p) == static_cast<uint8_t>(bytes[p]);
    EXPECT_TRUE(same);
    EXPECT_EQ(byByte.FWindowReads, 5u);

    TFileData bySpan(dir.Path() + "seq");
    std::string copy;
    for (uint64_t p = 0; p < size;) {
        uint32_t avail = 0;
        const uint8_t* span = bySpan.Span(p, avail);
        ASSERT_NE(span, nullptr);
        ASSERT_GE(avail, 1u);
        ASSERT_LE(p + avail, size);
        copy.append(reinterpret_cast<const char*>(span), avail);
        p += avail;
    }
    EXPECT_TRUE(SameBytes(copy, bytes));
    EXPECT_EQ(bySpan.FWindowReads, 5u);
}

TEST(FileData, ReadGoesStraightToTheCallerAndLeavesTheWindow)
{
    test::TempDir dir;
    const uint64_t size = 2 * uint64_t(ChunkSize) + 10;
    TFileData f(dir.Write("r", Pattern(size)));
    ASSERT_TRUE(f.IsOpen());
    std::vector<uint8_t> buf(0x20);
    f.Read(buf.data(), 0x20, 0x7FFF0);  // across the window's edge
    for (uint64_t i = 0; i < 0x20; ++i)
        EXPECT_EQ(buf[i], PatternByte(0x7FFF0 + i));
    EXPECT_EQ(f.FBufferPos, 0u);
    EXPECT_EQ(f.FWindowReads, 1u);
    EXPECT_EQ(f.FBuffer[0], PatternByte(0));
}

TEST(FileData, AFileThatShrinksOrVanishesIsReadSafely)
{
    test::TempDir dir;
    const uint64_t size = 2 * uint64_t(ChunkSize) + 10;
    const std::string path = dir.Write("shrink", Pattern(size));
    TFileData f(path);
    ASSERT_TRUE(f.IsOpen());
    ASSERT_EQ(truncate(path.c_str(), 100), 0);

    // Reads past the new end stay inside the window and the caller's buffer,
    // and the bytes the file no longer has read as zeros, not as what the
    // window held for another position.
    EXPECT_EQ(f.GetByte(size - 1), 0);
    EXPECT_EQ(f.GetByte(ChunkSize + 5), 0);
    EXPECT_EQ(f.GetByte(50), PatternByte(50));
    EXPECT_EQ(f.GetByte(ChunkSize - 1), 0);  // the first window again, filled anew
    uint32_t avail = 0;
    EXPECT_NE(f.Span(size - 1, avail), nullptr);
    EXPECT_EQ(avail, 1u);
    std::vector<uint8_t> buf(300, 0xAA);
    f.Read(buf.data(), 200, 50);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(buf[i], PatternByte(50 + i));
    for (int i = 50; i < 200; ++i)
        EXPECT_EQ(buf[i], 0) << i;  // the count asked for, past the end of the file
    for (int i = 200; i < 300; ++i)
        EXPECT_EQ(buf[i], 0xAA) << i;  // nothing written past the count
    f.Read(buf.data(), 10, uint64_t(1) << 40);

    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_EQ(f.GetByte(0), PatternByte(0));
}

TEST(FileData, AReadersWindowKnowsTheFileItWasFilledFrom)
{
    // A reader's window serves the bytes it holds only to the file it read
    // them from; it refills for any other, at any position, even one that
    // lives where a destroyed file lived (the address alone would match).
    test::TempDir dir;
    const std::string a = dir.Write("a.bin", std::string(200000, 'a'));
    const std::string b = dir.Write("b.bin", std::string(200000, 'b'));
    alignas(TFileData) unsigned char place[sizeof(TFileData)];
    TByteWindow window;
    auto* first = new (place) TFileData(a);
    EXPECT_EQ(first->ByteAt(70000, window), 'a');
    EXPECT_EQ(first->ByteAt(199999, window), 'a');
    EXPECT_EQ(first->ByteAt(200000, window), 0);  // past the end
    first->~TFileData();
    auto* second = new (place) TFileData(b);
    EXPECT_EQ(second->ByteAt(199999, window), 'b');
    EXPECT_EQ(second->ByteAt(70000, window), 'b');
    // Another window onto the same file shares nothing with the first.
    TByteWindow other;
    EXPECT_EQ(second->ByteAt(5, other), 'b');
    second->~TFileData();
}

TEST(MemData, WriteReadAndGetByteAcrossChunks)
{
    TMemData m;
    EXPECT_EQ(m.FSize, 0u);
    const std::string a = Pattern(ChunkSize - 3);
    const std::string b = Pattern(ChunkSize + 10);
    EXPECT_EQ(m.Write(a.data(), static_cast<uint32_t>(a.size())), 0u);
    EXPECT_EQ(m.Write(b.data(), static_cast<uint32_t>(b.size())), a.size());
    EXPECT_EQ(m.Write("", 0), a.size() + b.size());
    const std::string all = a + b;
    ASSERT_EQ(m.FSize, all.size());
    EXPECT_EQ(m.FChunks.size(), 3u);

    for (uint64_t p : {uint64_t(0), uint64_t(ChunkSize - 4), uint64_t(ChunkSize - 3), uint64_t(ChunkSize),
                       uint64_t(2 * ChunkSize), uint64_t(all.size() - 1)})
        EXPECT_EQ(m.GetByte(p), static_cast<uint8_t>(all[p])) << p;

    std::string got(ChunkSize + 15, '\0');
    m.Read(got.data(), static_cast<uint32_t>(got.size()), ChunkSize - 10);
    EXPECT_TRUE(SameBytes(got, all.substr(ChunkSize - 10, got.size())));

    // Nothing is copied from past the end.
    std::string tail(16, '#');
    m.Read(tail.data(), 16, all.size() - 4);
    EXPECT_EQ(tail, all.substr(all.size() - 4) + std::string(12, '#'));

    uint32_t avail = 0;
    const uint8_t* span = m.Span(ChunkSize - 3, avail);
    ASSERT_NE(span, nullptr);
    EXPECT_EQ(avail, 3u);
    EXPECT_EQ(span[0], static_cast<uint8_t>(all[ChunkSize - 3]));
    m.Span(2 * ChunkSize, avail);
    EXPECT_EQ(avail, all.size() - 2 * ChunkSize);
    EXPECT_EQ(m.Span(all.size(), avail), nullptr);
    EXPECT_EQ(avail, 0u);
}

TEST(MemData, ExactChunkSizesAndChunkReuse)
{
    TMemData m;
    const std::string one = Pattern(ChunkSize);
    m.Write(one.data(), ChunkSize);
    EXPECT_EQ(m.FChunks.size(), 1u);  // exactly one chunk, no spare
    EXPECT_EQ(m.Write("x", 1), uint64_t(ChunkSize));
    EXPECT_EQ(m.FChunks.size(), 2u);
    EXPECT_EQ(m.GetByte(ChunkSize), 'x');

    const std::string three = Pattern(3 * uint64_t(ChunkSize));
    m.FSize = 0;
    m.Write(three.data(), static_cast<uint32_t>(three.size()));
    ASSERT_EQ(m.FChunks.size(), 3u);
    const uint8_t* first = m.FChunks[0].get();
    const uint8_t* second = m.FChunks[1].get();

    // A smaller load after a larger one allocates nothing and overwrites.
    m.FSize = 0;
    const std::string small = "a smaller file";
    EXPECT_EQ(m.Write(small.data(), static_cast<uint32_t>(small.size())), 0u);
    EXPECT_EQ(m.FChunks.size(), 3u);
    EXPECT_EQ(m.FChunks[0].get(), first);
    std::string got(small.size(), '\0');
    m.Read(got.data(), static_cast<uint32_t>(got.size()), 0);
    EXPECT_EQ(got, small);

    m.FSize = 0;
    const std::string more = Pattern(ChunkSize + 1);
    m.Write(more.data(), static_cast<uint32_t>(more.size()));
    EXPECT_EQ(m.FChunks.size(), 3u);
    EXPECT_EQ(m.FChunks[1].get(), second);
    EXPECT_EQ(m.GetByte(ChunkSize), PatternByte(ChunkSize));
}

}  // namespace
}  // namespace zin
