// Editor control benchmark on the generated 1 GiB log: memory per line with
// the file open in a control (and the share of the row-lookup index), the
// time of finding a row, a line and a file offset for 10,000 random targets,
// without wrap and after wrapping at 80 columns, with the worst of them and
// the first lookup after each change, and caret
// commands.
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

// One line of a set of timings: median and worst on the wall clock, worst
// on the thread's CPU clock.
void PrintTimes(const char* label, const TShortTimes& t)
{
    std::printf("  %-22s median %7.2f us   max %8.2f us   max on the CPU clock %8.2f us\n", label, t.MedianUs(),
                t.WorstUs(), t.WorstCpuUs());
}

volatile uint64_t Sink;

// Returns the timings of all its lookups.
TShortTimes Lookups(TZinEdit& edit, const char* title)
{
    TZinLines& store = edit.LineStore();
    std::printf("%s: %d lines, %d rows\n", title, store.LineCount(), store.RowCount());
    std::printf("  index: %.3f bytes per line\n", static_cast<double>(store.IndexBytes()) / store.LineCount());
    TRandom r(7);
    TShortTimes rows, lines, positions;
    for (int i = 0; i < 10000; ++i) {
        const int32_t row = static_cast<int32_t>(r.Below(static_cast<uint32_t>(store.RowCount())));
        const int32_t line = static_cast<int32_t>(r.Below(static_cast<uint32_t>(store.LineCount())));
        const uint64_t pos = (uint64_t{r.Next()} << 21 ^ r.Next()) % (store.FileSize() + 1);
        int32_t sub;
        rows.Time([&] { Sink = edit.FindRow(row, sub).Start; });
        lines.Time([&] { Sink = edit.FindLineFirstRow(line).Start; });
        positions.Time([&] { Sink = edit.FindFilePos(pos).Start; });
    }
    PrintTimes("FindRow", rows);
    PrintTimes("FindLineFirstRow", lines);
    PrintTimes("FindFilePos", positions);
    TShortTimes all;
    all.Add(rows);
    all.Add(lines);
    all.Add(positions);
    WorstLookup(Format("worst lookup, %s", title), all, "lookups, index built");
    return all;
}

// Caret commands through the control, without painting: each timed alone.
void CaretMoves(TZinEdit& edit, test::TTestHost& host, const char* title)
{
    std::printf("caret, %s:\n", title);
    TShortTimes times;
    auto timed = [&](auto&& action) { times.Time(action); };
    auto print = [&](const char* label) {
        PrintTimes(label, times);
        times.Clear();
    };
    edit.ExecuteCommand(ecTextStart);
    for (int i = 0; i < 10000; ++i)
        timed([&] { edit.KeyDown(VK_DOWN, TShiftState{}); });
    print("Down held");
    for (int i = 0; i < 10000; ++i)
        timed([&] { edit.KeyDown(VK_RIGHT, TShiftState{}); });
    print("Right held");
    for (int i = 0; i < 2000; ++i)
        timed([&] { edit.KeyDown(VK_NEXT, TShiftState{}); });
    print("Page Down");
    for (int i = 0; i < 200; ++i) {
        timed([&] { edit.KeyDown(VK_END, ssCtrl); });
        timed([&] { edit.KeyDown(VK_HOME, ssCtrl); });
    }
    print("Ctrl+End, Ctrl+Home");
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
    print("click far away");
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
    Figure("open the 1 GiB log in a control", Seconds(t0, t1), 2, "s", Format("%d lines", lineCount));
    Figure("first lookup after the load, the first row", Seconds(t2, t3) * 1e3, 3, "ms",
           "goal at most 1 ms");
    Figure("first lookup after the load, the last row", Seconds(t3, t4) * 1e3, 1, "ms",
           "goal at most 1 ms");
    Figure("memory per line in a control", static_cast<double>(after - before) / lineCount, 1, "B",
           "resident after the load and the whole index less before; goal under 12");

    TShortTimes all = Lookups(edit, "without wrap");
    edit.SetMaxColumns(80);
    t0 = std::chrono::steady_clock::now();
    edit.SetWordWrapMode(wwmWrapByColumn);
    t1 = std::chrono::steady_clock::now();
    edit.FindRow(edit.LineStore().RowCount() - 1, sub);
    t2 = std::chrono::steady_clock::now();
    Figure("wrap at 80 columns in a control", Seconds(t0, t1), 2, "s",
           Format("%d rows; rows rebuilt, caret placed", edit.LineStore().RowCount()));
    Figure("first lookup after the wrap, the last row", Seconds(t1, t2) * 1e3, 1, "ms",
           "goal at most 1 ms");
    all.Add(Lookups(edit, "wrapped at 80 columns"));
    WorstLookup("worst lookup of all", all, "lookups without wrap and wrapped, index built");

    edit.SetWordWrapMode(wwmNoWrap);
    edit.FindRow(edit.LineStore().RowCount() - 1, sub);  // the index whole again, as above
    CaretMoves(edit, host, "without wrap");
    t0 = std::chrono::steady_clock::now();
    edit.SetWordWrapMode(wwmWrapByWindow);
    t1 = std::chrono::steady_clock::now();
    edit.FindRow(edit.LineStore().RowCount() - 1, sub);
    t2 = std::chrono::steady_clock::now();
    Figure("wrap by window in a control", Seconds(t0, t1), 2, "s",
           Format("%d rows in a 1920 px client", edit.LineStore().RowCount()));
    Figure("first lookup after wrap by window, last row", Seconds(t1, t2) * 1e3, 1, "ms",
           "goal at most 1 ms");
    CaretMoves(edit, host, "wrapped by window");
    return 0;
}
