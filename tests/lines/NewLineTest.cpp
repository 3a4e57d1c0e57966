// Splitting into lines: newline conventions, byte-order marks, newlines at
// window boundaries, re-splitting after a code-page change.
#include "support/LinesAccess.h"
#include "LinesTestUtil.h"

namespace zin::test {
namespace {

class NewLineTest : public LinesTest {};

struct LineExpect {
    uint64_t len;
    int nl;
};

std::vector<LineExpect> Shape(const TZinLines& lines)
{
    std::vector<LineExpect> out;
    for (const TLine& l : lines.Lines())
        out.push_back({l.Length(), l.NewLineBytes});
    return out;
}

bool operator==(const LineExpect& a, const LineExpect& b) { return a.len == b.len && a.nl == b.nl; }
void PrintTo(const LineExpect& e, std::ostream* os) { *os << "{" << e.len << "," << e.nl << "}"; }

TEST_F(NewLineTest, ConventionsAndLineShapes)
{
    struct Case {
        std::string bytes;
        TNewLineType type;
        std::vector<LineExpect> lines;
    } cases[] = {
        {"a\r\nb\r\n", nltDOS, {{3, 2}, {3, 2}, {0, 0}}},
        {"a\nb\r\nc", nltDOS, {{2, 1}, {3, 2}, {1, 0}}},
        {"a\rb\nc", nltMac, {{2, 1}, {2, 1}, {1, 0}}},
        {"a\nb\rc", nltUnix, {{2, 1}, {2, 1}, {1, 0}}},
        {"abc", nltDefaultDOS, {{3, 0}}},
        {"\n", nltUnix, {{1, 1}, {0, 0}}},
        {"\r", nltMac, {{1, 1}, {0, 0}}},
        {"\r\r\n\n", nltDOS, {{1, 1}, {2, 2}, {1, 1}, {0, 0}}},
        {"x\n\n", nltUnix, {{2, 1}, {1, 1}, {0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        ASSERT_TRUE(Load(c.bytes));
        EXPECT_EQ(Lines().NewLineType(), c.type);
        EXPECT_EQ(Shape(Lines()), c.lines);
        ExpectInvariants(Lines(), Owner);
    }
}

TEST_F(NewLineTest, CrLfAcrossTheDiskWindowIsOneNewline)
{
    // A file kept on disk whose CR is the window's last byte and whose LF is
    // the next window's first byte.
    Owner.MaxMemFileSize = 1024;
    std::string bytes(ChunkSize - 1, 'a');
    bytes += "\r\nbb";
    ASSERT_TRUE(Load(bytes));
    ASSERT_NE(TZinLinesAccess::FileData(Lines()), nullptr);
    EXPECT_EQ(Lines().NewLineType(), nltDOS);
    ASSERT_EQ(Lines().LineCount(), 2);
    EXPECT_EQ(LineAt(0).Length(), ChunkSize + 1u);
    EXPECT_EQ(LineAt(0).NewLineBytes, 2);
    EXPECT_EQ(LineAt(1).Length(), 2u);
    ExpectInvariants(Lines(), Owner);
}

TEST_F(NewLineTest, ByteOrderMarksAreSkippedOnlyOnTheFirstLine)
{
    ASSERT_TRUE(Load(std::string("\xFF\xFE\x61\x00\x0A\x00", 6)));
    EXPECT_EQ(Owner.GetCodePage(), 1200);
    ASSERT_EQ(Lines().LineCount(), 2);
    EXPECT_EQ(LineAt(0).Length(), 6u);
    EXPECT_EQ(LineAt(0).NewLineBytes, 2);
    EXPECT_EQ(LineAt(0).Rows()[0], (TRowIndex{2, 8}));
    EXPECT_EQ(LineAt(1).Length(), 0u);

    ASSERT_TRUE(Load("\xEF\xBB\xBFx\n\xEF\xBB\xBFy\n"));
    EXPECT_EQ(Owner.GetCodePage(), 65001);
    ASSERT_EQ(Lines().LineCount(), 3);
    EXPECT_EQ(LineAt(0).Rows()[0], (TRowIndex{3, 8}));
    EXPECT_EQ(LineAt(1).Rows()[0], (TRowIndex{0, 16}));  // U+FEFF and y
    EXPECT_EQ(LineAt(1).Rows()[1].Pos, 4u);

    // The mark stays skipped through a reformat.
    Lines().Reformat();
    EXPECT_EQ(LineAt(0).Rows()[0], (TRowIndex{3, 8}));
}

TEST_F(NewLineTest, SwitchingCodePagesJoinsAndSplitsAgain)
{
    // UTF-16LE "ab" LF "c" LF read as code page 1252: each 0A ends a line
    // and its 00 starts the next one.
    const std::string bytes("\xFF\xFE" "a\0b\0\n\0c\0\n\0", 12);
    ASSERT_TRUE(Load(bytes));
    ASSERT_EQ(Owner.GetCodePage(), 1200);
    EXPECT_EQ(Shape(Lines()), (std::vector<LineExpect>{{8, 2}, {4, 2}, {0, 0}}));
    Owner.SetCodePage(1252);
    EXPECT_EQ(Shape(Lines()), (std::vector<LineExpect>{{7, 1}, {4, 1}, {1, 0}}));
    ExpectInvariants(Lines(), Owner);
    // And back: lines are joined where 1200 sees no newline.
    Owner.SetCodePage(1200);
    EXPECT_EQ(Shape(Lines()), (std::vector<LineExpect>{{8, 2}, {4, 2}, {0, 0}}));
    ExpectInvariants(Lines(), Owner);
}

TEST_F(NewLineTest, CrLfSplitByAnEarlierDecodingIsSeenWhole)
{
    // Lines left split between CR and LF (as another decoding may leave
    // them): the rescan joins them and sees one CR LF newline.
    ASSERT_TRUE(Load("x\r\ny"));
    Lines().Clear(false);
    TZinLinesAccess::FileSize(Lines()) = 4;
    Lines().SetLineBlocks(Lines().Lines().begin(), {TBlock{TZinLinesAccess::MemData(Lines()), 0, 2}});
    Lines().AppendBlankLine();
    TLineIterator second = std::prev(Lines().Lines().end());
    Lines().SetLineBlocks(second, {TBlock{TZinLinesAccess::MemData(Lines()), 2, 2}});
    TZinLinesAccess::LineCount(Lines()) = 2;
    TZinLinesAccess::RowCount(Lines()) = 2;
    EXPECT_EQ(Lines().LineEndChar(Lines().Lines().begin()), 13);
    EXPECT_TRUE(Lines().StartsWithLF(std::prev(Lines().Lines().end())));
    Lines().Rescan(Lines().Lines().begin(), std::prev(Lines().Lines().end()));
    EXPECT_EQ(Shape(Lines()), (std::vector<LineExpect>{{3, 2}, {1, 0}}));
    ExpectInvariants(Lines(), Owner);
}

TEST_F(NewLineTest, EbcdicLineFeedEndsLinesAndNextLineDoesNot)
{
    Owner.SetCodePage(37);
    ASSERT_TRUE(Load("\xC1\x25\xC2\x15\xC3"));  // A LF B NEL C
    Owner.SetCodePage(37);
    ASSERT_EQ(Owner.GetCodePage(), 37);
    EXPECT_EQ(Shape(Lines()), (std::vector<LineExpect>{{2, 1}, {3, 0}}));
}

TEST_F(NewLineTest, LineEndCharAndStartsWithLFByKind)
{
    ASSERT_TRUE(Load(std::string("\xFF\xFE" "a\0\r\0", 6)));
    ASSERT_EQ(Owner.GetCodePage(), 1200);
    EXPECT_EQ(Lines().LineEndChar(Lines().Lines().begin()), 13);
    Owner.SetCodePage(1201);
    EXPECT_EQ(Lines().LineEndChar(Lines().Lines().begin()), 0);
}

}  // namespace
}  // namespace zin::test
