// The editor control's caret: reading a row as the caret steps over it,
// the control's caret placements (carried out by the caret itself), and
// the system caret.
#include <algorithm>
#include <climits>
#include <iterator>

#include "editor/ZinEdit.h"
#include "lines/ZinCharRules.h"

namespace zin {

void TZinEdit::ReadRow(TLineIterator line, int32_t subRow, twc_queue& chars, std::vector<int32_t>& widths)
{
    chars.clear();
    widths.clear();
    TZinLines& store = *FLineStore;
    const TRowList rows = line->Rows();
    const TRowIndex entry = rows[static_cast<size_t>(subRow)];
    // Rows hold at most MaxLineLength bytes; only the one row of a file
    // shown in hex mode is longer, and reading it whole could exhaust
    // memory, so no more than that is read.
    const uint64_t end = std::min(rows[static_cast<size_t>(subRow) + 1].Pos,
                                  entry.Pos + static_cast<uint64_t>(FMaxLineLength));
    const int32_t tabWidth = std::max(1, FTabSize * FCharWidth);
    store.BeginRead(FRowReader, line, entry);
    int32_t x = 0;
    while (FRowReader.Pos() < end) {
        if (!FRowReader.Next(chars))
            break;
        const int32_t u = chars.back().first;
        if (u == 13 || u == 10) {
            chars.pop_back();
            break;
        }
        // A tab reaches the next tab stop but not past the row's width.
        const int32_t w = u == 9 ? std::max(0, TabWidth(x, tabWidth, entry.Width))
                                 : GetCharWidth(static_cast<char16_t>(u));
        widths.push_back(w);
        x += w;
    }
}

void TZinEdit::LoadCaretRow()
{
    FCaret.LoadRow();
}

void TZinEdit::MoveCaretToX(int32_t x)
{
    FCaret.MoveToX(x);
}

void TZinEdit::RelocateCaretByLine()
{
    FCaret.RelocateByLine();
}

void TZinEdit::RelocateCaretByPos()
{
    FCaret.RelocateByPos();
}

// ---- The system caret ----------------------------------------------------------

void TZinEdit::CreateEditCaret(int32_t type)
{
    FCaretType = type;
    if (type != 0)
        return;
    // A caret made anew is hidden until it is shown.
    FHost->CreateCaret(2, FCharHeight);
    FCaretShown = false;
}

void TZinEdit::PlaceCaret()
{
    if (FEditMode == emHexMode) {
        HexPlaceCaret();
        return;
    }
    if (FHorzOffset < int64_t{FCaret.X} + FLeftMargin) {
        const int64_t x = int64_t{FCaret.X} + FLeftMargin + FGutterWidth - FHorzOffset;
        const int64_t y = (int64_t{FCaret.Row} - FTopRow) * RowHeight() + FExtraSpacing / 2;
        FHost->SetCaretPos(static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)),
                           static_cast<int32_t>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)));
        FCaretShown = true;
        FHost->ShowCaret();
    } else if (FCaretShown) {
        FHost->HideCaret();
        FCaretShown = false;
    }
}

void TZinEdit::UpdateCaret(bool show)
{
    if (show) {
        if (!FHost->Focused())
            return;
        // With the active line marked, the paint draws the frame and then
        // places the caret.
        if (FMarkActiveLine)
            Invalidate();
        else
            PlaceCaret();
    } else if (FCaretShown) {
        FHost->HideCaret();
        FCaretShown = false;
    }
}

}  // namespace zin
