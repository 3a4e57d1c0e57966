// The editor control: construction, properties, notifications and opening
// a file.
#include "editor/ZinEdit.h"
#include "lines/ZinLoadSteps.h"

#include <iterator>

#include "commands/ZinEditCommand.h"
#include "encoding/CodePage.h"
#include "platform/SystemCodePage.h"
#include "syntax/ZinSyntax.h"

namespace zin {

// ---- TFont ------------------------------------------------------------------

void TFont::SetName(const std::string& name)
{
    FName = name;
    Changed();
}

void TFont::SetSize(int32_t size)
{
    FSize = size;
    Changed();
}

void TFont::SetStyle(TFontStyles style)
{
    FStyle = style;
    Changed();
}

void TFont::Assign(const TFont& font)
{
    if (&font != this) {
        FName = font.FName;
        FSize = font.FSize;
        FStyle = font.FStyle;
    }
    Changed();
}

// ---- Construction and destruction --------------------------------------------

TZinEdit::TZinEdit(TControlHost* host, const TEditSettings& settings) : FHost(host), FSettings(settings)
{
    // The bars exist from the start (unattached), so that layout steps run
    // during construction have them to set.
    FCharWidthCache = std::make_unique<int32_t[]>(65536);
    FLineStore = std::make_unique<TZinLines>(this);
    FMaxMemFileSize = 8 * 1024 * 1024;
    FLoading = false;

    FKeyBindings = &FSettings.KeyBindings;
    if (FKeyBindings->Pairs().empty())
        FKeyBindings->LoadDefaultKeys();

    FCodePage = SystemCodePage();
    if (!FindCodePage(FCodePage))
        FCodePage = 1252;
    FLineStore->SetCodePage(FCodePage);

    FPageBitmap = FHost->CreateSurface();
    FMarkBitmap = FHost->CreateSurface();
    FCanvas = FHost->CreateSurface();

    FRepaintAll = true;
    FRepaintSelection = false;
    FTopRow = 0;
    FVisibleRows = 1;
    FHorzOffset = 0;
    FLeftMargin = 1;
    FLineSpacing = FSettings.LineSpacing;
    FExtraSpacing = FCharHeight = FCharWidth = FDigitWidth = 1;

    FCaretType = 0;
    FCaretShown = false;
    FWantTabs = true;
    FTabSize = 8;
    FMaxLineLength = 32768;
    FMaxColumns = FSettings.MaxColumns;
    FWordWrapMode = FSettings.WordWrapMode;
    FDisplayLineNumber = FSettings.DisplayLineNumber;
    FShowEndOfLine = FSettings.ShowEndOfLine;
    FShowSpaceChar = FSettings.ShowSpaceChar;
    FShowTabChar = FSettings.ShowTabChar;
    FMarkActiveLine = FSettings.MarkActiveLine;
    FHorzExtent = FHost->ClientRect().Width() - 10;
    FEditMode = emTextMode;

    FCaret.SetPos(FirstLineStart());
    FDesiredX = 0;
    FMouseSelecting = false;

    FTokenText = std::make_unique<char16_t[]>(static_cast<size_t>(FMaxLineLength) + 1);
    FTokenWidths = std::make_unique<int32_t[]>(static_cast<size_t>(FMaxLineLength));

    FFont.SetName(FSettings.FontOf(FCodePage));
    FFont.SetSize(FSettings.FontSize);
    FFont.OnChange = [this] { FontChanged(); };
    FFont.Assign(FFont);

    FBorderStyle = bsSingle;
    FScrollBars = ssBoth;
    FHorzScrollBar.Kind = sbHorizontal;
    FVertScrollBar.Kind = sbVertical;
    FHorzScrollBar.OnScroll = FVertScrollBar.OnScroll = [this](TZinScrollBar& bar, int32_t code,
                                                               int32_t& position) {
        ScrollBarScroll(bar, code, position);
    };
}

TZinEdit::~TZinEdit()
{
    FFont.OnChange = nullptr;
    FLineStore.reset();
}

TCaretPos TZinEdit::FirstLineStart() const
{
    TCaretPos p;
    p.Line = FLineStore->Lines().begin();
    p.FilePos = p.LinePos = p.Line->Rows()[0].Pos;
    return p;
}

void TZinEdit::CreateWnd()
{
    FHost->SetFrame(FBorderStyle, FScrollBars);
    FHorzScrollBar.Handle = (FScrollBars == ssHorizontal || FScrollBars == ssBoth) ? FHost : nullptr;
    FVertScrollBar.Handle = (FScrollBars == ssVertical || FScrollBars == ssBoth) ? FHost : nullptr;
    UpdateScrollBars();
}

void TZinEdit::Resize()
{
    UpdateClientMetrics();
    ReformatRows(false);
    if (FWordWrapMode == wwmWrapByWindow)
        FHorzOffset = 0;
    UpdateScrollBars();
    FRepaintAll = true;
    Invalidate();
}

// ---- Notifications ------------------------------------------------------------

void TZinEdit::DoStateChange()
{
    if (OnStateChange)
        OnStateChange(*this);
}

void TZinEdit::DoSelectionChange()
{
    if (OnSelectionChange)
        OnSelectionChange(*this);
}

uint64_t TZinEdit::CaretColumn() const
{
    return FCaret.LinePos - FCaret.Line->Rows()[static_cast<size_t>(FCaret.SubRow)].Pos +
           static_cast<uint64_t>(FCaret.VirtualCols);
}

// ---- Properties -----------------------------------------------------------------

void TZinEdit::Relayout(bool force)
{
    UpdateClientMetrics();
    ReformatRows(force);
    UpdateScrollBars();
    FRepaintAll = true;
    Invalidate();
}

std::string TZinEdit::FontOfCodePage(int32_t codePage) const
{
    return FSettings.FontOf(FindCodePage(codePage) ? codePage : FLineStore->Decoder().CodePage());
}

void TZinEdit::SetCodePage(int32_t codePage)
{
    // A number outside the code-page table selects nothing and is ignored.
    if (codePage == FCodePage || !FindCodePage(codePage))
        return;
    FCodePage = codePage;
    FLineStore->SetCodePage(codePage);
    const bool wasLoading = FLoading;
    FLoading = true;
    FFont.SetName(FSettings.FontOf(codePage));
    FLoading = wasLoading;
    // Hex mode shows bytes: the lines are decoded anew when text shows again.
    if (FEditMode == emHexMode && !FLoading) {
        FHex.RedecodeOnLeave = !FLineStore->Unsplit();
        HexUpdateScrollBars();
        DoStateChange();
    } else {
        Redecode();
    }
    FRepaintAll = true;
    Invalidate();
}

void TZinEdit::SetLineSpacing(float spacing)
{
    if (spacing == FLineSpacing || !(spacing >= 1.0f && spacing <= 5.0f))
        return;
    FSettings.LineSpacing = FLineSpacing = spacing;
    FExtraSpacing = CalcExtraSpacing();
    UpdateClientMetrics();
    FRepaintAll = true;
    Invalidate();
}

void TZinEdit::SetWordWrapMode(TWordWrapMode mode)
{
    if (mode == FWordWrapMode || mode > wwmWrapByColumn)
        return;
    FSettings.WordWrapMode = FWordWrapMode = mode;
    Relayout(true);
}

void TZinEdit::SetMaxColumns(int32_t columns)
{
    if (columns == FMaxColumns || columns < 5)
        return;
    FSettings.MaxColumns = FMaxColumns = columns;
    if (FWordWrapMode == wwmWrapByColumn)
        Relayout(true);
}

void TZinEdit::SetDisplayLineNumber(bool value)
{
    if (value == FDisplayLineNumber)
        return;
    FSettings.DisplayLineNumber = FDisplayLineNumber = value;
    Relayout(false);
}

void TZinEdit::SetShowEndOfLine(bool value)
{
    if (value == FShowEndOfLine)
        return;
    FSettings.ShowEndOfLine = FShowEndOfLine = value;
    FRepaintAll = true;
    Invalidate();
}

void TZinEdit::SetShowSpaceChar(bool value)
{
    if (value == FShowSpaceChar)
        return;
    FSettings.ShowSpaceChar = FShowSpaceChar = value;
    FRepaintAll = true;
    Invalidate();
}

void TZinEdit::SetShowTabChar(bool value)
{
    if (value == FShowTabChar)
        return;
    FSettings.ShowTabChar = FShowTabChar = value;
    FRepaintAll = true;
    Invalidate();
}

void TZinEdit::SetMarkActiveLine(bool value)
{
    if (value == FMarkActiveLine)
        return;
    FSettings.MarkActiveLine = FMarkActiveLine = value;
    // The frame is drawn on a copy of the page, which stays as it is.
    Invalidate();
}

void TZinEdit::SetFont(const TFont& font)
{
    FFont.Assign(font);
}

void TZinEdit::SetBorderStyle(TBorderStyle style)
{
    if (style == FBorderStyle)
        return;
    FBorderStyle = style;
    CreateWnd();
    Relayout(false);
}

void TZinEdit::SetScrollBars(TScrollStyle bars)
{
    if (bars == FScrollBars)
        return;
    FScrollBars = bars;
    CreateWnd();
    Relayout(false);
}

void TZinEdit::SetEditMode(TEditMode mode)
{
    if (mode == FEditMode || mode > emHexMode)
        return;
    bool selectionChanged = false;
    const int32_t clientWidth = FClientRect.Width();
    if (FEditMode == emTextMode && mode == emColumnMode) {
        if (clientWidth >= FHorzExtent)
            FHorzExtent = clientWidth - FGutterWidth - FLeftMargin - 2 * FCharWidth;
        if (FSelection.Active()) {
            FSelection.SetColumnBounds();
            FRepaintSelection = true;
            selectionChanged = true;
        }
    } else if (FEditMode == emColumnMode && mode == emTextMode) {
        const int32_t space = SpaceWidth();
        if (FCaret.VirtualCols > 0) {
            FCaret.DropVirtualCols(space);
            FDesiredX = FCaret.X;
            ScrollToCaret();
            UpdateScrollBars();
            selectionChanged = true;
        }
        if (FSelection.Active()) {
            FSelection.DropVirtualCols(space);
            FRepaintSelection = true;
            selectionChanged = true;
        }
    }
    const TEditMode old = FEditMode;
    FEditMode = mode;
    if (mode == emHexMode) {
        EnterHexMode();
        HexScrollToCaret();
        HexUpdateScrollBars();
        selectionChanged = true;
    } else if (old == emHexMode) {
        // A file a load opened in hex mode is one unsplit line holding every
        // newline; text and column mode show it split into its lines and rows.
        LeaveHexMode();
        ScrollToCaret();
        UpdateScrollBars();
        selectionChanged = true;
    }
    FRepaintAll = true;
    if (selectionChanged)
        DoSelectionChange();
    DoStateChange();
    Invalidate();
}

// ---- Opening a file -------------------------------------------------------------

bool TZinEdit::LoadFromFile(const std::string& path)
{
    bool ok;
    {
        const TWorkingScope working(FWorking);
        ok = LoadFileInto(*FLineStore, path, *this, TLoadChoices::Decide);
    }
    FFollowing = false;
    LoadDone();
    return ok;
}

bool TZinEdit::Reload()
{
    const std::string path = FLineStore->LoadPath();
    if (path.empty() || FLoading || FWorking)
        return false;
    const int32_t caretLine = FCaret.LineIndex;
    int32_t sub = 0;
    const int32_t topLine = FindRow(FTopRow, sub).Index;
    const TEditMode mode = FEditMode;
    const uint64_t hexCaret = FHex.Caret;
    const uint64_t hexTop = FHex.Top;
    bool ok;
    {
        const TWorkingScope working(FWorking);
        ok = LoadFileInto(*FLineStore, path, *this, TLoadChoices::Keep);
    }
    LoadDone();
    if (!ok)
        return false;
    if (mode == emColumnMode)
        SetEditMode(mode);
    if (FFollowing) {
        FollowEnd();
    } else if (FEditMode == emHexMode) {
        // The caret on its byte, the top row where it was (both within the file).
        FHex.Top = std::min(hexTop, HexMaxTop());
        HexMoveTo(hexCaret, false);
    } else if (!FLineStore->Unsplit()) {
        // The top row on the line it showed, then the caret on its line
        // (scrolled to only when that line is out of view).
        FTopRow = FindLineFirstRow(std::min(topLine, FLineStore->LineCount() - 1)).FirstRow;
        GoToLine(caretLine);
    }
    return true;
}

void TZinEdit::LoadDone()
{
    FRowsWrapMode = FWordWrapMode;
    FRowsMaxColumns = FMaxColumns;
    FHex.Caret = FHex.Anchor = FHex.Top = 0;
    FHex.Selecting = false;
    FHex.RedecodeOnLeave = FHex.ReformatOnLeave = FHex.ForceReformat = false;
    FSelection.Collapse(FCaret);
    ScrollToCaret();
    UpdateScrollBars();
    DoSelectionChange();
    DoStateChange();
    FRepaintAll = true;
    Invalidate();
}

// ---- Follow mode ------------------------------------------------------------------

void TZinEdit::SetFollowing(bool on)
{
    if (on == FFollowing)
        return;
    FFollowing = on;
    if (on)
        FollowEnd();
    DoStateChange();
}

void TZinEdit::FollowEnd()
{
    ExecuteCommand(ecTextEnd);
}

void TZinEdit::EndUserMove(int64_t top, int64_t row)
{
    if (FFollowing && (ViewTopRow() < top || CaretViewRow() < row)) {
        FFollowing = false;
        DoStateChange();
    }
}

void TZinEdit::ResetView()
{
    FTopRow = 0;
    FHorzOffset = 0;
    FCaret.ToTextStart();
    FDesiredX = 0;
}

// ---- Focus and the wheel -----------------------------------------------------------

void TZinEdit::FocusIn()
{
    CreateEditCaret(FCaretType);
    PlaceCaret();
}

void TZinEdit::FocusOut()
{
    UpdateCaret(false);
}

bool TZinEdit::WheelScroll(int32_t delta)
{
    const TUserMove userMove(*this);
    if (FEditMode == emHexMode) {
        HexWheel(delta);
        return true;
    }
    const int32_t lines = FHost->WheelScrollLines();
    const int64_t p = int64_t{FVertScrollBar.Position} + (delta < 1 ? lines : -int64_t{lines});
    FVertScrollBar.SetPosition(static_cast<int32_t>(std::clamp<int64_t>(p, INT32_MIN, INT32_MAX)));
    ScrollView(true, FVertScrollBar.Position);
    return true;
}

}  // namespace zin
