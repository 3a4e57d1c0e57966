#pragma once
// A test surface that draws into pixels, deterministically, for page images
// compared with golden files: fills, lines, polygons and inversions exact,
// and each character a cell of its advance by the character height with a
// pattern derived from its code, in its text colour on the opaque
// background. Metrics are those of TTestSurface.
#include <string>
#include <vector>

#include "support/doubles/TestSurface.h"

namespace zin::test {

class TRasterSurface : public TTestSurface {
public:
    explicit TRasterSurface(bool wideCJK = false) : TTestSurface(wideCJK) { Record = false; }

    void FillRect(const TRect& r) override;
    void Polyline(const TPoint* points, int32_t n) override;
    void Polygon(const TPoint* points, int32_t n) override;
    void TextOut(int32_t x, int32_t y, const char16_t* text, const int32_t* advances, int32_t n,
                 const TRect& clip) override;
    void InvertRect(const TRect& r) override;
    void Resize(int32_t width, int32_t height) override;
    void DrawSurface(int32_t x, int32_t y, const TDrawSurface& source) override;

    // 0x00BBGGRR; outside the image: 0.
    TSurfaceColor Pixel(int32_t x, int32_t y) const;
    // The image as a binary PPM (P6) file, and back; false when the data is
    // no such image.
    std::string ToPPM() const;
    bool FromPPM(const std::string& data);
    // Pixels that differ from another image of the same size (-1 when the
    // sizes differ).
    int64_t Differences(const TRasterSurface& other) const;

private:
    void Put(int32_t x, int32_t y, TSurfaceColor c);
    // A line from a to b without its end point.
    void Line(TPoint a, TPoint b, TSurfaceColor c);
    std::vector<TSurfaceColor> FPixels;
};

}  // namespace zin::test
