#pragma once
// The drawing surface on Qt: a QImage (32-bit RGB) with a QPainter kept open
// on it. Text goes out as glyph runs placed at the advances the control
// measured, one run per font that holds the glyphs (the selected font and,
// for characters it lacks, the fonts Qt falls back to), so a full repaint
// costs one draw call per token rather than one per character.
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DrawSurface.h"

class TQtFont;

class TQtSurface final : public zin::TDrawSurface {
public:
    TQtSurface();
    ~TQtSurface() override;
    TQtSurface(const TQtSurface&) = delete;
    TQtSurface& operator=(const TQtSurface&) = delete;

    void SetFont(const std::string& name, int32_t size, zin::TSurfaceFontStyle style) override;
    void GetTextMetrics(int32_t& height, int32_t& averageWidth) override;
    int32_t CharExtent(char16_t c) override;

    void SetBrushColor(zin::TSurfaceColor color) override { FBrush = color; }
    void SetPenColor(zin::TSurfaceColor color) override { FPen = color; }
    void SetTextColor(zin::TSurfaceColor color) override { FTextColor = color; }
    void SetFontStyle(zin::TSurfaceFontStyle style) override;

    void FillRect(const zin::TRect& r) override;
    void Polyline(const zin::TPoint* points, int32_t n) override;
    void Polygon(const zin::TPoint* points, int32_t n) override;
    void TextOut(int32_t x, int32_t y, const char16_t* text, const int32_t* advances, int32_t n,
                 const zin::TRect& clip) override;
    void InvertRect(const zin::TRect& r) override;

    int32_t Width() const override { return FImage.width(); }
    int32_t Height() const override { return FImage.height(); }
    void Resize(int32_t width, int32_t height) override;
    void DrawSurface(int32_t x, int32_t y, const zin::TDrawSurface& source) override;

    // The family the surface draws for a configured name: the name's own
    // when it is installed, otherwise the one the font system takes in its
    // place.
    static QString DrawnFamily(const std::string& name);

    // What was drawn, for the widget to show.
    const QImage& Image() const { return FImage; }

    // Colours are 0x00BBGGRR.
    static QRgb ToRgb(zin::TSurfaceColor c)
    {
        return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
    }

private:
    // The painter's pen as a 1-pixel line of this colour (Polyline, Polygon,
    // text), set only when it changes.
    void UsePen(zin::TSurfaceColor color);
    // The font for the current family, size and style.
    TQtFont& Font();
    // Blends `color` into the image by the coverage of `alpha` (Alpha8)
    // placed at (left, top), inside `clip`.
    void BlendMask(const QImage& alpha, int left, int top, const QRect& clip, QRgb color);

    QImage FImage;
    QPainter FPainter;   // active while the image is not empty
    zin::TSurfaceColor FBrush = 0xFFFFFF;
    zin::TSurfaceColor FPen = 0;
    zin::TSurfaceColor FTextColor = 0;
    zin::TSurfaceColor FPainterPen = 0;
    bool FPainterPenSet = false;

    std::string FFontName;
    int32_t FFontSize = 0;
    zin::TSurfaceFontStyle FStyle = 0;
    // The fonts of the current family and size, by style (looked up once
    // per family; a style change per token is an index).
    TQtFont* FStyles[16] = {};
    TQtFont* FFont = nullptr;

    // Glyph runs being assembled: per font slot, the glyphs and their
    // baseline positions. Kept between calls so that they do not allocate
    // once grown.
    struct TRun {
        std::vector<quint32> Glyphs;
        std::vector<QPointF> Positions;
    };
    std::vector<TRun> FRuns;
    std::vector<uint8_t> FUsedSlots;
};
