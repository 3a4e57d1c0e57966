// A file over 4 GiB: 5 GiB of log lines, one block of lines of a little
// over 4 MiB written 1280 times. The block ends with a newline, so its lines
// start at the same places in every copy, and the line of any offset and the
// offset of any line follow from the block alone: every lookup is checked
// against that layout, not against the store. The block's size does not
// divide 4 GiB, so a line runs across that offset. The file is written only when asked
// (lines_bench --big) and when the disk has room, and reused afterwards.
#include "BigFileBench.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "lines/ZinFixedOwner.h"

namespace zin::bench {
namespace {

constexpr uint64_t BlockSize = 4 * MiB + 1000;
constexpr uint64_t BlockCount = 1280;
constexpr uint64_t BigSize = BlockSize * BlockCount;  // 5 GiB and 1.28 MB
constexpr uint64_t Past32Bits = uint64_t{1} << 32;
// Free space the file may be written with: its 5 GiB and room to spare.
constexpr uint64_t NeededFree = 12 * 1024 * MiB;

// Log lines, then one line of dashes that makes the block BlockSize bytes.
std::string MakeBlock()
{
    TRandom r(6);
    std::string block, line;
    for (;;) {
        line.clear();
        LogLine(r, line, "\n");
        if (block.size() + line.size() >= BlockSize)
            break;
        block += line;
    }
    block.append(BlockSize - block.size() - 1, '-');
    block += '\n';
    return block;
}

// Where the lines lie in the file, from the block.
struct TLayout {
    std::vector<uint64_t> Starts;  // of the lines in a block
    int64_t LineCount() const { return static_cast<int64_t>(BlockCount * Starts.size()) + 1; }
    // The last line is the empty one after the final newline.
    uint64_t LineStart(int64_t index) const
    {
        const auto perBlock = static_cast<int64_t>(Starts.size());
        if (index >= LineCount() - 1)
            return BigSize;
        return static_cast<uint64_t>(index / perBlock) * BlockSize + Starts[static_cast<size_t>(index % perBlock)];
    }
    // The line FindFilePos is to give for an offset in the second half of
    // the file: the last line that starts at or before it.
    int64_t LineOfPos(uint64_t pos) const
    {
        if (pos >= BigSize)
            return LineCount() - 1;
        const uint64_t inBlock = pos % BlockSize;
        const auto j = std::upper_bound(Starts.begin(), Starts.end(), inBlock) - Starts.begin() - 1;
        return static_cast<int64_t>(pos / BlockSize * Starts.size()) + j;
    }
};

// Whether the file at `path` is the one this block makes (its size, its
// first and its last block).
bool HoldsBlocks(const std::string& path, const std::string& block)
{
    if (FileSize(path) != BigSize)
        return false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::string buf(BlockSize, '\0');
    bool same = std::fread(buf.data(), 1, BlockSize, f) == BlockSize && buf == block;
    same = same && fseeko(f, static_cast<off_t>(BigSize - BlockSize), SEEK_SET) == 0 &&
           std::fread(buf.data(), 1, BlockSize, f) == BlockSize && buf == block;
    std::fclose(f);
    return same;
}

// Writes the file; false (with a message) when the disk lacks room. A write
// that fails ends the program.
bool WriteBigFile(const std::string& dir, const std::string& path, const std::string& block)
{
    struct statvfs fs{};
    if (statvfs(dir.c_str(), &fs) != 0) {
        std::perror(dir.c_str());
        return false;
    }
    const uint64_t free = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
    if (free < NeededFree) {
        std::printf("5 GiB file: skipped, %.1f GiB free in %s (writing it needs %.0f GiB free)\n",
                    static_cast<double>(free) / (1024 * MiB), dir.c_str(),
                    static_cast<double>(NeededFree) / (1024 * MiB));
        return false;
    }
    std::fprintf(stderr, "generating %s (5 GiB)...\n", path.c_str());
    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f != nullptr;
    for (uint64_t k = 0; ok && k < BlockCount; ++k)
        ok = std::fwrite(block.data(), 1, block.size(), f) == block.size();
    if (f)
        ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::perror(path.c_str());
        std::remove(path.c_str());
        std::exit(1);
    }
    return true;
}

}  // namespace

int BigFileBench(const std::string& dir)
{
    const std::string path = dir + "zin-bench-5g-lf.txt";
    const std::string block = MakeBlock();
    if (!HoldsBlocks(path, block) && !WriteBigFile(dir, path, block))
        return 0;
    TLayout layout;
    layout.Starts.push_back(0);
    for (size_t i = 0; i + 1 < block.size(); ++i)
        if (block[i] == '\n')
            layout.Starts.push_back(i + 1);

    // The page cache warm, as for the 1 GiB log, and the reference pass.
    const double plain = ReferencePass(path, "5 GiB: read + count newlines");

    TFixedMetricsOwner owner(8, 1252);
    TZinLines& lines = *owner.Lines;
    const TTimedLoad timed = TimedLoad(owner, path);
    const bool loaded = timed.Ok;
    if (!loaded || lines.FileSize() != BigSize || lines.LineCount() != layout.LineCount()) {
        std::printf("FAIL: the 5 GiB file loaded as %d lines of %llu bytes, expected %lld lines of %llu bytes%s%s\n",
                    lines.LineCount(), static_cast<unsigned long long>(lines.FileSize()),
                    static_cast<long long>(layout.LineCount()), static_cast<unsigned long long>(BigSize),
                    loaded ? "" : ": ", loaded ? "" : lines.LoadErrorReason().c_str());
        return 1;
    }
    const double seconds = timed.Seconds;
    Figure("5 GiB: load (disk)", seconds, 2, "s",
           Format("%.0f MiB/s, %.2fx the reference pass; %d lines", static_cast<double>(BigSize) / MiB / seconds,
                  static_cast<double>(BigSize) / MiB / seconds / plain, lines.LineCount()));
    Figure("5 GiB: load, user CPU", timed.User, 2, "s");
    Figure("5 GiB: load, system CPU", timed.System, 2, "s");
    Figure("5 GiB: bytes per line", static_cast<double>(timed.ResidentAfter - timed.ResidentBefore) / lines.LineCount(), 1, "B",
           "resident after the load less before; goal under 12");

    // The first lookup after a load, at the last line (the checkpoints are
    // kept as the lines are built).
    const int32_t last = lines.LineCount() - 1;
    auto t0 = std::chrono::steady_clock::now();
    const TLinePlace lastPlace = lines.FindLine(last);
    auto t1 = std::chrono::steady_clock::now();
    Figure("5 GiB: first lookup, the last line", Seconds(t0, t1) * 1e3, 1, "ms", "goal at most 1 ms");

    // Targets past 4 GiB: random ones and those at the boundary.
    const auto firstPast = static_cast<int32_t>(layout.LineOfPos(Past32Bits - 1) + 1);
    std::vector<uint64_t> offsets = {layout.LineStart(firstPast - 1), Past32Bits - 1, Past32Bits, Past32Bits + 1,
                                     layout.LineStart(firstPast) - 1, layout.LineStart(firstPast), BigSize - 1,
                                     BigSize};
    std::vector<int32_t> indexes = {firstPast - 1, firstPast, firstPast + 1, last - 1, last};
    TRandom r(8);
    for (int i = 0; i < 10000; ++i) {
        offsets.push_back(Past32Bits + (uint64_t{r.Next()} << 32 | r.Next()) % (BigSize - Past32Bits + 1));
        indexes.push_back(firstPast + static_cast<int32_t>(r.Below(static_cast<uint32_t>(last - firstPast + 1))));
    }

    int failures = 0;
    auto fail = [&](const char* lookup, uint64_t target, const TLinePlace& got, int64_t line) {
        if (++failures <= 10)
            std::printf("FAIL: %s(%llu) gave line %d (row %d) at %llu, expected line %lld at %llu\n", lookup,
                        static_cast<unsigned long long>(target), got.Index, got.FirstRow,
                        static_cast<unsigned long long>(got.Start), static_cast<long long>(line),
                        static_cast<unsigned long long>(layout.LineStart(line)));
    };
    if (lastPlace.Index != last || lastPlace.Start != BigSize)
        fail("FindLine", static_cast<uint64_t>(last), lastPlace, last);
    // Where the store says a line ends: the next line's start, or the end of
    // the file for the last.
    auto endOf = [&](const TLinePlace& p) {
        return p.Index < last ? lines.FindLine(p.Index + 1).Start : lines.FileSize();
    };
    TShortTimes byPos, byLine, byRow;
    for (const uint64_t pos : offsets) {
        TLinePlace p;
        byPos.Time([&] { p = lines.FindFilePos(pos); });
        const int64_t want = layout.LineOfPos(pos);
        if (p.Index != want || p.Start != layout.LineStart(want) || p.Start > pos || pos > endOf(p))
            fail("FindFilePos", pos, p, want);
    }
    // Without wrap every line is one row: row n is line n.
    for (const int32_t index : indexes) {
        TLinePlace p;
        byLine.Time([&] { p = lines.FindLine(index); });
        if (p.Index != index || p.FirstRow != index || p.Start != layout.LineStart(index))
            fail("FindLine", static_cast<uint64_t>(index), p, index);
        byRow.Time([&] { p = lines.FindRow(index); });
        if (p.Index != index || p.FirstRow != index || p.Start != layout.LineStart(index))
            fail("FindRow", static_cast<uint64_t>(index), p, index);
    }
    WorstLookup("5 GiB: worst FindFilePos past 4 GiB", byPos, "offsets");
    WorstLookup("5 GiB: worst FindLine past 4 GiB", byLine, "lines");
    WorstLookup("5 GiB: worst FindRow past 4 GiB", byRow, "rows");
    TShortTimes all;
    all.Add(byPos);
    all.Add(byLine);
    all.Add(byRow);
    WorstLookup("5 GiB: worst lookup past 4 GiB", all, "lookups, index built");
    const size_t checked = 1 + offsets.size() + 2 * indexes.size();
    if (failures) {
        std::printf("FAIL: %d of %zu lookups past 4 GiB gave a wrong line\n", failures, checked);
        return 1;
    }
    Figure("5 GiB: wrong answers past 4 GiB", failures, 0, "lookups",
           Format("of %zu checked against the file's layout", checked));
    return 0;
}

}  // namespace zin::bench
