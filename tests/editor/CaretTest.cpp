// Caret moves, selection, keys and mouse: the edge cases a user meets, and
// random command sequences that must keep every position valid.
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "EditTestUtil.h"
#include "editor/ZinEditSelection.h"
#include "support/doubles/TestSurface.h"

namespace zin::test {
namespace {

using Strings = std::vector<std::string>;

class CaretTest : public EditTest {
protected:
    void Key(uint16_t key, TShiftState shift = TShiftState{}) { Edit->KeyDown(key, shift); }
    const TCaretPos& C() { return Edit->Caret(); }
    // A click with the left button, released at once.
    void Click(int32_t x, int32_t y, TShiftState shift = TShiftState{})
    {
        Edit->MouseDown(mbLeft, shift | ssLeft, x, y);
        Edit->MouseUp(mbLeft, shift, x, y);
    }
    // Client x of the text's pixel column px (no gutter is painted yet).
    int32_t TextX(int32_t px) { return Edit->GutterWidth() + Edit->LeftMargin() + px; }
};

TEST_F(CaretTest, HomeEndAndTheIndentation)
{
    ASSERT_TRUE(Load("    abc\n   \n\tx\n"));
    Key(VK_END);
    EXPECT_EQ(C().LinePos, 7u);
    Key(VK_HOME);
    EXPECT_EQ(C().LinePos, 4u);  // to the a
    EXPECT_EQ(C().X, 32);
    Key(VK_HOME);
    EXPECT_EQ(C().LinePos, 0u);  // to column 0
    Key(VK_HOME);
    EXPECT_EQ(C().LinePos, 4u);  // back to the a
    EXPECT_EQ(Edit->DesiredX(), 32);
    // A row of blanks only has no indentation.
    Key(VK_DOWN);
    Key(VK_END);
    Key(VK_HOME);
    EXPECT_EQ(C().LinePos, 0u);
    Key(VK_HOME);
    EXPECT_EQ(C().LinePos, 0u);
}

TEST_F(CaretTest, LeftAndRightAcrossWrapBoundariesAndLines)
{
    ASSERT_TRUE(Load("aaaa bbbb\r\ncc\r\n"));
    Edit->SetWordWrapMode(wwmWrapByColumn);
    Edit->SetMaxColumns(5);  // rows "aaaa " and "bbbb"
    for (int i = 0; i < 5; ++i)
        Key(VK_RIGHT);
    EXPECT_EQ(C().Row, 0);
    EXPECT_EQ(C().X, 40);  // end of the first row
    Key(VK_RIGHT);
    EXPECT_EQ(C().FilePos, 5u);  // the same place, shown on the next row
    EXPECT_EQ(C().Row, 1);
    EXPECT_EQ(C().X, 0);
    Key(VK_LEFT);
    EXPECT_EQ(C().FilePos, 5u);
    EXPECT_EQ(C().Row, 0);
    EXPECT_EQ(C().X, 40);
    // Across a CR LF: one step, two bytes.
    Key(VK_DOWN);
    Key(VK_END);
    EXPECT_EQ(C().FilePos, 9u);
    Key(VK_RIGHT);
    EXPECT_EQ(C().FilePos, 11u);
    EXPECT_EQ(C().LineIndex, 1);
    Key(VK_LEFT);
    EXPECT_EQ(C().FilePos, 9u);
    // The edges of the file do nothing.
    Key(VK_HOME, ssCtrl);
    Key(VK_LEFT);
    Key(VK_UP);
    EXPECT_EQ(C().FilePos, 0u);
    Key(VK_END, ssCtrl);
    EXPECT_EQ(C().FilePos, 15u);
    Key(VK_RIGHT);
    Key(VK_DOWN);
    EXPECT_EQ(C().FilePos, 15u);
    ExpectCaretValid(C());
    // A UTF-16 file of odd size whose lone last byte is a carriage return:
    // the last line ends in it, and Ctrl+End stays before it.
    ASSERT_TRUE(Load(std::string("\xFF\xFE" "a\0b\0\r", 7)));
    Key(VK_END, ssCtrl);
    EXPECT_EQ(C().FilePos, 6u);
    ExpectCaretValid(C());
}

TEST_F(CaretTest, ColumnModeVirtualColumns)
{
    ASSERT_TRUE(Load("abcdefgh\nab\n"));
    Edit->SetEditMode(emColumnMode);
    Key(VK_END);
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    EXPECT_EQ(C().VirtualCols, 2);
    EXPECT_EQ(C().X, 80);
    Key(VK_DOWN);  // a shorter row: the pixel column as virtual columns
    EXPECT_EQ(C().LinePos, 2u);
    EXPECT_EQ(C().VirtualCols, 8);
    EXPECT_EQ(C().X, 80);
    EXPECT_EQ(Edit->CaretColumn(), 10u);
    // Right stops at the horizontal extent.
    for (int i = 0; i < 500; ++i)
        Key(VK_RIGHT);
    EXPECT_GE(C().X, Edit->HorzExtent());
    EXPECT_LT(C().X, Edit->HorzExtent() + 8);
    // Left from the row's start does not wrap in column mode.
    Key(VK_HOME);
    Key(VK_HOME);
    EXPECT_EQ(C().X, 0);
    Key(VK_LEFT);
    EXPECT_EQ(C().Row, 1);
    // Leaving column mode drops the caret's virtual columns.
    Key(VK_END);
    Key(VK_RIGHT);
    Edit->SetEditMode(emTextMode);
    EXPECT_EQ(C().VirtualCols, 0);
    EXPECT_EQ(C().X, 16);
}

TEST_F(CaretTest, ClicksShiftClicksAndDrags)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "line " + std::to_string(i) + "\n";
    ASSERT_TRUE(Load(text));
    Click(TextX(12), 16 * 3 + 5);  // exactly half of the second character
    EXPECT_EQ(C().Row, 3);
    EXPECT_EQ(C().LinePos, 1u);
    Events.clear();
    Click(TextX(13), 16 * 5, ssShift);  // selects from the old caret
    EXPECT_TRUE(Edit->Selecting());
    EXPECT_EQ(Edit->SelAnchor().Row, 3);
    EXPECT_EQ(Edit->SelEnd().Row, 5);
    EXPECT_EQ(Edit->SelEnd().LinePos, 2u);
    EXPECT_EQ(Events, Strings{"selection"});
    std::u16string copied;
    ASSERT_TRUE(Edit->SelectedText(copied));
    EXPECT_EQ(copied, u"ine 3\nline 4\nli");
    EXPECT_FALSE(Edit->SelectedText(copied, 10));  // too large: nothing half done
    EXPECT_TRUE(copied.empty());
    Click(TextX(0), 0);  // a plain click drops it
    EXPECT_FALSE(Edit->Selecting());

    // Dragging d pixels above the window moves the caret, and the view with
    // it, d / row height + 1 rows above the top row on every move.
    Edit->ScrollView(true, 100);
    Edit->MouseDown(mbLeft, ssLeft, TextX(0), 16 * 2);
    EXPECT_EQ(C().Row, 102);
    Edit->MouseMove(ssLeft, TextX(0), -20);
    EXPECT_EQ(C().Row, 98);
    EXPECT_EQ(Edit->TopRow(), 98);
    Edit->MouseMove(ssLeft, TextX(0), -20);
    EXPECT_EQ(C().Row, 96);
    Edit->MouseMove(ssLeft, TextX(0), 16 * 40);  // below: the last visible row
    EXPECT_EQ(C().Row, 96 + 40);
    Edit->MouseUp(mbLeft, TShiftState{}, 0, 0);
    EXPECT_TRUE(Edit->Selecting());
    EXPECT_EQ(Edit->SelAnchor().Row, 102);
    Edit->MouseMove(TShiftState{}, TextX(0), 0);  // no button: nothing moves
    EXPECT_EQ(C().Row, 96 + 40);
    // The cursor is the arrow over the gutter, the I-beam elsewhere.
    EXPECT_EQ(Host.Cursor, crIBeam);
}

TEST_F(CaretTest, TheSelectionDropsWhenTheCaretComesBackOntoTheAnchor)
{
    // Before any file: the empty control takes selecting keys and clicks.
    for (const uint16_t key : {VK_LEFT, VK_RIGHT, VK_DOWN, VK_END})
        Key(key, ssShift);
    Click(TextX(40), 8, ssShift);
    std::u16string none;
    EXPECT_TRUE(Edit->SelectedText(none));
    EXPECT_TRUE(none.empty());
    ASSERT_TRUE(Load("abc\ndef\n"));
    Key(VK_RIGHT, ssShift);
    Key(VK_RIGHT, ssShift);
    EXPECT_TRUE(Edit->Selecting());
    Key(VK_LEFT, ssShift);
    Key(VK_LEFT, ssShift);
    EXPECT_FALSE(Edit->Selecting());
    // A plain move drops a selection; Ctrl+A moves nothing, Ctrl+Left at a
    // line's start goes to the end of the line before.
    Key(VK_DOWN, ssShift);
    Key('A', ssCtrl);
    EXPECT_EQ(C().Row, 1);
    Key(VK_LEFT, ssCtrl | ssShift);
    EXPECT_EQ(C().Row, 0);
    EXPECT_EQ(C().FilePos, 3u);
    EXPECT_TRUE(Edit->Selecting());
    Key(VK_LEFT);
    EXPECT_FALSE(Edit->Selecting());
}

TEST_F(CaretTest, TypingChangesNothingAndHexModeKeysAndClicksGoByBytes)
{
    ASSERT_TRUE(Load("abc\ndef\n"));
    Edit->KeyPress(u'x');
    Edit->InputMethodResult(u"\u65e5\u672c");
    EXPECT_EQ(Edit->LineStore().FileSize(), 8u);
    EXPECT_EQ(C().FilePos, 0u);
    EXPECT_TRUE(Edit->WantsKey(VK_TAB));

    ASSERT_TRUE(Load("ab\x01\xFF\x02" "cd\nef", "x.bin"));
    ASSERT_EQ(Edit->EditMode(), emHexMode);
    Key(VK_RIGHT);
    EXPECT_EQ(Edit->HexCaret(), 1u);
    Key(VK_END, ssCtrl);
    EXPECT_EQ(Edit->HexCaret(), 9u);
    TTestSurface window;
    Edit->Paint(window);
    // Bytes are two digits and a space of 8 pixels each after the offset
    // gutter; a click on byte 2's second digit puts the caret on it, shown
    // at the byte's first digit.
    Click(TextX(2 * 24 + 12), 0);
    Edit->Paint(window);
    EXPECT_EQ(Edit->HexCaret(), 2u);
    EXPECT_TRUE(Host.CaretVisible);
    EXPECT_EQ(Host.CaretX, TextX(2 * 24));
    // The character area: 16 bytes of 24 pixels and a gap of 16 to its left.
    Click(TextX(16 * 24 + 16 + 5 * 8 + 1), 0);
    Edit->Paint(window);
    EXPECT_EQ(Edit->HexCaret(), 5u);
    EXPECT_TRUE(Edit->HexInChars());
    EXPECT_EQ(Host.CaretX, TextX(16 * 24 + 16 + 5 * 8));
    Key(VK_TAB);
    Edit->Paint(window);
    EXPECT_FALSE(Edit->HexInChars());
    EXPECT_EQ(Host.CaretX, TextX(5 * 24));
}

TEST_F(CaretTest, ColumnSelectionText)
{
    ASSERT_TRUE(Load("abcdef\nab\nabcdefgh\n"));
    Edit->SetEditMode(emColumnMode);
    Click(TextX(8), 0);
    Click(TextX(32), 32, ssShift);
    std::u16string copied;
    ASSERT_TRUE(Edit->SelectedText(copied));
    EXPECT_EQ(copied, u"bcd\nb\nbcd");
    // Too large: refused, nothing half done.
    EXPECT_FALSE(Edit->SelectedText(copied, 8));
    EXPECT_TRUE(copied.empty());
}

TEST_F(CaretTest, CopiesCarryCharactersBeyondTheBasicPlaneAsTheFileHoldsThem)
{
    // Shown as four one-byte characters each; copied as the character a
    // well-formed sequence encodes. A sequence cut short, an overlong one
    // and one beyond U+10FFFF stay the bytes they were shown as.
    ASSERT_TRUE(Load("a\xF0\x9F\x98\x80" "b\n\xF0\x9F\x98" "c\xF0\x8F\x80\x80\xF4\x90\x80\x80\xF4\x8F\xBF\xBF\n"));
    Edit->SetCodePage(65001);  // the content test takes it for another code page
    std::u16string copied;
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    EXPECT_EQ(C().FilePos, 2u);  // the display is unchanged
    Key(VK_END, ssShift);
    ASSERT_TRUE(Edit->SelectedText(copied));
    EXPECT_EQ(copied, u"\u009f\u0098\u0080b");
    Key(VK_HOME);
    Key(VK_RIGHT, ssShift);
    Key(VK_RIGHT, ssShift);
    Key(VK_RIGHT, ssShift);
    ASSERT_TRUE(Edit->SelectedText(copied));
    EXPECT_EQ(copied, u"a\u00f0\u009f");  // the selection ends inside the sequence
    Key(VK_HOME, ssCtrl);
    Key(VK_END, ssCtrl | ssShift);
    ASSERT_TRUE(Edit->SelectedText(copied));
    EXPECT_EQ(copied, u"a\U0001F600b\n\u00f0\u009f\u0098c\u00f0\u008f\u0080\u0080\u00f4\u0090\u0080\u0080\U0010FFFF\n");
    // The same in a column block.
    Edit->SetEditMode(emColumnMode);
    Key(VK_HOME, ssCtrl);
    Key(VK_DOWN, ssShift);
    Key(VK_END, ssShift);
    ASSERT_TRUE(Edit->SelectedText(copied));
    EXPECT_EQ(copied.substr(0, 4), u"a\U0001F600b");
    // Too large by one unit: refused whole.
    Edit->SetEditMode(emTextMode);
    Key(VK_HOME, ssCtrl);
    Key(VK_END, ssShift);
    EXPECT_FALSE(Edit->SelectedText(copied, 3 * sizeof(char16_t)));
    EXPECT_TRUE(copied.empty());
    ASSERT_TRUE(Edit->SelectedText(copied, 4 * sizeof(char16_t)));
    EXPECT_EQ(copied, u"a\U0001F600b");

    // A surrogate pair of a UTF-16 file is one character in the copy.
    ASSERT_TRUE(Load(std::string("\xFF\xFE" "a\0\x3D\xD8\x00\xDE" "b\0", 10)));
    ASSERT_EQ(Edit->CodePage(), 1200);
    Key(VK_END, ssShift);
    ASSERT_TRUE(Edit->SelectedText(copied));
    EXPECT_EQ(copied, u"a\U0001F600b");
    // In a single-byte code page the bytes are characters of their own.
    ASSERT_TRUE(Load("\xF0\x9F\x98\x80"));
    Edit->SetCodePage(1252);
    Key(VK_END, ssShift);
    ASSERT_TRUE(Edit->SelectedText(copied));
    EXPECT_EQ(copied, u"\u00f0\u0178\u02dc\u20ac");
}

// The caret's steps against each other on random files and wraps: Right
// from the text's start passes every character of every line once (a step
// onto the next row keeps the file position, onto the next line passes the
// newline) and ends where Ctrl+End goes; Left retraces that walk exactly;
// Down and Up visit every row's start in turn; every stop of Ctrl+Right
// and Ctrl+Left, and both ends of a run a double click selects, are places
// of the walk.
TEST_F(CaretTest, StepsRetraceEachOtherAndWordStopsLieOnTheCharacterWalk)
{
    using TState = std::tuple<uint64_t, int32_t, uint64_t, int32_t, int32_t, int32_t, int32_t>;
    auto state = [this] {
        return TState{C().FilePos, C().Row, C().LinePos, C().LineIndex, C().SubRow, C().X, Edit->CaretCharIndex()};
    };
    std::mt19937 rng(20261209);
    static const char* const pieces[] = {"ab", " ", "\t", "\xC3\xA9", "\xE4\xB8\xAD", "word", "\r\n", "\n",
                                         "x.y", "    ", "\xF0\x9F\x98\x80", "(", "\xE3\x80\x80"};
    for (int round = 0; round < 16; ++round) {
        std::string text;
        const int n = std::uniform_int_distribution<int>(0, 90)(rng);
        for (int i = 0; i < n; ++i)
            text += pieces[rng() % std::size(pieces)];
        ASSERT_TRUE(Load(text, round % 2 ? "w.txt" : "w.cpp"));
        Edit->SetWordWrapMode(static_cast<TWordWrapMode>(round % 3));
        Edit->SetMaxColumns(5 + round % 4);
        Host.Client = TRect{0, 0, 70 + 10 * (round % 4), 90};
        Edit->Resize();
        SCOPED_TRACE("round " + std::to_string(round));
        TZinLines& store = Edit->LineStore();

        // Characters of the text, newlines left out, as the reader gives them.
        int64_t chars = 0;
        twc_queue q;
        for (TLineIterator line = store.Lines().begin(); line != store.Lines().end(); ++line) {
            const TRowList rows = line->Rows();
            store.BeginRead(line, rows[0]);
            while (store.ReadPos() < rows.back().Pos && store.NextChar(q))
                ++chars;
        }

        Key(VK_HOME, ssCtrl);
        std::vector<TState> walk{state()};
        std::map<TState, size_t> at{{walk[0], 0}};
        int64_t passed = 0;
        for (;;) {
            const TCaretPos before = C();
            const int32_t index = Edit->CaretCharIndex();
            Key(VK_RIGHT);
            if (state() == walk.back())
                break;
            ASSERT_NO_FATAL_FAILURE(ExpectCaretValid(C()));
            if (C().Row == before.Row) {
                ASSERT_GT(C().FilePos, before.FilePos);
                ASSERT_EQ(Edit->CaretCharIndex(), index + 1);
                ++passed;
            } else {
                ASSERT_EQ(C().Row, before.Row + 1);
                ASSERT_EQ(Edit->CaretCharIndex(), 0);
                if (C().LineIndex == before.LineIndex)
                    ASSERT_EQ(C().FilePos, before.FilePos);
                else
                    ASSERT_EQ(C().FilePos, before.FilePos + before.Line->NewLineBytes);
            }
            at.emplace(state(), walk.size());
            walk.push_back(state());
            ASSERT_LT(walk.size(), 4000u);
        }
        EXPECT_EQ(passed, chars);
        Key(VK_HOME, ssCtrl);
        Key(VK_END, ssCtrl);
        ASSERT_EQ(state(), walk.back());
        for (size_t i = walk.size() - 1; i > 0; --i) {
            Key(VK_LEFT);
            ASSERT_EQ(state(), walk[i - 1]) << "step " << i;
        }

        for (int32_t row = 1; row < store.RowCount(); ++row) {
            Key(VK_DOWN);
            ASSERT_EQ(C().Row, row);
            ASSERT_EQ(C().LinePos, C().Line->Rows()[static_cast<size_t>(C().SubRow)].Pos);
            ASSERT_NO_FATAL_FAILURE(ExpectCaretValid(C()));
        }
        for (int32_t row = store.RowCount() - 2; row >= 0; --row) {
            Key(VK_UP);
            ASSERT_EQ(C().Row, row);
            ASSERT_EQ(C().X, 0);
        }
        ASSERT_EQ(state(), walk[0]);

        for (size_t last = 0;;) {
            Key(VK_RIGHT, ssCtrl);
            const auto it = at.find(state());
            ASSERT_TRUE(it != at.end()) << "Ctrl+Right stopped off the walk at " << C().FilePos;
            if (it->second == last)
                break;
            ASSERT_GT(it->second, last);
            last = it->second;
        }
        ASSERT_EQ(state(), walk.back());
        for (size_t last = walk.size() - 1;;) {
            Key(VK_LEFT, ssCtrl);
            const auto it = at.find(state());
            ASSERT_TRUE(it != at.end()) << "Ctrl+Left stopped off the walk at " << C().FilePos;
            if (it->second == last)
                break;
            ASSERT_LT(it->second, last);
            last = it->second;
        }
        ASSERT_EQ(state(), walk[0]);

        // A double click beyond a row's end selects the run of its last
        // character (nothing on an empty row), both ends on the walk.
        std::set<std::tuple<uint64_t, int32_t, int32_t>> places;
        std::set<int32_t> filledRows;
        for (const TState& w : walk) {
            places.emplace(std::get<0>(w), std::get<1>(w), std::get<5>(w));
            if (std::get<6>(w) > 0)
                filledRows.insert(std::get<1>(w));
        }
        auto onWalk = [&](const TCaretPos& p) { return places.count({p.FilePos, p.Row, p.X}) == 1; };
        for (int32_t row = 0; row < std::min(Edit->FullRows(), store.RowCount()); ++row) {
            Key(VK_HOME, ssCtrl);
            Edit->MouseDown(mbLeft, ssLeft | ssDouble, 5000, row * Edit->RowHeight() + 1);
            Edit->MouseUp(mbLeft, TShiftState{}, 0, 0);
            ASSERT_EQ(Edit->Selecting(), filledRows.count(row) == 1) << "row " << row;
            if (Edit->Selecting()) {
                ASSERT_TRUE(onWalk(Edit->SelAnchor()) && onWalk(Edit->SelEnd()));
                ASSERT_LT(Edit->SelAnchor().FilePos, Edit->SelEnd().FilePos);
                ASSERT_LE(Edit->SelAnchor().Row, row);
                ASSERT_GE(Edit->SelEnd().Row, row);
            }
        }
    }
}

// The selection on its own, driven as the keys and the mouse drive it (a
// begin when asked, a caret move, then an extension or a clear) over
// random places: its ends stay in file order, and after every step the
// rows a repaint of its dirty rows would leave on the page look as the
// selection now says (no row changes unless a repaint is asked for, and
// none outside the dirty rows).
TEST(SelectionTest, EndsStayInOrderAndDirtyRowsCoverEveryChangedRow)
{
    constexpr int32_t rows = 24;
    using TLook = std::tuple<bool, int32_t, int32_t, bool>;
    std::mt19937 rng(91);
    for (int round = 0; round < 300; ++round) {
        const bool column = round % 2 == 1;
        TSelection sel;
        TCaretPos caret;
        auto look = [&](int32_t row) {
            const TCaretPos* first = sel.First();
            const TCaretPos* last = sel.Last();
            if (!sel.Active() || row < first->Row || row > last->Row)
                return TLook{};
            if (column)
                return TLook{true, sel.ColLeft(), sel.ColRight(), row == caret.Row};
            return TLook{true, row == first->Row ? first->X : -1, row == last->Row ? last->X : -1, false};
        };
        sel.Collapse(caret);
        std::vector<TLook> page(rows);
        for (int step = 0; step < 60; ++step) {
            const bool extend = rng() % 3 != 0;
            bool repaint = false;
            if (extend ? !sel.Active() || rng() % 4 == 0 : sel.Active() && rng() % 2 == 0)
                repaint |= sel.Begin(caret);
            caret.Row = static_cast<int32_t>(rng() % rows);
            caret.FilePos = static_cast<uint64_t>(caret.Row) * 16 + rng() % 16;
            caret.X = static_cast<int32_t>(rng() % 100);
            caret.VirtualCols = column && rng() % 4 == 0 ? 1 : 0;
            repaint |= extend ? sel.Extend(caret, column) : sel.Clear();
            if (sel.Active()) {
                ASSERT_EQ(sel.End().FilePos, caret.FilePos);
                ASSERT_LE(sel.First()->FilePos, sel.Last()->FilePos);
                ASSERT_TRUE(sel.First() == &sel.End() ? sel.Last() == &sel.Anchor() : sel.Last() == &sel.End());
                if (column) {
                    ASSERT_EQ(sel.ColLeft(), std::min(sel.Anchor().X, sel.End().X));
                    ASSERT_EQ(sel.ColRight(), std::max(sel.Anchor().X, sel.End().X));
                }
            }
            if (repaint)
                for (int32_t row = std::max(sel.DirtyFirst(), 0); row <= std::min(sel.DirtyLast(), rows - 1); ++row)
                    page[static_cast<size_t>(row)] = look(row);
            for (int32_t row = 0; row < rows; ++row)
                ASSERT_EQ(page[static_cast<size_t>(row)], look(row))
                    << "round " << round << " step " << step << " row " << row;
        }
    }
}

// Random command sequences over random files, wrap modes and edit modes:
// after every step the caret (and the selection's ends) are valid places.
TEST_F(CaretTest, RandomCommandsKeepEveryPositionValid)
{
    std::mt19937 rng(8122026);
    static const uint16_t keys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT};
    static const char* const pieces[] = {"ab", " ", "\t", "\xC3\xA9", "\xE4\xB8\xAD", "word", "\r\n", "\n", "\r",
                                         "x.y", "    "};
    for (int round = 0; round < 24; ++round) {
        std::string text;
        const int n = std::uniform_int_distribution<int>(0, 120)(rng);
        for (int i = 0; i < n; ++i)
            text += pieces[rng() % std::size(pieces)];
        ASSERT_TRUE(Load(text, round % 3 ? "r.txt" : "r.cpp"));
        Edit->SetWordWrapMode(static_cast<TWordWrapMode>(round % 3));
        Edit->SetMaxColumns(5 + round % 7);
        Host.Client = TRect{0, 0, 60 + 20 * (round % 5), 50 + 16 * (round % 4)};
        Edit->Resize();
        Edit->SetEditMode(round % 2 ? emColumnMode : emTextMode);
        for (int step = 0; step < 150; ++step) {
            const int what = static_cast<int>(rng() % 10);
            if (what < 7) {
                TShiftState shift{};
                if (rng() % 3 == 0)
                    shift |= ssShift;
                if (rng() % 5 == 0)
                    shift |= ssCtrl;
                Key(keys[rng() % std::size(keys)], shift);
            } else if (what == 7) {
                Click(static_cast<int32_t>(rng() % 200) - 20, static_cast<int32_t>(rng() % 140) - 30,
                      rng() % 2 ? ssShift : TShiftState{});
            } else if (what == 8) {
                Edit->MouseDown(mbLeft, ssLeft, 10, 10);
                Edit->MouseMove(ssLeft, static_cast<int32_t>(rng() % 300) - 50, static_cast<int32_t>(rng() % 300) - 100);
                Edit->MouseUp(mbLeft, TShiftState{}, 0, 0);
            } else {
                Edit->SetWordWrapMode(static_cast<TWordWrapMode>(rng() % 3));
            }
            ASSERT_NO_FATAL_FAILURE(ExpectCaretValid(C())) << "round " << round << " step " << step;
            // No more characters left of the caret than bytes.
            ASSERT_LE(static_cast<uint64_t>(Edit->CaretCharIndex()),
                      C().LinePos - C().Line->Rows()[static_cast<size_t>(C().SubRow)].Pos);
            if (Edit->Selecting()) {
                ASSERT_NO_FATAL_FAILURE(ExpectCaretValid(Edit->SelAnchor()));
                ASSERT_NO_FATAL_FAILURE(ExpectCaretValid(Edit->SelEnd()));
            }
            if (Edit->EditMode() == emTextMode) {
                ASSERT_EQ(C().VirtualCols, 0);
            }
        }
    }
}

}  // namespace
}  // namespace zin::test
