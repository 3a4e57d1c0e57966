// The editor control's caret: reading the caret's row, placing positions on
// their rows after the rows were rebuilt or the file re-decoded, and the
// system caret.
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
    store.BeginRead(line, entry);
    int32_t x = 0;
    while (store.ReadPos() < end) {
        if (!store.NextChar(chars))
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

namespace {

// Passes the characters of a row read by ReadRow that start before byte
// `linePos`: pos (the row's start), index and x advance over them.
void CountLeftOf(const twc_queue& chars, const std::vector<int32_t>& widths, uint64_t linePos, uint64_t& pos,
                 int32_t& index, int32_t& x)
{
    const int32_t count = static_cast<int32_t>(widths.size());
    while (index < count && pos < linePos) {
        pos += static_cast<uint64_t>(chars[static_cast<size_t>(index)].second);
        x += widths[static_cast<size_t>(index)];
        ++index;
    }
}

}  // namespace

void TZinEdit::PlaceInLine(TCaretPos& p, twc_queue& chars, std::vector<int32_t>& widths, int32_t& index,
                           bool snap)
{
    const TRowList rows = p.Line->Rows();
    const size_t rowCount = rows.size() - 1;
    if (snap) {
        // Within the newline: back to the end of the text.
        const uint64_t textEnd = rows[rowCount].Pos;
        if (p.LinePos > textEnd) {
            p.FilePos -= p.LinePos - textEnd;
            p.LinePos = textEnd;
        }
    }
    // The first row whose end reaches LinePos (row ends do not decrease, so
    // a binary search finds it).
    size_t lo = 0, hi = rowCount - 1;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (rows[mid + 1].Pos < p.LinePos)
            lo = mid + 1;
        else
            hi = mid;
    }
    p.Row += static_cast<int32_t>(lo);
    p.SubRow = static_cast<int32_t>(lo);
    ReadRow(p.Line, p.SubRow, chars, widths);
    uint64_t pos = rows[lo].Pos;
    int32_t i = 0, x = 0;
    CountLeftOf(chars, widths, p.LinePos, pos, i, x);
    if (snap && pos > p.LinePos) {
        // Inside a multi-byte character: back to its start.
        --i;
        x -= widths[static_cast<size_t>(i)];
        pos -= static_cast<uint64_t>(chars[static_cast<size_t>(i)].second);
        p.FilePos -= p.LinePos - pos;
        p.LinePos = pos;
    }
    index = i;
    p.X = x;
}

void TZinEdit::LoadCaretRow()
{
    ReadRow(FCaret.Line, FCaret.SubRow, FCaretChars, FCaretWidths);
    uint64_t pos = FCaret.Line->Rows()[static_cast<size_t>(FCaret.SubRow)].Pos;
    int32_t i = 0, x = 0;
    CountLeftOf(FCaretChars, FCaretWidths, FCaret.LinePos, pos, i, x);
    FCaretCharIndex = i;
    FCaret.X = x;
    FCaret.VirtualCols = 0;
}

void TZinEdit::MoveCaretToX(int32_t x)
{
    if (FEditMode == emColumnMode)
        x = std::min(x, FHorzExtent);
    ReadRow(FCaret.Line, FCaret.SubRow, FCaretChars, FCaretWidths);
    FCaretCharIndex = 0;
    FCaret.X = 0;
    FCaret.VirtualCols = 0;
    int64_t r = x;
    const int32_t count = static_cast<int32_t>(FCaretWidths.size());
    // A character is passed when less than half of it lies right of x:
    // exactly half counts as the left side.
    while (r > 0 && FCaretCharIndex < count) {
        const int32_t w = FCaretWidths[static_cast<size_t>(FCaretCharIndex)];
        if (w / 2 >= r)
            break;
        const uint64_t bytes = static_cast<uint64_t>(FCaretChars[static_cast<size_t>(FCaretCharIndex)].second);
        ++FCaretCharIndex;
        FCaret.X += w;
        FCaret.LinePos += bytes;
        FCaret.FilePos += bytes;
        r -= w;
    }
    if (FEditMode == emColumnMode && r > 0 && FCaretCharIndex == count) {
        const int32_t space = SpaceWidth();
        const int64_t rest = r % space;
        const int64_t cols = r / space + (2 * rest > space ? 1 : 0);
        FCaret.VirtualCols = static_cast<int32_t>(std::min<int64_t>(cols, INT32_MAX / space));
        FCaret.X += FCaret.VirtualCols * space;
    }
}

void TZinEdit::RelocateCaretByLine()
{
    FCaret.Row = FindLineFirstRow(FCaret.LineIndex).FirstRow;
    FCaret.SubRow = 0;
    FCaret.VirtualCols = 0;
    PlaceInLine(FCaret, FCaretChars, FCaretWidths, FCaretCharIndex, false);
}

void TZinEdit::RelocateCaretByPos()
{
    TLinePlace place = FindFilePos(FCaret.FilePos);
    // A position on a line boundary is the start of the line after it (the
    // lookup may answer the line that ends there, whose newline the caret
    // would then be moved back out of).
    if (place.Start + place.Line->Length() == FCaret.FilePos && std::next(place.Line) != FLineStore->Lines().end()) {
        place.FirstRow += place.Line->RowCount();
        place.Start += place.Line->Length();
        ++place.Index;
        ++place.Line;
    }
    FCaret.Line = place.Line;
    FCaret.LineIndex = place.Index;
    FCaret.Row = place.FirstRow;
    FCaret.SubRow = 0;
    FCaret.VirtualCols = 0;
    FCaret.LinePos = FCaret.FilePos >= place.Start ? FCaret.FilePos - place.Start : 0;
    const uint64_t first = place.Line->Rows()[0].Pos;
    if (FCaret.LinePos < first) {
        FCaret.LinePos = first;
        FCaret.FilePos = place.Start + first;
    }
    PlaceInLine(FCaret, FCaretChars, FCaretWidths, FCaretCharIndex, true);
}

void TZinEdit::RelocatePos(TCaretPos& p)
{
    const TLinePlace place = FindLineFirstRow(p.LineIndex);
    p.Line = place.Line;
    p.Row = place.FirstRow;
    p.SubRow = 0;
    p.VirtualCols = 0;
    int32_t index;
    PlaceInLine(p, FPosChars, FPosWidths, index, false);
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
    // Hex mode shows only its notice: a caret there would blink inside the
    // notice's text, so it stays hidden.
    if (FEditMode != emHexMode && FHorzOffset < int64_t{FCaret.X} + FLeftMargin) {
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
