#pragma once
// What the benchmarks share: generated files (made once, reused while their
// size matches), timing, the resident memory of the process and the printed
// figures.
#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lines/ZinFixedOwner.h"
#include "platform/Files.h"

namespace zin::bench {

constexpr uint64_t MiB = 1024 * 1024;

struct TRandom {
    uint64_t S;
    explicit TRandom(uint64_t seed) : S(seed) {}
    uint32_t Next()
    {
        S ^= S << 13;
        S ^= S >> 7;
        S ^= S << 17;
        return static_cast<uint32_t>(S >> 11);
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
};

inline uint64_t FileSize(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    std::fseek(f, 0, SEEK_END);
    const long long n = ftello(f);
    std::fclose(f);
    return n < 0 ? 0 : static_cast<uint64_t>(n);
}

// Writes a file of exactly `size` bytes from a generator that appends text
// to a buffer; reuses an existing file of that size.
template <typename Gen>
std::string MakeFile(const std::string& dir, const char* name, uint64_t size, Gen gen)
{
    const std::string path = dir + name;
    if (FileExists(path) && FileSize(path) == size)
        return path;
    std::fprintf(stderr, "generating %s (%llu MiB)...\n", path.c_str(), static_cast<unsigned long long>(size / MiB));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::string buf;
    uint64_t written = 0;
    while (written < size) {
        buf.clear();
        while (buf.size() < 4 * MiB)
            gen(buf);
        const size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), size - written));
        std::fwrite(buf.data(), 1, n, f);
        written += n;
    }
    std::fclose(f);
    return path;
}

inline const char* const Words[] = {"request", "served", "user", "session", "cache", "miss", "hit", "timeout",
                             "retry", "connection", "closed", "opened", "GET", "POST", "/api/v1/items",
                             "status=200", "status=404", "latency", "ms", "bytes", "queue", "worker",
                             "scheduler", "done", "started", "error", "warning", "config", "reload", "ok"};
inline const char* const Levels[] = {"INFO ", "DEBUG", "WARN ", "ERROR"};

// A log line: time stamp, level, thread and a varied number of words;
// about 80 bytes on average.
inline void LogLine(TRandom& r, std::string& out, const char* newline)
{
    char head[64];
    const uint32_t t = r.Next();
    std::snprintf(head, sizeof head, "2026-12-08 %02u:%02u:%02u.%03u %s [w-%02u] ", t % 24, (t >> 5) % 60,
                  (t >> 11) % 60, (t >> 17) % 1000, Levels[r.Below(4)], r.Below(32));
    out += head;
    const uint32_t words = r.Below(9);
    for (uint32_t i = 0; i < words; ++i) {
        out += Words[r.Below(sizeof Words / sizeof *Words)];
        out += ' ';
    }
    char tail[32];
    std::snprintf(tail, sizeof tail, "id=%u", r.Next() % 100000);
    out += tail;
    out += newline;
}

// UTF-8 text with about 30% non-ASCII characters (Latin, Greek, CJK).
inline void Utf8Line(TRandom& r, std::string& out)
{
    static const char* const nonAscii[] = {"\xC3\xA9", "\xC3\xBC", "\xCE\xB1", "\xD0\xB6", "\xE3\x81\x82",
                                           "\xE4\xB8\xAD", "\xE6\x96\x87", "\xE2\x82\xAC"};
    const uint32_t chars = 20 + r.Below(80);
    for (uint32_t i = 0; i < chars; ++i) {
        const uint32_t k = r.Below(100);
        if (k < 30)
            out += nonAscii[r.Below(8)];
        else if (k < 45)
            out += ' ';
        else
            out += static_cast<char>('a' + r.Below(26));
    }
    out += '\n';
}

// The middle of the values (the upper one of an even count).
inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// Reads the file in 1 MiB pieces and counts its line feeds.
inline double PlainCount(const std::string& path, uint64_t& newlines)
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

inline long ResidentBytes()
{
    FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

// User and system CPU seconds of the process so far.
inline void CpuSeconds(double& user, double& sys)
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    user = static_cast<double>(u.ru_utime.tv_sec) + u.ru_utime.tv_usec / 1e6;
    sys = static_cast<double>(u.ru_stime.tv_sec) + u.ru_stime.tv_usec / 1e6;
}

// The CPU time of the calling thread in seconds. Unlike the wall clock it
// stops while the thread waits for a core, so on a busy machine the worst of
// many short timings on it is the action's own cost, not the scheduler's.
inline double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Timings of many short actions (lookups, caret commands) in microseconds,
// each on the wall clock and on the thread's CPU clock.
struct TShortTimes {
    std::vector<double> WallUs, CpuUs;

    template <class F>
    void Time(F&& action)
    {
        const double c0 = ThreadCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        action();
        const auto t1 = std::chrono::steady_clock::now();
        const double c1 = ThreadCpuSeconds();
        WallUs.push_back(Seconds(t0, t1) * 1e6);
        CpuUs.push_back((c1 - c0) * 1e6);
    }
    size_t Count() const { return WallUs.size(); }
    double MedianUs() const
    {
        std::vector<double> v = WallUs;
        std::nth_element(v.begin(), v.begin() + static_cast<ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    }
    double WorstUs() const { return *std::max_element(WallUs.begin(), WallUs.end()); }
    double WorstCpuUs() const { return *std::max_element(CpuUs.begin(), CpuUs.end()); }
    // Those on the wall clock over `us`.
    size_t Over(double us) const
    {
        return static_cast<size_t>(std::count_if(WallUs.begin(), WallUs.end(), [us](double t) { return t > us; }));
    }
    void Add(const TShortTimes& other)
    {
        WallUs.insert(WallUs.end(), other.WallUs.begin(), other.WallUs.end());
        CpuUs.insert(CpuUs.end(), other.CpuUs.begin(), other.CpuUs.end());
    }
    void Clear()
    {
        WallUs.clear();
        CpuUs.clear();
    }
};

// The peak resident memory of the process so far (VmHWM), 0 when unknown.
inline long PeakResidentBytes()
{
    FILE* f = std::fopen("/proc/self/status", "r");
    long kib = 0;
    if (f) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "VmHWM:", 6) == 0)
                kib = std::strtol(line + 6, nullptr, 10);
        std::fclose(f);
    }
    return kib * 1024;
}

// printf into a string.
__attribute__((format(printf, 1, 2))) inline std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char buf[512];
    const int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(buf, std::min<size_t>(static_cast<size_t>(n), sizeof buf - 1));
}

// Prints one figure as a line "name value unit (reference)": the reference
// says what to read the value against (a figure of the same run, a goal).
inline void Figure(const std::string& name, double value, int decimals, const char* unit,
                   const std::string& reference = {})
{
    std::printf("%-48s %10.*f ", name.c_str(), decimals, value);
    if (reference.empty())
        std::printf("%s\n", unit);
    else
        std::printf("%-5s (%s)\n", unit, reference.c_str());
}

// The worst of a set of lookups against the goal of at most a millisecond
// each: on the wall clock, then on the thread's CPU clock.
inline void WorstLookup(const std::string& name, const TShortTimes& t, const std::string& what)
{
    Figure(name, t.WorstUs(), 1, "us",
           Format("wall clock; median %.2f us of %zu %s, %zu over 1 ms; goal at most 1000 us", t.MedianUs(),
                  t.Count(), what.c_str(), t.Over(1000)));
    Figure(name + ", CPU clock", t.WorstCpuUs(), 1, "us",
           "the thread's CPU time with the clock reads, without waits for a core");
}

// The benchmark directory from the command line, else $TMPDIR, else /tmp,
// with a trailing '/'.
inline std::string BenchDir(const std::string& given)
{
    std::string dir = given;
    if (dir.empty()) {
        const char* t = std::getenv("TMPDIR");
        dir = t && *t ? t : "/tmp";
    }
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

// The generated 1 GiB log of LF lines, about 80 bytes each.
inline std::string LogFile1G(const std::string& dir)
{
    TRandom r(1);
    return MakeFile(dir, "zin-bench-log-1g-lf.txt", 1024 * MiB, [&](std::string& b) { LogLine(r, b, "\n"); });
}

// 16 MiB of random bytes (the content test may take them for UTF-16: the
// benchmarks switch to hex mode themselves).
inline std::string BinaryFile16M(const std::string& dir)
{
    TRandom r(19);
    return MakeFile(dir, "zin-bench-binary-16m.bin", 16 * MiB, [&](std::string& b) {
        for (int i = 0; i < 4096; ++i)
            b.push_back(static_cast<char>(r.Next()));
    });
}

// A sparse file of `size` bytes: a hole (zeros, no disk) and a last 4 KiB of
// random bytes. Binary: it opens in hex mode.
inline std::string SparseFile(const std::string& dir, const char* name, uint64_t size)
{
    const std::string path = dir + name;
    if (FileExists(path) && FileSize(path) == size)
        return path;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    TRandom r(23);
    std::string tail;
    for (int i = 0; i < 4096; ++i)
        tail.push_back(static_cast<char>(r.Next()));
    if (fseeko(f, static_cast<off_t>(size - tail.size()), SEEK_SET) != 0 ||
        std::fwrite(tail.data(), 1, tail.size(), f) != tail.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(f);
    return path;
}

// The generated 100 MiB UTF-16LE log, with a byte-order mark.
inline std::string Utf16File100M(const std::string& dir)
{
    TRandom r(4);
    return MakeFile(dir, "zin-bench-100m-utf16le.txt", 100 * MiB, [&](std::string& b) {
        if (b.empty() && r.S == 4)
            b += "\xFF\xFE";
        std::string line;
        LogLine(r, line, "\n");
        for (char c : line) {
            b += c;
            b += '\0';
        }
    });
}

// Warms the page cache with a plain pass over the file, times a second one
// and prints it under `label`: the reference of the figures after it.
inline double ReferencePass(const std::string& path, const std::string& label)
{
    uint64_t newlines = 0;
    PlainCount(path, newlines);
    const double plain = PlainCount(path, newlines);
    Figure(label, plain, 0, "MiB/s",
           Format("the reference pass; %llu newlines", static_cast<unsigned long long>(newlines)));
    return plain;
}

// A load through the owner, timed: wall and CPU seconds, and the resident
// memory before and after.
struct TTimedLoad {
    bool Ok = false;
    double Seconds = 0, User = 0, System = 0;
    long ResidentBefore = 0, ResidentAfter = 0;
};
inline TTimedLoad TimedLoad(TFixedMetricsOwner& owner, const std::string& path)
{
    TTimedLoad t;
    t.ResidentBefore = ResidentBytes();
    double user0, sys0, user1, sys1;
    CpuSeconds(user0, sys0);
    const auto t0 = std::chrono::steady_clock::now();
    t.Ok = owner.Load(path);
    const auto t1 = std::chrono::steady_clock::now();
    CpuSeconds(user1, sys1);
    t.ResidentAfter = ResidentBytes();
    t.Seconds = Seconds(t0, t1);
    t.User = user1 - user0;
    t.System = sys1 - sys0;
    return t;
}

}  // namespace zin::bench
