// The character reader: decoding by code-page kind, the pending-byte queue,
// the line-feed look-ahead, and characters that straddle blocks.
#include "support/LinesAccess.h"
#include "LinesTestUtil.h"

namespace zin::test {
namespace {

using Pairs = std::vector<twc_pair>;

class ReaderTest : public LinesTest {
protected:
    // Loads the bytes in the given code page as one line (no newline in them).
    void LoadAs(std::string_view bytes, int32_t codePage)
    {
        Owner.SetCodePage(codePage);
        ASSERT_TRUE(Load(bytes));
        Owner.SetCodePage(codePage);
        ASSERT_EQ(Owner.GetCodePage(), codePage);
        Lines().Rescan(Lines().Lines().begin(), std::prev(Lines().Lines().end()));
    }
};

TEST_F(ReaderTest, DecodesEachKindAsTheRulesSay)
{
    struct Case {
        int32_t codePage;
        std::string bytes;
        Pairs expected;
    } cases[] = {
        {932, "\x82\xA0\x41", {{0x3042, 2}, {0x41, 1}}},
        {932, "\x41\x82", {{0x41, 1}, {0x82, 1}}},              // lead byte at the line's end
        {65001, "\xE3\x81\x82", {{0x3042, 3}}},
        {65001, "\xE3\x81\x41", {{0xE3, 1}, {0x81, 1}, {0x41, 1}}},
        {65001, "\xF0\x9F\x98\x80", {{0xF0, 1}, {0x9F, 1}, {0x98, 1}, {0x80, 1}}},
        {65001, "\xE0\x80\x80", {{0xE0, 1}, {0x80, 1}, {0x80, 1}}},
        {65001, "\xE0\xA0\x80", {{0x800, 3}}},                // E0 needs A0-BF next
        {65001, "\xED\xA0\x80", {{0xD800, 3}}},               // E1-EF take any 80-BF
        {65001, "\xC1\xBF", {{0xC1, 1}, {0xBF, 1}}},           // overlong two-byte form
        {65001, "\xE1\x80", {{0xE1, 1}, {0x80, 1}}},           // three-byte form cut short
        {65001, "\xC3\xA9", {{0xE9, 2}}},
        {65001, "\xC3", {{0xC3, 1}}},                           // cut by the end
        {1200, std::string("\x41\x00\x42", 3), {{0x41, 2}, {0x42, 1}}},  // odd length
        {1201, std::string("\x00\x41\x30\x42", 4), {{0x41, 2}, {0x3042, 2}}},
        {37, "\xC1\xF0\x40", {{0x41, 1}, {0x30, 1}, {0x20, 1}}},
        {1251, "\xC0", {{0x410, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        LoadAs(c.bytes, c.codePage);
        if (HasFatalFailure())
            return;
        EXPECT_EQ(ReadLine(Lines().Lines().begin()), c.expected);
    }
}

TEST_F(ReaderTest, ReadPositionAdvancesByEachCharactersBytes)
{
    LoadAs("\x82\xA0\x41", 932);
    twc_queue q;
    Lines().BeginRead(Lines().Lines().begin(), TRowIndex{0, 0});
    std::vector<uint64_t> positions{Lines().ReadPos()};
    while (Lines().NextChar(q))
        positions.push_back(Lines().ReadPos());
    EXPECT_EQ(positions, (std::vector<uint64_t>{0, 2, 3}));
}

TEST_F(ReaderTest, InvalidPairGivesLeadByteAndKeepsSecondPending)
{
    LoadAs(std::string("\x82\x0A", 2), 932);
    // The file splits at the line feed: line one is 82 0A.
    ASSERT_EQ(Lines().LineCount(), 2);
    EXPECT_EQ(LineAt(0).Length(), 2u);
    EXPECT_EQ(LineAt(0).NewLineBytes, 1);
    twc_queue q;
    Lines().BeginRead(Lines().Lines().begin(), TRowIndex{0, 0});
    ASSERT_TRUE(Lines().NextChar(q));
    EXPECT_EQ(q.back(), twc_pair(0x82, 1));
    ASSERT_EQ(TZinLinesAccess::PendingBytes(Lines()).size(), 1u);
    EXPECT_EQ(TZinLinesAccess::PendingBytes(Lines()).front(), 0x0A);
    EXPECT_TRUE(Lines().IsLFNext());
    ASSERT_TRUE(Lines().NextChar(q));
    EXPECT_EQ(q.back(), twc_pair(0x0A, 1));
    EXPECT_TRUE(TZinLinesAccess::PendingBytes(Lines()).empty());
    EXPECT_FALSE(Lines().NextChar(q));
}

TEST_F(ReaderTest, LineFeedLookAheadByKind)
{
    struct Case {
        int32_t codePage;
        std::string bytes;  // a CR, then what follows
        bool lfNext;
    } cases[] = {
        {1200, std::string("\x0D\x00\x0A\x00", 4), true},
        {1201, std::string("\x00\x0D\x0A\x00", 4), false},
        {1201, std::string("\x00\x0D\x00\x0A", 4), true},
        {1200, std::string("\x0D\x00\x0A", 3), false},  // one byte left is no line feed
        {1252, "\r\n", true},
        {37, "\x0D\x25", true},   // EBCDIC line feed
        {65001, "\r\n", true},
        {932, "\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        Owner.SetCodePage(c.codePage);
        ASSERT_TRUE(Load(c.bytes));
        Owner.SetCodePage(c.codePage);
        // Put the whole file back into one line and read it raw.
        Lines().Clear(false);
        Lines().SetLineBlocks(Lines().Lines().begin(), {TBlock{TZinLinesAccess::MemData(Lines()), 0, c.bytes.size()}});
        twc_queue q;
        Lines().BeginRead(Lines().Lines().begin(), TRowIndex{0, 0});
        ASSERT_TRUE(Lines().NextChar(q));
        ASSERT_EQ(q.back().first, 13);
        EXPECT_EQ(Lines().IsLFNext(), c.lfNext);
        // The look-ahead consumes nothing: the next character is still there.
        const uint64_t pos = Lines().ReadPos();
        ASSERT_TRUE(Lines().NextChar(q));
        EXPECT_EQ(Lines().ReadPos(), pos + static_cast<uint64_t>(q.back().second));
        if (c.lfNext) {
            EXPECT_EQ(q.back().first, 10);
        }
    }
}

TEST_F(ReaderTest, CharacterAcrossTwoBlocksDecodesAsInOne)
{
    // Bytes: "x" E3 | 81 82 "y" with a block boundary inside the character.
    LoadAs("x\xE3\x81\x82y", 65001);
    const Pairs whole = ReadLine(Lines().Lines().begin());
    ASSERT_EQ(whole, (Pairs{{'x', 1}, {0x3042, 3}, {'y', 1}}));
    Lines().SetLineBlocks(Lines().Lines().begin(), {TBlock{TZinLinesAccess::MemData(Lines()), 0, 2}, TBlock{TZinLinesAccess::MemData(Lines()), 2, 0},
                                                  TBlock{TZinLinesAccess::MemData(Lines()), 2, 3}});
    EXPECT_EQ(ReadLine(Lines().Lines().begin()), whole);

    LoadAs("\x82\xA0", 932);
    Lines().SetLineBlocks(Lines().Lines().begin(), {TBlock{TZinLinesAccess::MemData(Lines()), 0, 1}, TBlock{TZinLinesAccess::MemData(Lines()), 1, 1}});
    EXPECT_EQ(ReadLine(Lines().Lines().begin()), (Pairs{{0x3042, 2}}));
}

TEST_F(ReaderTest, UnknownCodePageKeepsThePreviousDecoder)
{
    LoadAs("\xC3\xA9", 65001);
    Lines().SetCodePage(4242);  // not in the table
    twc_queue q;
    EXPECT_FALSE(Lines().BeginRead(Lines().Lines().begin(), TRowIndex{0, 0}));
    ASSERT_TRUE(Lines().NextChar(q));
    EXPECT_EQ(q.back(), twc_pair(0xE9, 2));
}

}  // namespace
}  // namespace zin::test
