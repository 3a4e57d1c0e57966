// Line store benchmark: loading and indexing generated files, rescanning
// after a code-page change, reformatting to 80 columns (twice), memory per
// line after loading and after wrapping, and
// a plain read-and-count-newlines pass over the same file as the physical
// limit. Files are generated once into the directory given on the command
// line ($TMPDIR or /tmp without one) and reused when present.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/SystemCodePage.h"
#include "lines/ZinFixedOwner.h"
#include "BenchFiles.h"

using namespace zin;
using namespace zin::bench;

namespace {

// Reads the file in 1 MiB pieces and counts its line feeds.
double PlainCount(const std::string& path, uint64_t& newlines)
{
    std::vector<char> buf(MiB);
    const auto t0 = std::chrono::steady_clock::now();
    const int fd = open(path.c_str(), O_RDONLY);
    newlines = 0;
    uint64_t total = 0;
    ssize_t n;
    while ((n = read(fd, buf.data(), buf.size())) > 0) {
        const char* p = buf.data();
        const char* e = p + n;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(e - p))))) {
            ++newlines;
            ++p;
        }
        total += static_cast<uint64_t>(n);
    }
    close(fd);
    const auto t1 = std::chrono::steady_clock::now();
    return static_cast<double>(total) / MiB / Seconds(t0, t1);
}

// User and system CPU seconds of the process so far.
void CpuSeconds(double& user, double& sys)
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    user = static_cast<double>(u.ru_utime.tv_sec) + u.ru_utime.tv_usec / 1e6;
    sys = static_cast<double>(u.ru_stime.tv_sec) + u.ru_stime.tv_usec / 1e6;
}

double MBps(uint64_t bytes, double seconds)
{
    return static_cast<double>(bytes) / MiB / seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    // --load-only: only the plain pass and the 1 GiB load (for profiling).
    bool loadOnly = false;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--load-only") == 0)
            loadOnly = true;
        else
            dir = argv[i];
    }
    dir = BenchDir(dir);

    SetSystemCodePage(1252);
    TRandom r2(2), r3(3), r4(4), r5(5);
    const std::string logLF = LogFile1G(dir);
    const std::string logCRLF = MakeFile(dir, "zin-bench-100m-crlf.txt", 100 * MiB,
                                         [&](std::string& b) { LogLine(r2, b, "\r\n"); });
    const std::string utf8 = MakeFile(dir, "zin-bench-100m-utf8.txt", 100 * MiB,
                                      [&](std::string& b) { Utf8Line(r3, b); });
    const std::string utf16 = MakeFile(dir, "zin-bench-100m-utf16le.txt", 100 * MiB, [&](std::string& b) {
        if (b.empty() && r4.S == 4)
            b += "\xFF\xFE";
        std::string line;
        LogLine(r4, line, "\n");
        for (char c : line) {
            b += c;
            b += '\0';
        }
    });
    const std::string oneLine = MakeFile(dir, "zin-bench-100m-oneline.txt", 100 * MiB, [&](std::string& b) {
        std::string line;
        LogLine(r5, line, " ");
        b += line;
    });

    // Warm the page cache and measure the physical limit.
    uint64_t newlines = 0;
    PlainCount(logLF, newlines);
    const double plain = PlainCount(logLF, newlines);

    std::printf("(MiB/s: mebibytes per second)            MiB/s\n");
    std::printf("read + count newlines (1 GiB LF)   %8.0f   (%llu newlines)\n", plain,
                static_cast<unsigned long long>(newlines));

    TFixedMetricsOwner owner(8, 1252);
    TZinLines& lines = *owner.Lines;

    const long rssBefore = ResidentBytes();
    double user0, sys0, user1, sys1;
    CpuSeconds(user0, sys0);
    auto t0 = std::chrono::steady_clock::now();
    owner.Load(logLF);
    auto t1 = std::chrono::steady_clock::now();
    CpuSeconds(user1, sys1);
    const long rssAfter = ResidentBytes();
    const uint64_t size = lines.FileSize();
    const double load = MBps(size, Seconds(t0, t1));
    std::printf("load 1 GiB LF (disk)               %8.0f   (%d lines, %.1f s, %.2fx the plain pass)\n", load,
                lines.LineCount(), Seconds(t0, t1), load / plain);
    std::printf("  cpu: %.2f s user, %.2f s system (reading the file, first touch of the line records)\n",
                user1 - user0, sys1 - sys0);
    std::printf("bytes per line                     %8.1f   (resident after load less before)\n",
                static_cast<double>(rssAfter - rssBefore) / lines.LineCount());

    if (loadOnly)
        return 0;
    t0 = std::chrono::steady_clock::now();
    owner.SetCodePage(28591);
    t1 = std::chrono::steady_clock::now();
    std::printf("rescan 1 GiB after code page 28591 %8.0f   (%d lines)\n", MBps(size, Seconds(t0, t1)),
                lines.LineCount());

    owner.WrapMode = wwmWrapByColumn;
    owner.MaxColumns = 80;
    t0 = std::chrono::steady_clock::now();
    lines.Reformat();
    t1 = std::chrono::steady_clock::now();
    const long rssWrapped = ResidentBytes();
    std::printf("reformat 1 GiB to 80 columns       %8.0f   (%d rows)\n", MBps(size, Seconds(t0, t1)),
                lines.RowCount());
    std::printf("bytes per line, wrapped            %8.1f   (resident after the reformat less before the load;"
                " %+.1f over the load)\n",
                static_cast<double>(rssWrapped - rssBefore) / lines.LineCount(),
                static_cast<double>(rssWrapped - rssAfter) / lines.LineCount());
    // The same once more: the rows are rebuilt in place.
    t0 = std::chrono::steady_clock::now();
    lines.Reformat();
    t1 = std::chrono::steady_clock::now();
    std::printf("reformat again to 80 columns       %8.0f\n", MBps(size, Seconds(t0, t1)));
    owner.WrapMode = wwmNoWrap;

    struct {
        const char* label;
        std::string path;
    } others[] = {{"load 100 MiB CRLF                 ", logCRLF},
                  {"load 100 MiB UTF-8, 30% non-ASCII ", utf8},
                  {"load 100 MiB UTF-16LE             ", utf16},
                  {"load one 100 MiB line, no newline ", oneLine}};
    const std::string empty = MakeFile(dir, "zin-bench-empty.txt", 0, [](std::string&) {});
    for (auto& o : others) {
        // Drop the previous file first, so that each figure is its own load.
        owner.Load(empty);
        t0 = std::chrono::steady_clock::now();
        owner.Load(o.path);
        t1 = std::chrono::steady_clock::now();
        std::printf("%s  %8.0f   (%d lines, %d rows, code page %d)\n", o.label, MBps(lines.FileSize(), Seconds(t0, t1)),
                    lines.LineCount(), lines.RowCount(), owner.GetCodePage());
    }
    // The one 100 MiB line rewrapped: hundreds of thousands of rows in one
    // line, in milliseconds per change.
    struct {
        const char* label;
        TWordWrapMode mode;
        int32_t columns;
    } const wraps[] = {{"one line: wrap at 80 columns      ", wwmWrapByColumn, 80},
                       {"one line: wrap at 200 columns     ", wwmWrapByColumn, 200},
                       {"one line: wrap by a 640 px window ", wwmWrapByWindow, 0},
                       {"one line: no wrap                 ", wwmNoWrap, 0}};
    for (const auto& w : wraps) {
        owner.WrapMode = w.mode;
        owner.MaxColumns = w.columns ? w.columns : owner.MaxColumns;
        t0 = std::chrono::steady_clock::now();
        lines.Reformat();
        t1 = std::chrono::steady_clock::now();
        std::printf("%s  %8.1f ms (%d rows)\n", w.label, Seconds(t0, t1) * 1000, lines.RowCount());
    }
    t0 = std::chrono::steady_clock::now();
    owner.SetCodePage(1251);
    t1 = std::chrono::steady_clock::now();
    std::printf("one line: code page 1251           %8.1f ms\n", Seconds(t0, t1) * 1000);
    return 0;
}
