#pragma once
// What the benchmarks share: generated files (made once, reused while their
// size matches), timing and the resident memory of the process.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

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

inline double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
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

}  // namespace zin::bench
