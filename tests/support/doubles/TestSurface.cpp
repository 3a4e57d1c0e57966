#include "support/doubles/TestSurface.h"

#include <cstdio>

#include "lines/ZinFixedOwner.h"

namespace zin::test {

void TTestSurface::SetFont(const std::string& name, int32_t size, TSurfaceFontStyle style)
{
    FontName = name;
    FontSize = size;
    FontStyle = style;
}

void TTestSurface::GetTextMetrics(int32_t& height, int32_t& averageWidth)
{
    height = FontSize > 0 ? FontSize : 0;
    averageWidth = FontSize > 0 ? FontSize / 2 : 0;
}

int32_t TTestSurface::CharExtent(char16_t c)
{
    const int32_t w = FontSize > 0 ? FontSize / 2 : 0;
    return WideCJK && TFixedMetricsOwner::IsWide(c) ? 2 * w : w;
}

void TTestSurface::Log(std::string call)
{
    if (Record)
        Calls.push_back(std::move(call));
}

namespace {
std::string RectText(const TRect& r)
{
    char b[64];
    std::snprintf(b, sizeof b, "%d,%d,%d,%d", r.Left, r.Top, r.Right, r.Bottom);
    return b;
}

std::string PointsText(const TPoint* points, int32_t n)
{
    std::string s;
    char b[32];
    for (int32_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%s%d,%d", i ? " " : "", points[i].X, points[i].Y);
        s += b;
    }
    return s;
}
}  // namespace

void TTestSurface::FillRect(const TRect& r)
{
    char b[32];
    std::snprintf(b, sizeof b, " %06X", Brush);
    Log("fill " + RectText(r) + b);
}

void TTestSurface::Polyline(const TPoint* points, int32_t n)
{
    Log("polyline " + PointsText(points, n));
}

void TTestSurface::Polygon(const TPoint* points, int32_t n)
{
    Log("polygon " + PointsText(points, n));
}

void TTestSurface::TextOut(int32_t x, int32_t y, const char16_t* text, const int32_t* advances, int32_t n,
                           const TRect& clip)
{
    std::string s = "text " + std::to_string(x) + "," + std::to_string(y) + " [" + RectText(clip) + "] ";
    for (int32_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c >= 0x20 && c < 0x7F)
            s += static_cast<char>(c);
        else
            s += "\\u" + std::to_string(c);
        s += "/" + std::to_string(advances[i]) + " ";
    }
    Log(std::move(s));
}

void TTestSurface::InvertRect(const TRect& r)
{
    Log("invert " + RectText(r));
}

void TTestSurface::Resize(int32_t width, int32_t height)
{
    FWidth = width;
    FHeight = height;
    ++Resizes;
}

void TTestSurface::DrawSurface(int32_t x, int32_t y, const TDrawSurface& source)
{
    Log("draw " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(source.Width()) + "x" +
        std::to_string(source.Height()));
}

}  // namespace zin::test
