// Line store benchmark: loading and indexing generated files, memory per
// line after loading and per extra row after wrapping, a code-page change
// and wraps of the whole 1 GiB log (at 80 columns, twice, and by a window),
// rewraps of a 100 MiB one-line file, and a plain read-and-count-newlines
// pass over the log as the physical limit; with --big, the load of a 5 GiB
// file and lookups past 4 GiB (BigFileBench.cpp). Files are generated once
// into the directory given on the command line ($TMPDIR or /tmp without
// one) and reused when present.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Files.h"
#include "platform/SystemCodePage.h"
#include "lines/ZinFixedOwner.h"
#include "BenchFiles.h"
#include "BigFileBench.h"

using namespace zin;
using namespace zin::bench;

namespace {

double MBps(uint64_t bytes, double seconds)
{
    return static_cast<double>(bytes) / MiB / seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    // --load-only: only the plain pass and the 1 GiB load (for profiling).
    // --big: also the 5 GiB file (generated into DIR on first use);
    // --big-only: that alone.
    bool loadOnly = false, big = false, bigOnly = false;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--load-only") == 0)
            loadOnly = true;
        else if (std::strcmp(argv[i], "--big") == 0)
            big = true;
        else if (std::strcmp(argv[i], "--big-only") == 0)
            big = bigOnly = true;
        else
            dir = argv[i];
    }
    dir = BenchDir(dir);

    SetSystemCodePage(1252);
    if (bigOnly)
        return BigFileBench(dir);
    TRandom r2(2), r3(3), r5(5);
    const std::string logLF = LogFile1G(dir);
    const std::string logCRLF = MakeFile(dir, "zin-bench-100m-crlf.txt", 100 * MiB,
                                         [&](std::string& b) { LogLine(r2, b, "\r\n"); });
    const std::string utf8 = MakeFile(dir, "zin-bench-100m-utf8.txt", 100 * MiB,
                                      [&](std::string& b) { Utf8Line(r3, b); });
    const std::string utf16 = Utf16File100M(dir);
    const std::string oneLine = MakeFile(dir, "zin-bench-100m-oneline.txt", 100 * MiB, [&](std::string& b) {
        std::string line;
        LogLine(r5, line, " ");
        b += line;
    });

    // Warm the page cache and measure the physical limit.
    const double plain = ReferencePass(logLF, "read + count newlines, 1 GiB LF");

    TFixedMetricsOwner owner(8, 1252);
    TZinLines& lines = *owner.Lines;

    const TTimedLoad timed = TimedLoad(owner, logLF);
    const long rssAfter = timed.ResidentAfter;
    const uint64_t size = lines.FileSize();
    const int32_t lineCount = lines.LineCount();
    const double load = MBps(size, timed.Seconds);
    Figure("load 1 GiB LF (disk)", load, 0, "MiB/s",
           Format("%.2f s, %d lines; %.2fx the reference pass", timed.Seconds, lineCount, load / plain));
    Figure("load 1 GiB LF: user CPU", timed.User, 2, "s");
    Figure("load 1 GiB LF: system CPU", timed.System, 2, "s",
           "reading the file, first touch of the line records");
    Figure("bytes per line", static_cast<double>(rssAfter - timed.ResidentBefore) / lineCount, 1, "B",
           "resident after the load less before; goal under 12");

    if (loadOnly)
        return 0;
    // Each change below rebuilds the lines or rows of the whole log once.
    auto t0 = std::chrono::steady_clock::now();
    owner.SetCodePage(28591);
    auto t1 = std::chrono::steady_clock::now();
    Figure("code-page change of the 1 GiB log", Seconds(t0, t1) * 1e3, 0, "ms",
           Format("1252 to 28591, every line split anew: %.0f MiB/s, %d lines", MBps(size, Seconds(t0, t1)),
                  lines.LineCount()));

    const long rssUnwrapped = ResidentBytes();
    owner.WrapMode = wwmWrapByColumn;
    owner.MaxColumns = 80;
    t0 = std::chrono::steady_clock::now();
    lines.Reformat();
    t1 = std::chrono::steady_clock::now();
    const long rssWrapped = ResidentBytes();
    const int32_t wrappedRows = lines.RowCount();
    Figure("wrap the 1 GiB log at 80 columns", Seconds(t0, t1) * 1e3, 0, "ms",
           Format("%.0f MiB/s, %d rows of %d lines", MBps(size, Seconds(t0, t1)), wrappedRows, lines.LineCount()));
    if (wrappedRows > lines.LineCount())
        Figure("bytes per extra row, wrapped at 80 columns",
               static_cast<double>(rssWrapped - rssUnwrapped) / (wrappedRows - lines.LineCount()), 1, "B",
               Format("resident after the wrap less before it, %+.1f MiB, over the %d rows beyond one per line",
                      static_cast<double>(rssWrapped - rssUnwrapped) / MiB, wrappedRows - lines.LineCount()));
    else
        std::printf("bytes per extra row, wrapped at 80 columns: no extra rows (%d rows)\n", wrappedRows);
    // The same once more: the rows are rebuilt in place.
    t0 = std::chrono::steady_clock::now();
    lines.Reformat();
    t1 = std::chrono::steady_clock::now();
    Figure("wrap at 80 columns again", Seconds(t0, t1) * 1e3, 0, "ms",
           Format("%.0f MiB/s, rows rebuilt in place", MBps(size, Seconds(t0, t1))));
    owner.WrapMode = wwmWrapByWindow;
    owner.WindowWidth = 1920;
    t0 = std::chrono::steady_clock::now();
    lines.Reformat();
    t1 = std::chrono::steady_clock::now();
    Figure("wrap the 1 GiB log by a 1920 px window", Seconds(t0, t1) * 1e3, 0, "ms",
           Format("%.0f MiB/s, %d rows; 8 px characters, from 80 columns", MBps(size, Seconds(t0, t1)),
                  lines.RowCount()));
    owner.WrapMode = wwmNoWrap;
    owner.WindowWidth = 640;

    struct {
        const char* label;
        std::string path;
    } others[] = {{"load 100 MiB CRLF", logCRLF},
                  {"load 100 MiB UTF-8, 30% non-ASCII", utf8},
                  {"load 100 MiB UTF-16LE", utf16},
                  {"load one 100 MiB line, no newline", oneLine}};
    const std::string empty = MakeFile(dir, "zin-bench-empty.txt", 0, [](std::string&) {});
    for (auto& o : others) {
        // Drop the previous file first, so that each figure is its own load.
        owner.Load(empty);
        t0 = std::chrono::steady_clock::now();
        owner.Load(o.path);
        t1 = std::chrono::steady_clock::now();
        Figure(o.label, MBps(lines.FileSize(), Seconds(t0, t1)), 0, "MiB/s",
               Format("%d lines, %d rows, code page %d", lines.LineCount(), lines.RowCount(), owner.GetCodePage()));
    }
    // The one 100 MiB line rewrapped: hundreds of thousands of rows in one
    // line, in milliseconds per change.
    struct {
        const char* label;
        TWordWrapMode mode;
        int32_t columns;
    } const wraps[] = {{"one line: wrap at 80 columns", wwmWrapByColumn, 80},
                       {"one line: wrap at 200 columns", wwmWrapByColumn, 200},
                       {"one line: wrap by a 640 px window", wwmWrapByWindow, 0},
                       {"one line: no wrap", wwmNoWrap, 0}};
    for (const auto& w : wraps) {
        owner.WrapMode = w.mode;
        owner.MaxColumns = w.columns ? w.columns : owner.MaxColumns;
        t0 = std::chrono::steady_clock::now();
        lines.Reformat();
        t1 = std::chrono::steady_clock::now();
        Figure(w.label, Seconds(t0, t1) * 1000, 1, "ms", Format("%d rows", lines.RowCount()));
    }
    t0 = std::chrono::steady_clock::now();
    owner.SetCodePage(1251);
    t1 = std::chrono::steady_clock::now();
    Figure("one line: code page 1251", Seconds(t0, t1) * 1000, 1, "ms", "the line split anew");
    if (!big)
        return 0;
    // The 5 GiB part measures its own memory: the store lets go of the logs first.
    owner.Load(empty);
    return BigFileBench(dir);
}
