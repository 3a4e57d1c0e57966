// Editor control benchmark on the generated 1 GiB log: memory per line with
// the file open in a control (and the share of the row-lookup index), and
// the time of finding a row, a line and a file offset for 10,000 random
// targets, without wrap and after wrapping at 80 columns.
#include <algorithm>
#include <cstring>
#include <vector>

#include "BenchFiles.h"
#include "editor/ZinEdit.h"
#include "platform/SystemCodePage.h"
#include "support/doubles/TestHost.h"

using namespace zin;
using namespace zin::bench;

namespace {

struct TTimes {
    std::vector<double> Us;
    void Add(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
    {
        Us.push_back(Seconds(a, b) * 1e6);
    }
    void Print(const char* label)
    {
        std::sort(Us.begin(), Us.end());
        std::printf("  %-22s median %7.2f us   max %8.2f us\n", label, Us[Us.size() / 2], Us.back());
        Us.clear();
    }
};

volatile uint64_t Sink;

void Lookups(TZinEdit& edit, const char* title)
{
    TZinLines& store = edit.LineStore();
    std::printf("%s: %d lines, %d rows\n", title, store.LineCount(), store.RowCount());
    std::printf("  index: %.3f bytes per line\n", static_cast<double>(store.IndexBytes()) / store.LineCount());
    std::chrono::steady_clock::time_point t0, t1;
    TRandom r(7);
    TTimes rows, lines, positions;
    for (int i = 0; i < 10000; ++i) {
        const int32_t row = static_cast<int32_t>(r.Below(static_cast<uint32_t>(store.RowCount())));
        const int32_t line = static_cast<int32_t>(r.Below(static_cast<uint32_t>(store.LineCount())));
        const uint64_t pos = (uint64_t{r.Next()} << 21 ^ r.Next()) % (store.FileSize() + 1);
        int32_t sub;
        t0 = std::chrono::steady_clock::now();
        Sink = edit.FindRow(row, sub).Start;
        t1 = std::chrono::steady_clock::now();
        rows.Add(t0, t1);
        t0 = std::chrono::steady_clock::now();
        Sink = edit.FindLineFirstRow(line).Start;
        t1 = std::chrono::steady_clock::now();
        lines.Add(t0, t1);
        t0 = std::chrono::steady_clock::now();
        Sink = edit.FindFilePos(pos).Start;
        t1 = std::chrono::steady_clock::now();
        positions.Add(t0, t1);
    }
    rows.Print("FindRow");
    lines.Print("FindLineFirstRow");
    positions.Print("FindFilePos");
}

// Caret commands through the control, without painting: each timed alone.
void CaretMoves(TZinEdit& edit, test::TTestHost& host, const char* title)
{
    std::printf("caret, %s:\n", title);
    TTimes times;
    auto timed = [&](auto&& action) {
        const auto t0 = std::chrono::steady_clock::now();
        action();
        times.Add(t0, std::chrono::steady_clock::now());
    };
    edit.ExecuteCommand(ecTextStart);
    for (int i = 0; i < 10000; ++i)
        timed([&] { edit.KeyDown(VK_DOWN, TShiftState{}); });
    times.Print("Down held");
    for (int i = 0; i < 10000; ++i)
        timed([&] { edit.KeyDown(VK_RIGHT, TShiftState{}); });
    times.Print("Right held");
    for (int i = 0; i < 2000; ++i)
        timed([&] { edit.KeyDown(VK_NEXT, TShiftState{}); });
    times.Print("Page Down");
    for (int i = 0; i < 200; ++i) {
        timed([&] { edit.KeyDown(VK_END, ssCtrl); });
        timed([&] { edit.KeyDown(VK_HOME, ssCtrl); });
    }
    times.Print("Ctrl+End, Ctrl+Home");
    TRandom r(11);
    const int32_t rows = edit.LineStore().RowCount();
    for (int i = 0; i < 200; ++i) {
        // Far from the caret: scroll somewhere, then click a row there.
        edit.ScrollView(true, static_cast<int32_t>(r.Below(static_cast<uint32_t>(rows))));
        const int32_t y = static_cast<int32_t>(r.Below(static_cast<uint32_t>(host.Client.Height())));
        timed([&] {
            edit.MouseDown(mbLeft, ssLeft, 200, y);
            edit.MouseUp(mbLeft, TShiftState{}, 200, y);
        });
    }
    times.Print("click far away");
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string dir = BenchDir(argc > 1 ? argv[1] : "");
    SetSystemCodePage(1252);
    const std::string log = LogFile1G(dir);

    test::TTestHost host;
    host.Client = TRect{0, 0, 1920, 1080};
    TZinEdit edit(&host);
    edit.CreateWnd();
    edit.Resize();

    const long before = ResidentBytes();
    auto t0 = std::chrono::steady_clock::now();
    if (!edit.LoadFromFile(log)) {
        std::fprintf(stderr, "cannot open %s\n", log.c_str());
        return 1;
    }
    auto t1 = std::chrono::steady_clock::now();
    // Lookups build the index as far as they reach: the top of the file
    // (what the first paint needs), then all of it through the last row
    // (and its memory counts).
    int32_t sub;
    auto t2 = std::chrono::steady_clock::now();
    edit.FindRow(0, sub);
    auto t3 = std::chrono::steady_clock::now();
    edit.FindRow(edit.LineStore().RowCount() - 1, sub);
    auto t4 = std::chrono::steady_clock::now();
    const long after = ResidentBytes();
    const int32_t lineCount = edit.LineStore().LineCount();
    std::printf("open 1 GiB log in a control: %.2f s, then the first row %.3f ms, the last row %.1f ms "
                "(the lookup index built to the top, then whole)\n",
                Seconds(t0, t1), Seconds(t2, t3) * 1e3, Seconds(t3, t4) * 1e3);
    std::printf("memory: %.1f bytes per line (resident after load and index less before)\n",
                static_cast<double>(after - before) / lineCount);

    Lookups(edit, "without wrap");
    edit.SetMaxColumns(80);
    t0 = std::chrono::steady_clock::now();
    edit.SetWordWrapMode(wwmWrapByColumn);
    t1 = std::chrono::steady_clock::now();
    edit.FindRow(edit.LineStore().RowCount() - 1, sub);
    t2 = std::chrono::steady_clock::now();
    std::printf("wrap at 80 columns: %.2f s (rows rebuilt, caret placed), then %.1f ms to the last row "
                "(index rebuilt)\n",
                Seconds(t0, t1), Seconds(t1, t2) * 1e3);
    Lookups(edit, "wrapped at 80 columns");

    edit.SetWordWrapMode(wwmNoWrap);
    edit.FindRow(edit.LineStore().RowCount() - 1, sub);  // the index whole again, as above
    CaretMoves(edit, host, "without wrap");
    t0 = std::chrono::steady_clock::now();
    edit.SetWordWrapMode(wwmWrapByWindow);
    t1 = std::chrono::steady_clock::now();
    edit.FindRow(edit.LineStore().RowCount() - 1, sub);
    t2 = std::chrono::steady_clock::now();
    std::printf("wrap by window (%d rows): %.2f s, then %.1f ms to the last row (index rebuilt)\n",
                edit.LineStore().RowCount(), Seconds(t0, t1), Seconds(t1, t2) * 1e3);
    CaretMoves(edit, host, "wrapped by window");
    return 0;
}
