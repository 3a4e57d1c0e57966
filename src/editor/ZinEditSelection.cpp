// The editor control's selection: its anchor, moving end, column bounds
// and dirty rows, the control's selection operations, and the text of the
// selection.
#include "editor/ZinEditSelection.h"

#include <algorithm>
#include <iterator>

#include "editor/ZinEdit.h"
#include "encoding/CodePage.h"

namespace zin {

// ---- The selection's ends ---------------------------------------------------------

void TSelection::MarkRows()
{
    FDirtyFirst = FFirst->Row;
    FDirtyLast = FLast->Row;
}

bool TSelection::Begin(const TCaretPos& caret)
{
    if (FActive) {
        MarkRows();
        return true;
    }
    FActive = true;
    FAnchor = caret;
    // A control that never loaded a file has not placed the ends yet: the
    // moving end starts at the anchor too.
    if (!FFirst) {
        FEnd = caret;
        FFirst = &FAnchor;
        FLast = &FEnd;
    }
    FDirtyFirst = FDirtyLast = caret.Row;
    return false;
}

bool TSelection::Extend(const TCaretPos& caret, bool column)
{
    bool repaint;
    if (caret.FilePos != FAnchor.FilePos || caret.VirtualCols != FAnchor.VirtualCols) {
        FEnd = caret;
        // On equal file positions the moving end comes first.
        if (FEnd.FilePos <= FAnchor.FilePos) {
            FFirst = &FEnd;
            FLast = &FAnchor;
        } else {
            FFirst = &FAnchor;
            FLast = &FEnd;
        }
        if (column)
            SetColumnBounds();
        repaint = true;
    } else {
        repaint = Clear();
    }
    if (caret.Row < FDirtyFirst)
        FDirtyFirst = caret.Row;
    else if (FDirtyLast < caret.Row)
        FDirtyLast = caret.Row;
    return repaint;
}

bool TSelection::Clear()
{
    if (!FActive)
        return false;
    MarkRows();
    FActive = false;
    return true;
}

void TSelection::Collapse(const TCaretPos& caret)
{
    FActive = false;
    FAnchor = FEnd = caret;
    FFirst = &FAnchor;
    FLast = &FEnd;
}

void TSelection::SetColumnBounds()
{
    FColLeft = std::min(FAnchor.X, FEnd.X);
    FColRight = std::max(FAnchor.X, FEnd.X);
}

// ---- The control's selection ------------------------------------------------------

void TZinEdit::RepaintSelectionRows()
{
    FRepaintSelection = true;
    Invalidate();
}

void TZinEdit::BeginSelection()
{
    if (FSelection.Begin(FCaret))
        RepaintSelectionRows();
}

void TZinEdit::UpdateSelection(bool extend)
{
    if (extend ? FSelection.Extend(FCaret, FEditMode == emColumnMode) : FSelection.Clear())
        RepaintSelectionRows();
}

void TZinEdit::ClearSelection()
{
    if (FSelection.Clear())
        RepaintSelectionRows();
}

// ---- The selected text ------------------------------------------------------------

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

template <class TCopy>
bool TZinEdit::CopyLines(TCopy& copy, TLineIterator line, int32_t index, uint64_t from, int32_t lastIndex, uint64_t to)
{
    TZinLines& store = *FLineStore;
    twc_queue q;
    TLineReader reader;  // a copy's own: it moves no other reader
    for (;; ++index, ++line, from = 0) {
        const bool isLast = index >= lastIndex || std::next(line) == store.Lines().end();
        const uint64_t end = isLast ? to : line->Length();
        store.BeginRead(reader, line, TRowIndex{from, 0});
        while (reader.Pos() < end && reader.Next(q)) {
            if (!copy.Add(q.back().first, q.back().second))
                return false;
            q.clear();
        }
        if (isLast)
            break;
    }
    return copy.Flush();
}

bool TZinEdit::SelectedTextDecoded(std::u16string& text, size_t limitBytes)
{
    if (FEditMode != emHexMode)
        return SelectedText(text, limitBytes);
    return HexSelectedText(text, limitBytes, true);
}

bool TZinEdit::HexSelectedText(std::u16string& text, size_t limitBytes, bool decoded)
{
    text.clear();
    const uint64_t size = FLineStore->FileSize();
    if (!FHex.Selecting || size == 0)
        return true;
    const uint64_t first = std::min(FHex.Anchor, FHex.Caret);
    const uint64_t end = std::min(std::max(FHex.Anchor, FHex.Caret) + 1, size);
    const uint64_t n = end - first;
    const size_t limitUnits = limitBytes / sizeof(char16_t);
    if (!decoded) {
        // Three units a byte, less the last one's space.
        if (n > (limitUnits + 1) / 3)
            return false;
        text.reserve(static_cast<size_t>(n * 3 - 1));
        uint8_t buffer[4096];
        for (uint64_t pos = first; pos < end;) {
            const size_t k = static_cast<size_t>(std::min<uint64_t>(sizeof buffer, end - pos));
            ReadBytes(pos, buffer, k);
            hex::AppendHexText(buffer, k, pos != first, text);
            pos += k;
        }
        return true;
    }
    // The bytes decoded as text mode decodes them, read from the lines that
    // hold them (one line when the file was opened in hex mode).
    if (n / 3 > limitUnits)
        return false;
    const TCodePageInfo* info = FindCodePage(FCodePage);
    TCopyText copy(text, limitUnits, info && info->Kind == cpkUTF8);
    TZinLines& store = *FLineStore;
    const TLinePlace a = store.FindFilePos(first);
    const TLinePlace b = store.FindFilePos(end);
    return CopyLines(copy, a.Line, a.Index, first - a.Start, b.Index, end - b.Start);
}

bool TZinEdit::SelectedText(std::u16string& text, size_t limitBytes)
{
    text.clear();
    if (FEditMode == emHexMode)
        return HexSelectedText(text, limitBytes, false);
    const TCaretPos* selFirst = FSelection.First();
    const TCaretPos* selLast = FSelection.Last();
    if (!FSelection.Active() || !selFirst || !selLast)
        return true;
    const size_t limitUnits = limitBytes / sizeof(char16_t);
    const TCodePageInfo* info = FindCodePage(FCodePage);
    TCopyText copy(text, limitUnits, info && info->Kind == cpkUTF8);
    if (FEditMode != emColumnMode) {
        // Every character from the first end to the last, newlines as the
        // file has them.
        const TCaretPos& first = *selFirst;
        const TCaretPos& last = *selLast;
        // A character takes at most three bytes of the file: a span that
        // long decodes to more than the limit for certain, and is refused
        // before anything is decoded.
        const uint64_t span = last.FilePos - first.FilePos;
        if (span / 3 > limitUnits)
            return false;
        return CopyLines(copy, first.Line, first.LineIndex, first.LinePos, last.LineIndex, last.LinePos);
    }
    // Column mode: on each row the characters between the column bounds,
    // chosen as the painter inverts them; rows joined by line feeds.
    twc_queue chars;
    std::vector<int32_t> widths;
    for (int32_t row = selFirst->Row; row <= selLast->Row; ++row) {
        int32_t sub = 0;
        const TLinePlace place = FindRow(row, sub);
        ReadRow(place.Line, sub, chars, widths);
        int32_t startLeft = FSelection.ColLeft(), endLeft = FSelection.ColRight();
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
        if (row > selFirst->Row && !copy.Add(10, 1))
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
