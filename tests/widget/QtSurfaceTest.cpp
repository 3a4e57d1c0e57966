// The drawing surface on a QImage: colours in the control's byte order, the
// primitives' pixels, and text as glyph runs at the given advances, with
// characters the font lacks drawn from a fallback font.
#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

#include "QtTestApp.h"
#include "widget/QtSurface.h"

namespace zin::test {
namespace {

constexpr TSurfaceColor White = 0xFFFFFF;

// Pixels of the rectangle that differ from `background`.
int Ink(const QImage& image, const QRect& r, QRgb background)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF);
    return n;
}

// The cell's pixels as a string, to tell two glyphs apart.
std::string CellPixels(const QImage& image, const QRect& r)
{
    std::string s;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            s += (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF ? '.' : '#';
    return s;
}

class QtSurfaceTest : public ::testing::Test {
protected:
    QtSurfaceTest()
    {
        QtApp();
        S.Resize(200, 60);
        S.SetFont("Courier New", 16, 0);
    }
    TQtSurface S;
};

// Colours are 0x00BBGGRR; fills, lines, polygons, inversion and copies land
// on exactly the pixels asked for.
TEST_F(QtSurfaceTest, PrimitivesHitTheirPixelsInTheirColours)
{
    S.SetBrushColor(White);
    S.FillRect(TRect{0, 0, 200, 60});
    S.SetBrushColor(0x0000FF);  // red
    S.FillRect(TRect{10, 10, 20, 20});
    const QImage& img = S.Image();
    EXPECT_EQ(img.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(19, 19), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(20, 19), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(19, 20), qRgb(255, 255, 255));

    // A pen line in blue through three points, one pixel wide.
    S.SetPenColor(0xFF0000);
    const TPoint line[] = {{30, 5}, {50, 5}, {50, 25}};
    S.Polyline(line, 3);
    EXPECT_EQ(img.pixel(40, 5), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(50, 15), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(40, 6), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(40, 4), qRgb(255, 255, 255));

    // A filled triangle: green inside, the pen on its edge.
    S.SetBrushColor(0x00FF00);
    const TPoint triangle[] = {{60, 40}, {90, 40}, {75, 10}, {60, 40}};
    S.Polygon(triangle, 4);
    EXPECT_EQ(img.pixel(75, 32), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(75, 40), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(62, 12), qRgb(255, 255, 255));

    // Inversion flips every colour bit and nothing outside.
    S.InvertRect(TRect{15, 15, 25, 25});
    EXPECT_EQ(img.pixel(16, 16), qRgb(0, 255, 255));
    EXPECT_EQ(img.pixel(24, 24), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(25, 24), qRgb(255, 255, 255));
    EXPECT_EQ(qAlpha(img.pixel(24, 24)), 255);
    S.InvertRect(TRect{15, 15, 25, 25});
    EXPECT_EQ(img.pixel(16, 16), qRgb(255, 0, 0));

    // A copy onto another surface at an offset.
    TQtSurface copy;
    copy.Resize(220, 80);
    copy.SetBrushColor(0);
    copy.FillRect(TRect{0, 0, 220, 80});
    copy.DrawSurface(5, 7, S);
    EXPECT_EQ(copy.Image().pixel(15, 17), qRgb(255, 0, 0));
    EXPECT_EQ(copy.Image().pixel(4, 6), qRgb(0, 0, 0));
    EXPECT_EQ(copy.Image().pixel(204, 66), qRgb(255, 255, 255));
    EXPECT_EQ(copy.Image().pixel(205, 67), qRgb(0, 0, 0));
}

// Text fills the clipping rectangle with the brush and draws glyphs in the
// text colour inside it only; each character sits in the cell its advance
// gives, however wide.
TEST_F(QtSurfaceTest, TextIsOpaqueClippedAndPlacedByTheAdvances)
{
    int32_t height = 0, average = 0;
    S.GetTextMetrics(height, average);
    ASSERT_GT(height, 10);
    ASSERT_GT(average, 4);
    const int32_t w = S.CharExtent(u'M');
    EXPECT_GT(w, 4);
    EXPECT_EQ(S.CharExtent(u'i'), w) << "a fixed-width font";
    EXPECT_EQ(S.CharExtent(0xD840), 0) << "half a surrogate pair";

    S.SetBrushColor(White);
    S.FillRect(TRect{0, 0, 200, 60});
    S.SetBrushColor(0xFFFF00);  // cyan background
    S.SetTextColor(0);
    // "MMM" with cells twice as wide as the font's, clipped after the second.
    const char16_t text[] = u"MMM";
    const int32_t advances[] = {2 * w, 2 * w, 2 * w};
    const TRect clip{10, 5, 10 + 4 * w, 5 + height};
    S.TextOut(10, 5, text, advances, 3, clip);
    const QImage& img = S.Image();
    const QRgb cyan = qRgb(0, 255, 255);
    EXPECT_EQ(img.pixel(clip.Left, clip.Top), cyan);
    EXPECT_EQ(img.pixel(clip.Right - 1, clip.Bottom - 1), cyan);
    EXPECT_EQ(img.pixel(clip.Right, clip.Top), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(clip.Left - 1, clip.Top), qRgb(255, 255, 255));
    // Ink in the first half of each cell, none in the second half (the
    // glyph is one advance of the font wide), none past the clip.
    for (int i = 0; i < 2; ++i) {
        const int x = 10 + i * 2 * w;
        EXPECT_GT(Ink(img, QRect(x, 5, w, height), cyan), 10) << i;
        EXPECT_EQ(Ink(img, QRect(x + w + 1, 5, w - 2, height), cyan), 0) << i;
    }
    EXPECT_EQ(Ink(img, QRect(clip.Right, 0, 200 - clip.Right, 60), qRgb(255, 255, 255)), 0);
}

// CJK characters in a Latin font come from a fallback font: each cell holds
// a glyph of its own (not an empty box shared by all), also for a character
// beyond the first plane given as a surrogate pair.
TEST_F(QtSurfaceTest, CharactersTheFontLacksShowTheirOwnGlyphs)
{
    int32_t height = 0, average = 0;
    S.GetTextMetrics(height, average);
    const char16_t text[] = u"\u6F22\u5B57\u3042\U00020B9F";  // 漢 字 あ and 𠮟 (two units)
    const int32_t n = 5;
    std::vector<int32_t> advances;
    for (int32_t i = 0; i < n; ++i)
        advances.push_back(S.CharExtent(text[i]));
    EXPECT_GT(advances[0], S.CharExtent(u'M')) << "CJK is measured in its fallback font, wider";
    advances[3] = advances[4] = advances[0] / 2 + 1;  // the pair's two units share one cell

    S.SetBrushColor(White);
    S.FillRect(TRect{0, 0, 200, 60});
    S.SetTextColor(0);
    S.TextOut(2, 2, text, advances.data(), n, TRect{0, 0, 200, 60});
    const QImage& img = S.Image();
    std::vector<std::string> cells;
    int x = 2;
    for (int i = 0; i < 4; ++i) {
        const int cw = i < 3 ? advances[i] : advances[3] + advances[4];
        const QRect cell(x, 2, cw, height);
        EXPECT_GT(Ink(img, cell, qRgb(255, 255, 255)), 20) << "cell " << i;
        cells.push_back(CellPixels(img, cell));
        x += cw;
    }
    EXPECT_NE(cells[0], cells[1]);
    EXPECT_NE(cells[1], cells[2]);
}

// A CJK character in a small Latin font comes from a taller fallback font:
// it is drawn inside the row, below its top line where the active-line
// frame runs, and still shows.
TEST_F(QtSurfaceTest, FallbackGlyphsStayInsideTheirRow)
{
    const char16_t text[] = u"\u6F22\u9F8D\u3042\u5B57";  // 漢 龍 あ 字
    const int32_t n = 4;
    for (const int32_t size : {7, 9, 12, 16}) {
        S.SetFont("Courier New", size, 0);
        int32_t height = 0, average = 0;
        S.GetTextMetrics(height, average);
        std::vector<int32_t> advances;
        for (int32_t i = 0; i < n; ++i)
            advances.push_back(S.CharExtent(text[i]));
        const int32_t y = 20;
        S.SetBrushColor(White);
        S.SetTextColor(0);
        S.TextOut(4, y, text, advances.data(), n, TRect{0, 0, 200, 60});  // no clip but the image
        const QImage& img = S.Image();
        const QRgb white = qRgb(255, 255, 255);
        EXPECT_EQ(Ink(img, QRect(0, 0, 200, y + 1), white), 0) << "above the row or on its top line, size " << size;
        EXPECT_EQ(Ink(img, QRect(0, y + height, 200, 60 - y - height), white), 0) << "below the row, size " << size;
        int x = 4;
        for (int32_t i = 0; i < n; ++i) {
            EXPECT_GT(Ink(img, QRect(x, y, advances[i], height), white), 8) << "size " << size << " char " << i;
            x += advances[i];
        }
    }
}

}  // namespace
}  // namespace zin::test
