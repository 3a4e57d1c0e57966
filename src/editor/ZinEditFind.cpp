// The editor control's part in Find and Go to: a found match as the
// selection, the caret moved to a line or a file offset, and the marks of a
// pattern's matches on the rows being painted.
#include <algorithm>
#include <iterator>

#include "editor/ZinEdit.h"

namespace zin {

namespace {

// Rows of context kept above (and below) a found match or a go-to target.
constexpr int32_t FoundContextRows = 3;

// A line longer than this is searched for marks only around its painted
// rows; a shorter one whole, so that a match is marked as a search from the
// line's start finds it.
constexpr uint64_t MarkWholeLineBytes = 256 * 1024;

// At most this many marks a paint (a page of one-character matches is far
// fewer).
constexpr size_t MaxMarks = 1 << 16;

// A byte range of a source, seen as a source of its own from offset 0.
class TRangeSource final : public TSearchSource {
public:
    TRangeSource(const TInData& data, uint64_t fileSize, uint64_t base, uint64_t size)
        : FInner(data, fileSize), FBase(base), FSize(size)
    {
    }
    uint64_t Size() const override { return FSize; }
    size_t Read(uint64_t pos, uint8_t* buf, size_t n) override
    {
        if (pos >= FSize)
            return 0;
        n = static_cast<size_t>(std::min<uint64_t>(n, FSize - pos));
        return FInner.Read(FBase + pos, buf, n);
    }

private:
    TDataSearchSource FInner;
    uint64_t FBase;
    uint64_t FSize;
};

}  // namespace

// ---- A match as the selection ----------------------------------------------------

void TZinEdit::PlaceCaretAtFilePos(uint64_t pos)
{
    FCaret.FilePos = std::min(pos, FLineStore->FileSize());
    FCaret.RelocateByPos();
}

void TZinEdit::ScrollToFound(int32_t first, int32_t last)
{
    const int32_t rows = FLineStore->RowCount();
    const int32_t f = FullRows();
    const int32_t context = std::min(FoundContextRows, std::max(0, (f - 1) / 2));
    // Context above unless the view is at the top; below unless it shows
    // the last row already.
    const bool above = first >= FTopRow + context || (FTopRow == 0 && first >= 0);
    const bool below = int64_t{last} + context < int64_t{FTopRow} + f ||
                       (last < int64_t{FTopRow} + f && int64_t{FTopRow} + f >= rows);
    if (!(above && below)) {
        const int32_t top = std::clamp(first - context, 0, std::max(0, rows - f));
        if (top != FTopRow) {
            FTopRow = top;
            FRepaintAll = true;
            Invalidate();
        }
    }
    ScrollToCaret();
    // A match on one row shows from its start when the row scrolls
    // sideways.
    if (FSelection.Active() && FSelection.First()->Row == FCaret.Row) {
        const int32_t x = FSelection.First()->X;
        if (x < FHorzOffset) {
            FHorzOffset = std::max(0, x - 4 * FCharWidth);
            FRepaintAll = true;
            Invalidate();
        }
    }
}

void TZinEdit::SelectMatch(uint64_t pos, uint64_t length)
{
    if (FWorking)
        return;
    if (FEditMode == emHexMode) {
        HexSelectMatch(pos, length);
        return;
    }
    const uint64_t size = FLineStore->FileSize();
    pos = std::min(pos, size);
    const uint64_t end = length > size - pos ? size : pos + length;
    ClearSelection();
    PlaceCaretAtFilePos(pos);
    const int32_t firstRow = FCaret.Row;
    if (end > pos) {
        BeginSelection();
        PlaceCaretAtFilePos(end);
    }
    FDesiredX = FCaret.X;
    if (end > pos)
        UpdateSelection(true);
    ScrollToFound(firstRow, FCaret.Row);
    UpdateScrollBars();
    DoSelectionChange();
    DoStateChange();
}

// ---- Go to --------------------------------------------------------------------------

void TZinEdit::ShowWentTo()
{
    FSelection.Collapse(FCaret);
    FDesiredX = FCaret.X;
    ScrollToFound(FCaret.Row, FCaret.Row);
    UpdateScrollBars();
    DoSelectionChange();
    DoStateChange();
}

void TZinEdit::GoToFilePos(uint64_t pos)
{
    if (FWorking)
        return;
    if (FEditMode == emHexMode) {
        HexGoTo(pos);
        return;
    }
    ClearSelection();
    PlaceCaretAtFilePos(pos);
    ShowWentTo();
}

void TZinEdit::GoToLine(int32_t line, int32_t column)
{
    if (FWorking)
        return;
    TZinLines& store = *FLineStore;
    const TLinePlace place = FindLineFirstRow(std::clamp(line, 0, std::max(0, store.LineCount() - 1)));
    if (FEditMode == emHexMode) {
        // The byte the line starts at (a file opened in hex mode is one line
        // until text mode splits it).
        HexGoTo(place.Start);
        return;
    }
    const TRowList rows = place.Line->Rows();
    const uint64_t textStart = rows[0].Pos;
    const uint64_t textEnd = rows[static_cast<size_t>(place.Line->RowCount())].Pos;
    uint64_t linePos = textStart;
    if (column > 0) {
        // Characters as the reader decodes them (a tab is one).
        TLineReader reader;
        twc_queue q;
        store.BeginRead(reader, place.Line, rows[0]);
        for (int32_t i = 0; i < column && reader.Pos() < textEnd && reader.Next(q); ++i)
            q.clear();
        linePos = std::min(reader.Pos(), textEnd);
    }
    ClearSelection();
    // The caret is put on the line itself: an offset at a line's start
    // could be taken for the end of the line before.
    FCaret.Line = place.Line;
    FCaret.LineIndex = place.Index;
    FCaret.LinePos = linePos;
    FCaret.FilePos = place.Start + linePos;
    FCaret.RelocateByLine();
    ShowWentTo();
}

// ---- Marks of a pattern's matches ----------------------------------------------

void TZinEdit::FindMarksInBytes(uint64_t from, uint64_t to)
{
    FMarkMatches.clear();
    TZinLines& store = *FLineStore;
    const TInData* data = store.Lines().Source;
    to = std::min(to, store.FileSize());
    if (!FMarkPattern.Valid() || !data || to <= from)
        return;
    // A match that begins before the page and reaches into it is found from
    // a little before it, as a search through the file finds it (a longer
    // one is not marked).
    const uint64_t start = from - std::min<uint64_t>(from, 4096);
    TRangeSource source(*data, store.FileSize(), start, to - start);
    TSearcher searcher(FMarkPattern, source);
    TSearchMatch m;
    uint64_t at = 0;
    while (FMarkMatches.size() < MaxMarks && at <= to - start && searcher.Next(at, m) == TSearchStatus::Found) {
        if (m.Length > 0 && start + m.Pos + m.Length > from)
            FMarkMatches.push_back(TSearchMatch{start + m.Pos, m.Length});
        at = m.Pos + std::max<uint64_t>(m.Length, 1);
    }
    FMarkBytesSearched += to - start;
}

void TZinEdit::SetMarkPattern(const TSearchPattern& pattern)
{
    if (!pattern.Valid()) {
        ClearMarkPattern();
        return;
    }
    FMarkPattern = pattern;
    FRepaintAll = true;
    Invalidate();
}

void TZinEdit::ClearMarkPattern()
{
    if (!FMarkPattern.Valid())
        return;
    FMarkPattern = TSearchPattern();
    FMarkMatches.clear();
    FRepaintAll = true;
    Invalidate();
}

void TZinEdit::FindMarks(int32_t firstRow, int32_t count)
{
    FMarkMatches.clear();
    TZinLines& store = *FLineStore;
    const TInData* data = store.Lines().Source;
    if (!FMarkPattern.Valid() || !data || count <= 0 || store.FileSize() == 0)
        return;
    // From the start of the first painted row's line (of the row before it
    // in a long line) to the end of the last painted row's line (of the row
    // after it): whole lines, so that every match on the rows is found as
    // a search of the file finds it.
    int32_t sub = 0;
    const TLinePlace top = FindRowFromTop(firstRow, sub);
    uint64_t from = top.Start;
    if (top.Line->Length() > MarkWholeLineBytes)
        from += top.Line->Rows()[static_cast<size_t>(std::max(0, sub - 1))].Pos;
    const int32_t lastRow = static_cast<int32_t>(
        std::min<int64_t>(int64_t{firstRow} + count - 1, store.RowCount() - 1));
    const TLinePlace bottom = FindRow(lastRow, sub);
    uint64_t to = bottom.Start + bottom.Line->Length();
    if (bottom.Line->Length() > MarkWholeLineBytes)
        to = bottom.Start +
             bottom.Line->Rows()[static_cast<size_t>(std::min(sub + 2, bottom.Line->RowCount()))].Pos;
    to = std::min(to, store.FileSize());
    if (to <= from)
        return;
    TRangeSource source(*data, store.FileSize(), from, to - from);
    TSearcher searcher(FMarkPattern, source);
    TSearchMatch m;
    uint64_t at = 0;
    while (FMarkMatches.size() < MaxMarks && at <= to - from && searcher.Next(at, m) == TSearchStatus::Found) {
        if (m.Length > 0)
            FMarkMatches.push_back(TSearchMatch{from + m.Pos, m.Length});
        at = m.Pos + std::max<uint64_t>(m.Length, 1);
    }
    FMarkBytesSearched += to - from;
}

}  // namespace zin
