// Caret moves, selection, keys and mouse: the edge cases a user meets, and
// random command sequences that must keep every position valid.
#include <random>

#include "EditTestUtil.h"
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

TEST_F(CaretTest, TypingAndHexModeChangeNothingButClicksStillPlaceTheCaret)
{
    ASSERT_TRUE(Load("abc\ndef\n"));
    Edit->KeyPress(u'x');
    Edit->InputMethodResult(u"\u65e5\u672c");
    EXPECT_EQ(Edit->LineStore().FileSize(), 8u);
    EXPECT_EQ(C().FilePos, 0u);
    EXPECT_TRUE(Edit->WantsKey(VK_TAB));

    ASSERT_TRUE(Load("ab\x01\xFF\x02" "cd\nef", "x.bin"));
    ASSERT_EQ(Edit->EditMode(), emHexMode);
    for (uint16_t key : {VK_RIGHT, VK_DOWN, VK_END, VK_NEXT})
        Key(key);
    Key(VK_END, ssCtrl);
    EXPECT_EQ(C().FilePos, 0u);
    Click(TextX(16), 0);
    EXPECT_EQ(C().FilePos, 2u);
    TTestSurface window;
    Edit->Paint(window);
    EXPECT_FALSE(Host.CaretVisible);  // nothing to stand on is shown
    Click(TextX(8), 0);
    EXPECT_FALSE(Host.CaretVisible);
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
