// The editor control in hex mode: the file's bytes in rows of 16, each row
// its offset, the bytes as two hexadecimal digits in two groups of eight and
// the same bytes as characters. Rows are computed (row r starts at byte 16r),
// never scanned, so a file of any size shows at once; the text lines stay as
// they are for text mode. The caret sits on a byte in the hex or the
// character area, and a selection is a range of bytes.
#include <algorithm>
#include <cstring>

#include "editor/ZinEdit.h"
#include "encoding/CodePage.h"
#include "encoding/Decoder.h"
#include "syntax/ZinSyntax.h"

namespace zin {

namespace {

// Mouse coordinates are clamped to this far beyond any screen first.
constexpr int32_t MouseLimit = 1 << 24;

// Whether a decoded character of a single-byte code page is shown as itself:
// not a control character, not a soft hyphen (invisible).
bool Printable(char16_t c)
{
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && c != 0xAD;
}

}  // namespace

// ---- Bytes and metrics ---------------------------------------------------------------

void TZinEdit::ReadBytes(uint64_t pos, uint8_t* out, size_t n) const
{
    TInData* data = FLineStore->Lines().Source;
    if (!data || n == 0)
        return;
    data->Read(out, static_cast<uint32_t>(n), pos);
}

int32_t TZinEdit::ByteAt(uint64_t pos) const
{
    if (pos >= FLineStore->FileSize() || !FLineStore->Lines().Source)
        return -1;
    uint8_t b = 0;
    ReadBytes(pos, &b, 1);
    return b;
}

uint64_t TZinEdit::HexLastByte() const
{
    const uint64_t size = FLineStore->FileSize();
    return size > 0 ? size - 1 : 0;
}

uint64_t TZinEdit::HexMaxTop() const
{
    const uint64_t rows = hex::RowCount(FLineStore->FileSize());
    const uint64_t f = static_cast<uint64_t>(std::max(FullRows(), 1));
    return rows > f ? rows - f : 0;
}

int32_t TZinEdit::HexGutterWidth() const
{
    return hex::OffsetDigits(FLineStore->FileSize()) * FDigitWidth + FDigitWidth / 2;
}

void TZinEdit::HexBuildGlyphs()
{
    // Single-byte code pages show their printable characters; the others
    // (a byte there is part of a character) the printable ASCII range.
    const TDecoder decoder = TDecoder::For(FCodePage);
    const bool single = decoder.Kind() == cpkSingleByte;
    for (int b = 0; b < 256; ++b) {
        char16_t c = static_cast<char16_t>(b);
        if (single)
            c = decoder.SingleByte(static_cast<uint8_t>(b));
        const bool shown = single ? Printable(c) : (b >= 0x20 && b < 0x7F);
        FHex.Glyphs[b] = shown ? c : u'.';
    }
    FHex.GlyphsOf = FCodePage;
}

hex::TColumns TZinEdit::HexColumns()
{
    if (FHex.GlyphsOf != FCodePage)
        HexBuildGlyphs();
    // Every character stands in a cell of the widest one the area can show,
    // so that the cells line up in any font.
    hex::TColumns c;
    c.Digit = std::max(FDigitWidth, 1);
    int32_t cell = 1;
    for (int b = 0; b < 256; ++b)
        cell = std::max(cell, GetCharWidth(FHex.Glyphs[b]));
    c.Cell = cell;
    return c;
}

int32_t TZinEdit::HexCaretX()
{
    const hex::TColumns c = HexColumns();
    const int32_t col = static_cast<int32_t>(FHex.Caret % hex::RowBytes);
    return FHex.InChars ? c.CharX(col) : c.HexX(col);
}

// ---- Entering and leaving --------------------------------------------------------------

void TZinEdit::EnterHexMode()
{
    // The caret's byte, at the same height in the window where it can be.
    FHex.Caret = std::min(FCaret.FilePos, HexLastByte());
    FHex.Anchor = FHex.Caret;
    FHex.Selecting = false;
    FHex.InChars = false;
    const uint64_t row = FHex.Caret / hex::RowBytes;
    const uint64_t above = static_cast<uint64_t>(std::max(0, FCaret.Row - FTopRow));
    FHex.Top = row > above ? row - above : 0;
    FSelection.Collapse(FCaret);
    FMouseSelecting = false;
    FHorzOffset = 0;
    FGutterWidth = HexGutterWidth();
}

void TZinEdit::LeaveHexMode()
{
    // Back to text: the caret at the start of the character that holds its
    // byte, at the same height in the window where it can be.
    FMouseSelecting = false;
    FHorzOffset = 0;
    // A load leaves hex mode before it reads the new file: the load places
    // the caret itself.
    if (FLoading)
        return;
    const int64_t onScreen = static_cast<int64_t>(FHex.Caret / hex::RowBytes) - static_cast<int64_t>(FHex.Top);
    FCaret.FilePos = FHex.Caret;
    const bool reformat = FHex.ReformatOnLeave, force = FHex.ForceReformat;
    FHex.ReformatOnLeave = FHex.ForceReformat = false;
    if (FLineStore->Unsplit() || FHex.RedecodeOnLeave) {
        FHex.RedecodeOnLeave = false;
        Redecode();
    } else {
        FCaret.RelocateByPos();
        if (reformat)
            ReformatRows(force);
    }
    FSelection.Collapse(FCaret);
    FDesiredX = FCaret.X;
    FTopRow = static_cast<int32_t>(std::max<int64_t>(0, FCaret.Row - std::clamp<int64_t>(onScreen, 0, FullRows())));
    RefreshTopLine();
    FGutterWidth = GetGutterWidth(int64_t{FTopLine.Index} + FVisibleRows);
}

// ---- Painting ----------------------------------------------------------------------------

void TZinEdit::HexPaint(TDrawSurface& window)
{
    UpdateCaret(false);
    TDrawSurface& page = *FPageBitmap;
    const uint64_t size = FLineStore->FileSize();
    const hex::TColumns cols = HexColumns();
    const int32_t digits = hex::OffsetDigits(size);
    FGutterWidth = HexGutterWidth();
    const int32_t rowHeight = RowHeight();
    const int32_t right = FClientRect.Right;
    const int32_t x0 = FGutterWidth + FLeftMargin - FHorzOffset;
    const TSelectedStyle text = Syntax().SelectStyle(0, Syntax().Styles[seText]);
    const TSelectedStyle gutter = Syntax().SelectStyle(0, Syntax().Styles[seLineNumber]);

    page.SetBrushColor(text.Background);
    page.FillRect(FClientRect);

    // The page's bytes in one read.
    const uint64_t rows = hex::RowCount(size);
    const uint64_t top = std::min(FHex.Top, rows - 1);
    const uint64_t shown = std::min<uint64_t>(static_cast<uint64_t>(FVisibleRows), rows - top);
    const uint64_t first = top * hex::RowBytes;
    const size_t bytes = static_cast<size_t>(std::min<uint64_t>(shown * hex::RowBytes, size - std::min(size, first)));
    if (FHexPage.size() < bytes)
        FHexPage.resize(bytes);
    ReadBytes(first, FHexPage.data(), bytes);

    // The marks' matches on the page, in order.
    const bool marks = FMarkPattern.Valid();
    if (marks)
        FindMarksInBytes(first, first + bytes);
    auto nextMark = FMarkMatches.cbegin();
    bool marked[hex::RowBytes] = {};

    uint64_t selFirst = 1, selLast = 0;
    if (FHex.Selecting) {
        selFirst = std::min(FHex.Anchor, FHex.Caret);
        selLast = std::max(FHex.Anchor, FHex.Caret);
    }

    char16_t hexText[3 * hex::RowBytes];
    int32_t hexAdvances[3 * hex::RowBytes];
    char16_t charText[hex::RowBytes];
    int32_t charAdvances[hex::RowBytes];
    char16_t offsetText[20];
    int32_t offsetAdvances[20];
    for (int32_t i = 0; i < 20; ++i)
        offsetAdvances[i] = FDigitWidth;
    for (uint64_t k = 0; k < hex::RowBytes; ++k) {
        hexAdvances[3 * k] = hexAdvances[3 * k + 1] = cols.Digit;
        hexAdvances[3 * k + 2] = k == hex::GroupBytes - 1 ? 2 * cols.Digit : cols.Digit;
        charAdvances[k] = cols.Cell;
    }
    for (uint64_t r = 0; r < shown; ++r) {
        const int32_t rowTop = static_cast<int32_t>(r) * rowHeight;
        const int32_t y = rowTop + FExtraSpacing / 2;
        const uint64_t rowStart = (top + r) * hex::RowBytes;
        const size_t off = static_cast<size_t>(r * hex::RowBytes);
        const int32_t n = static_cast<int32_t>(std::min<uint64_t>(hex::RowBytes, bytes > off ? bytes - off : 0));
        const uint8_t* b = FHexPage.data() + off;
        for (int32_t i = 0; i < n; ++i) {
            hexText[3 * i] = hex::HexDigit(b[i] >> 4);
            hexText[3 * i + 1] = hex::HexDigit(b[i] & 0xF);
            hexText[3 * i + 2] = u' ';
            charText[i] = FHex.Glyphs[b[i]];
        }
        // Each area's text clipped to the area: a text's background fills
        // its clip.
        page.SetBrushColor(text.Background);
        page.SetTextColor(text.Foreground);
        page.SetFontStyle(text.Style);
        // Runs of marked and unmarked bytes, each in its colours (one run
        // without marks).
        bool anyMark = false;
        if (marks) {
            const auto end = FMarkMatches.cend();
            while (nextMark != end && nextMark->Pos + nextMark->Length <= rowStart)
                ++nextMark;
            for (int32_t i = 0; i < n; ++i) {
                const uint64_t p = rowStart + static_cast<uint64_t>(i);
                auto m = nextMark;
                while (m != end && m->Pos + m->Length <= p)
                    ++m;
                marked[i] = m != end && m->Pos <= p;
                anyMark = anyMark || marked[i];
            }
        }
        for (int32_t a = 0; a < n;) {
            int32_t b = anyMark ? a + 1 : n;
            while (b < n && marked[b] == marked[a])
                ++b;
            const bool mark = anyMark && marked[a];
            page.SetBrushColor(mark ? MatchBackground : text.Background);
            page.SetTextColor(mark ? MatchForeground : text.Foreground);
            // A run's digits and the spaces after them but the last byte's.
            const int32_t hl = x0 + cols.HexX(a);
            const int32_t hr = x0 + (b < n ? cols.HexX(b) : cols.HexX(b - 1) + cols.HexWidth());
            page.TextOut(hl, y, hexText + 3 * a, hexAdvances + 3 * a, 3 * (b - a) - (b < n ? 0 : 1),
                         TRect{std::max(FGutterWidth, hl), y, std::min(right, hr), y + FCharHeight});
            const int32_t cl = x0 + cols.CharX(a), cr = x0 + cols.CharX(b);
            page.TextOut(cl, y, charText + a, charAdvances + a, b - a,
                         TRect{std::max(FGutterWidth, cl), y, std::min(right, cr), y + FCharHeight});
            a = b;
        }
        // The selected bytes of the row, inverted in both areas.
        if (n > 0 && selFirst <= selLast && selLast >= rowStart && selFirst < rowStart + static_cast<uint64_t>(n)) {
            const int32_t a = static_cast<int32_t>(std::max(selFirst, rowStart) - rowStart);
            const int32_t z = static_cast<int32_t>(std::min(selLast - rowStart, static_cast<uint64_t>(n - 1)));
            const int32_t hx0 = std::max(x0 + cols.HexX(a), FGutterWidth);
            const int32_t hx1 = x0 + cols.HexX(z) + cols.HexWidth();
            if (hx1 > hx0)
                page.InvertRect(TRect{hx0, y, hx1, y + FCharHeight});
            const int32_t cx0 = std::max(x0 + cols.CharX(a), FGutterWidth);
            const int32_t cx1 = x0 + cols.CharX(z + 1);
            if (cx1 > cx0)
                page.InvertRect(TRect{cx0, y, cx1, y + FCharHeight});
        }
        // The caret's byte outlined in the area the caret is not in.
        if (FHex.Caret >= rowStart && FHex.Caret < rowStart + hex::RowBytes && size > 0) {
            const int32_t col = static_cast<int32_t>(FHex.Caret - rowStart);
            const int32_t bx = x0 + (FHex.InChars ? cols.HexX(col) : cols.CharX(col));
            const int32_t bw = FHex.InChars ? cols.HexWidth() : cols.Cell;
            if (bx >= FGutterWidth) {
                page.SetPenColor(text.Foreground);
                const TPoint box[] = {{bx, y}, {bx + bw, y}, {bx + bw, y + FCharHeight - 1}, {bx, y + FCharHeight - 1},
                                      {bx, y}};
                page.Polyline(box, 5);
            }
        }
        // The offset in the gutter's place and colours.
        if (FGutterWidth > 0) {
            page.SetBrushColor(gutter.Background);
            page.FillRect(TRect{0, rowTop, FGutterWidth, rowTop + rowHeight});
            page.SetTextColor(gutter.Foreground);
            page.SetFontStyle(gutter.Style);
            hex::FormatOffset(rowStart, digits, offsetText);
            page.TextOut(0, y, offsetText, offsetAdvances, digits, TRect{0, y, FGutterWidth, y + FCharHeight});
        }
    }
    FRowsPainted += static_cast<int64_t>(shown);
    FRepaintAll = false;
    FRepaintSelection = false;
    ++FPaints;

    // The active-line frame around the caret's row.
    const uint64_t caretRow = FHex.Caret / hex::RowBytes;
    if (FMarkActiveLine && caretRow >= top && caretRow - top < static_cast<uint64_t>(FVisibleRows)) {
        FMarkBitmap->DrawSurface(0, 0, page);
        FMarkBitmap->SetPenColor(Syntax().SelectStyle(0, Syntax().Styles[seActiveLine]).Foreground);
        int32_t fx = x0 - 1;
        if (fx <= FGutterWidth)
            fx = FGutterWidth > 0 ? FGutterWidth + 1 : 0;
        const int32_t fy = static_cast<int32_t>(caretRow - top) * rowHeight + FExtraSpacing / 2;
        const int32_t w = FClientRect.Width() - fx - 1;
        const TPoint frame[] = {{fx, fy}, {fx + w, fy}, {fx + w, fy + FCharHeight}, {fx, fy + FCharHeight}, {fx, fy}};
        FMarkBitmap->Polyline(frame, 5);
        window.DrawSurface(0, 0, *FMarkBitmap);
    } else {
        window.DrawSurface(0, 0, page);
    }
    if (FHost->Focused())
        HexPlaceCaret();
}

void TZinEdit::HexPlaceCaret()
{
    const uint64_t caretRow = FHex.Caret / hex::RowBytes;
    const int64_t x = int64_t{FGutterWidth} + FLeftMargin - FHorzOffset + HexCaretX();
    if (caretRow >= FHex.Top && caretRow - FHex.Top < static_cast<uint64_t>(FVisibleRows) && x >= FGutterWidth) {
        const int64_t y = static_cast<int64_t>(caretRow - FHex.Top) * RowHeight() + FExtraSpacing / 2;
        FHost->SetCaretPos(static_cast<int32_t>(std::min<int64_t>(x, INT32_MAX)), static_cast<int32_t>(y));
        FCaretShown = true;
        FHost->ShowCaret();
    } else if (FCaretShown) {
        FHost->HideCaret();
        FCaretShown = false;
    }
}

// ---- Scrolling -------------------------------------------------------------------------

void TZinEdit::HexScrollToCaret()
{
    const uint64_t row = FHex.Caret / hex::RowBytes;
    const uint64_t f = static_cast<uint64_t>(std::max(FullRows(), 1));
    if (row < FHex.Top)
        FHex.Top = row;
    else if (row - FHex.Top >= f)
        FHex.Top = row - f + 1;
    const int32_t x = HexCaretX();
    const hex::TColumns cols = HexColumns();
    const int32_t cell = FHex.InChars ? cols.Cell : cols.HexWidth();
    if (x < FHorzOffset) {
        FHorzOffset = x;
    } else {
        const int64_t o = int64_t{FGutterWidth} + FLeftMargin + x + cell - FHorzOffset + FDigitWidth - FClientRect.Right;
        if (o > 0)
            FHorzOffset = static_cast<int32_t>(std::min<int64_t>(FHorzOffset + o, x));
    }
    FRepaintAll = true;
    Invalidate();
    UpdateCaret(true);
}

void TZinEdit::HexUpdateScrollBars()
{
    const int32_t f = FullRows();
    const uint64_t maxTop = HexMaxTop();
    FHex.Top = std::min(FHex.Top, maxTop);
    // Page is one row more than a page step, so that the thumb's last place
    // and the last position are both BarMax.
    const uint16_t large = static_cast<uint16_t>(std::clamp(f - 1, 1, 65535));
    FVertScrollBar.LargeChange = large;
    const int32_t max = hex::BarMax(maxTop);
    FVertScrollBar.SetParams(0, max + large, large + 1, hex::BarPosOfRow(FHex.Top, maxTop));

    const int32_t clientWidth = FClientRect.Width();
    FHorzScrollBar.LargeChange = static_cast<uint16_t>(std::clamp(clientWidth / 2, 1, 65535));
    const hex::TColumns cols = HexColumns();
    FHorzExtent = HexGutterWidth() + FLeftMargin + cols.Width() + 2 * FCharWidth;
    if (clientWidth >= FHorzExtent)
        FHorzOffset = 0;
    FHorzScrollBar.SetParams(0, FHorzExtent, std::max(clientWidth + 1, 1), FHorzOffset);
    UpdateCaret(true);
}

void TZinEdit::HexScrollBar(int32_t code, int32_t& position)
{
    // Line and page steps move by rows, not by positions (one position may
    // stand for many rows); the thumb maps back to its row.
    const uint64_t maxTop = HexMaxTop();
    const uint64_t step = FVertScrollBar.LargeChange;
    uint64_t top = FHex.Top;
    switch (code) {
    case scLineUp: top = top > 0 ? top - 1 : 0; break;
    case scLineDown: top = std::min(top + 1, maxTop); break;
    case scPageUp: top = top > step ? top - step : 0; break;
    case scPageDown: top = std::min(top + step, maxTop); break;
    case scTrack:
    case scPosition: top = hex::RowOfBarPos(position, maxTop); break;
    case scTop: top = 0; break;
    case scBottom: top = maxTop; break;
    default: break;
    }
    if (top != FHex.Top) {
        FHex.Top = top;
        FRepaintAll = true;
        Invalidate();
    }
    position = hex::BarPosOfRow(FHex.Top, maxTop);
    UpdateCaret(true);
}

void TZinEdit::HexWheel(int32_t delta)
{
    const uint64_t lines = static_cast<uint64_t>(std::max(FHost->WheelScrollLines(), 0));
    const uint64_t maxTop = HexMaxTop();
    const uint64_t top = delta < 1 ? std::min(FHex.Top + lines, maxTop) : (FHex.Top > lines ? FHex.Top - lines : 0);
    if (top != FHex.Top) {
        FHex.Top = top;
        FRepaintAll = true;
        Invalidate();
    }
    FVertScrollBar.SetPosition(hex::BarPosOfRow(FHex.Top, maxTop));
    UpdateCaret(true);
}

// ---- Caret, keys and mouse --------------------------------------------------------------

void TZinEdit::HexMoveTo(uint64_t pos, bool extend)
{
    const uint64_t size = FLineStore->FileSize();
    pos = std::min(pos, HexLastByte());
    if (extend && size > 0) {
        if (!FHex.Selecting) {
            FHex.Anchor = FHex.Caret;
            FHex.Selecting = true;
        }
    } else {
        FHex.Selecting = false;
        FHex.Anchor = pos;
    }
    FHex.Caret = pos;
    HexScrollToCaret();
    HexUpdateScrollBars();
    DoSelectionChange();
}

void TZinEdit::HexCommand(int32_t command)
{
    const bool plain = command >= ecLeft && command <= ecCtrlRight;
    const bool selecting = command >= ecSelLeft && command <= ecSelCtrlRight;
    if (!plain && !selecting)
        return;
    const uint64_t last = HexLastByte();
    const uint64_t lastRow = last / hex::RowBytes;
    const uint64_t c = FHex.Caret;
    const uint64_t row = c / hex::RowBytes;
    const uint64_t col = c % hex::RowBytes;
    const uint64_t page = FVertScrollBar.LargeChange;
    uint64_t to = c;
    switch (command & 0xFF) {
    case ecLeft & 0xFF: to = c > 0 ? c - 1 : 0; break;
    case ecRight & 0xFF: to = std::min(c + 1, last); break;
    case ecUp & 0xFF: to = row > 0 ? c - hex::RowBytes : c; break;
    // Down from the row before the last, where the last is shorter, goes to
    // the last byte; from the last row nowhere.
    case ecDown & 0xFF: to = row < lastRow ? std::min(c + hex::RowBytes, last) : c; break;
    case ecHome & 0xFF: to = row * hex::RowBytes; break;
    case ecEnd & 0xFF: to = std::min(row * hex::RowBytes + hex::RowBytes - 1, last); break;
    case ecTextStart & 0xFF: to = 0; break;
    case ecTextEnd & 0xFF: to = last; break;
    case ecPageUp & 0xFF: to = (row > page ? row - page : 0) * hex::RowBytes + col; break;
    case ecPageDown & 0xFF: to = std::min(std::min(row + page, lastRow) * hex::RowBytes + col, last); break;
    // By groups of eight bytes.
    case ecCtrlLeft & 0xFF: to = c % hex::GroupBytes ? c - c % hex::GroupBytes : (c >= 8 ? c - 8 : 0); break;
    case ecCtrlRight & 0xFF: to = std::min((c / hex::GroupBytes + 1) * hex::GroupBytes, last); break;
    default: return;
    }
    const bool dropped = FHex.Selecting && plain;
    HexMoveTo(to, selecting);
    if (dropped || selecting)
        Invalidate();
}

void TZinEdit::HexMouse(bool press, bool extend, int32_t x, int32_t y)
{
    x = std::clamp(x, -MouseLimit, MouseLimit);
    y = std::clamp(y, -MouseLimit, MouseLimit);
    const hex::TColumns cols = HexColumns();
    const int32_t rowHeight = RowHeight();
    const uint64_t lastRow = HexLastByte() / hex::RowBytes;
    uint64_t row;
    if (y < 0) {
        const uint64_t up = static_cast<uint64_t>(-y / rowHeight + 1);
        row = FHex.Top > up ? FHex.Top - up : 0;
    } else {
        row = std::min(FHex.Top + static_cast<uint64_t>(y / rowHeight), lastRow);
    }
    const int32_t ax = x + FHorzOffset - FGutterWidth - FLeftMargin;
    // A press picks the area; a drag stays in it.
    if (press)
        FHex.InChars = cols.InChars(ax);
    const int32_t col = cols.ColumnAt(ax, FHex.InChars);
    const uint64_t pos = std::min(row * hex::RowBytes + static_cast<uint64_t>(col), HexLastByte());
    // A drag selects once it leaves the byte pressed on.
    if (!press && !FHex.Selecting && pos == FHex.Caret)
        return;
    HexMoveTo(pos, extend);
    Invalidate();
}

// ---- Find and go to ------------------------------------------------------------------------

void TZinEdit::HexSelectMatch(uint64_t pos, uint64_t length)
{
    const uint64_t size = FLineStore->FileSize();
    pos = std::min(pos, size);
    const uint64_t end = length > size - pos ? size : pos + length;
    FHex.Selecting = false;
    FHex.Caret = std::min(pos, HexLastByte());
    if (end > pos) {
        FHex.Anchor = pos;
        FHex.Caret = end - 1;
        FHex.Selecting = true;
    }
    // The match's first row a few rows below the top, unless it is in view
    // so already.
    const uint64_t first = pos / hex::RowBytes, last = FHex.Caret / hex::RowBytes;
    const uint64_t f = static_cast<uint64_t>(std::max(FullRows(), 1));
    const uint64_t context = std::min<uint64_t>(3, (f - 1) / 2);
    const bool inView = first >= FHex.Top + (FHex.Top > 0 ? context : 0) && last + context < FHex.Top + f;
    if (!inView)
        FHex.Top = std::min(first > context ? first - context : 0, HexMaxTop());
    HexScrollToCaret();
    HexUpdateScrollBars();
    DoSelectionChange();
    DoStateChange();
}

void TZinEdit::HexGoTo(uint64_t pos)
{
    HexSelectMatch(pos, 0);
}

uint64_t TZinEdit::SearchFrom(bool forward) const
{
    if (FEditMode == emHexMode) {
        if (!FHex.Selecting)
            return FHex.Caret;
        return forward ? std::max(FHex.Anchor, FHex.Caret) + 1 : std::min(FHex.Anchor, FHex.Caret);
    }
    if (!FSelection.Active())
        return FCaret.FilePos;
    return forward ? std::max(FSelection.Anchor().FilePos, FCaret.FilePos)
                   : std::min(FSelection.Anchor().FilePos, FCaret.FilePos);
}

}  // namespace zin
