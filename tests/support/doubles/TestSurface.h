#pragma once
// A drawing surface with deterministic metrics that records what it is
// asked to draw: a font of size N is N pixels high and N / 2 pixels wide on
// average, and every UTF-16 code unit is that wide (with WideCJK, the
// characters the fixed-metrics owner calls wide are twice that). Used by the
// tests and by the headless drive tool.
#include <memory>
#include <string>
#include <vector>

#include "platform/DrawSurface.h"

namespace zin::test {

class TTestSurface : public TDrawSurface {
public:
    explicit TTestSurface(bool wideCJK = false) : WideCJK(wideCJK) {}

    void SetFont(const std::string& name, int32_t size, TSurfaceFontStyle style) override;
    void GetTextMetrics(int32_t& height, int32_t& averageWidth) override;
    int32_t CharExtent(char16_t c) override;

    void SetBrushColor(TSurfaceColor color) override { Brush = color; }
    void SetPenColor(TSurfaceColor color) override { Pen = color; }
    void SetTextColor(TSurfaceColor color) override { TextColor = color; }
    void SetFontStyle(TSurfaceFontStyle style) override { FontStyle = style; }

    void FillRect(const TRect& r) override;
    void Polyline(const TPoint* points, int32_t n) override;
    void Polygon(const TPoint* points, int32_t n) override;
    void TextOut(int32_t x, int32_t y, const char16_t* text, const int32_t* advances, int32_t n,
                 const TRect& clip) override;
    void InvertRect(const TRect& r) override;

    int32_t Width() const override { return FWidth; }
    int32_t Height() const override { return FHeight; }
    void Resize(int32_t width, int32_t height) override;
    void DrawSurface(int32_t x, int32_t y, const TDrawSurface& source) override;

    bool WideCJK;
    std::string FontName;
    int32_t FontSize = 0;
    TSurfaceFontStyle FontStyle = 0;
    TSurfaceColor Brush = 0xFFFFFF, Pen = 0, TextColor = 0;
    // What was drawn, one line of text per call, while Record is on.
    bool Record = true;
    std::vector<std::string> Calls;
    int32_t Resizes = 0;

private:
    void Log(std::string call);
    int32_t FWidth = 0;
    int32_t FHeight = 0;
};

}  // namespace zin::test
