#pragma once
// The steps that paint one row of the editor control's page: a token's
// text, the cells and marks of blanks, the end-of-line mark, the fill right
// of the text, the inverted selection and the line number. Each draws in
// the colours it is given and sets them on the canvas itself; the control
// walks the rows with the highlighting scanner, which chooses the colours,
// and calls these steps.
#include <cstdint>

#include "platform/DrawSurface.h"
#include "syntax/ZinSyntax.h"

namespace zin {

// What stays the same for every row of one paint.
struct TRowLayout {
    int32_t Left = 0;        // the text area's left edge (right of the gutter)
    int32_t Right = 0;       // its right edge
    int32_t CharHeight = 1;
    int32_t RowHeight = 1;   // CharHeight and ExtraSpacing
    int32_t ExtraSpacing = 0;
    int32_t SpaceWidth = 1;  // the end-of-line cell, a selected newline
    bool ShowSpaceChar = true;
    bool ShowTabChar = true;
};

// One end of a selection on a row: a pixel offset from the row's first
// character, walked over the row's characters as they are painted. A
// character is passed when half its width is less than what remains of the
// offset, as a click places the caret.
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
    // The position with what remains beyond the row's end in whole spaces
    // (column mode).
    int32_t Beyond(int32_t space) const
    {
        return X + (Left / space + (2 * (Left % space) > space ? 1 : 0)) * space;
    }
};

class TRowPainter {
public:
    TRowPainter(TDrawSurface& canvas, const TRowLayout& layout) : FCanvas(canvas), FLayout(layout) {}

    // The row whose cells begin at pixel `top` is painted next.
    void BeginRow(int32_t top)
    {
        FTop = top;
        FBottom = top + FLayout.RowHeight;
        FY = top + FLayout.ExtraSpacing / 2;
    }
    // Where the row's characters are drawn from (the top of the text).
    int32_t TextTop() const { return FY; }

    // A token of n characters that are not blanks at pixel x, `width`
    // wide: its glyphs on its background, with the spacing above and below
    // filled, clipped to the text area.
    void Text(int32_t x, const char16_t* text, const int32_t* widths, int32_t n, int32_t width,
              const TSelectedStyle& colors);
    // A token of blanks (spaces and tabs): its cells in `background`, no
    // glyphs, and the space and tab marks (as shown) in `mark`.
    void Blanks(int32_t x, const char16_t* text, const int32_t* widths, int32_t n, int32_t width, TColor background,
                TColor mark);
    // The end-of-line mark in a cell one space wide at x; returns the x
    // after it.
    int32_t EndOfLine(int32_t x, TColor background, TColor mark);
    // The rest of the row from x to the right edge.
    void FillRest(int32_t x, TColor background);
    // The selected pixels of the row from `from` to `to`, inverted (the
    // text's height only).
    void Selection(int32_t from, int32_t to);
    // The gutter from pixel `left`, `gutterWidth` wide: the line number
    // right-aligned in digits of `digitWidth`, or blanks on a line's later
    // rows (number 0).
    void LineNumber(int32_t left, int32_t gutterWidth, int32_t digitWidth, int64_t number,
                    const TSelectedStyle& colors);

private:
    void SetColors(const TSelectedStyle& colors)
    {
        FCanvas.SetBrushColor(colors.Background);
        FCanvas.SetTextColor(colors.Foreground);
        FCanvas.SetFontStyle(colors.Style);
    }

    TDrawSurface& FCanvas;
    const TRowLayout FLayout;
    int32_t FTop = 0;
    int32_t FBottom = 0;
    int32_t FY = 0;
};

}  // namespace zin
