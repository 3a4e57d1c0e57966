// Rows: the byte limit, the wrap width, carrying words and delimiter runs,
// tabs, wide characters, Reformat.
#include <algorithm>
#include <random>

#include "LinesTestUtil.h"

namespace zin::test {
namespace {

class RowsTest : public LinesTest {
protected:
    std::vector<uint64_t> Sizes(size_t line = 0) { return RowSizes(LineAt(line)); }
    std::vector<int32_t> Widths(size_t line = 0)
    {
        std::vector<int32_t> out;
        const TRowList rows = LineAt(line).Rows();
        for (size_t i = 0; i + 1 < rows.size(); ++i)
            out.push_back(rows[i].Width);
        return out;
    }
};

using SizeList = std::vector<uint64_t>;
using WidthList = std::vector<int32_t>;

TEST_F(RowsTest, ByteLimitCutsALongWord)
{
    ASSERT_TRUE(Load(std::string(100000, 'a')));
    EXPECT_EQ(Sizes(), (SizeList{32768, 32768, 32768, 1696}));
    EXPECT_EQ(Lines().RowCount(), 4);
    EXPECT_EQ(Lines().MaxRowWidth(), 32768 * 8);

    std::string text(32760, 'a');
    text += ' ';
    text += std::string(100000 - 32761, 'a');
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(Sizes()[0], 32761u);
    ExpectInvariants(Lines(), Owner);
}

TEST_F(RowsTest, LinesWithManyRowsAreRebuiltAlikeByBothScanRoutes)
{
    // Long lines wrapped into hundreds of rows keep their rows out of line;
    // a rebuild and a re-decode of them take the fast route over their one
    // block, and must give what the reader gives, in memory and on disk.
    std::mt19937 rng(11);
    std::string text;
    for (int line = 0; line < 6; ++line) {
        const int words = 200 + static_cast<int>(rng() % 3000);
        for (int w = 0; w < words; ++w) {
            text += std::string(1 + rng() % 9, static_cast<char>('a' + rng() % 26));
            text += rng() % 7 ? " " : (rng() % 2 ? "\t" : "+-");
        }
        text += line % 2 ? "\r\n" : "\n";
    }
    for (const int32_t maxMem : {1 << 24, 0}) {
        std::vector<std::vector<TLineCopy>> results[2];
        for (const bool fast : {true, false}) {
            SCOPED_TRACE(fast);
            Owner.MaxMemFileSize = maxMem;
            Owner.WrapMode = wwmNoWrap;
            Lines().SetUseFastScan(fast);
            ASSERT_TRUE(Load(text));
            for (const int32_t columns : {5, 13, 80}) {
                Owner.WrapMode = wwmWrapByColumn;
                Owner.MaxColumns = columns;
                ASSERT_TRUE(Lines().Reformat());
                results[fast].push_back(CopyLines(Lines()));
                ExpectInvariants(Lines(), Owner);
            }
            Owner.SetCodePage(1251);
            results[fast].push_back(CopyLines(Lines()));
            Owner.SetCodePage(1252);
        }
        // At 5 columns the lines hold more rows than a record keeps in line.
        EXPECT_GE(std::count_if(results[0][0].begin(), results[0][0].end(),
                                [](const TLineCopy& l) { return l.Rows.size() > 256; }),
                  4);
        ASSERT_EQ(results[0].size(), results[1].size());
        for (size_t i = 0; i < results[0].size(); ++i)
            EXPECT_TRUE(results[0][i] == results[1][i]) << "step " << i << ", on disk " << (maxMem == 0);
    }
}

TEST_F(RowsTest, WordMovesToTheNextRowAndTheSpaceStays)
{
    Owner.WrapMode = wwmWrapByColumn;
    Owner.MaxColumns = 10;
    ASSERT_TRUE(Load("abcde fghij"));
    EXPECT_EQ(Sizes(), (SizeList{6, 5}));
    EXPECT_EQ(Widths(), (WidthList{48, 40}));
    // Delimiter runs move the same way; a new run class starts a new run.
    ASSERT_TRUE(Load("abcdefgh+++++"));
    EXPECT_EQ(Sizes(), (SizeList{8, 5}));
    // A word that fills the row alone is cut where the row ends.
    ASSERT_TRUE(Load("abcdefghijklm"));
    EXPECT_EQ(Sizes(), (SizeList{10, 3}));
}

TEST_F(RowsTest, Tabs)
{
    Owner.WrapMode = wwmWrapByWindow;
    Owner.WindowWidth = 80;  // 10 characters of 8 pixels
    Owner.TabSize = 4;       // tab stops every 32 pixels
    // A tab reaches the next stop.
    ASSERT_TRUE(Load("a\tb"));
    EXPECT_EQ(Widths(), (WidthList{8 + 24 + 8}));
    // A row exactly as wide as the wrap width: the tab is a full stop wide
    // and starts the next row.
    ASSERT_TRUE(Load("abcdefghij\tk"));
    EXPECT_EQ(Sizes(), (SizeList{10, 2}));
    EXPECT_EQ(Widths(), (WidthList{80, 32 + 8}));
    // The row is 3 pixels short of the wrap width and the next stop is
    // farther: the tab is 3 pixels wide and the row is full.
    Owner.CharWidthCache()[static_cast<int>('z')] = 5;
    ASSERT_TRUE(Load("abcdefghz\tk"));
    EXPECT_EQ(Widths(), (WidthList{80, 8}));
    EXPECT_EQ(Sizes(), (SizeList{10, 1}));
}

TEST_F(RowsTest, TabAfterACharacterWiderThanTheWrapWidthIsAFullStop)
{
    Owner.WrapMode = wwmWrapByWindow;
    Owner.WindowWidth = 40;
    Owner.TabSize = 2;  // 16-pixel stops
    // One code unit wider than the wrap width (a font may have such glyphs).
    Owner.CharWidthCache()[0x4E00] = 100;
    ASSERT_TRUE(Load(std::string("\xFF\xFE\x00\x4E\x09\x00x\x00", 8)));
    ASSERT_EQ(Owner.GetCodePage(), 1200);
    // An empty row is closed before the wide character, which then sits
    // alone; the tab after it is a full stop wide (never negative) and
    // starts the next row with x.
    EXPECT_EQ(Widths(), (WidthList{0, 100, 16 + 8}));
    EXPECT_EQ(Sizes(), (SizeList{0, 2, 4}));
}

TEST_F(RowsTest, WideCharactersFormNoRuns)
{
    Owner.WideCJK = true;
    Owner.WrapMode = wwmWrapByColumn;
    Owner.MaxColumns = 5;  // 40 pixels: two CJK characters of 16, then 8 left
    // UTF-8: five times U+4E00 (3 bytes each).
    std::string text;
    for (int i = 0; i < 5; ++i)
        text += "\xE4\xB8\x80";
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(Sizes(), (SizeList{6, 6, 3}));
    EXPECT_EQ(Widths(), (WidthList{32, 32, 16}));
}

TEST_F(RowsTest, EmptyLineHasOneRowOfWidthZero)
{
    ASSERT_TRUE(Load("\n\nx"));
    EXPECT_EQ(LineAt(0).Rows().size(), 2u);
    EXPECT_EQ(LineAt(0).Rows()[0], (TRowIndex{0, 0}));
    EXPECT_EQ(LineAt(0).Rows()[1], (TRowIndex{0, 0}));
    EXPECT_EQ(Lines().RowCount(), 3);
}

// Byte-limit carry: a run of two-byte word characters with a limit the run
// cannot fit must not close empty rows or overflow the limit.
TEST_F(RowsTest, TwoByteRunNeverOverflowsTheByteLimit)
{
    Owner.MaxLineLength = 9;
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "\xC3\xA9";  // é, a word character in UTF-8
    ASSERT_TRUE(Load(text));
    ASSERT_EQ(Owner.GetCodePage(), 65001);
    EXPECT_EQ(Sizes(), (SizeList{8, 8, 8, 8, 8}));
    ExpectInvariants(Lines(), Owner);

    // One-byte characters: a word that fits the limit moves as a whole.
    ASSERT_TRUE(Load("ab cdefgh"));
    Owner.MaxLineLength = 5;
    Lines().Reformat();
    EXPECT_EQ(Sizes(), (SizeList{3, 5, 1}));
}

// Width carry: the run moves only when it and the character then fit.
TEST_F(RowsTest, WidthCarryOnlyWhenTheRunFits)
{
    Owner.WrapMode = wwmWrapByColumn;
    Owner.MaxColumns = 5;  // 40 pixels
    // The run "abcd" (32) moves when 'e' (8) does not fit after " abcd".
    ASSERT_TRUE(Load(" abcde"));
    EXPECT_EQ(Sizes(), (SizeList{1, 5}));
    // A wider 'e' (20): "abcde" would be 52 pixels, more than the wrap
    // width, so the run stays and the row closes before 'e'.
    Owner.CharWidthCache()[static_cast<int>('e')] = 20;
    ASSERT_TRUE(Load(" abcde"));
    EXPECT_EQ(Sizes(), (SizeList{5, 1}));
    EXPECT_EQ(Widths(), (WidthList{40, 20}));
    ExpectInvariants(Lines(), Owner);
}

TEST_F(RowsTest, ReformatRebuildsRowsAndKeepsEverythingElse)
{
    ASSERT_TRUE(Load("one two three four five six\nseven\r\n"));
    const auto before = CopyLines(Lines());
    Owner.WrapMode = wwmWrapByColumn;
    Owner.MaxColumns = 10;
    Lines().Reformat();
    EXPECT_EQ(Sizes(0), (SizeList{8, 10, 9}));
    EXPECT_EQ(Lines().RowCount(), 5);
    EXPECT_EQ(Lines().MaxRowWidth(), 80);
    const auto after = CopyLines(Lines());
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].Length, before[i].Length);
        EXPECT_EQ(after[i].NewLineBytes, before[i].NewLineBytes);
        EXPECT_EQ(after[i].State, before[i].State);
    }
    Owner.WrapMode = wwmNoWrap;
    Lines().Reformat();
    EXPECT_EQ(CopyLines(Lines()), before);
    ExpectInvariants(Lines(), Owner);
}

}  // namespace
}  // namespace zin::test
