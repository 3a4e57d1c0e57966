// The editor control without a window: its properties, layout, scroll bars,
// opening files and keeping the caret in place through rebuilds.
#include "EditTestUtil.h"

namespace zin::test {
namespace {

using Strings = std::vector<std::string>;

TEST_F(EditTest, ConstructionTakesTheSettingsAndFallsBackTo1252)
{
    EXPECT_EQ(Edit->CodePage(), 1252);
    EXPECT_EQ(Edit->Font().Size(), 16);
    EXPECT_EQ(Edit->CharHeight(), 16);
    EXPECT_EQ(Edit->CharWidth(), 8);
    EXPECT_EQ(Edit->LeftMargin(), 4);
    EXPECT_EQ(Edit->MaxLineLength(), 32768);
    EXPECT_EQ(Host.Border, bsSingle);
    EXPECT_EQ(Host.Bars, ssBoth);
    EXPECT_EQ(Edit->Settings().KeyBindings.Pairs().size(), 25u);

    // A second control takes the settings it is given, its bindings filled
    // in once; a locale code page outside the table gives 1252.
    SetSystemCodePage(12345);
    TEditSettings settings = Edit->Settings();
    settings.MaxColumns = 33;
    settings.LineSpacing = 2.0f;
    TTestHost host;
    auto second = MakeEdit(host, settings);
    EXPECT_EQ(second->CodePage(), 1252);
    EXPECT_EQ(second->MaxColumns(), 33);
    EXPECT_EQ(second->LineSpacing(), 2.0f);
    EXPECT_EQ(second->ExtraSpacing(), 16);
    EXPECT_EQ(second->Settings().KeyBindings.Pairs().size(), 25u);
    EXPECT_EQ(Edit->MaxColumns(), 80);  // the first one's are its own
    SetSystemCodePage(65001);
    TTestHost host2;
    EXPECT_EQ(MakeEdit(host2)->CodePage(), 65001);
}

TEST_F(EditTest, SettersIgnoreTheCurrentValueAndValuesOutOfRange)
{
    ASSERT_TRUE(Load("alpha beta\ngamma\n"));
    const int invalidates = Host.Invalidates;
    const int rebuilds = Edit->RowRebuilds();
    Edit->SetCodePage(1252);
    Edit->SetCodePage(4242);  // not in the table
    Edit->SetLineSpacing(1.0f);
    Edit->SetLineSpacing(0.5f);
    Edit->SetLineSpacing(5.5f);
    Edit->SetWordWrapMode(wwmNoWrap);
    Edit->SetMaxColumns(80);
    Edit->SetMaxColumns(4);
    Edit->SetDisplayLineNumber(true);
    Edit->SetEditMode(emTextMode);
    Edit->SetShowEndOfLine(true);
    Edit->SetShowSpaceChar(true);
    Edit->SetShowTabChar(true);
    Edit->SetMarkActiveLine(true);
    Edit->SetBorderStyle(bsSingle);
    Edit->SetScrollBars(ssBoth);
    EXPECT_EQ(Events, Strings{});
    EXPECT_EQ(Host.Invalidates, invalidates);
    EXPECT_EQ(Edit->RowRebuilds(), rebuilds);
    EXPECT_EQ(Edit->CodePage(), 1252);
    EXPECT_EQ(Edit->LineSpacing(), 1.0f);
    EXPECT_EQ(Edit->MaxColumns(), 80);

    Edit->SetLineSpacing(5.0f);
    EXPECT_EQ(Edit->LineSpacing(), 5.0f);
    Edit->SetMaxColumns(5);
    EXPECT_EQ(Edit->MaxColumns(), 5);
    // Stored values go into the control's settings, for the window to save.
    EXPECT_EQ(Edit->Settings().LineSpacing, 5.0f);
    EXPECT_EQ(Edit->Settings().MaxColumns, 5);
}

TEST_F(EditTest, EachSetterRebuildsWhatItMustAndNotifiesInOrder)
{
    ASSERT_TRUE(Load("alpha beta gamma delta\nshort\n"));
    auto rebuilds = [&] { return Edit->RowRebuilds(); };
    int r = rebuilds();

    // Without wrap a new column count is kept but changes nothing.
    Edit->SetMaxColumns(10);
    EXPECT_EQ(rebuilds(), r);
    EXPECT_EQ(Events, Strings{});
    EXPECT_EQ(Edit->LineStore().RowCount(), 3);

    Edit->SetWordWrapMode(wwmWrapByColumn);
    EXPECT_EQ(rebuilds(), ++r);
    EXPECT_EQ(Events, (Strings{"state", "selection"}));
    EXPECT_EQ(Edit->GetWrapWidth(), 80);
    EXPECT_GT(Edit->LineStore().RowCount(), 3);
    Events.clear();
    Edit->SetMaxColumns(5);
    EXPECT_EQ(rebuilds(), ++r);
    EXPECT_EQ(Edit->GetWrapWidth(), 40);
    Events.clear();

    // Line numbers: a relayout without a forced rebuild (wrapping by column
    // does not depend on the gutter).
    Edit->SetDisplayLineNumber(false);
    EXPECT_EQ(rebuilds(), r);
    EXPECT_EQ(Events, Strings{});

    // Spacing relays out the rows on screen, never the rows of the file.
    Edit->SetLineSpacing(1.5f);
    EXPECT_EQ(rebuilds(), r);
    EXPECT_EQ(Edit->ExtraSpacing(), 8);
    EXPECT_EQ(Edit->VisibleRows(), 25);  // 600 / 24

    // Marks only repaint.
    const int invalidates = Host.Invalidates;
    Edit->SetShowSpaceChar(false);
    EXPECT_TRUE(Edit->RepaintAll());
    EXPECT_GT(Host.Invalidates, invalidates);
    EXPECT_EQ(rebuilds(), r);

    // A code page re-decodes: state, then selection.
    Edit->SetCodePage(1251);
    EXPECT_EQ(Events, (Strings{"state", "selection"}));
    EXPECT_EQ(Edit->CodePage(), 1251);
    EXPECT_EQ(rebuilds(), r);
    Events.clear();

    // Edit mode: only the state changes while nothing is selected.
    Edit->SetEditMode(emColumnMode);
    EXPECT_EQ(Events, Strings{"state"});
    EXPECT_EQ(Edit->HorzExtent(), 800 - Edit->GutterWidth() - 4 - 16);
}

TEST_F(EditTest, GutterWrapWidthAndLineSpacing)
{
    const int32_t dw = Edit->DigitWidth();
    EXPECT_EQ(dw, 8);
    EXPECT_EQ(Edit->GetGutterWidth(0), 2 * dw + dw / 4);
    EXPECT_EQ(Edit->GetGutterWidth(99), 2 * dw + dw / 4);
    EXPECT_EQ(Edit->GetGutterWidth(100), 3 * dw + dw / 4);
    EXPECT_EQ(Edit->GetGutterWidth(int64_t{1} << 40), 13 * dw + dw / 4);
    Edit->SetDisplayLineNumber(false);
    EXPECT_EQ(Edit->GetGutterWidth(100), 0);
    Edit->SetDisplayLineNumber(true);

    EXPECT_EQ(Edit->GetWrapWidth(), INT32_MAX);
    Edit->SetWordWrapMode(wwmWrapByWindow);
    // The gutter is sized for one line per 32 bytes of the file.
    ASSERT_TRUE(Load(std::string(3200, 'x')));
    EXPECT_EQ(Edit->GetWrapWidth(), 800 - (3 * dw + dw / 4) - 4 - 16);
    Host.Client = TRect{0, 0, 30, 100};
    Edit->Resize();
    EXPECT_EQ(Edit->GetWrapWidth(), 40);  // never below five average widths

    Edit->SetLineSpacing(1.01f);
    EXPECT_EQ(Edit->CalcExtraSpacing(), 0);
    Edit->SetLineSpacing(1.5f);
    EXPECT_EQ(Edit->CalcExtraSpacing(), 8);
}

TEST_F(EditTest, ClientMetricsVisibleRowsAndBitmaps)
{
    EXPECT_EQ(Edit->VisibleRows(), 38);  // 600 / 16, rounded up
    EXPECT_EQ(Edit->PageBitmap().Width(), 800);
    Host.Client = TRect{0, 0, 400, 10};  // lower than one row
    Edit->Resize();
    EXPECT_EQ(Edit->VisibleRows(), 1);
    EXPECT_EQ(Edit->FullRows(), 0);
    EXPECT_EQ(Edit->PageBitmap().Width(), 800);  // never shrinks
    EXPECT_EQ(Edit->PageBitmap().Height(), 600);
    Host.Client = TRect{0, 0, 900, 20};  // wider: both bitmaps take the client size
    Edit->Resize();
    EXPECT_EQ(Edit->PageBitmap().Width(), 900);
    EXPECT_EQ(Edit->PageBitmap().Height(), 20);
}

TEST_F(EditTest, ResizingInWindowWrapRebuildsRowsOnlyWhenSomethingWrapsOrWould)
{
    ASSERT_TRUE(Load("shorter\nlines\nonly\n"));
    Edit->SetWordWrapMode(wwmWrapByWindow);
    const int r = Edit->RowRebuilds();
    for (int w : {700, 900, 300, 120}) {
        Host.Client = TRect{0, 0, w, 300};
        Edit->Resize();
    }
    EXPECT_EQ(Edit->RowRebuilds(), r);
    // Now a row would not fit: rows are rebuilt, and from then on every
    // resize rebuilds them while a line has several rows.
    Host.Client = TRect{0, 0, 60, 300};
    Edit->Resize();
    EXPECT_EQ(Edit->RowRebuilds(), r + 1);
    EXPECT_GT(Edit->LineStore().RowCount(), Edit->LineStore().LineCount());
    Host.Client = TRect{0, 0, 61, 300};
    Edit->Resize();
    EXPECT_EQ(Edit->RowRebuilds(), r + 2);
}

TEST_F(EditTest, ScrollBarsFollowTheLayoutAndTheViewFollowsTheBars)
{
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "line " + std::to_string(i) + "\n";
    ASSERT_TRUE(Load(text));
    const TZinScrollBar& v = Edit->VertScrollBar();
    EXPECT_EQ(v.Max, 101 + 38 - 2);
    EXPECT_EQ(v.PageSize, 38);
    EXPECT_EQ(v.LargeChange, 36);
    EXPECT_EQ(Host.Info[sbVertical].Max, v.Max);
    EXPECT_EQ(Edit->HorzScrollBar().PageSize, 801);

    // Line and page steps and a dragged thumb move the view at once.
    Edit->VScroll(scLineDown);
    EXPECT_EQ(Edit->TopRow(), 1);
    Edit->VScroll(scPageDown);
    EXPECT_EQ(Edit->TopRow(), 37);
    Host.TrackPosition[sbVertical] = 60;
    Edit->VScroll(scTrack);
    EXPECT_EQ(Edit->TopRow(), 60);
    EXPECT_EQ(v.Position, 60);
    // Releasing the thumb, top and bottom move only the bar.
    Host.TrackPosition[sbVertical] = 10;
    Edit->VScroll(scPosition);
    EXPECT_EQ(Edit->TopRow(), 60);
    EXPECT_EQ(v.Position, 10);
    Edit->VScroll(scBottom);
    EXPECT_EQ(Edit->TopRow(), 60);
    EXPECT_EQ(v.Position, v.Max - v.LargeChange);
    // The thumb is clamped before the view follows, the view stops at the
    // last row and the bar stays with it, also at the ends of the range.
    for (const int32_t track : {5000, INT32_MAX}) {
        Host.TrackPosition[sbVertical] = track;
        Edit->VScroll(scTrack);
        EXPECT_EQ(Edit->TopRow(), 100);
        EXPECT_EQ(v.Position, 100);
        Edit->VScroll(scLineDown);
        EXPECT_EQ(Edit->TopRow(), 100);
        EXPECT_EQ(v.Position, 100);
    }

    // One wheel notch of any size is the host's line count.
    Edit->VScroll(scTop);
    Edit->VScroll(scLineUp);
    Edit->VScroll(scLineUp);  // from the bar's position 0
    EXPECT_EQ(Edit->TopRow(), 0);
    Edit->WheelScroll(-1);
    EXPECT_EQ(Edit->TopRow(), 3);
    Edit->WheelScroll(-1200);
    EXPECT_EQ(Edit->TopRow(), 6);
    Edit->WheelScroll(5);
    EXPECT_EQ(Edit->TopRow(), 3);

    // A bar the window does not show keeps its values and touches nothing.
    Edit->SetScrollBars(ssVertical);
    EXPECT_EQ(Host.Bars, ssVertical);
    const int calls = Host.ScrollInfoCalls[sbHorizontal];
    Edit->HScroll(scLineDown);
    Host.Client = TRect{0, 0, 300, 300};
    Edit->Resize();
    EXPECT_EQ(Host.ScrollInfoCalls[sbHorizontal], calls);
    EXPECT_EQ(Edit->HorzScrollBar().PageSize, 301);
}

TEST(ScrollBarTest, PositionsStayWithinTheRangeAndABadRangeIsAnError)
{
    TTestHost host;
    TZinScrollBar bar;
    bar.Kind = sbVertical;
    bar.LargeChange = 9;
    bar.SetParams(0, 100, 10, 95);
    EXPECT_EQ(bar.Position, 91);
    bar.SetPosition(-3);
    EXPECT_EQ(bar.Position, 0);
    bar.SetParams(0, 5, 10, 3);  // Max - LargeChange is negative: Min
    EXPECT_EQ(bar.Position, 0);

    // Unattached: nothing reaches a window. Attached: every update does,
    // with the parts that apply.
    bar.Handle = &host;
    bar.SetParams(0, 100, 10, 50);
    EXPECT_EQ(host.ScrollInfoCalls[sbVertical], 1);
    EXPECT_EQ(host.Info[sbVertical].Position, 50);
    EXPECT_TRUE(host.Info[sbVertical].HasRange);

    try {
        bar.SetParams(10, 5, 3, 7);
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Scrollbar property out of range");
    }
    EXPECT_EQ(bar.Min, 10);  // stored before the check
    EXPECT_EQ(bar.Position, 7);
    EXPECT_EQ(host.ScrollInfoCalls[sbVertical], 1);

    // The owner sees each scroll first and may change it.
    bar.SetParams(0, 100, 10, 50);
    int seenCode = -1;
    bar.OnScroll = [&](TZinScrollBar&, int32_t code, int32_t& pos) {
        seenCode = code;
        pos += 1;
    };
    bar.HandleScrollMessage(scPageUp);
    EXPECT_EQ(seenCode, scPageUp);
    EXPECT_EQ(bar.Position, 42);
    bar.HandleScrollMessage(scEndScroll);
    EXPECT_EQ(bar.Position, 43);
}

TEST_F(EditTest, LoadingRaisesBothNotificationsAndDropsTheSelectionEvenOnFailure)
{
    ASSERT_TRUE(Load("a\nb\n"));
    EXPECT_FALSE(Edit->LoadFromFile(Dir.Path() + "missing.txt"));
    EXPECT_EQ(Events, (Strings{"selection", "state"}));
    EXPECT_FALSE(Edit->Selecting());
    EXPECT_EQ(Edit->LineStore().LineCount(), 3);  // the previous file stays

    // Binary data: hex mode, one line, and back to text with the next file.
    ASSERT_TRUE(Load(std::string("\x01\x02\x00\x03zz\n", 7), "b.bin"));
    EXPECT_EQ(Edit->EditMode(), emHexMode);
    EXPECT_EQ(Edit->LineStore().LineCount(), 1);
    ASSERT_TRUE(Load("text\r\nagain\r\n"));
    EXPECT_EQ(Edit->EditMode(), emTextMode);
    EXPECT_EQ(Edit->NewLineType(), nltDOS);
}

TEST_F(EditTest, TheTopLineCacheNeverOutlivesItsLine)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "row number " + std::to_string(i) + "\n";
    ASSERT_TRUE(Load(text));
    Edit->ScrollView(true, 4000);
    Edit->RefreshTopLine();
    int32_t sub = -1;
    EXPECT_EQ(Edit->FindRowFromTop(4001, sub).Index, 4001);
    // A binary file replaces every line: the cached one is gone, and a
    // lookup from the top must not read it.
    ASSERT_TRUE(Load(std::string(9000, '\0'), "zeros.bin"));
    const TLinePlace p = Edit->FindRowFromTop(0, sub);
    EXPECT_EQ(p.Index, 0);
    EXPECT_EQ(sub, 0);
    EXPECT_TRUE(p.Line == Edit->LineStore().Lines().begin());
    // Another file with as many rows: row 4000 lies elsewhere now.
    std::string shortLines;
    for (int i = 0; i < 5000; ++i)
        shortLines += "x\n";
    ASSERT_TRUE(Load(shortLines));
    const TLinePlace r = Edit->FindRowFromTop(4000, sub);
    EXPECT_EQ(r.Index, 4000);
    EXPECT_EQ(r.Start, 8000u);
    // Rows rebuilt: the cache is dropped as well.
    ASSERT_TRUE(Load(text));
    Edit->RefreshTopLine();
    Edit->SetWordWrapMode(wwmWrapByColumn);
    Edit->SetMaxColumns(5);  // "row number 1" wraps after "row "
    const TLinePlace q = Edit->FindRowFromTop(1, sub);
    EXPECT_EQ(q.Index, 0);
    EXPECT_EQ(sub, 1);
}

TEST_F(EditTest, TheCaretKeepsItsPlaceThroughRebuildsAndRedecodes)
{
    // "aaaa bbbb cccc dddd" on one line; the caret after "cc".
    ASSERT_TRUE(Load("aaaa bbbb cccc dddd\nx\n"));
    Edit->MoveCaretToX(12 * 8);
    EXPECT_EQ(Edit->Caret().LinePos, 12u);
    EXPECT_EQ(Edit->CaretCharIndex(), 12);
    Edit->SetWordWrapMode(wwmWrapByColumn);
    Edit->SetMaxColumns(5);  // rows "aaaa ", "bbbb ", "cccc ", "dddd"
    const TCaretPos& c = Edit->Caret();
    EXPECT_EQ(c.FilePos, 12u);
    EXPECT_EQ(c.SubRow, 2);
    EXPECT_EQ(c.Row, 2);
    EXPECT_EQ(c.X, 16);
    EXPECT_EQ(Edit->DesiredX(), 16);
    ExpectCaretValid(c);

    // On a wrap boundary the caret ends on the earlier row.
    Edit->SetMaxColumns(6);
    Edit->MoveCaretToX(1000);
    Edit->SetMaxColumns(5);
    ExpectCaretValid(c);

    // Re-decoding keeps the file position; inside a character it moves to
    // the character's start.
    ASSERT_TRUE(Load("a\xC3\xA9z\n"));  // UTF-8
    ASSERT_EQ(Edit->CodePage(), 65001);
    Edit->SetCodePage(1252);
    Edit->MoveCaretToX(2 * 8);  // between C3 and A9
    EXPECT_EQ(Edit->Caret().LinePos, 2u);
    Edit->SetCodePage(65001);
    EXPECT_EQ(Edit->Caret().LinePos, 1u);
    EXPECT_EQ(Edit->Caret().FilePos, 1u);
    EXPECT_EQ(Edit->Caret().X, 8);
    EXPECT_EQ(Edit->CaretCharIndex(), 1);
    ExpectCaretValid(Edit->Caret());

    // A caret at a line's start stays at that line's start through a change
    // of code page, in either half of the file and in every wrap mode.
    std::string lines;
    for (int i = 0; i < 40; ++i)
        lines += "line " + std::to_string(i) + (i % 3 ? "\n" : "\r\n");
    for (const TWordWrapMode wrap : {wwmNoWrap, wwmWrapByColumn}) {
        ASSERT_TRUE(Load(lines));
        Edit->SetWordWrapMode(wrap);
        for (const int line : {1, 2, 3, 20, 38, 39}) {
            SCOPED_TRACE(line);
            Edit->ExecuteCommand(ecTextStart);
            while (Edit->Caret().LineIndex < line)
                Edit->ExecuteCommand(ecDown);
            const uint64_t start = Edit->Caret().FilePos;
            ASSERT_EQ(Edit->Caret().LinePos, 0u);
            for (const int32_t cp : {1251, 1252}) {
                Edit->SetCodePage(cp);
                EXPECT_EQ(Edit->Caret().LineIndex, line);
                EXPECT_EQ(Edit->Caret().LinePos, 0u);
                EXPECT_EQ(Edit->Caret().FilePos, start);
                ExpectCaretValid(Edit->Caret());
            }
        }
    }
}

TEST_F(EditTest, ColumnModePlacesTheCaretBeyondTheRowAndTheStatusCountsIt)
{
    ASSERT_TRUE(Load("abcd\n"));
    Edit->SetEditMode(emColumnMode);
    Edit->MoveCaretToX(4 * 8 + 3 * 8);
    EXPECT_EQ(Edit->Caret().VirtualCols, 3);
    EXPECT_EQ(Edit->Caret().X, 56);
    EXPECT_EQ(Edit->CaretColumn(), 4u + 3u);
    // A remainder of more than half a space counts as one more column.
    Edit->MoveCaretToX(4 * 8 + 8 + 5);
    EXPECT_EQ(Edit->Caret().VirtualCols, 2);
    Edit->MoveCaretToX(4 * 8 + 8 + 4);
    EXPECT_EQ(Edit->Caret().VirtualCols, 1);
    // Exactly half a character counts as its left side.
    Edit->SetEditMode(emTextMode);
    Edit->MoveCaretToX(12);
    EXPECT_EQ(Edit->CaretCharIndex(), 1);
    Edit->MoveCaretToX(13);
    EXPECT_EQ(Edit->CaretCharIndex(), 2);

    // Leaving column mode removes the caret's virtual columns.
    Edit->SetEditMode(emColumnMode);
    Edit->MoveCaretToX(100);
    Events.clear();
    Edit->SetEditMode(emTextMode);
    EXPECT_EQ(Edit->Caret().VirtualCols, 0);
    EXPECT_EQ(Edit->Caret().X, 32);
    EXPECT_EQ(Edit->DesiredX(), 32);
    EXPECT_EQ(Events, (Strings{"selection", "state"}));
}

TEST_F(EditTest, ATinyFontStillMeasuresAtLeastOnePixel)
{
    TFont font = Edit->Font();
    font.OnChange = nullptr;
    font.SetSize(1);
    Edit->SetFont(font);
    EXPECT_EQ(Edit->CharHeight(), 1);
    EXPECT_EQ(Edit->CharWidth(), 1);
    EXPECT_EQ(Edit->DigitWidth(), 1);
    EXPECT_EQ(Edit->Settings().FontSize, 1);
    Edit->SetWordWrapMode(wwmWrapByColumn);
    ASSERT_TRUE(Load("\ta\tb\t\tc d e f g h i j k\n"));
    EXPECT_EQ(Edit->GetWrapWidth(), 80);
    EXPECT_GE(Edit->VisibleRows(), 1);
    Edit->MoveCaretToX(5);
    ExpectCaretValid(Edit->Caret());
}

TEST_F(EditTest, TheFontOfTheCodePageFollowsTheChosenFont)
{
    TFont font = Edit->Font();
    font.OnChange = nullptr;
    font.SetName("Liberation Mono");
    Edit->SetFont(font);
    // New metrics rebuild the rows (state, selection), then tell the state.
    EXPECT_EQ(Events, (Strings{"state", "selection", "state"}));
    EXPECT_EQ(Edit->Settings().FontOf(1252), "Liberation Mono");
    // Another code page renames the control's font to its own, and back.
    Edit->SetCodePage(1251);
    EXPECT_EQ(Edit->Font().Name(), Edit->Settings().FontOf(1251));
    EXPECT_EQ(Edit->Font().Name(), "Courier New");
    Edit->SetCodePage(1252);
    EXPECT_EQ(Edit->Font().Name(), "Liberation Mono");
}

// A file that changes while shown: growth adds its lines with the caret,
// the selection and the view where they were; a replaced file is loaded
// again with the caret on its line; a deleted one stays as it is shown.
TEST_F(EditTest, AFileThatChangesWhileShownGrowsIsLoadedAgainOrStays)
{
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "line " + std::to_string(i) + "\n";
    ASSERT_TRUE(Load(text.substr(0, text.size() - 3)));  // the last line cut short
    Edit->VScroll(scPageDown);
    const int32_t top = Edit->TopRow();
    Edit->GoToLine(40, 2);
    const TCaretPos before = Edit->Caret();
    const int32_t topAfterGoTo = Edit->TopRow();
    ASSERT_GT(top, 0);
    std::FILE* f = std::fopen((Dir.Path() + "test.txt").c_str(), "ab");
    ASSERT_NE(f, nullptr);
    std::fputs(text.substr(text.size() - 3).c_str(), f);
    std::fputs("more\n", f);
    std::fclose(f);
    EXPECT_EQ(Edit->RefreshFile(), TFileChange::Grown);
    EXPECT_EQ(Edit->LineStore().LineCount(), 102);
    EXPECT_EQ(Edit->Caret().FilePos, before.FilePos);
    EXPECT_EQ(Edit->Caret().LineIndex, 40);
    EXPECT_EQ(Edit->TopRow(), topAfterGoTo);
    ExpectCaretValid(Edit->Caret());
    EXPECT_EQ(Edit->RefreshFile(), TFileChange::None);
    // Rotated by copying and truncating: loaded again, the caret on its line.
    Dir.Write("test.txt", text.substr(0, 60 * 8));
    EXPECT_EQ(Edit->RefreshFile(), TFileChange::Replaced);
    EXPECT_LT(Edit->LineStore().LineCount(), 102);
    EXPECT_EQ(Edit->Caret().LineIndex, 40);
    ExpectCaretValid(Edit->Caret());
    // Deleted: what is shown stays.
    const int32_t lines = Edit->LineStore().LineCount();
    ASSERT_EQ(std::remove((Dir.Path() + "test.txt").c_str()), 0);
    EXPECT_EQ(Edit->RefreshFile(), TFileChange::Deleted);
    EXPECT_EQ(Edit->LineStore().LineCount(), lines);
    EXPECT_EQ(Edit->Caret().LineIndex, 40);
}

}  // namespace
}  // namespace zin::test
