// Find and go to in the control: a match made the selection, the caret sent
// to a line or an offset, and the marks of a pattern's matches in view.
#include <set>

#include "EditTestUtil.h"
#include "support/doubles/RasterSurface.h"

namespace zin::test {
namespace {

class FindTest : public EditTest {
protected:
    std::string Selected()
    {
        std::u16string text;
        EXPECT_TRUE(Edit->SelectedText(text));
        return std::string(text.begin(), text.end());
    }
    void ExpectSelection(uint64_t from, uint64_t to)
    {
        ASSERT_TRUE(Edit->Selecting());
        EXPECT_EQ(Edit->SelAnchor().FilePos, from);
        EXPECT_EQ(Edit->Caret().FilePos, to);
        ExpectCaretValid(Edit->SelAnchor());
        ExpectCaretValid(Edit->Caret());
    }
};

TEST_F(FindTest, AMatchBecomesTheSelectionOnTheLineThatHoldsItsFirstByte)
{
    // Four-byte lines, many of them: the early ones lie in the first half of
    // the file, where an offset at a line's start looks up the line before.
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "l" + std::string(1, char('a' + i % 26)) + std::to_string(i % 10) + "\n";
    text += "end";  // no newline at the end
    ASSERT_TRUE(Load(text));

    Edit->SelectMatch(4, 3);  // the whole text of the second line
    ExpectSelection(4, 7);
    EXPECT_EQ(Edit->SelAnchor().LineIndex, 1);
    EXPECT_EQ(Edit->SelAnchor().LinePos, 0u);
    EXPECT_EQ(Edit->Caret().LineIndex, 1);
    EXPECT_EQ(Selected(), "lb1");
    EXPECT_EQ(Events, (std::vector<std::string>{"selection", "state"}));

    Edit->SelectMatch(3, 2);  // a newline and the next line's first byte
    ExpectSelection(3, 5);
    EXPECT_EQ(Selected(), "\nl");
    EXPECT_EQ(Edit->Caret().LineIndex, 1);

    Edit->SelectMatch(0, 1);  // the first byte
    ExpectSelection(0, 1);
    EXPECT_EQ(Edit->TopRow(), 0);

    const uint64_t size = text.size();
    Edit->SelectMatch(size - 1, 1);  // the last byte
    ExpectSelection(size - 1, size);
    EXPECT_EQ(Selected(), "d");
    // The last page stays full rather than showing the last row near the top.
    EXPECT_EQ(Edit->TopRow(), Edit->LineStore().RowCount() - Edit->FullRows());

    Edit->SelectMatch(size + 10, 5);  // past the end: the caret at the end, nothing selected
    EXPECT_FALSE(Edit->Selecting());
    EXPECT_EQ(Edit->Caret().FilePos, size);
}

TEST_F(FindTest, AFoundMatchScrollsIntoViewWithContextAboveAndStaysPutWhenInView)
{
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "row " + std::to_string(1000 + i) + "\n";  // 9 bytes a line
    ASSERT_TRUE(Load(text));
    Edit->SelectMatch(500 * 9 + 4, 4);
    EXPECT_EQ(Edit->Caret().LineIndex, 500);
    EXPECT_EQ(Edit->TopRow(), 497);  // three rows of context
    const int32_t top = Edit->TopRow();
    Edit->SelectMatch(510 * 9, 3);  // on the page, away from its edges
    EXPECT_EQ(Edit->TopRow(), top);
    Edit->SelectMatch(200 * 9, 3);  // above the page
    EXPECT_EQ(Edit->TopRow(), 197);
    Edit->SelectMatch((197 + Edit->FullRows() - 1) * 9, 3);  // on the page's last row: scrolled
    EXPECT_EQ(Edit->TopRow(), 197 + Edit->FullRows() - 1 - 3);
}

TEST_F(FindTest, GoToLineAndOffsetAreClampedToTheFile)
{
    ASSERT_TRUE(Load("first\nsecond line\n\tthird\nlast"));
    Edit->SelectMatch(0, 3);
    Edit->GoToLine(1, 3);
    EXPECT_FALSE(Edit->Selecting());
    EXPECT_EQ(Edit->Caret().LineIndex, 1);
    EXPECT_EQ(Edit->Caret().FilePos, 6u + 3);
    ExpectCaretValid(Edit->Caret());
    Edit->GoToLine(2, 1);  // a tab is one character
    EXPECT_EQ(Edit->Caret().FilePos, 18u + 1);
    Edit->GoToLine(1, 500);  // the end of the line's text, not its newline
    EXPECT_EQ(Edit->Caret().FilePos, 17u);
    EXPECT_EQ(Edit->Caret().LineIndex, 1);
    Edit->GoToLine(99, 0);
    EXPECT_EQ(Edit->Caret().LineIndex, 3);
    EXPECT_EQ(Edit->Caret().FilePos, 25u);
    Edit->GoToLine(-5, 0);
    EXPECT_EQ(Edit->Caret().FilePos, 0u);

    Edit->GoToFilePos(6);  // a line's start in the first half: that line
    EXPECT_EQ(Edit->Caret().LineIndex, 1);
    EXPECT_EQ(Edit->Caret().LinePos, 0u);
    Edit->GoToFilePos(17);  // within a newline: back to the text's end
    EXPECT_EQ(Edit->Caret().FilePos, 17u);
    Edit->GoToFilePos(UINT64_MAX);
    EXPECT_EQ(Edit->Caret().FilePos, 29u);
    ExpectCaretValid(Edit->Caret());
}

// The marks on a raster page: which pixels of a row's top line carry the
// match background.
class MarkTest : public EditTest {
protected:
    MarkTest()
    {
        RasterHost.Raster = true;
        RasterHost.Client = TRect{0, 0, 800, 600};
        Marked = MakeEdit(RasterHost);
        Marked->CreateWnd();
        Marked->Resize();
    }
    ~MarkTest() override { Marked.reset(); }
    std::set<int32_t> MarkedXs(int32_t row)
    {
        const auto& page = static_cast<const TRasterSurface&>(Marked->PageBitmap());
        std::set<int32_t> xs;
        const int32_t y = (row - Marked->TopRow()) * Marked->RowHeight() + Marked->ExtraSpacing() / 2;
        for (int32_t x = 0; x < page.Width(); ++x)
            if (page.Pixel(x, y) == TZinEdit::MatchBackground)
                xs.insert(x);
        return xs;
    }
    void Paint() { Marked->Paint(Window); }
    TSearchPattern Pattern(const std::string& text)
    {
        TSearchPattern p;
        TSearchOptions o;
        o.Pattern = text;
        EXPECT_TRUE(p.Compile(o, Marked->CodePage()));
        return p;
    }
    int32_t TextX() const { return Marked->GutterWidth() + Marked->LeftMargin(); }

    TTestHost RasterHost;
    std::unique_ptr<TZinEdit> Marked;
    TRasterSurface Window;
};

TEST_F(MarkTest, MatchesInViewGetTheMatchBackgroundAndOnlyVisibleLinesAreSearched)
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += i % 7 == 3 ? "ab ------ cd\n" : "ab needle cd\n";  // 13 bytes a line
    ASSERT_TRUE(Marked->LoadFromFile(Dir.Write("m.txt", text)));
    Window.Resize(800, 600);
    Paint();
    EXPECT_EQ(Marked->MarkBytesSearched(), 0u);  // nothing without a pattern
    EXPECT_TRUE(MarkedXs(0).empty());

    Marked->SetMarkPattern(Pattern("NEEDLE"));  // case folded
    Marked->VScroll(scPageDown);
    Paint();
    const int32_t rows = Marked->VisibleRows();
    const int32_t x0 = TextX();
    int32_t withMatch = 0;
    for (int32_t row = Marked->TopRow(); row < Marked->TopRow() + rows; ++row) {
        SCOPED_TRACE(row);
        const std::set<int32_t> xs = MarkedXs(row);
        if (row % 7 == 3) {
            EXPECT_TRUE(xs.empty());
            continue;
        }
        ++withMatch;
        ASSERT_EQ(xs.size(), 6u * 8);  // "needle", 8 pixels a character
        EXPECT_EQ(*xs.begin(), x0 + 3 * 8);
        EXPECT_EQ(*xs.rbegin(), x0 + 9 * 8 - 1);
    }
    EXPECT_EQ(Marked->MarksPainted(), static_cast<uint64_t>(withMatch));
    // The painted lines only (a partly visible one included), not the file.
    EXPECT_LE(Marked->MarkBytesSearched(), uint64_t(rows + 1) * 13);

    // The selected match shows inverted, unlike the others.
    const int32_t top = Marked->TopRow(), selected = top + 5 + ((top + 5) % 7 == 3 ? 1 : 0);
    Marked->SelectMatch(uint64_t(selected) * 13 + 3, 6);
    Paint();
    ASSERT_EQ(Marked->TopRow(), top);
    EXPECT_TRUE(MarkedXs(selected).empty());
    EXPECT_EQ(MarkedXs(selected + 1).size() + MarkedXs(selected + 2).size(), 96u - 48u * ((selected + 1) % 7 == 3));

    Marked->ClearMarkPattern();
    Paint();
    EXPECT_TRUE(MarkedXs(Marked->TopRow() + 2).empty());
}

TEST_F(MarkTest, AMarkCrossesTheRowsOfAWrappedLine)
{
    ASSERT_TRUE(Marked->LoadFromFile(Dir.Write("w.txt", "abcdefghijklmnopqrstuvwxyz\nhijk\n")));
    Marked->SetMaxColumns(10);
    Marked->SetWordWrapMode(wwmWrapByColumn);
    // 10 + 10 + 6 characters, "hijk", the empty line after the last newline.
    ASSERT_EQ(Marked->LineStore().RowCount(), 5);
    Marked->SetMarkPattern(Pattern("hijklm"));
    Window.Resize(800, 600);
    Paint();
    const int32_t x0 = TextX();
    const std::set<int32_t> first = MarkedXs(0), second = MarkedXs(1);
    ASSERT_EQ(first.size(), 3u * 8);  // "hij" ends the first row
    EXPECT_EQ(*first.begin(), x0 + 7 * 8);
    ASSERT_EQ(second.size(), 3u * 8);  // "klm" begins the second
    EXPECT_EQ(*second.begin(), x0);
    EXPECT_TRUE(MarkedXs(2).empty());
    EXPECT_TRUE(MarkedXs(3).empty());  // "hijk" alone is no match

    // Selecting it: from the first row to the second.
    Marked->SelectMatch(7, 6);
    EXPECT_EQ(Marked->Caret().Row, 1);
    EXPECT_EQ(Marked->SelAnchor().Row, 0);
    EXPECT_EQ(Marked->SelAnchor().X, 7 * 8);
}

}  // namespace
}  // namespace zin::test
