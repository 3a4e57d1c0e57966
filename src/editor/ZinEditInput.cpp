// The editor control's caret moves, selection, keyboard and mouse, and the
// text of the selection.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "editor/ZinEdit.h"
#include "lines/ZinCharRules.h"

namespace zin {

namespace {

bool IsIndentChar(int32_t u)
{
    return u == 9 || u == 32 || u == 0x3000;
}

// The runs that word moves and double clicks go by: blanks (spaces, tabs
// and the other controls from 9 to 13, the ideographic space), the syntax's
// delimiters, and word characters (the rest; every character from 256 up,
// which word wrap breaks anywhere, is a word character here).
enum class TRunClass : uint8_t { Blank, Word, Delimiter };

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

// Mouse coordinates are clamped to this far beyond any screen before any
// arithmetic, so that the ends of the 32-bit range cannot overflow.
constexpr int32_t MouseLimit = 1 << 24;

int32_t ClampMouse(int32_t v)
{
    return std::clamp(v, -MouseLimit, MouseLimit);
}

}  // namespace

// ---- Selection -------------------------------------------------------------------

void TZinEdit::MarkSelectionRows()
{
    FSelDirtyFirst = FSelFirst->Row;
    FSelDirtyLast = FSelLast->Row;
    FRepaintSelection = true;
    Invalidate();
}

void TZinEdit::BeginSelection()
{
    if (FSelecting) {
        MarkSelectionRows();
        return;
    }
    FSelecting = true;
    FSelAnchor = FCaret;
    FSelDirtyFirst = FSelDirtyLast = FCaret.Row;
}

void TZinEdit::UpdateSelection(bool extend)
{
    if (!extend) {
        ClearSelection();
        return;
    }
    if (FCaret.FilePos != FSelAnchor.FilePos || FCaret.VirtualCols != FSelAnchor.VirtualCols) {
        FSelEnd = FCaret;
        // On equal file positions the moving end comes first.
        if (FSelEnd.FilePos <= FSelAnchor.FilePos) {
            FSelFirst = &FSelEnd;
            FSelLast = &FSelAnchor;
        } else {
            FSelFirst = &FSelAnchor;
            FSelLast = &FSelEnd;
        }
        if (FEditMode == emColumnMode) {
            FColSelLeft = std::min(FSelAnchor.X, FSelEnd.X);
            FColSelRight = std::max(FSelAnchor.X, FSelEnd.X);
        }
        FRepaintSelection = true;
        Invalidate();
    } else {
        ClearSelection();
    }
    if (FCaret.Row < FSelDirtyFirst)
        FSelDirtyFirst = FCaret.Row;
    else if (FSelDirtyLast < FCaret.Row)
        FSelDirtyLast = FCaret.Row;
}

void TZinEdit::ClearSelection()
{
    if (!FSelecting)
        return;
    MarkSelectionRows();
    FSelecting = false;
}

// ---- Commands ---------------------------------------------------------------------

void TZinEdit::PlaceOnRow(int32_t row)
{
    int32_t sub = 0;
    const TLinePlace place = FindRowFromTop(row, sub);
    FCaret.Row = place.FirstRow + sub;
    FCaret.Line = place.Line;
    FCaret.LineIndex = place.Index;
    FCaret.SubRow = sub;
    FCaret.LinePos = place.Line->Rows()[static_cast<size_t>(sub)].Pos;
    FCaret.FilePos = place.Start + FCaret.LinePos;
}

void TZinEdit::ExecuteCommand(int32_t command)
{
    if (FEditMode == emHexMode)
        return;
    const bool plain = command >= ecLeft && command <= ecCtrlRight;
    const bool selecting = command >= ecSelLeft && command <= ecSelCtrlRight;
    if (selecting)
        BeginSelection();
    const int32_t move = plain || selecting ? (command & 0xFF) : 0;
    const int32_t space = SpaceWidth();
    TCaretPos& c = FCaret;
    const int32_t count = static_cast<int32_t>(FCaretWidths.size());
    const int32_t rowCount = FLineStore->RowCount();
    switch (move) {
    case ecLeft & 0xFF:
        if (c.VirtualCols > 0) {
            --c.VirtualCols;
            c.X -= space;
        } else if (FCaretCharIndex > 0) {
            --FCaretCharIndex;
            const size_t i = static_cast<size_t>(FCaretCharIndex);
            c.X -= FCaretWidths[i];
            c.LinePos -= static_cast<uint64_t>(FCaretChars[i].second);
            c.FilePos -= static_cast<uint64_t>(FCaretChars[i].second);
        } else if (FEditMode == emTextMode) {
            if (c.SubRow > 0) {
                --c.Row;
                --c.SubRow;
                LoadCaretRow();
            } else if (c.Row > 0) {
                --c.Line;
                --c.LineIndex;
                c.LinePos = c.Line->Length() - c.Line->NewLineBytes;
                c.FilePos -= c.Line->NewLineBytes;
                --c.Row;
                c.SubRow = c.Line->RowCount() - 1;
                LoadCaretRow();
            }
        }
        break;
    case ecRight & 0xFF:
        if (FCaretCharIndex < count) {
            const size_t i = static_cast<size_t>(FCaretCharIndex);
            c.X += FCaretWidths[i];
            ++FCaretCharIndex;
            c.LinePos += static_cast<uint64_t>(FCaretChars[i].second);
            c.FilePos += static_cast<uint64_t>(FCaretChars[i].second);
        } else if (FEditMode == emColumnMode) {
            if (c.X < FHorzExtent) {
                ++c.VirtualCols;
                c.X += space;
            }
        } else if (c.SubRow < c.Line->RowCount() - 1) {
            ++c.Row;
            ++c.SubRow;
            LoadCaretRow();
        } else if (c.Row < rowCount - 1) {
            c.FilePos += c.Line->NewLineBytes;
            ++c.Line;
            c.LinePos = 0;
            ++c.LineIndex;
            ++c.Row;
            c.SubRow = 0;
            LoadCaretRow();
        }
        break;
    case ecUp & 0xFF:
        if (c.Row > 0) {
            --c.Row;
            const uint64_t old = c.LinePos;
            if (c.SubRow > 0) {
                --c.SubRow;
                c.LinePos = c.Line->Rows()[static_cast<size_t>(c.SubRow)].Pos;
                c.FilePos -= old - c.LinePos;
            } else {
                --c.Line;
                --c.LineIndex;
                c.SubRow = c.Line->RowCount() - 1;
                c.LinePos = c.Line->Rows()[static_cast<size_t>(c.SubRow)].Pos;
                c.FilePos = c.FilePos - old - c.Line->Length() + c.LinePos;
            }
            MoveCaretToX(FDesiredX);
        }
        break;
    case ecDown & 0xFF:
        if (c.Row < rowCount - 1) {
            ++c.Row;
            if (c.SubRow < c.Line->RowCount() - 1) {
                ++c.SubRow;
                const uint64_t old = c.LinePos;
                c.LinePos = c.Line->Rows()[static_cast<size_t>(c.SubRow)].Pos;
                c.FilePos += c.LinePos - old;
            } else {
                const TRowList rows = c.Line->Rows();
                c.FilePos = c.FilePos - c.LinePos + rows.back().Pos + c.Line->NewLineBytes;
                c.LinePos = 0;
                c.SubRow = 0;
                ++c.LineIndex;
                ++c.Line;
            }
            MoveCaretToX(FDesiredX);
        }
        break;
    case ecHome & 0xFF: {
        // The row's indentation: leading tabs, spaces and ideographic
        // spaces; none when the row holds nothing else.
        int32_t n = 0, w = 0;
        uint64_t b = 0;
        while (n < count && IsIndentChar(FCaretChars[static_cast<size_t>(n)].first)) {
            w += FCaretWidths[static_cast<size_t>(n)];
            b += static_cast<uint64_t>(FCaretChars[static_cast<size_t>(n)].second);
            ++n;
        }
        if (n == count)
            n = w = 0, b = 0;
        const uint64_t rowPos = c.Line->Rows()[static_cast<size_t>(c.SubRow)].Pos;
        auto moveTo = [&](int32_t index, int32_t x, uint64_t bytes) {
            FCaretCharIndex = index;
            c.X = x;
            c.FilePos = c.FilePos - c.LinePos + rowPos + bytes;
            c.LinePos = rowPos + bytes;
        };
        if (FCaretCharIndex > 0) {
            c.VirtualCols = 0;
            if (n == 0 || n == FCaretCharIndex)
                moveTo(0, 0, 0);
            else
                moveTo(n, w, b);
        } else if (c.VirtualCols > 0) {
            c.VirtualCols = 0;
            c.X = 0;
        } else if (n > 0) {
            moveTo(n, w, b);
        }
        FDesiredX = c.X;
        break;
    }
    case ecEnd & 0xFF:
        if (c.VirtualCols > 0) {
            c.X -= c.VirtualCols * space;
            c.VirtualCols = 0;
        } else {
            for (; FCaretCharIndex < count; ++FCaretCharIndex) {
                const size_t i = static_cast<size_t>(FCaretCharIndex);
                c.X += FCaretWidths[i];
                c.LinePos += static_cast<uint64_t>(FCaretChars[i].second);
                c.FilePos += static_cast<uint64_t>(FCaretChars[i].second);
            }
        }
        FDesiredX = c.X;
        break;
    case ecTextStart & 0xFF:
        c = FirstLineStart();
        LoadCaretRow();
        FDesiredX = c.X;
        break;
    case ecTextEnd & 0xFF: {
        TZinLines& store = *FLineStore;
        // The end of the last line's text. The last line has no newline,
        // except in a UTF-16 file of odd size whose last byte is a lone
        // carriage return: the caret stays before it, on the row.
        c.Line = std::prev(store.Lines().end());
        c.FilePos = store.FileSize() - c.Line->NewLineBytes;
        c.LinePos = c.Line->Length() - c.Line->NewLineBytes;
        c.Row = rowCount - 1;
        c.LineIndex = store.LineCount() - 1;
        c.SubRow = c.Line->RowCount() - 1;
        LoadCaretRow();
        FDesiredX = c.X;
        break;
    }
    case ecPageUp & 0xFF:
    case ecPageDown & 0xFF: {
        const int32_t k = FVertScrollBar.LargeChange;
        const int64_t t = move == (ecPageUp & 0xFF) ? (c.Row < k ? 0 : c.Row - k)
                                                    : std::min<int64_t>(int64_t{c.Row} + k, rowCount - 1);
        PlaceOnRow(static_cast<int32_t>(t));
        MoveCaretToX(FDesiredX);
        break;
    }
    case ecCtrlLeft & 0xFF:
    case ecCtrlRight & 0xFF:
        MoveByWord(move == (ecCtrlRight & 0xFF));
        break;
    default:
        break;  // codes that move nothing
    }
    if (move >= 1 && move <= (ecCtrlRight & 0xFF)) {
        ScrollToCaret();
        UpdateScrollBars();
        DoSelectionChange();
        if (move == (ecLeft & 0xFF) || move == (ecRight & 0xFF) || move >= (ecCtrlLeft & 0xFF))
            FDesiredX = c.X;
    }
    if (selecting)
        UpdateSelection(true);
    else if (plain)
        UpdateSelection(false);
}

// ---- Words ---------------------------------------------------------------------------

int32_t TZinEdit::CharRightInLine()
{
    TCaretPos& c = FCaret;
    for (;;) {
        if (FCaretCharIndex < static_cast<int32_t>(FCaretWidths.size()))
            return FCaretChars[static_cast<size_t>(FCaretCharIndex)].first;
        if (c.SubRow >= c.Line->RowCount() - 1)
            return -1;
        ++c.Row;
        ++c.SubRow;
        LoadCaretRow();
    }
}

int32_t TZinEdit::CharLeftInLine()
{
    TCaretPos& c = FCaret;
    for (;;) {
        if (FCaretCharIndex > 0)
            return FCaretChars[static_cast<size_t>(FCaretCharIndex) - 1].first;
        if (c.SubRow == 0)
            return -1;
        --c.Row;
        --c.SubRow;
        LoadCaretRow();
    }
}

void TZinEdit::PassCharRight()
{
    const size_t i = static_cast<size_t>(FCaretCharIndex++);
    const uint64_t n = static_cast<uint64_t>(FCaretChars[i].second);
    FCaret.X += FCaretWidths[i];
    FCaret.LinePos += n;
    FCaret.FilePos += n;
}

void TZinEdit::PassCharLeft()
{
    const size_t i = static_cast<size_t>(--FCaretCharIndex);
    const uint64_t n = static_cast<uint64_t>(FCaretChars[i].second);
    FCaret.X -= FCaretWidths[i];
    FCaret.LinePos -= n;
    FCaret.FilePos -= n;
}

void TZinEdit::MoveByWord(bool right)
{
    TCaretPos& c = FCaret;
    const std::string_view delimiters = FSyntax ? std::string_view(FSyntax->Delimiters) : std::string_view();
    // Virtual columns of column mode are left first.
    if (c.VirtualCols > 0) {
        c.X -= c.VirtualCols * SpaceWidth();
        c.VirtualCols = 0;
    }
    if (right) {
        int32_t u = CharRightInLine();
        if (u < 0) {
            // The line's end: the next line's start.
            if (c.LineIndex < FLineStore->LineCount() - 1) {
                c.FilePos += c.Line->NewLineBytes;
                ++c.Line;
                ++c.LineIndex;
                c.LinePos = 0;
                ++c.Row;
                c.SubRow = 0;
                LoadCaretRow();
            }
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
        // The line's start: the previous line's end.
        if (c.LineIndex > 0) {
            --c.Line;
            --c.LineIndex;
            c.LinePos = c.Line->Length() - c.Line->NewLineBytes;
            c.FilePos -= c.Line->NewLineBytes;
            --c.Row;
            c.SubRow = c.Line->RowCount() - 1;
            LoadCaretRow();
        }
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

void TZinEdit::SelectRunAt(int32_t x)
{
    // The character under x: the one left of the caret when the caret went
    // past it (less than half of it lay right of x), or the last of a row
    // that x lies beyond.
    if (FCaretCharIndex > 0 && (x < FCaret.X || FCaretCharIndex == static_cast<int32_t>(FCaretWidths.size())))
        PassCharLeft();
    if (FCaretCharIndex >= static_cast<int32_t>(FCaretWidths.size()))
        return;  // an empty row
    const std::string_view delimiters = FSyntax ? std::string_view(FSyntax->Delimiters) : std::string_view();
    const TRunClass run = RunClass(FCaretChars[static_cast<size_t>(FCaretCharIndex)].first, delimiters);
    for (int32_t u = CharLeftInLine(); u >= 0 && RunClass(u, delimiters) == run; u = CharLeftInLine())
        PassCharLeft();
    ClearSelection();
    BeginSelection();
    for (int32_t u = CharRightInLine(); u >= 0 && RunClass(u, delimiters) == run; u = CharRightInLine())
        PassCharRight();
    FDesiredX = FCaret.X;
    ScrollToCaret();
    UpdateScrollBars();
    DoSelectionChange();
    UpdateSelection(true);
}

// ---- Keyboard ----------------------------------------------------------------------

void TZinEdit::KeyDown(uint16_t key, TShiftState shift)
{
    ExecuteCommand(FKeyBindings->FindCommand(key, shift));
}

// ---- Mouse ---------------------------------------------------------------------------

void TZinEdit::PlaceCaretAt(int32_t row, int32_t x)
{
    PlaceOnRow(row);
    MoveCaretToX(x + FHorzOffset - FGutterWidth - FLeftMargin);
    ScrollToCaret();
    UpdateScrollBars();
    DoSelectionChange();
    FDesiredX = FCaret.X;
}

void TZinEdit::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y)
{
    if (!FHost->Focused()) {
        FHost->SetFocus();
        FocusIn();
    }
    if (button != mbLeft)
        return;
    x = ClampMouse(x);
    y = ClampMouse(y);
    const bool extend = (shift & (ssShift | ssCtrl | ssAlt | ssLeft | ssRight | ssMiddle)) == (ssShift | ssLeft);
    if (extend != FSelecting)
        BeginSelection();  // anchor at the old caret, or the old selection's rows marked
    const int64_t row = int64_t{y} / RowHeight() + FTopRow;
    PlaceCaretAt(static_cast<int32_t>(std::clamp<int64_t>(row, 0, FLineStore->RowCount() - 1)), x);
    if (extend) {
        if (FSelecting)
            UpdateSelection(true);
        else
            BeginSelection();
    } else {
        ClearSelection();
        if (!FSelFirst) {
            FSelAnchor = FSelEnd = FCaret;
            FSelFirst = &FSelAnchor;
            FSelLast = &FSelEnd;
        }
    }
    FMouseSelecting = true;
    if ((shift & ssDouble) && !extend && FEditMode != emHexMode)
        SelectRunAt(x + FHorzOffset - FGutterWidth - FLeftMargin);
}

void TZinEdit::MouseMove(TShiftState, int32_t x, int32_t y)
{
    x = ClampMouse(x);
    y = ClampMouse(y);
    FHost->SetCursor(FGutterWidth > 0 && x >= 0 && x <= FGutterWidth ? crArrow : crIBeam);
    if (!FMouseSelecting)
        return;
    if (!FSelecting)
        BeginSelection();
    const int32_t rowHeight = RowHeight();
    int64_t row;
    if (y < 0)
        row = std::max<int64_t>(int64_t{FTopRow} - (int64_t{-y} / rowHeight + 1), 0);
    else
        row = std::min<int64_t>(int64_t{y} / rowHeight + FTopRow, FLineStore->RowCount() - 1);
    PlaceCaretAt(static_cast<int32_t>(row), x);
    if (FSelecting)
        UpdateSelection(true);
}

void TZinEdit::MouseUp(TMouseButton button, TShiftState, int32_t, int32_t)
{
    if (button == mbLeft)
        FMouseSelecting = false;
}

// ---- The selected text -----------------------------------------------------------------

namespace {

// Collects the characters of a copy. The reader shows a four-byte UTF-8
// sequence as four one-byte characters, their bytes' values; in a UTF-8
// file such a run that is well formed reaches the copy as the character it
// encodes (a surrogate pair), so that the copy equals the file's text.
class TCopyText {
public:
    TCopyText(std::u16string& text, size_t limitUnits, bool utf8) : FText(text), FLimit(limitUnits), FUtf8(utf8)
    {
        FText.clear();
    }
    // False when the text would exceed the limit (it is then emptied).
    bool Add(int32_t u, int32_t bytes)
    {
        if (!FUtf8)
            return Put(u);
        if (FHeld > 0 && bytes == 1 && Continues(u)) {
            FBytes[FHeld++] = static_cast<uint8_t>(u);
            if (FHeld < 4)
                return true;
            FHeld = 0;
            const int32_t cp = ((FBytes[0] & 0x07) << 18) | ((FBytes[1] & 0x3F) << 12) | ((FBytes[2] & 0x3F) << 6) |
                               (FBytes[3] & 0x3F);
            return Put(0xD800 + ((cp - 0x10000) >> 10)) && Put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
        if (!Flush())
            return false;
        if (bytes == 1 && u >= 0xF0 && u <= 0xF4) {
            FBytes[FHeld++] = static_cast<uint8_t>(u);
            return true;
        }
        return Put(u);
    }
    // Bytes of a sequence cut short go as they were shown.
    bool Flush()
    {
        const int held = FHeld;
        FHeld = 0;
        for (int i = 0; i < held; ++i)
            if (!Put(FBytes[i]))
                return false;
        return true;
    }

private:
    // Whether u (a byte's value) may follow the bytes held.
    bool Continues(int32_t u) const
    {
        int32_t lo = 0x80, hi = 0xBF;
        if (FHeld == 1 && FBytes[0] == 0xF0)
            lo = 0x90;  // shorter forms are overlong
        else if (FHeld == 1 && FBytes[0] == 0xF4)
            hi = 0x8F;  // beyond U+10FFFF
        return u >= lo && u <= hi;
    }
    bool Put(int32_t u)
    {
        if (FText.size() >= FLimit) {
            FText.clear();
            FHeld = 0;
            return false;
        }
        FText.push_back(static_cast<char16_t>(u));
        return true;
    }
    std::u16string& FText;
    size_t FLimit;
    bool FUtf8;
    uint8_t FBytes[4] = {};
    int FHeld = 0;
};

}  // namespace

bool TZinEdit::SelectedText(std::u16string& text, size_t limitBytes)
{
    text.clear();
    if (!FSelecting || !FSelFirst || !FSelLast)
        return true;
    const size_t limitUnits = limitBytes / sizeof(char16_t);
    const TCodePageInfo* info = FindCodePage(FCodePage);
    TCopyText copy(text, limitUnits, info && info->Kind == cpkUTF8);
    TZinLines& store = *FLineStore;
    twc_queue q;
    if (FEditMode != emColumnMode) {
        // Every character from the first end to the last, newlines as the
        // file has them.
        const TCaretPos& first = *FSelFirst;
        const TCaretPos& last = *FSelLast;
        // A character takes at most three bytes of the file: a span that
        // long decodes to more than the limit for certain, and is refused
        // before anything is decoded.
        const uint64_t span = last.FilePos - first.FilePos;
        if (span / 3 > limitUnits)
            return false;
        TLineIterator line = first.Line;
        uint64_t from = first.LinePos;
        for (int32_t index = first.LineIndex;; ++index, ++line, from = 0) {
            const bool isLast = index >= last.LineIndex || std::next(line) == store.Lines().end();
            const uint64_t to = isLast ? last.LinePos : line->Length();
            store.BeginRead(line, TRowIndex{from, 0});
            while (store.ReadPos() < to && store.NextChar(q)) {
                if (!copy.Add(q.back().first, q.back().second))
                    return false;
                q.clear();
            }
            if (isLast)
                break;
        }
        return copy.Flush();
    }
    // Column mode: on each row the characters between the column bounds,
    // chosen as the painter inverts them; rows joined by line feeds.
    twc_queue chars;
    std::vector<int32_t> widths;
    for (int32_t row = FSelFirst->Row; row <= FSelLast->Row; ++row) {
        int32_t sub = 0;
        const TLinePlace place = FindRow(row, sub);
        ReadRow(place.Line, sub, chars, widths);
        int32_t startLeft = FColSelLeft, endLeft = FColSelRight;
        size_t from = 0, to = 0;
        for (size_t i = 0; i < widths.size(); ++i) {
            const int32_t w = widths[i];
            if (startLeft > 0 && w / 2 < startLeft) {
                startLeft -= w;
                from = i + 1;
            } else {
                startLeft = 0;
            }
            if (endLeft > 0 && w / 2 < endLeft) {
                endLeft -= w;
                to = i + 1;
            } else {
                endLeft = 0;
            }
        }
        if (row > FSelFirst->Row && !copy.Add(10, 1))
            return false;
        for (size_t i = from; i < to; ++i)
            if (!copy.Add(chars[i].first, chars[i].second))
                return false;
        if (!copy.Flush())
            return false;
    }
    return true;
}

}  // namespace zin
