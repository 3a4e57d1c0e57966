// The editor control's painting: rows into the page bitmap, cut into
// tokens by the highlighting scanner and drawn by the row painter's steps;
// the page onto the window with the active-line frame.
#include <algorithm>

#include "editor/ZinEdit.h"
#include "editor/ZinEditRowPainter.h"
#include "syntax/ZinSyntax.h"

namespace zin {

namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

}  // namespace

TColor TZinEdit::TextBackground() const
{
    return Syntax().SelectStyle(0, Syntax().Styles[seText]).Background;
}

void TZinEdit::Paint(TDrawSurface& window)
{
    if (FEditMode == emHexMode) {
        HexPaint(window);
        return;
    }
    UpdateCaret(false);
    TZinLines& store = *FLineStore;
    const int32_t rowHeight = RowHeight();
    if (FRepaintAll) {
        RefreshTopLine();
        const int32_t n = std::max(0, std::min(FVisibleRows, store.RowCount() - FTopRow));
        if (FDisplayLineNumber && store.LineCount() != store.RowCount()) {
            // Lines that start within the rows on screen: the gutter fits
            // the largest line number shown.
            int64_t left = int64_t{n} + FTopSubRow;
            int32_t k = 0;
            for (TLineIterator it = FTopLine.Line; it != store.Lines().end(); ++it) {
                left -= it->RowCount();
                if (left <= 0)
                    break;
                ++k;
            }
            FGutterWidth = GetGutterWidth(int64_t{FTopLine.Index} + 1 + k);
        } else {
            FGutterWidth = GetGutterWidth(int64_t{FTopLine.Index} + n);
        }
        FPageBitmap->SetBrushColor(TextBackground());
        FPageBitmap->FillRect(FClientRect);
        PaintRows(*FPageBitmap, FClientRect, n, FTopRow);
        FRepaintAll = false;
        FRepaintSelection = false;
    } else if (FRepaintSelection) {
        int32_t last = FTopRow + std::min(FVisibleRows, store.RowCount() - FTopRow) - 1;
        if (FSelection.DirtyFirst() <= last && FSelection.DirtyLast() >= FTopRow) {
            const int32_t first = std::max(FSelection.DirtyFirst(), FTopRow);
            last = std::min(FSelection.DirtyLast(), last);
            const int32_t top = (first - FTopRow) * rowHeight;
            const TRect r{0, top, FClientRect.Right, top + (last - first + 1) * rowHeight};
            FPageBitmap->SetBrushColor(TextBackground());
            FPageBitmap->FillRect(r);
            PaintRows(*FPageBitmap, r, last - first + 1, first);
        }
        FRepaintSelection = false;
    }
    ++FPaints;

    if (FMarkActiveLine && FCaret.Row >= FTopRow && int64_t{FCaret.Row} < int64_t{FTopRow} + FVisibleRows) {
        FMarkBitmap->DrawSurface(0, 0, *FPageBitmap);
        // The frame's colour; without one the "text" colour, as for every
        // other element.
        const TSyntaxStyle& active = Syntax().Styles[seActiveLine];
        FMarkBitmap->SetPenColor(Syntax().SelectStyle(0, active).Foreground);
        int32_t x0 = FGutterWidth + FLeftMargin - FHorzOffset - 1;
        if (x0 <= FGutterWidth)
            x0 = FGutterWidth > 0 ? FGutterWidth + 1 : 0;
        const int32_t y0 = (FCaret.Row - FTopRow) * rowHeight + FExtraSpacing / 2;
        const int32_t w = FClientRect.Width() - x0 - 1;
        const TPoint frame[] = {{x0, y0}, {x0 + w, y0}, {x0 + w, y0 + FCharHeight}, {x0, y0 + FCharHeight}, {x0, y0}};
        FMarkBitmap->Polyline(frame, 5);
        window.DrawSurface(0, 0, *FMarkBitmap);
    } else {
        window.DrawSurface(0, 0, *FPageBitmap);
    }
    if (FHost->Focused())
        PlaceCaret();
}

void TZinEdit::PaintRows(TDrawSurface& canvas, const TRect& r, int32_t count, int32_t firstRow)
{
    if (count <= 0)
        return;
    FRowsPainted += count;
    TZinLines& store = *FLineStore;
    const TZinSyntax& syntax = Syntax();
    // The scanner cuts the rows into tokens and chooses their colours; the
    // row painter's steps draw them.
    FScanner.BindPainter(store, nullptr, FTokenWidths.get(), FTokenText.get());

    // The matches to mark on these rows, when a pattern is marked.
    const bool marks = FMarkPattern.Valid();
    if (marks)
        FindMarks(firstRow, count);
    auto nextMark = FMarkMatches.cbegin();

    int32_t sub = 0;
    const TLinePlace place = FindRowFromTop(firstRow, sub);
    TLineIterator line = place.Line;
    uint64_t lineStart = place.Start;
    int64_t lineNumber = int64_t{place.Index} + 1;
    bool firstOfLine = sub == 0;
    FScanner.SeekRow(line, sub);

    const int32_t rowHeight = RowHeight();
    const int32_t left = r.Left + FGutterWidth;
    const int32_t right = r.Right;
    const int32_t x0 = left + FLeftMargin - FHorzOffset;
    const int32_t space = SpaceWidth();
    const bool column = FEditMode == emColumnMode;
    TRowPainter painter(canvas, TRowLayout{left, right, FCharHeight, rowHeight, FExtraSpacing, space,
                                           FShowSpaceChar, FShowTabChar});
    const bool lineNumbers = FDisplayLineNumber && FDigitWidth > 0;
    const TSelectedStyle numberColors =
        lineNumbers ? FScanner.SelectStyle(0, syntax.Styles[seLineNumber]) : TSelectedStyle{};

    // A selection is painted when it lies on the rows and, in column mode,
    // its columns are not wholly outside the visible width.
    const TCaretPos* selFirst = FSelection.First();
    const TCaretPos* selLast = FSelection.Last();
    const int32_t colLeft = FSelection.ColLeft(), colRight = FSelection.ColRight();
    bool paintSelection = FSelection.Active() && selFirst && selLast && selLast->Row >= firstRow &&
                          selFirst->Row <= firstRow + count - 1;
    if (paintSelection && column &&
        (int64_t{right} + 2 * FCharWidth < int64_t{x0} + colLeft ||
         int64_t{x0} + colRight < int64_t{left} - 2 * FCharWidth))
        paintSelection = false;

    for (int32_t row = firstRow, top = r.Top;; ++row, top += rowHeight) {
        painter.BeginRow(top);
        const bool selRow = paintSelection && row >= selFirst->Row && row <= selLast->Row;
        TSelSnap start, end;
        if (selRow) {
            if (column) {
                start.Left = colLeft;
                end.Left = colRight;
            } else {
                start.Left = row == selFirst->Row ? selFirst->X : 0;
                end.Left = row == selLast->Row ? selLast->X : 0;
            }
        }

        // The marked pixels of the row, from its first character.
        FMarkSpans.clear();
        if (marks)
            MarkSpansOfRow(line, sub, lineStart, nextMark);
        const bool marked = !FMarkSpans.empty();

        // Tokens.
        int32_t x = x0;
        bool lineEnded = false;
        const bool lastRowOfLine = sub >= line->RowCount() - 1;
        do {
            int32_t width = 0;
            const int32_t n = FScanner.NextToken(width);
            if (n <= 0)
                break;
            const char16_t* text = FTokenText.get();
            const int32_t* widths = FTokenWidths.get();
            if (x < right && int64_t{x} + width > left) {
                const TSelectedStyle& colors = FScanner.LastColors();
                if (marked)
                    PaintMarkedToken(painter, x, x - x0, text, widths, n, colors);
                else if (IsBlank(text[0]))
                    painter.Blanks(x, text, widths, n, width, colors.Background, colors.Foreground);
                else
                    painter.Text(x, text, widths, n, width, colors);
            }
            if (selRow) {
                for (int32_t i = 0; i < n; ++i) {
                    start.Pass(widths[i]);
                    end.Pass(widths[i]);
                }
            }
            x += width;
            if (x > right) {
                if (lastRowOfLine) {
                    lineEnded = true;
                    break;
                }
                if (!syntax.HasLineState) {
                    // The rest of the row is out of sight and carries no
                    // state into the next one.
                    FScanner.BeginRow(line, sub + 1);
                    break;
                }
            }
        } while (FScanner.RowHasMore());
        if (!lineEnded)
            lineEnded = FScanner.LineEnded() && lastRowOfLine;

        // The end of the line and the rest of the row.
        if (lineEnded && x < right && FShowEndOfLine) {
            const TSelectedStyle c = FScanner.SelectStyle(FScanner.RangeId(), syntax.Styles[seSpace]);
            x = painter.EndOfLine(x, c.Background, c.Foreground);
        }
        if (x < right)
            painter.FillRest(x, FScanner.CurrentBackground());

        // The selection.
        if (selRow) {
            if (lineEnded && !FShowEndOfLine)
                x += space;  // a selected newline shows as one space-wide cell
            int32_t from, to;
            if (column) {
                // Offsets beyond the row's end count in whole spaces.
                from = x0 + start.Beyond(space);
                to = x0 + end.Beyond(space);
                if (from == to && row != FCaret.Row)
                    to += 2;
            } else {
                from = row == selFirst->Row ? x0 + start.X : x0;
                to = row == selLast->Row ? x0 + end.X : x;
            }
            painter.Selection(from, to);
        }

        if (lineNumbers)
            painter.LineNumber(r.Left, FGutterWidth, FDigitWidth, firstOfLine ? lineNumber : 0, numberColors);

        if (row - firstRow + 1 >= count)
            break;
        if (lineEnded) {
            TLineIterator next = std::next(line);
            if (next == store.Lines().end())
                break;
            lineStart += line->Length();
            line = next;
            sub = 0;
            FScanner.BeginRow(line, 0);
            ++lineNumber;
            firstOfLine = true;
        } else {
            ++sub;
            firstOfLine = false;
        }
    }
}

void TZinEdit::MarkSpansOfRow(TLineIterator line, int32_t sub, uint64_t lineStart,
                              std::vector<TSearchMatch>::const_iterator& next)
{
    const TRowList rows = line->Rows();
    const uint64_t rowStart = lineStart + rows[static_cast<size_t>(sub)].Pos;
    const uint64_t rowEnd = lineStart + rows[static_cast<size_t>(sub) + 1].Pos;
    const auto end = FMarkMatches.cend();
    // Matches that end before the row are behind the paint.
    while (next != end && next->Pos + next->Length <= rowStart)
        ++next;
    if (next == end || next->Pos >= rowEnd)
        return;
    // The row's characters with their bytes: a match's pixels run from the
    // first character that starts in it to the last.
    ReadRow(line, sub, FMarkChars, FMarkWidths);
    uint64_t pos = rowStart;
    int32_t x = 0;
    size_t i = 0;
    for (auto m = next; m != end && m->Pos < rowEnd; ++m) {
        const uint64_t mEnd = m->Pos + m->Length;
        while (i < FMarkWidths.size() && pos < m->Pos) {
            pos += static_cast<uint64_t>(FMarkChars[i].second);
            x += FMarkWidths[i++];
        }
        const int32_t from = x;
        uint64_t p = pos;
        int32_t to = x;
        for (size_t k = i; k < FMarkWidths.size() && p < mEnd; ++k) {
            p += static_cast<uint64_t>(FMarkChars[k].second);
            to += FMarkWidths[k];
        }
        if (to > from) {
            FMarkSpans.emplace_back(from, to);
            ++FMarksPainted;
        }
    }
}

void TZinEdit::PaintMarkedToken(TRowPainter& painter, int32_t x, int32_t rx, const char16_t* text,
                                const int32_t* widths, int32_t n, const TSelectedStyle& colors)
{
    // Runs of the token's characters inside and outside the marked spans,
    // each painted in its own colours; a character is marked when its left
    // edge lies in a span.
    const auto inMark = [this](int32_t at) {
        for (const auto& s : FMarkSpans)
            if (at >= s.first && at < s.second)
                return true;
        return false;
    };
    const TSelectedStyle markColors{MatchBackground, MatchForeground, colors.Style};
    int32_t i = 0;
    while (i < n) {
        const bool mark = inMark(rx);
        const bool blank = IsBlank(text[i]);
        int32_t j = i, w = 0;
        while (j < n && inMark(rx + w) == mark && IsBlank(text[j]) == blank)
            w += widths[j++];
        const TSelectedStyle& c = mark ? markColors : colors;
        if (blank)
            painter.Blanks(x, text + i, widths + i, j - i, w, c.Background, mark ? colors.Foreground : c.Foreground);
        else
            painter.Text(x, text + i, widths + i, j - i, w, c);
        x += w;
        rx += w;
        i = j;
    }
}

}  // namespace zin
