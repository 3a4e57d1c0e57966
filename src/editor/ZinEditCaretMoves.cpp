// The editor control's caret steps: by character, by row, to a row's or the
// text's ends, to a row, by word and run, and the return of the caret and
// the selection's ends to their places after the rows were rebuilt or the
// file re-decoded.
#include "editor/ZinEditCaretMoves.h"

#include <algorithm>
#include <climits>
#include <iterator>

#include "editor/ZinEdit.h"
#include "lines/ZinCharRules.h"

namespace zin {

namespace {

bool IsIndentChar(int32_t u)
{
    return u == 9 || u == 32 || u == 0x3000;
}

TRunClass RunClass(int32_t u, std::string_view delimiters)
{
    if (u == 0x3000)
        return TRunClass::Blank;
    switch (CharClass(u, delimiters)) {
    case TCharClass::Word: return TRunClass::Word;
    case TCharClass::Delimiter: return TRunClass::Delimiter;
    default: return u >= 256 ? TRunClass::Word : TRunClass::Blank;
    }
}

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

// ---- Positions on their rows ----------------------------------------------------

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

int32_t TCaret::SpaceWidth() const
{
    return FEdit.SpaceWidth();
}

void TCaret::SetPos(const TCaretPos& p)
{
    static_cast<TCaretPos&>(*this) = p;
    FChars.clear();
    FWidths.clear();
    FCharIndex = 0;
}

// ---- Reading the row -------------------------------------------------------------

void TCaret::LoadRow()
{
    FEdit.ReadRow(Line, SubRow, FChars, FWidths);
    uint64_t pos = Line->Rows()[static_cast<size_t>(SubRow)].Pos;
    int32_t i = 0, x = 0;
    CountLeftOf(FChars, FWidths, LinePos, pos, i, x);
    FCharIndex = i;
    X = x;
    VirtualCols = 0;
}

void TCaret::MoveToX(int32_t x)
{
    const bool column = FEdit.EditMode() == emColumnMode;
    if (column)
        x = std::min(x, FEdit.HorzExtent());
    FEdit.ReadRow(Line, SubRow, FChars, FWidths);
    FCharIndex = 0;
    X = 0;
    VirtualCols = 0;
    int64_t r = x;
    const int32_t count = RowChars();
    // A character is passed when less than half of it lies right of x:
    // exactly half counts as the left side.
    while (r > 0 && FCharIndex < count) {
        const int32_t w = FWidths[static_cast<size_t>(FCharIndex)];
        if (w / 2 >= r)
            break;
        PassCharRight();
        r -= w;
    }
    if (column && r > 0 && FCharIndex == count) {
        const int32_t space = SpaceWidth();
        const int64_t rest = r % space;
        const int64_t cols = r / space + (2 * rest > space ? 1 : 0);
        VirtualCols = static_cast<int32_t>(std::min<int64_t>(cols, INT32_MAX / space));
        X += VirtualCols * space;
    }
}

int32_t TCaret::CharOnNextRows()
{
    for (;;) {
        if (FCharIndex < RowChars())
            return FChars[static_cast<size_t>(FCharIndex)].first;
        if (SubRow >= Line->RowCount() - 1)
            return -1;
        ++Row;
        ++SubRow;
        LoadRow();
    }
}

int32_t TCaret::CharOnPreviousRows()
{
    for (;;) {
        if (FCharIndex > 0)
            return FChars[static_cast<size_t>(FCharIndex) - 1].first;
        if (SubRow == 0)
            return -1;
        --Row;
        --SubRow;
        LoadRow();
    }
}

// ---- The keys' steps ------------------------------------------------------------

void TCaret::ToNextLineStart()
{
    FilePos += Line->NewLineBytes;
    ++Line;
    LinePos = 0;
    ++LineIndex;
    ++Row;
    SubRow = 0;
    LoadRow();
}

void TCaret::ToPreviousLineEnd()
{
    --Line;
    --LineIndex;
    LinePos = Line->Length() - Line->NewLineBytes;
    FilePos -= Line->NewLineBytes;
    --Row;
    SubRow = Line->RowCount() - 1;
    LoadRow();
}

void TCaret::StepLeft()
{
    if (VirtualCols > 0) {
        --VirtualCols;
        X -= SpaceWidth();
    } else if (FCharIndex > 0) {
        PassCharLeft();
    } else if (FEdit.EditMode() == emTextMode) {
        if (SubRow > 0) {
            --Row;
            --SubRow;
            LoadRow();
        } else if (Row > 0) {
            ToPreviousLineEnd();
        }
    }
}

void TCaret::StepRight()
{
    if (FCharIndex < RowChars()) {
        PassCharRight();
    } else if (FEdit.EditMode() == emColumnMode) {
        if (X < FEdit.HorzExtent()) {
            ++VirtualCols;
            X += SpaceWidth();
        }
    } else if (SubRow < Line->RowCount() - 1) {
        ++Row;
        ++SubRow;
        LoadRow();
    } else if (Row < FEdit.LineStore().RowCount() - 1) {
        ToNextLineStart();
    }
}

void TCaret::StepUp(int32_t x)
{
    if (Row <= 0)
        return;
    --Row;
    const uint64_t old = LinePos;
    if (SubRow > 0) {
        --SubRow;
        LinePos = Line->Rows()[static_cast<size_t>(SubRow)].Pos;
        FilePos -= old - LinePos;
    } else {
        --Line;
        --LineIndex;
        SubRow = Line->RowCount() - 1;
        LinePos = Line->Rows()[static_cast<size_t>(SubRow)].Pos;
        FilePos = FilePos - old - Line->Length() + LinePos;
    }
    MoveToX(x);
}

void TCaret::StepDown(int32_t x)
{
    if (Row >= FEdit.LineStore().RowCount() - 1)
        return;
    ++Row;
    if (SubRow < Line->RowCount() - 1) {
        ++SubRow;
        const uint64_t old = LinePos;
        LinePos = Line->Rows()[static_cast<size_t>(SubRow)].Pos;
        FilePos += LinePos - old;
    } else {
        const TRowList rows = Line->Rows();
        FilePos = FilePos - LinePos + rows.back().Pos + Line->NewLineBytes;
        LinePos = 0;
        SubRow = 0;
        ++LineIndex;
        ++Line;
    }
    MoveToX(x);
}

void TCaret::ToRowHome()
{
    const int32_t count = RowChars();
    int32_t n = 0, w = 0;
    uint64_t b = 0;
    while (n < count && IsIndentChar(FChars[static_cast<size_t>(n)].first)) {
        w += FWidths[static_cast<size_t>(n)];
        b += static_cast<uint64_t>(FChars[static_cast<size_t>(n)].second);
        ++n;
    }
    if (n == count)
        n = w = 0, b = 0;
    const uint64_t rowPos = Line->Rows()[static_cast<size_t>(SubRow)].Pos;
    auto moveTo = [&](int32_t index, int32_t x, uint64_t bytes) {
        FCharIndex = index;
        X = x;
        FilePos = FilePos - LinePos + rowPos + bytes;
        LinePos = rowPos + bytes;
    };
    if (FCharIndex > 0) {
        VirtualCols = 0;
        if (n == 0 || n == FCharIndex)
            moveTo(0, 0, 0);
        else
            moveTo(n, w, b);
    } else if (VirtualCols > 0) {
        VirtualCols = 0;
        X = 0;
    } else if (n > 0) {
        moveTo(n, w, b);
    }
}

void TCaret::ToRowEnd()
{
    if (VirtualCols > 0) {
        DropVirtualCols(SpaceWidth());
        return;
    }
    while (FCharIndex < RowChars())
        PassCharRight();
}

void TCaret::ToTextStart()
{
    SetPos(FEdit.FirstLineStart());
    LoadRow();
}

void TCaret::ToTextEnd()
{
    const TZinLines& store = FEdit.LineStore();
    // The end of the last line's text. The last line has no newline, except
    // in a UTF-16 file of odd size whose last byte is a lone carriage
    // return: the caret stays before it, on the row.
    Line = std::prev(store.Lines().end());
    FilePos = store.FileSize() - Line->NewLineBytes;
    LinePos = Line->Length() - Line->NewLineBytes;
    Row = store.RowCount() - 1;
    LineIndex = store.LineCount() - 1;
    SubRow = Line->RowCount() - 1;
    LoadRow();
}

void TCaret::ToRowStart(int32_t row)
{
    int32_t sub = 0;
    const TLinePlace place = FEdit.FindRowFromTop(row, sub);
    Row = place.FirstRow + sub;
    Line = place.Line;
    LineIndex = place.Index;
    SubRow = sub;
    LinePos = place.Line->Rows()[static_cast<size_t>(sub)].Pos;
    FilePos = place.Start + LinePos;
}

void TCaret::ToRow(int32_t row, int32_t x)
{
    ToRowStart(row);
    MoveToX(x);
}

// ---- Words ---------------------------------------------------------------------------

void TCaret::StepWord(bool right, std::string_view delimiters)
{
    // Virtual columns of column mode are left first.
    if (VirtualCols > 0)
        DropVirtualCols(SpaceWidth());
    if (right) {
        int32_t u = CharRightInLine();
        if (u < 0) {
            if (LineIndex < FEdit.LineStore().LineCount() - 1)
                ToNextLineStart();
            return;
        }
        const TRunClass run = RunClass(u, delimiters);
        if (run != TRunClass::Blank)
            for (; u >= 0 && RunClass(u, delimiters) == run; u = CharRightInLine())
                PassCharRight();
        for (; u >= 0 && RunClass(u, delimiters) == TRunClass::Blank; u = CharRightInLine())
            PassCharRight();
        return;
    }
    int32_t u = CharLeftInLine();
    if (u < 0) {
        if (LineIndex > 0)
            ToPreviousLineEnd();
        return;
    }
    for (; u >= 0 && RunClass(u, delimiters) == TRunClass::Blank; u = CharLeftInLine())
        PassCharLeft();
    if (u < 0)
        return;
    const TRunClass run = RunClass(u, delimiters);
    for (; u >= 0 && RunClass(u, delimiters) == run; u = CharLeftInLine())
        PassCharLeft();
}

bool TCaret::ToRunStart(int32_t x, std::string_view delimiters, TRunClass& run)
{
    // The caret went past the character under x when less than half of it
    // lay right of x.
    if (FCharIndex > 0 && (x < X || FCharIndex == RowChars()))
        PassCharLeft();
    if (FCharIndex >= RowChars())
        return false;
    run = RunClass(FChars[static_cast<size_t>(FCharIndex)].first, delimiters);
    for (int32_t u = CharLeftInLine(); u >= 0 && RunClass(u, delimiters) == run; u = CharLeftInLine())
        PassCharLeft();
    return true;
}

void TCaret::ToRunEnd(TRunClass run, std::string_view delimiters)
{
    for (int32_t u = CharRightInLine(); u >= 0 && RunClass(u, delimiters) == run; u = CharRightInLine())
        PassCharRight();
}

// ---- Relocation ---------------------------------------------------------------------

void TCaret::RelocateByLine()
{
    Row = FEdit.FindLineFirstRow(LineIndex).FirstRow;
    SubRow = 0;
    VirtualCols = 0;
    FEdit.PlaceInLine(*this, FChars, FWidths, FCharIndex, false);
}

void TCaret::RelocateByPos()
{
    TLinePlace place = FEdit.FindFilePos(FilePos);
    // A position on a line boundary is the start of the line after it (the
    // lookup may answer the line that ends there, whose newline the caret
    // would then be moved back out of).
    if (place.Start + place.Line->Length() == FilePos && std::next(place.Line) != FEdit.LineStore().Lines().end()) {
        place.FirstRow += place.Line->RowCount();
        place.Start += place.Line->Length();
        ++place.Index;
        ++place.Line;
    }
    Line = place.Line;
    LineIndex = place.Index;
    Row = place.FirstRow;
    SubRow = 0;
    VirtualCols = 0;
    LinePos = FilePos >= place.Start ? FilePos - place.Start : 0;
    const uint64_t first = place.Line->Rows()[0].Pos;
    if (LinePos < first) {
        LinePos = first;
        FilePos = place.Start + first;
    }
    FEdit.PlaceInLine(*this, FChars, FWidths, FCharIndex, true);
}

}  // namespace zin
