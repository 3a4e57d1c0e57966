// The editor control's metrics and layout: character widths, row height,
// margins, the line-number gutter, wrap width, visible rows, scrolling and
// the scroll bars, and finding the line of a row.
#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>

#include "editor/ZinEdit.h"
#include "encoding/CodePage.h"

namespace zin {

// ---- Measuring --------------------------------------------------------------

int32_t TZinEdit::GetCharWidth(char16_t c)
{
    int32_t& cached = FCharWidthCache[c];
    if (cached != 0)
        return cached;
    int32_t w = FCanvas->CharExtent(c);
    if (w <= 0)
        w = FCharWidth;
    cached = w;
    return w;
}

int32_t TZinEdit::GetWrapWidth()
{
    int64_t w;
    switch (FWordWrapMode) {
    case wwmNoWrap:
        return INT32_MAX;
    case wwmWrapByWindow:
        // The gutter is sized for one line per 32 bytes, so the wrap width
        // does not depend on which lines are visible.
        w = int64_t{FClientRect.Width()} - GetGutterWidth(static_cast<int64_t>(FLineStore->FileSize() / 32)) -
            FLeftMargin - GetRightMargin();
        break;
    default:
        w = int64_t{FMaxColumns} * FCharWidth;
        break;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(w, int64_t{5} * FCharWidth, INT32_MAX));
}

int32_t TZinEdit::GetGutterWidth(int64_t n) const
{
    if (!FDisplayLineNumber)
        return 0;
    int32_t digits = 2;
    for (; n >= 100; n /= 10)
        ++digits;
    return digits * FDigitWidth + FDigitWidth / 4;
}

int32_t TZinEdit::GetRightMargin() const
{
    return FWordWrapMode == wwmWrapByWindow ? 2 * FCharWidth : 0;
}

int32_t TZinEdit::CalcExtraSpacing() const
{
    return static_cast<int32_t>((FLineSpacing - 1.0) * FCharHeight);
}

int32_t TZinEdit::FullRows() const
{
    return FClientRect.Height() / RowHeight();
}

// ---- Font and client area ---------------------------------------------------

void TZinEdit::FontChanged()
{
    FPageBitmap->SetFont(FFont.Name(), FFont.Size(), FFont.Style());
    FCanvas->SetFont(FFont.Name(), FFont.Size(), FFont.Style());
    const bool bold = (FFont.Style() & fsBold) != 0;
    if (FFont.Size() == FLastFontSize && FFont.Name() == FLastFontName && bold == FLastFontBold)
        return;
    FLastFontSize = FFont.Size();
    FLastFontName = FFont.Name();
    FLastFontBold = bold;
    FSettings.FontSize = FFont.Size();
    std::memset(FCharWidthCache.get(), 0, 65536 * sizeof(int32_t));

    // A tiny font may measure 0; every layout rule divides by or steps in
    // these, so each is at least one pixel.
    int32_t height = 0, average = 0;
    FPageBitmap->GetTextMetrics(height, average);
    FCharHeight = std::max(height, 1);
    FCharWidth = std::max(average, 1);
    FDigitWidth = 1;
    for (char16_t d = u'0'; d <= u'9'; ++d)
        FDigitWidth = std::max(FDigitWidth, GetCharWidth(d));
    FLeftMargin = FCharWidth / 2;
    FExtraSpacing = CalcExtraSpacing();

    CreateEditCaret(FCaretType);
    UpdateClientMetrics();
    if (!FLoading) {
        ReformatRows(true);
        UpdateScrollBars();
        FRepaintAll = true;
        Invalidate();
    }
    DoStateChange();
    FSettings.SetFontOf(FCodePage, FFont.Name());
}

void TZinEdit::UpdateClientMetrics()
{
    FClientRect = FHost->ClientRect();
    const int64_t rowHeight = RowHeight();
    const int64_t rows = (FClientRect.Height() + rowHeight - 1) / rowHeight;
    FVisibleRows = static_cast<int32_t>(std::clamp<int64_t>(rows, 1, INT32_MAX));
    const int32_t w = FClientRect.Width(), h = FClientRect.Height();
    if (FPageBitmap->Width() < w || FPageBitmap->Height() < h) {
        FPageBitmap->Resize(w, h);
        FMarkBitmap->Resize(w, h);
    }
    if (FFont.Size() != FLastFontSize)
        FontChanged();
}

// ---- Rebuilding rows ------------------------------------------------------------

void TZinEdit::ReformatRows(bool force)
{
    if (FLoading)
        return;
    // Hex mode shows no rows of text: their rebuild waits for text mode.
    if (FEditMode == emHexMode) {
        FHex.ReformatOnLeave = true;
        FHex.ForceReformat = FHex.ForceReformat || force;
        return;
    }
    if (!force && FWordWrapMode == wwmWrapByWindow)
        force = FLineStore->RowCount() != FLineStore->LineCount() ||
                GetWrapWidth() < FLineStore->MaxRowWidth();
    if (!force)
        return;
    bool rebuilt;
    {
        const TWorkingScope working(FWorking);
        rebuilt = FLineStore->Reformat();
    }
    if (rebuilt) {
        FRowsWrapMode = FWordWrapMode;
        FRowsMaxColumns = FMaxColumns;
    } else {
        // Too many rows: the rows stay as they were, and so do the settings
        // they were built with.
        FSettings.WordWrapMode = FWordWrapMode = FRowsWrapMode;
        FSettings.MaxColumns = FMaxColumns = FRowsMaxColumns;
    }
    ++FRowRebuilds;
    RelocateCaretByLine();
    FDesiredX = FCaret.X;
    if (FSelection.Active())
        FSelection.Relocate([this](TCaretPos& p) { RelocatePos(p); }, FEditMode == emColumnMode);
    ScrollToCaret();
    DoStateChange();
    DoSelectionChange();
}

void TZinEdit::Redecode()
{
    if (FLoading)
        return;
    TZinLines& store = *FLineStore;
    {
        const TWorkingScope working(FWorking);
        // A split past the count limit leaves one blank line: the view goes
        // back to its start.
        if (!store.Rescan(store.Lines().begin(), std::prev(store.Lines().end())))
            ResetView();
    }
    RelocateCaretByPos();
    FSelection.Drop();
    ScrollToCaret();
    UpdateScrollBars();
    DoStateChange();
    DoSelectionChange();
}

TFileChange TZinEdit::RefreshFile()
{
    if (FLoading || FWorking)
        return TFileChange::None;
    TFileChange change;
    {
        const TWorkingScope working(FWorking);
        change = FLineStore->CheckFile();
    }
    if (change == TFileChange::Grown) {
        // The lines before the old last line are as they were: the caret
        // and the selection find their bytes again, the top row stays.
        RelocateCaretByPos();
        FDesiredX = FCaret.X;
        if (FSelection.Active())
            FSelection.Relocate([this](TCaretPos& p) { RelocatePos(p); }, FEditMode == emColumnMode);
        if (FFollowing)
            FollowEnd();
        UpdateScrollBars();
        DoStateChange();
        FRepaintAll = true;
        Invalidate();
    } else if (change == TFileChange::Replaced) {
        Reload();
    }
    return change;
}

// ---- Scrolling -------------------------------------------------------------------

void TZinEdit::ScrollToCaret()
{
    if (FEditMode == emHexMode) {
        HexScrollToCaret();
        return;
    }
    bool changed = false;
    if (FCaret.Row < FTopRow) {
        FTopRow = FCaret.Row;
        changed = true;
    } else {
        const int32_t f = FullRows();
        if (int64_t{FTopRow} + f <= FCaret.Row) {
            const int32_t top = f == 0 ? FCaret.Row : FCaret.Row - f + 1;
            changed = top != FTopRow;
            FTopRow = top;
        }
    }
    if (FCaret.X < FHorzOffset) {
        FHorzOffset = FCaret.X;
        changed = true;
    } else {
        // The caret keeps one digit width of room to the right edge.
        const int64_t o = int64_t{FGutterWidth} + FLeftMargin + FCaret.X - FHorzOffset + FDigitWidth -
                          FClientRect.Right;
        if (o > 0) {
            FHorzOffset = static_cast<int32_t>(std::min<int64_t>(FHorzOffset + o, INT32_MAX));
            changed = true;
        }
    }
    if (changed) {
        FRepaintAll = true;
        Invalidate();
    }
    UpdateCaret(true);
}

void TZinEdit::UpdateScrollBars()
{
    if (FEditMode == emHexMode) {
        HexUpdateScrollBars();
        return;
    }
    const int32_t f = FullRows();
    const int32_t clientWidth = FClientRect.Width();
    FVertScrollBar.LargeChange = static_cast<uint16_t>(std::clamp(f - 1, 1, 65535));
    FHorzScrollBar.LargeChange = static_cast<uint16_t>(std::clamp(clientWidth / 2, 1, 65535));
    const int64_t vmax = int64_t{FLineStore->RowCount()} + FVisibleRows - 2;
    FVertScrollBar.SetParams(0, static_cast<int32_t>(std::min<int64_t>(vmax, INT32_MAX)), f + 1, FTopRow);

    const int32_t g = GetGutterWidth(int64_t{FTopRow} + FVisibleRows);
    int64_t extent = std::max<int64_t>(int64_t{g} + FLeftMargin + FLineStore->MaxRowWidth() + GetRightMargin(), 0);
    if (FWordWrapMode != wwmWrapByWindow)
        extent += 2 * FCharWidth;
    FHorzExtent = static_cast<int32_t>(std::min<int64_t>(extent, INT32_MAX));
    if (clientWidth >= FHorzExtent) {
        FHorzOffset = 0;
        FHorzExtent = clientWidth - g + FLeftMargin - 2 * FCharWidth;
    }
    FHorzScrollBar.SetParams(0, FHorzExtent, std::max(clientWidth + 1, 1), FHorzOffset);
    UpdateCaret(true);
}

void TZinEdit::ScrollBarScroll(TZinScrollBar& bar, int32_t code, int32_t& position)
{
    // The view follows line and page steps and a dragged thumb at once; a
    // released thumb, top, bottom and the end of scrolling move only the bar.
    const bool vertical = &bar == &FVertScrollBar;
    if (vertical && FEditMode == emHexMode) {
        HexScrollBar(code, position);
        return;
    }
    if (code == scPosition || code >= scTop)
        return;
    ScrollView(vertical, position);
    // The bar's range reaches a row past the last one (its page is a row
    // taller than the full rows): where the view stopped at the last row,
    // the bar stops there too.
    if (vertical && position > FTopRow)
        position = FTopRow;
}

void TZinEdit::ScrollView(bool vertical, int32_t p)
{
    p = std::max(p, 0);
    if (vertical) {
        if (p != FTopRow) {
            FTopRow = std::min(p, FLineStore->RowCount() - 1);
            FRepaintAll = true;
            Invalidate();
        }
    } else if (p != FHorzOffset) {
        FHorzOffset = p;
        FRepaintAll = true;
        Invalidate();
    }
    UpdateCaret(true);
}

// ---- Finding rows ------------------------------------------------------------------

TLinePlace TZinEdit::FindRow(int32_t row, int32_t& subRow)
{
    const TLinePlace place = FLineStore->FindRow(row);
    subRow = std::max(0, std::min(row, FLineStore->RowCount() - 1)) - place.FirstRow;
    return place;
}

TLinePlace TZinEdit::FindRowFromTop(int32_t row, int32_t& subRow)
{
    // The cached line is used only while the line store has not changed
    // since it was found: a line it named may be gone.
    if (FTopLineGeneration == FLineStore->Generation() && row >= FTopLine.FirstRow &&
        row - FTopLine.FirstRow < FTopLine.Line->RowCount()) {
        subRow = row - FTopLine.FirstRow;
        return FTopLine;
    }
    return FindRow(row, subRow);
}

void TZinEdit::RefreshTopLine()
{
    FTopLine = FindRow(FTopRow, FTopSubRow);
    FTopLineGeneration = FLineStore->Generation();
}

}  // namespace zin
