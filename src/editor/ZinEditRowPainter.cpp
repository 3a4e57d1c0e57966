// The steps that paint one row of the editor control's page.
#include "editor/ZinEditRowPainter.h"

#include <algorithm>
#include <cstdio>

namespace zin {

void TRowPainter::Text(int32_t x, const char16_t* text, const int32_t* widths, int32_t n, int32_t width,
                       const TSelectedStyle& colors)
{
    SetColors(colors);
    const int32_t h = FLayout.CharHeight;
    if (FLayout.ExtraSpacing != 0) {
        FCanvas.FillRect(TRect{x, FTop, x + width + 1, FTop + FLayout.ExtraSpacing / 2});
        FCanvas.FillRect(TRect{x, FY + h - 1, x + width + 1, FY + h + FLayout.ExtraSpacing / 2 + 1});
    }
    FCanvas.TextOut(x + 1, FY, text, widths, n,
                    TRect{std::max(x, FLayout.Left), FY, std::min(x + width + 1, FLayout.Right), FY + h});
}

void TRowPainter::Blanks(int32_t x, const char16_t* text, const int32_t* widths, int32_t n, int32_t width,
                         TColor background, TColor mark)
{
    FCanvas.SetBrushColor(background);
    FCanvas.FillRect(TRect{x, FTop, x + width + 1, FBottom});
    FCanvas.SetPenColor(mark);
    const int32_t h5 = FLayout.CharHeight / 5;
    const int32_t b = FY + FLayout.CharHeight - h5 + 1;
    int32_t cx = x - 1;
    for (int32_t i = 0; i < n; cx += widths[i], ++i) {
        const int32_t w = widths[i];
        if (text[i] == u' ') {
            if (FLayout.ShowSpaceChar) {
                const TPoint t[] = {{cx + 2, b}, {cx + 2 + w - 3, b}, {cx + 2 + w / 2 - 1, b - h5}, {cx + 2, b}};
                FCanvas.Polygon(t, 4);
            }
        } else if (FLayout.ShowTabChar) {
            const int32_t m = w / 2 < h5 ? w / 2 : h5 + 1;
            const TPoint t[] = {{cx + m + 2, b}, {cx + m + 2, b - h5}, {cx + 2, b},
                                {cx + w - 1, b}, {cx + w - 1 - m, b - h5}, {cx + w - 1 - m, b}};
            FCanvas.Polyline(t, 6);
        }
    }
}

int32_t TRowPainter::EndOfLine(int32_t x, TColor background, TColor mark)
{
    const int32_t space = FLayout.SpaceWidth;
    FCanvas.SetBrushColor(background);
    FCanvas.FillRect(TRect{x, FTop, x + space, FBottom});
    FCanvas.SetPenColor(mark);
    const int32_t g = FLayout.CharHeight / 5;
    const int32_t x1 = x + space - 1, yt = FY + g + 1, yb = FY + FLayout.CharHeight - g + 1;
    const TPoint points[] = {{x1, yt}, {x1, yb}, {x + 1, yb}, {x + 1 + space, yb - (3 * g) / 2}};
    FCanvas.Polyline(points, 4);
    return x + space;
}

void TRowPainter::FillRest(int32_t x, TColor background)
{
    FCanvas.SetBrushColor(background);
    FCanvas.FillRect(TRect{x, FTop, FLayout.Right, FBottom});
}

void TRowPainter::Selection(int32_t from, int32_t to)
{
    if (to > from)
        FCanvas.InvertRect(TRect{from, FY, to, FY + FLayout.CharHeight});
}

void TRowPainter::LineNumber(int32_t left, int32_t gutterWidth, int32_t digitWidth, int64_t number,
                             const TSelectedStyle& colors)
{
    SetColors(colors);
    const int32_t digits = std::clamp(gutterWidth / digitWidth, 0, 20);
    char s[32];
    if (number > 0)
        std::snprintf(s, sizeof s, "%*lld", digits, static_cast<long long>(number));
    else
        std::snprintf(s, sizeof s, "%*s", digits, "");
    char16_t text[32];
    int32_t advances[32];
    int32_t n = 0;
    for (; s[n] && n < 31; ++n) {
        text[n] = static_cast<char16_t>(s[n]);
        advances[n] = digitWidth;
    }
    FCanvas.TextOut(left, FY, text, advances, n, TRect{left, FTop, left + gutterWidth + 1, FBottom});
}

}  // namespace zin
