#pragma once
// What the editor control draws on and measures with, without any toolkit:
// a surface with a font, colours, a few drawing primitives and a size. The
// control owns two off-screen surfaces (the page and the mark copy) and a
// measuring surface, all made by its host; the host hands it the window's
// surface to paint on. The Qt side implements this on a QImage; the tests
// use a double with deterministic metrics.
#include <cstdint>
#include <string>

namespace zin {

// Colours are 0x00BBGGRR values.
using TSurfaceColor = uint32_t;
// Font style flags: 1 bold, 2 italic, 4 underline, 8 strike-out.
using TSurfaceFontStyle = uint8_t;

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

class TDrawSurface {
public:
    virtual ~TDrawSurface() = default;

    // ---- Font and measuring
    // Selects a font by family name, size in points and style flags.
    virtual void SetFont(const std::string& name, int32_t size, TSurfaceFontStyle style) = 0;
    // The selected font's character height and average character width.
    virtual void GetTextMetrics(int32_t& height, int32_t& averageWidth) = 0;
    // The advance of one UTF-16 code unit in the selected font; 0 when it
    // cannot be measured.
    virtual int32_t CharExtent(char16_t c) = 0;

    // ---- Colours used by the primitives below
    virtual void SetBrushColor(TSurfaceColor color) = 0;   // fills, text background
    virtual void SetPenColor(TSurfaceColor color) = 0;     // lines
    virtual void SetTextColor(TSurfaceColor color) = 0;
    virtual void SetFontStyle(TSurfaceFontStyle style) = 0;

    // ---- Drawing
    // Fills [Left, Right) x [Top, Bottom) with the brush colour.
    virtual void FillRect(const TRect& r) = 0;
    // Pen lines through the points in order (n >= 2).
    virtual void Polyline(const TPoint* points, int32_t n) = 0;
    // A closed polygon, filled with the brush colour and outlined with the
    // pen colour.
    virtual void Polygon(const TPoint* points, int32_t n) = 0;
    // n characters from (x, y) (the top of the text), each advancing by its
    // entry of `advances`, on an opaque brush-coloured background, drawn
    // only inside `clip`.
    virtual void TextOut(int32_t x, int32_t y, const char16_t* text, const int32_t* advances, int32_t n,
                         const TRect& clip) = 0;
    // Inverts the colours of every pixel in the rectangle.
    virtual void InvertRect(const TRect& r) = 0;

    // ---- Size and copies
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    // Resizes; the content is undefined afterwards.
    virtual void Resize(int32_t width, int32_t height) = 0;
    // Draws `source` with its top-left corner at (x, y).
    virtual void DrawSurface(int32_t x, int32_t y, const TDrawSurface& source) = 0;
};

}  // namespace zin
