// Painting benchmark on the recording test surface (drawing calls cost next
// to nothing, so this measures the scanner and the painter): a full repaint
// of a 1920 x 1080 client of a C++ source with line numbers, marks and the
// C++ definition; Ctrl+End on the 1 GiB log and a repaint; pages in the
// middle of a 100 MiB one-line file, wrapped, with the Plain Text and the
// C++ definitions. Hex mode: a full repaint of a binary file, the switch of
// the 1 GiB log to hex mode and back, Ctrl+End on a 5 GiB (sparse) file.
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "BenchView.h"
#include "editor/ZinEdit.h"
#include "platform/SystemCodePage.h"
#include "support/doubles/TestHost.h"
#include "support/doubles/TestSurface.h"
#include "syntax/ZinSyntax.h"

using namespace zin;
using namespace zin::bench;

int main(int argc, char** argv)
{
    const std::string dir = BenchDir(argc > 1 ? argv[1] : "");
    SetSystemCodePage(1252);
    const std::string source = std::string(ZIN_SOURCE_DIR) + "/src/lines/ZinLinesScan.cpp";

    {
        TView v;
        if (!v.Edit->LoadFromFile(source)) {
            std::fprintf(stderr, "cannot open %s\n", source.c_str());
            return 1;
        }
        std::vector<double> ms;
        v.Paint();
        for (int i = 0; i < 100; ++i) {
            v.Edit->ScrollView(true, 1 + i % 2);
            ms.push_back(v.Paint());
        }
        std::printf("full repaint 1920x1080, C++ source (%s, %d lines): median %.3f ms\n",
                    v.Edit->LineStore().Syntax()->Title.c_str(), v.Edit->LineStore().LineCount(), Median(ms));
    }
    {
        TView v;
        const std::string log = LogFile1G(dir);
        v.Edit->LoadFromFile(log);
        v.Paint();
        // The first look at the file's end after the load, timed apart.
        const auto first = std::chrono::steady_clock::now();
        v.Edit->ExecuteCommand(ecTextEnd);
        v.Edit->Paint(v.Window);
        const double firstMs = Seconds(first, std::chrono::steady_clock::now()) * 1e3;
        const std::vector<double> ms = v.EndsAndRepaints(20);
        std::printf("Ctrl+End / Ctrl+Home and a full repaint, 1 GiB log: median %.3f ms, max %.3f ms "
                    "(the first Ctrl+End after the load %.1f ms)\n",
                    Median(ms), *std::max_element(ms.begin(), ms.end()), firstMs);
    }
    {
        // Hex mode: full repaints of a binary file, each after a one-row
        // scroll.
        TView v;
        v.Edit->LoadFromFile(BinaryFile16M(dir));
        v.Edit->SetEditMode(emHexMode);
        v.Paint();
        std::vector<double> ms;
        for (int i = 0; i < 100; ++i) {
            v.Edit->VScroll(i % 2 ? scLineUp : scLineDown);
            ms.push_back(v.Paint());
        }
        std::printf("hex mode: full repaint 1920x1080 (%d rows of 16 bytes): median %.3f ms, max %.3f ms\n",
                    v.Edit->VisibleRows(), Median(ms), *std::max_element(ms.begin(), ms.end()));
    }
    {
        // The 1 GiB log to hex mode and back, each with a repaint.
        TView v;
        v.Edit->LoadFromFile(LogFile1G(dir));
        v.Paint();
        std::vector<double> toHex, toText;
        for (int i = 0; i < 10; ++i) {
            auto t0 = std::chrono::steady_clock::now();
            v.Edit->SetEditMode(emHexMode);
            v.Edit->Paint(v.Window);
            toHex.push_back(Seconds(t0, std::chrono::steady_clock::now()) * 1e3);
            t0 = std::chrono::steady_clock::now();
            v.Edit->SetEditMode(emTextMode);
            v.Edit->Paint(v.Window);
            toText.push_back(Seconds(t0, std::chrono::steady_clock::now()) * 1e3);
        }
        std::printf("1 GiB log to hex mode and a repaint: median %.3f ms, max %.3f ms; back to text mode: median "
                    "%.3f ms, max %.3f ms\n",
                    Median(toHex), *std::max_element(toHex.begin(), toHex.end()), Median(toText),
                    *std::max_element(toText.begin(), toText.end()));
    }
    {
        // A 5 GiB file in hex mode: its load (no scan), then Ctrl+End and
        // Ctrl+Home, each with a full repaint.
        TView v;
        const std::string big = SparseFile(dir, "zin-bench-sparse-5g.bin", uint64_t{5} << 30);
        const auto load = std::chrono::steady_clock::now();
        v.Edit->LoadFromFile(big);
        v.Edit->Paint(v.Window);
        const double loadMs = Seconds(load, std::chrono::steady_clock::now()) * 1e3;
        const std::vector<double> ms = v.EndsAndRepaints(20);
        std::printf("5 GiB file in hex mode: load and first paint %.2f ms; Ctrl+End / Ctrl+Home and a full repaint: "
                    "median %.3f ms, max %.3f ms\n",
                    loadMs, Median(ms), *std::max_element(ms.begin(), ms.end()));
    }
    TRandom r(5);
    const std::string oneLine = MakeFile(dir, "zin-bench-100m-oneline.txt", 100 * MiB, [&](std::string& b) {
        std::string line;
        LogLine(r, line, " ");
        b += line;
    });
    for (const char* name : {"zin-bench-100m-oneline.txt", "zin-bench-100m-oneline.cpp"}) {
        const std::string path = dir + name;
        if (path != oneLine) {
            // The same bytes under a C++ name, as a link.
            std::remove(path.c_str());
            if (symlink(oneLine.c_str(), path.c_str()) != 0) {
                std::perror(path.c_str());
                return 1;
            }
        }
        TView v;
        v.Edit->SetMaxColumns(200);
        v.Edit->SetWordWrapMode(wwmWrapByColumn);
        v.Edit->LoadFromFile(path);
        const int32_t rows = v.Edit->LineStore().RowCount();
        v.Edit->ScrollView(true, rows / 2);
        const double first = v.Paint();
        std::vector<double> ms;
        for (int i = 0; i < 20; ++i) {
            v.Edit->ScrollView(true, rows / 2 + (i % 2 ? -1 : 1) * 70 * (i + 1));
            ms.push_back(v.Paint());
        }
        std::printf("100 MiB one line wrapped (%d rows), %s: first page %.2f ms, pages nearby median %.3f ms, max %.3f ms\n",
                    rows, v.Edit->LineStore().Syntax()->Title.c_str(), first, Median(ms),
                    *std::max_element(ms.begin(), ms.end()));
        std::printf("  resident %.1f MiB\n", ResidentBytes() / double(MiB));
    }
    return 0;
}
