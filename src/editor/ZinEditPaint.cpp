// The editor control's painting: rows into the page bitmap through the
// highlighting scanner, with space, tab and end-of-line marks, the
// selection, line numbers and the fill right of the text; the page onto the
// window with the active-line frame.
#include <algorithm>
#include <cstdio>

#include "editor/ZinEdit.h"
#include "syntax/ZinSyntax.h"

namespace zin {

namespace {

const char16_t HexNotice[] = u"Hex Mode not support yet";

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// Walks a selection offset over a row's characters: a character is passed
// when half its width is less than what remains of the offset, as a click
// places the caret.
struct TSelSnap {
    int32_t Left = 0;  // what remains of the offset
    int32_t X = 0;     // the snapped position, from the row's first character
    void Pass(int32_t w)
    {
        if (Left > 0 && w / 2 < Left) {
            X += w;
            Left -= w;
        } else {
            Left = 0;
        }
    }
};

}  // namespace

TColor TZinEdit::TextBackground() const
{
    return FSyntax->SelectStyle(0, FSyntax->Styles[seText]).Background;
}

void TZinEdit::Paint(TDrawSurface& window)
{
    if (FEditMode == emHexMode) {
        UpdateCaret(false);
        window.SetFont(FFont.Name(), FFont.Size(), FFont.Style());
        window.SetBrushColor(TextBackground());
        window.FillRect(FClientRect);
        const TSelectedStyle text = FSyntax->SelectStyle(0, FSyntax->Styles[seText]);
        window.SetTextColor(text.Foreground);
        window.SetFontStyle(0);
        constexpr int32_t n = static_cast<int32_t>(std::size(HexNotice)) - 1;
        int32_t advances[n];
        int32_t width = 0;
        for (int32_t i = 0; i < n; ++i)
            width += advances[i] = GetCharWidth(HexNotice[i]);
        window.TextOut(0, 0, HexNotice, advances, n, TRect{0, 0, width, FCharHeight});
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
        if (FSelDirtyFirst <= last && FSelDirtyLast >= FTopRow) {
            const int32_t first = std::max(FSelDirtyFirst, FTopRow);
            last = std::min(FSelDirtyLast, last);
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
        const TSyntaxStyle& active = FSyntax->Styles[seActiveLine];
        FMarkBitmap->SetPenColor(FSyntax->SelectStyle(0, active).Foreground);
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
    const TZinSyntax& syntax = *FSyntax;
    FScanner.BindPainter(store, &canvas, FTokenWidths.get(), FTokenText.get());

    int32_t sub = 0;
    const TLinePlace place = FindRowFromTop(firstRow, sub);
    TLineIterator line = place.Line;
    int64_t lineNumber = int64_t{place.Index} + 1;
    bool firstOfLine = sub == 0;
    FScanner.SeekRow(line, sub);

    const int32_t rowHeight = RowHeight();
    const int32_t left = r.Left + FGutterWidth;
    const int32_t right = r.Right;
    const int32_t x0 = left + FLeftMargin - FHorzOffset;
    int32_t y = r.Top + FExtraSpacing / 2;
    int32_t top = r.Top;
    const int32_t space = SpaceWidth();
    const bool column = FEditMode == emColumnMode;

    // A selection is painted when it lies on the rows and, in column mode,
    // its columns are not wholly outside the visible width.
    bool paintSelection = FSelecting && FSelFirst && FSelLast && FSelLast->Row >= firstRow &&
                          FSelFirst->Row <= firstRow + count - 1;
    if (paintSelection && column &&
        (int64_t{right} + 2 * FCharWidth < int64_t{x0} + FColSelLeft ||
         int64_t{x0} + FColSelRight < int64_t{left} - 2 * FCharWidth))
        paintSelection = false;

    const int32_t h5 = FCharHeight / 5;
    for (int32_t row = firstRow;; ++row) {
        const int32_t rowBottom = top + rowHeight;
        const bool selRow = paintSelection && row >= FSelFirst->Row && row <= FSelLast->Row;
        TSelSnap start, end;
        if (selRow) {
            if (column) {
                start.Left = FColSelLeft;
                end.Left = FColSelRight;
            } else {
                start.Left = row == FSelFirst->Row ? FSelFirst->X : 0;
                end.Left = row == FSelLast->Row ? FSelLast->X : 0;
            }
        }

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
                if (IsBlank(text[0])) {
                    // Blanks: no glyphs, the cell in the token's background
                    // and the marks in its text colour.
                    canvas.FillRect(TRect{x, top, x + width + 1, rowBottom});
                    canvas.SetPenColor(colors.Foreground);
                    int32_t cx = x - 1;
                    const int32_t b = y + FCharHeight - h5 + 1;
                    for (int32_t i = 0; i < n; cx += widths[i], ++i) {
                        const int32_t w = widths[i];
                        if (text[i] == u' ') {
                            if (FShowSpaceChar) {
                                const TPoint t[] = {{cx + 2, b}, {cx + 2 + w - 3, b}, {cx + 2 + w / 2 - 1, b - h5}, {cx + 2, b}};
                                canvas.Polygon(t, 4);
                            }
                        } else if (FShowTabChar) {
                            const int32_t m = w / 2 < h5 ? w / 2 : h5 + 1;
                            const TPoint t[] = {{cx + m + 2, b}, {cx + m + 2, b - h5}, {cx + 2, b},
                                                {cx + w - 1, b}, {cx + w - 1 - m, b - h5}, {cx + w - 1 - m, b}};
                            canvas.Polyline(t, 6);
                        }
                    }
                } else {
                    if (FExtraSpacing != 0) {
                        canvas.FillRect(TRect{x, top, x + width + 1, top + FExtraSpacing / 2});
                        canvas.FillRect(TRect{x, y + FCharHeight - 1, x + width + 1, y + FCharHeight + FExtraSpacing / 2 + 1});
                    }
                    canvas.TextOut(x + 1, y, text, widths, n,
                                   TRect{std::max(x, left), y, std::min(x + width + 1, right), y + FCharHeight});
                }
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

        if (lineEnded && x < right && FShowEndOfLine) {
            const TSelectedStyle c = FScanner.SelectStyle(FScanner.RangeId(), syntax.Styles[seSpace]);
            canvas.FillRect(TRect{x, top, x + space, rowBottom});
            canvas.SetPenColor(c.Foreground);
            const int32_t g = FCharHeight / 5;
            const int32_t x1 = x + space - 1, yt = y + g + 1, yb = y + FCharHeight - g + 1;
            const TPoint mark[] = {{x1, yt}, {x1, yb}, {x + 1, yb}, {x + 1 + space, yb - (3 * g) / 2}};
            canvas.Polyline(mark, 4);
            x += space;
        }
        if (x < right) {
            canvas.SetBrushColor(FScanner.CurrentBackground());
            canvas.FillRect(TRect{x, top, right, rowBottom});
        }

        if (selRow) {
            if (lineEnded && !FShowEndOfLine)
                x += space;  // a selected newline shows as one space-wide cell
            int32_t from, to;
            if (column) {
                // Offsets beyond the row's end count in whole spaces.
                auto beyond = [space](const TSelSnap& s) {
                    return s.X + (s.Left / space + (2 * (s.Left % space) > space ? 1 : 0)) * space;
                };
                from = x0 + beyond(start);
                to = x0 + beyond(end);
                if (from == to && row != FCaret.Row)
                    to += 2;
            } else {
                const bool isFirst = row == FSelFirst->Row, isLast = row == FSelLast->Row;
                from = isFirst ? x0 + start.X : x0;
                to = isLast ? x0 + end.X : x;
            }
            if (to > from)
                canvas.InvertRect(TRect{from, y, to, y + FCharHeight});
        }

        if (FDisplayLineNumber && FDigitWidth > 0) {
            FScanner.SelectStyle(0, syntax.Styles[seLineNumber]);
            const int32_t digits = std::clamp(FGutterWidth / FDigitWidth, 0, 20);
            char number[32];
            if (firstOfLine)
                std::snprintf(number, sizeof number, "%*lld", digits, static_cast<long long>(lineNumber));
            else
                std::snprintf(number, sizeof number, "%*s", digits, "");
            char16_t text[32];
            int32_t advances[32];
            int32_t n = 0;
            for (; number[n] && n < 31; ++n) {
                text[n] = static_cast<char16_t>(number[n]);
                advances[n] = FDigitWidth;
            }
            canvas.TextOut(r.Left, y, text, advances, n, TRect{r.Left, top, r.Left + FGutterWidth + 1, rowBottom});
        }

        y += rowHeight;
        top += rowHeight;
        if (row - firstRow + 1 >= count)
            break;
        if (lineEnded) {
            TLineIterator next = std::next(line);
            if (next == store.Lines().end())
                break;
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

}  // namespace zin
