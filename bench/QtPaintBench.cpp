// Painting benchmark through the Qt surface, off screen: full repaints of a
// 1920 x 1080 client in the default 16-point font with line numbers, marks
// and colours, into the page image and onto the window's image. A C++
// source of this project, and generated CJK text (glyphs from a fallback
// font), and a binary file in hex mode. Each repaint follows a one-row
// scroll; the median of 100.
//
//   QT_QPA_PLATFORM=offscreen qt_paint_bench [DIR]
#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "editor/ZinEdit.h"
#include "encoding/CodePage.h"
#include "platform/SystemCodePage.h"
#include "widget/QtSurface.h"
#include "widget/ZinEditWidget.h"
#include "syntax/ZinSyntax.h"

using namespace zin;
using namespace zin::bench;

namespace {

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A line of Chinese characters and kana with some ASCII between them.
void CjkLine(TRandom& r, std::string& out)
{
    const uint32_t chars = 30 + r.Below(50);
    for (uint32_t i = 0; i < chars; ++i) {
        const uint32_t k = r.Below(100);
        if (k < 60)
            AppendUtf8(out, 0x4E00 + r.Below(0x5000));
        else if (k < 80)
            AppendUtf8(out, 0x3041 + r.Below(0x56));
        else if (k < 90)
            out += ' ';
        else
            out += static_cast<char>('a' + r.Below(26));
    }
    out += '\n';
}

// Milliseconds of full repaints of the file in a widget whose viewport is
// 1920 x 1080: the median over 100, each after a one-row scroll.
bool Measure(const std::string& path, const char* what, bool hex = false)
{
    TZinEditWidget w;
    w.resize(1920, 1080);
    w.show();
    QApplication::processEvents();
    w.resize(1920 + (w.width() - w.viewport()->width()), 1080 + (w.height() - w.viewport()->height()));
    QApplication::processEvents();
    TZinEdit& e = w.Edit();
    if (!e.LoadFromFile(path)) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return false;
    }
    if (hex)
        e.SetEditMode(emHexMode);
    // A one-row scroll: hex mode scrolls by its own rows.
    const auto scroll = [&](int32_t row) {
        if (hex)
            e.VScroll(row == 1 ? scLineUp : scLineDown);
        else
            e.ScrollView(true, row);
    };
    TQtSurface window;
    window.Resize(w.viewport()->width(), w.viewport()->height());
    // Once over both pages measured, so that every glyph has been looked up.
    for (int i = 0; i < 3; ++i) {
        scroll(i);
        e.Paint(window);
    }
    std::vector<double> ms;
    for (int i = 0; i < 100; ++i) {
        scroll(1 + i % 2);
        const auto t0 = std::chrono::steady_clock::now();
        e.Paint(window);
        ms.push_back(Seconds(t0, std::chrono::steady_clock::now()) * 1e3);
    }
    std::printf("full repaint %dx%d, %s (%s, %d lines, font %s %d): median %.3f ms, max %.3f ms\n", window.Width(),
                window.Height(), what, e.LineStore().Syntax()->Title.c_str(), e.LineStore().LineCount(),
                e.Font().Name().c_str(), e.Font().Size(), Median(ms), *std::max_element(ms.begin(), ms.end()));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const std::string dir = BenchDir(argc > 1 ? argv[1] : "");
    LoadCodePageNames();
    SetSystemCodePage(1252);

    if (!Measure(std::string(ZIN_SOURCE_DIR) + "/src/lines/ZinLinesScan.cpp", "C++ source"))
        return 1;
    TRandom r(7);
    const std::string cjk = MakeFile(dir, "zin-bench-cjk.txt", 256 * 1024, [&](std::string& b) { CjkLine(r, b); });
    if (!Measure(cjk, "CJK text"))
        return 1;
    if (!Measure(BinaryFile16M(dir), "hex mode, binary file", true))
        return 1;
    return 0;
}
