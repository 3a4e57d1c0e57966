#include "widget/QtSurface.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QRawFont>
#include <QScreen>
#include <QTextLayout>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

using zin::TPoint;
using zin::TRect;
using zin::TSurfaceColor;
using zin::TSurfaceFontStyle;

namespace {

// The font the surface draws with for a family name, pixel size and style.
QFont MakeFont(const std::string& name, int32_t pixelSize, TSurfaceFontStyle style)
{
    QFont font(QString::fromStdString(name));
    font.setPixelSize(std::max(pixelSize, 1));
    font.setStyleHint(QFont::TypeWriter);
    font.setBold((style & 1) != 0);
    font.setItalic((style & 2) != 0);
    font.setUnderline((style & 4) != 0);
    font.setStrikeOut((style & 8) != 0);
    return font;
}

}  // namespace

// One font (family, pixel size, style) with what drawing needs of it: its
// metrics, the raw font for glyph runs, and the glyph of every character
// drawn so far. A glyph is found in the font itself or, when the font lacks
// the character, in the font Qt's own text layout falls back to; each such
// font is a slot, and a cached glyph is (slot << 24) | glyph index.
class TQtFont {
public:
    static constexpr uint32_t NoGlyph = 0xFFFFFFFF;

    TQtFont(const std::string& name, int32_t pixelSize, TSurfaceFontStyle style)
        : Font(MakeFont(name, pixelSize, style)), Metrics(Font)
    {
        Height = Metrics.height();
        AverageWidth = Metrics.averageCharWidth();
        Ascent = Metrics.ascent();
        AddSlot(QRawFont::fromFont(Font));
        FTable = std::make_unique<uint32_t[]>(65536);
    }

    // The glyph of a UTF-16 code unit that is not a surrogate.
    uint32_t Glyph(char16_t u)
    {
        uint32_t& g = FTable[u];
        if (g == 0)
            g = Resolve(u);
        return g;
    }
    // The glyph of a character beyond the first plane.
    uint32_t AstralGlyph(char32_t cp)
    {
        const auto it = FAstral.find(cp);
        if (it != FAstral.end())
            return it->second;
        return FAstral[cp] = Resolve(cp);
    }
    // The glyph run set up for a slot's font and this font's decorations;
    // its data are pointed at the caller's arrays before each draw.
    QGlyphRun& Run(size_t slot) { return FRuns[slot]; }

    // A fallback glyph's coverage, rendered once: its image and where the
    // image's corner lies from the glyph's origin on the baseline. The ink
    // stays inside the row, below its top line (where the active-line frame
    // runs): a fallback font may be taller than the font of the row.
    struct TMask {
        QImage Alpha;  // Format_Alpha8
        int Left = 0;
        int Top = 0;
    };
    const TMask& Mask(uint32_t g)
    {
        const auto it = FMasks.find(g);
        if (it != FMasks.end())
            return it->second;
        return FMasks[g] = RenderMask(g);
    }

    QFont Font;
    QFontMetrics Metrics;
    int32_t Height = 0;
    int32_t AverageWidth = 0;
    int32_t Ascent = 0;

private:
    uint32_t Resolve(char32_t cp)
    {
        // Blanks, controls and lone surrogates show no ink.
        if (cp <= 0x20 || (cp >= 0x7F && cp < 0xA0) || (cp >= 0xD800 && cp <= 0xDFFF))
            return NoGlyph;
        QChar chars[2];
        int length = 1;
        if (cp > 0xFFFF) {
            chars[0] = QChar(QChar::highSurrogate(cp));
            chars[1] = QChar(QChar::lowSurrogate(cp));
            length = 2;
        } else {
            chars[0] = QChar(static_cast<char16_t>(cp));
        }
        quint32 glyphs[2] = {0, 0};
        int count = 2;
        if (FSlots[0].glyphIndexesForChars(chars, length, glyphs, &count) && count > 0 && glyphs[0] != 0)
            return glyphs[0] & 0xFFFFFF;
        // The font lacks it: ask Qt's layout which font it would use.
        QTextLayout layout(QString(chars, length), Font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        for (const QGlyphRun& run : runs) {
            const QList<quint32> indexes = run.glyphIndexes();
            if (indexes.isEmpty() || indexes.front() == 0)
                continue;
            const QRawFont raw = run.rawFont();
            size_t slot = 0;
            while (slot < FSlots.size() && !(FSlots[slot] == raw))
                ++slot;
            if (slot == FSlots.size()) {
                if (slot >= 255)
                    return NoGlyph;
                AddSlot(raw);
            }
            return static_cast<uint32_t>(slot << 24) | (indexes.front() & 0xFFFFFF);
        }
        return NoGlyph;
    }

    void AddSlot(const QRawFont& raw)
    {
        FSlots.push_back(raw);
        QGlyphRun run;
        run.setRawFont(raw);
        run.setUnderline(Font.underline());
        run.setStrikeOut(Font.strikeOut());
        FRuns.push_back(run);
    }

    // The glyph's coverage drawn from `raw`: its ink only, and where the
    // ink's corner lies from the glyph's origin.
    static TMask RenderInk(const QRawFont& raw, quint32 index)
    {
        const QRect box = raw.boundingRect(index).toAlignedRect().adjusted(-2, -2, 2, 2);
        TMask m;
        if (box.isEmpty())
            return m;
        QImage image(box.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setPen(Qt::black);
            QGlyphRun run;
            run.setRawFont(raw);
            const QPointF origin(-box.left(), -box.top());
            run.setRawData(&index, &origin, 1);
            p.drawGlyphRun(QPointF(0, 0), run);
        }
        const QImage alpha = image.convertToFormat(QImage::Format_Alpha8);
        int top = alpha.height(), bottom = -1, left = alpha.width(), right = -1;
        for (int y = 0; y < alpha.height(); ++y) {
            const uchar* line = alpha.constScanLine(y);
            for (int x = 0; x < alpha.width(); ++x)
                if (line[x]) {
                    top = std::min(top, y);
                    bottom = y;
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        }
        if (bottom < 0)
            return m;
        m.Alpha = alpha.copy(left, top, right - left + 1, bottom - top + 1);
        m.Left = box.left() + left;
        m.Top = box.top() + top;
        return m;
    }

    TMask RenderMask(uint32_t g)
    {
        const QRawFont& raw = FSlots[g >> 24];
        const quint32 index = g & 0xFFFFFF;
        // The rows the ink may take, from the baseline: the row's height
        // less its top line.
        const int first = 1 - Ascent;
        const int last = Height - 1 - Ascent;
        const int room = std::max(last - first + 1, 1);
        TMask m = RenderInk(raw, index);
        if (m.Alpha.height() > room) {
            // Too tall: drawn smaller, centred in the advance it had.
            const qreal advance = raw.advancesForGlyphIndexes(QList<quint32>{index}).value(0).x();
            qreal size = raw.pixelSize() * room / m.Alpha.height();
            for (int tries = 0; tries < 4 && m.Alpha.height() > room && size >= 1; ++tries, size -= 1) {
                QRawFont smaller = raw;
                smaller.setPixelSize(size);
                const qreal shrunk = smaller.advancesForGlyphIndexes(QList<quint32>{index}).value(0).x();
                m = RenderInk(smaller, index);
                m.Left += qRound((advance - shrunk) / 2);
            }
        }
        if (m.Alpha.isNull())
            return m;
        // Moved down below the top line, or up above the row's end.
        if (m.Top < first)
            m.Top = first;
        else if (m.Top + m.Alpha.height() - 1 > last)
            m.Top = std::max(first, last - m.Alpha.height() + 1);
        return m;
    }

    std::vector<QRawFont> FSlots;   // 0: the font itself; then fallbacks
    std::vector<QGlyphRun> FRuns;
    std::unique_ptr<uint32_t[]> FTable;  // per code unit; 0 = not looked up yet
    std::unordered_map<char32_t, uint32_t> FAstral;
    std::unordered_map<uint32_t, TMask> FMasks;
};

namespace {

// Fonts are shared by every surface (the control measures on one and draws
// on another) and live until the application ends.
using TFontFamily = std::array<std::unique_ptr<TQtFont>, 16>;
std::map<std::pair<std::string, int32_t>, TFontFamily>* Fonts = nullptr;

void DropFonts()
{
    delete Fonts;
    Fonts = nullptr;
}

TFontFamily& FamilyOf(const std::string& name, int32_t pixelSize)
{
    if (!Fonts) {
        Fonts = new std::map<std::pair<std::string, int32_t>, TFontFamily>;
        qAddPostRoutine(DropFonts);
    }
    return (*Fonts)[{name, pixelSize}];
}

// Points to pixels at the screen's logical resolution (96 without a screen).
int32_t PixelSize(int32_t points)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return std::max(1, qRound(points * dpi / 72.0));
}

// v / 255 rounded, for v up to 255 * 255.
inline int Div255(uint32_t v) { return static_cast<int>(((v + 128) * 257) >> 16); }

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); }

}  // namespace

// ---- Surface ----------------------------------------------------------------

TQtSurface::TQtSurface() = default;

TQtSurface::~TQtSurface()
{
    if (FPainter.isActive())
        FPainter.end();
}

QString TQtSurface::DrawnFamily(const std::string& name)
{
    return QFontInfo(MakeFont(name, PixelSize(12), 0)).family();
}

void TQtSurface::SetFont(const std::string& name, int32_t size, TSurfaceFontStyle style)
{
    if (name != FFontName || size != FFontSize || !FFont) {
        FFontName = name;
        FFontSize = size;
        TFontFamily& family = FamilyOf(name, PixelSize(size));
        for (size_t i = 0; i < family.size(); ++i)
            FStyles[i] = family[i].get();
        FFont = nullptr;
    }
    FStyle = style;
    FFont = nullptr;
}

void TQtSurface::SetFontStyle(TSurfaceFontStyle style)
{
    if (style != FStyle) {
        FStyle = style;
        FFont = nullptr;
    }
}

TQtFont& TQtSurface::Font()
{
    if (FFont)
        return *FFont;
    const size_t style = FStyle & 15;
    if (!FStyles[style]) {
        const int32_t pixels = PixelSize(FFontSize);
        TFontFamily& family = FamilyOf(FFontName, pixels);
        if (!family[style])
            family[style] = std::make_unique<TQtFont>(FFontName, pixels, static_cast<TSurfaceFontStyle>(style));
        FStyles[style] = family[style].get();
    }
    FFont = FStyles[style];
    return *FFont;
}

void TQtSurface::GetTextMetrics(int32_t& height, int32_t& averageWidth)
{
    const TQtFont& f = Font();
    height = f.Height;
    averageWidth = f.AverageWidth;
}

int32_t TQtSurface::CharExtent(char16_t c)
{
    // Half a surrogate pair has no width of its own.
    if (QChar::isSurrogate(c))
        return 0;
    return std::max(Font().Metrics.horizontalAdvance(QChar(c)), 0);
}

void TQtSurface::UsePen(TSurfaceColor color)
{
    if (FPainterPenSet && color == FPainterPen)
        return;
    QPen pen(QColor::fromRgb(ToRgb(color)), 1);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    FPainter.setPen(pen);
    FPainterPen = color;
    FPainterPenSet = true;
}

void TQtSurface::FillRect(const TRect& r)
{
    if (!FPainter.isActive() || r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    FPainter.fillRect(ToQRect(r), QColor::fromRgb(ToRgb(FBrush)));
}

namespace {

// The points as Qt takes them (a few, on the stack).
QVarLengthArray<QPoint, 16> ToQPoints(const TPoint* points, int32_t n)
{
    QVarLengthArray<QPoint, 16> q(n);
    for (int32_t i = 0; i < n; ++i)
        q[i] = QPoint(points[i].X, points[i].Y);
    return q;
}

}  // namespace

void TQtSurface::Polyline(const TPoint* points, int32_t n)
{
    if (!FPainter.isActive() || n < 2)
        return;
    const QVarLengthArray<QPoint, 16> q = ToQPoints(points, n);
    UsePen(FPen);
    FPainter.drawPolyline(q.data(), n);
}

void TQtSurface::Polygon(const TPoint* points, int32_t n)
{
    if (!FPainter.isActive() || n < 2)
        return;
    const QVarLengthArray<QPoint, 16> q = ToQPoints(points, n);
    UsePen(FPen);
    FPainter.setBrush(QColor::fromRgb(ToRgb(FBrush)));
    FPainter.drawPolygon(q.data(), n);
    FPainter.setBrush(Qt::NoBrush);
}

void TQtSurface::TextOut(int32_t x, int32_t y, const char16_t* text, const int32_t* advances, int32_t n,
                         const TRect& clip)
{
    if (!FPainter.isActive())
        return;
    const QRect c = ToQRect(clip) & FImage.rect();
    if (c.isEmpty())
        return;
    // The opaque background covers the clipping rectangle.
    FPainter.fillRect(c, QColor::fromRgb(ToRgb(FBrush)));
    if (n <= 0)
        return;

    TQtFont& f = Font();
    const int64_t left = c.left(), right = int64_t{c.right()} + 1;
    const qreal baseline = y + f.Ascent;
    int64_t cx = x;
    for (int32_t i = 0; i < n; ++i) {
        const char16_t u = text[i];
        const int64_t px = cx;
        cx += advances[i];
        uint32_t g;
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text[i + 1])) {
            // A pair: one glyph over both code units' advances.
            cx += advances[i + 1];
            g = f.AstralGlyph(QChar::surrogateToUcs4(u, text[i + 1]));
            ++i;
        } else {
            g = f.Glyph(u);
        }
        if (g == TQtFont::NoGlyph || px >= right || cx <= left)
            continue;
        const size_t slot = g >> 24;
        if (slot >= FRuns.size())
            FRuns.resize(slot + 1);
        TRun& run = FRuns[slot];
        if (run.Glyphs.empty())
            FUsedSlots.push_back(static_cast<uint8_t>(slot));
        run.Glyphs.push_back(g & 0xFFFFFF);
        run.Positions.emplace_back(static_cast<qreal>(px), baseline);
    }
    if (FUsedSlots.empty())
        return;

    bool clipped = false;
    for (const uint8_t slot : FUsedSlots) {
        TRun& run = FRuns[slot];
        if (slot == 0) {
            // The font's own glyphs through Qt's glyph cache.
            UsePen(FTextColor);
            if (!clipped)
                FPainter.setClipRect(c);
            clipped = true;
            QGlyphRun& glyphs = f.Run(slot);
            glyphs.setRawData(run.Glyphs.data(), run.Positions.data(), static_cast<int>(run.Glyphs.size()));
            FPainter.drawGlyphRun(QPointF(0, 0), glyphs);
        } else {
            // Fallback glyphs (dense CJK ones above all) blended here from
            // their cached coverage: Qt blends such fonts with gamma
            // correction, several times slower per glyph.
            const QRgb color = ToRgb(FTextColor);
            for (size_t i = 0; i < run.Glyphs.size(); ++i) {
                const TQtFont::TMask& m = f.Mask((uint32_t{slot} << 24) | run.Glyphs[i]);
                BlendMask(m.Alpha, static_cast<int>(run.Positions[i].x()) + m.Left,
                          static_cast<int>(run.Positions[i].y()) + m.Top, c, color);
            }
        }
        run.Glyphs.clear();
        run.Positions.clear();
    }
    FUsedSlots.clear();
    if (clipped)
        FPainter.setClipping(false);
}

void TQtSurface::BlendMask(const QImage& alpha, int left, int top, const QRect& clip, QRgb color)
{
    const QRect r = QRect(left, top, alpha.width(), alpha.height()) & clip;
    if (r.isEmpty())
        return;
    const uint32_t cr = qRed(color), cg = qGreen(color), cb = qBlue(color);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar* a = alpha.constScanLine(y - top) + (r.left() - left);
        // The painter draws into the same pixels; nothing else shares them.
        auto* d = reinterpret_cast<QRgb*>(const_cast<uchar*>(FImage.constScanLine(y))) + r.left();
        for (int x = 0, w = r.width(); x < w; ++x) {
            const uint32_t k = a[x];
            if (k == 0)
                continue;
            if (k == 255) {
                d[x] = color;
                continue;
            }
            const QRgb p = d[x];
            const uint32_t j = 255 - k;
            d[x] = qRgb(Div255(cr * k + qRed(p) * j), Div255(cg * k + qGreen(p) * j), Div255(cb * k + qBlue(p) * j));
        }
    }
}

void TQtSurface::InvertRect(const TRect& r)
{
    if (!FPainter.isActive() || r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    // XOR with white flips the colour bits and leaves the opaque alpha.
    FPainter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    FPainter.fillRect(ToQRect(r), QColor(255, 255, 255));
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TQtSurface::Resize(int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FImage.width() && height == FImage.height())
        return;
    if (FPainter.isActive())
        FPainter.end();
    FImage = width > 0 && height > 0 ? QImage(width, height, QImage::Format_RGB32) : QImage();
    FPainterPenSet = false;
    if (FImage.isNull())
        return;
    FImage.fill(Qt::white);
    FPainter.begin(&FImage);
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    FPainter.setRenderHint(QPainter::TextAntialiasing, true);
}

void TQtSurface::DrawSurface(int32_t x, int32_t y, const zin::TDrawSurface& source)
{
    const auto* s = dynamic_cast<const TQtSurface*>(&source);
    if (!FPainter.isActive() || !s || s == this || s->FImage.isNull())
        return;
    FPainter.setCompositionMode(QPainter::CompositionMode_Source);
    FPainter.drawImage(QPoint(x, y), s->FImage);
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}
