#include "support/doubles/RasterSurface.h"

#include <algorithm>
#include <cstdlib>

namespace zin::test {

void TRasterSurface::Resize(int32_t width, int32_t height)
{
    TTestSurface::Resize(width, height);
    FPixels.assign(static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0)), 0);
}

TSurfaceColor TRasterSurface::Pixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return 0;
    return FPixels[static_cast<size_t>(y) * static_cast<size_t>(Width()) + static_cast<size_t>(x)];
}

void TRasterSurface::Put(int32_t x, int32_t y, TSurfaceColor c)
{
    if (x >= 0 && y >= 0 && x < Width() && y < Height())
        FPixels[static_cast<size_t>(y) * static_cast<size_t>(Width()) + static_cast<size_t>(x)] = c & 0xFFFFFF;
}

void TRasterSurface::FillRect(const TRect& r)
{
    TTestSurface::FillRect(r);
    for (int32_t y = std::max(r.Top, 0); y < std::min(r.Bottom, Height()); ++y)
        for (int32_t x = std::max(r.Left, 0); x < std::min(r.Right, Width()); ++x)
            Put(x, y, Brush);
}

void TRasterSurface::Line(TPoint a, TPoint b, TSurfaceColor c)
{
    const int32_t dx = std::abs(b.X - a.X), dy = -std::abs(b.Y - a.Y);
    const int32_t sx = a.X < b.X ? 1 : -1, sy = a.Y < b.Y ? 1 : -1;
    int32_t err = dx + dy;
    while (a.X != b.X || a.Y != b.Y) {
        Put(a.X, a.Y, c);
        const int32_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            a.X += sx;
        }
        if (e2 <= dx) {
            err += dx;
            a.Y += sy;
        }
    }
}

void TRasterSurface::Polyline(const TPoint* points, int32_t n)
{
    TTestSurface::Polyline(points, n);
    for (int32_t i = 0; i + 1 < n; ++i)
        Line(points[i], points[i + 1], Pen);
}

void TRasterSurface::Polygon(const TPoint* points, int32_t n)
{
    TTestSurface::Polygon(points, n);
    if (n < 3)
        return;
    // Even-odd fill at pixel centres with the brush, then the outline.
    int32_t top = points[0].Y, bottom = points[0].Y;
    for (int32_t i = 1; i < n; ++i) {
        top = std::min(top, points[i].Y);
        bottom = std::max(bottom, points[i].Y);
    }
    std::vector<double> xs;
    for (int32_t y = top; y <= bottom; ++y) {
        xs.clear();
        const double cy = y + 0.5;
        for (int32_t i = 0; i < n; ++i) {
            const TPoint a = points[i], b = points[(i + 1) % n];
            if ((a.Y <= cy) != (b.Y <= cy))
                xs.push_back(a.X + (cy - a.Y) * (b.X - a.X) / static_cast<double>(b.Y - a.Y));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2)
            for (int32_t x = static_cast<int32_t>(xs[i] + 0.5); x < static_cast<int32_t>(xs[i + 1] + 0.5); ++x)
                Put(x, y, Brush);
    }
    for (int32_t i = 0; i < n; ++i)
        Line(points[i], points[(i + 1) % n], Pen);
}

void TRasterSurface::TextOut(int32_t x, int32_t y, const char16_t* text, const int32_t* advances, int32_t n,
                             const TRect& clip)
{
    TTestSurface::TextOut(x, y, text, advances, n, clip);
    const TRect c{std::max(clip.Left, 0), std::max(clip.Top, 0), std::min(clip.Right, Width()),
                  std::min(clip.Bottom, Height())};
    for (int32_t py = c.Top; py < c.Bottom; ++py)
        for (int32_t px = c.Left; px < c.Right; ++px)
            Put(px, py, Brush);
    // Each character's cell: a pattern of the code's bits, with a bold
    // style marked by its first column and an underline by its last row.
    const int32_t height = std::max(FontSize, 1);
    int32_t cx = x;
    for (int32_t i = 0; i < n; cx += advances[i], ++i) {
        const uint32_t code = text[i];
        if (code == 32)
            continue;  // a blank shows no ink
        for (int32_t dy = 1; dy + 1 < height; ++dy) {
            for (int32_t dx = 0; dx + 1 < advances[i]; ++dx) {
                const uint32_t bit = (code * 2654435761u >> ((dx + 3 * dy) % 29)) & 1u;
                const bool on = bit || ((FontStyle & 1) && dx == 0) || ((FontStyle & 4) && dy + 2 == height);
                const int32_t px = cx + dx, py = y + dy;
                if (on && px >= c.Left && px < c.Right && py >= c.Top && py < c.Bottom)
                    Put(px, py, TextColor);
            }
        }
    }
}

void TRasterSurface::InvertRect(const TRect& r)
{
    TTestSurface::InvertRect(r);
    for (int32_t y = std::max(r.Top, 0); y < std::min(r.Bottom, Height()); ++y)
        for (int32_t x = std::max(r.Left, 0); x < std::min(r.Right, Width()); ++x)
            Put(x, y, Pixel(x, y) ^ 0xFFFFFF);
}

void TRasterSurface::DrawSurface(int32_t x, int32_t y, const TDrawSurface& source)
{
    TTestSurface::DrawSurface(x, y, source);
    const auto* raster = dynamic_cast<const TRasterSurface*>(&source);
    if (!raster)
        return;
    for (int32_t sy = 0; sy < raster->Height(); ++sy)
        for (int32_t sx = 0; sx < raster->Width(); ++sx)
            Put(x + sx, y + sy, raster->Pixel(sx, sy));
}

std::string TRasterSurface::ToPPM() const
{
    std::string out = "P6\n" + std::to_string(Width()) + " " + std::to_string(Height()) + "\n255\n";
    out.reserve(out.size() + FPixels.size() * 3);
    for (TSurfaceColor c : FPixels) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
        out += static_cast<char>((c >> 16) & 0xFF);
    }
    return out;
}

bool TRasterSurface::FromPPM(const std::string& data)
{
    int w = 0, h = 0, maxValue = 0, used = 0;
    if (std::sscanf(data.c_str(), "P6 %d %d %d%n", &w, &h, &maxValue, &used) != 3 || maxValue != 255 || w < 0 ||
        h < 0)
        return false;
    const size_t start = static_cast<size_t>(used) + 1;
    if (data.size() != start + static_cast<size_t>(w) * static_cast<size_t>(h) * 3)
        return false;
    Resize(w, h);
    for (size_t i = 0; i < FPixels.size(); ++i) {
        const auto* p = reinterpret_cast<const uint8_t*>(data.data() + start + 3 * i);
        FPixels[i] = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    }
    return true;
}

int64_t TRasterSurface::Differences(const TRasterSurface& other) const
{
    if (Width() != other.Width() || Height() != other.Height())
        return -1;
    int64_t d = 0;
    for (size_t i = 0; i < FPixels.size(); ++i)
        d += FPixels[i] != other.FPixels[i];
    return d;
}

}  // namespace zin::test
