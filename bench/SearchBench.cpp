// Find benchmark: searches over generated files (page cache warm, one
// thread), each beside a plain read of the same file in the same run: a
// literal found near the end of the 1 GiB log with match case on and off,
// regular expressions found near its end and counted over all of it, a word
// counted on almost every line, a literal near the end of the 100 MiB
// UTF-16LE file and of a 100 MiB Shift-JIS file (generated here).
//
// search_bench [DIR]: DIR holds the files ($TMPDIR or /tmp without one).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "BenchFiles.h"
#include "encoding/Decoder.h"
#include "search/ZinSearch.h"

using namespace zin;
using namespace zin::bench;

namespace {

double GBps(uint64_t bytes, double seconds)
{
    return static_cast<double>(bytes) / 1e9 / seconds;
}

// The best of two plain reads (1 MiB pieces, newlines counted), in GB/s.
double PlainRead(const std::string& path)
{
    uint64_t nl = 0;
    double best = 0;
    for (int i = 0; i < 2; ++i)
        best = std::max(best, PlainCount(path, nl) * MiB / 1e9);  // MiB/s to GB/s
    return best;
}

std::string Tail(const std::string& path, size_t n)
{
    const uint64_t size = FileSize(path);
    std::string out(static_cast<size_t>(std::min<uint64_t>(n, size)), '\0');
    FILE* f = std::fopen(path.c_str(), "rb");
    fseeko(f, static_cast<off_t>(size - out.size()), SEEK_SET);
    out.resize(std::fread(out.data(), 1, out.size(), f));
    std::fclose(f);
    return out;
}

// Runs a search over the file twice (Next from 0, or Count) and prints the
// best speed beside the plain read; also where the match was (or the count).
void Run(const std::string& name, const std::string& path, int32_t codePage, const TSearchOptions& o, bool count,
         double plain, double goal)
{
    TSearchPattern p;
    if (!p.Compile(o, codePage)) {
        std::printf("%s: %s\n", name.c_str(), p.Error().c_str());
        return;
    }
    std::string error;
    auto src = TFileSearchSource::Open(path, error);
    double best = 1e30;
    std::string what;
    for (int i = 0; i < 2; ++i) {
        TSearcher s(p, *src);
        const auto t0 = std::chrono::steady_clock::now();
        TSearchMatch m;
        uint64_t n = 0;
        const TSearchStatus st = count ? s.Count(n) : s.Next(0, m);
        const double secs = Seconds(t0, std::chrono::steady_clock::now());
        best = std::min(best, secs);
        if (count)
            what = Format("%llu matches", static_cast<unsigned long long>(n));
        else if (st == TSearchStatus::Found)
            what = Format("found at %.4f of the file", static_cast<double>(m.Pos) / static_cast<double>(src->Size()));
        else
            what = "not found";
    }
    // Bytes searched: to the match (with the window it lies in), else all.
    const uint64_t bytes = src->Size();
    Figure(name, GBps(bytes, best), 2, "GB/s",
           Format("goal >= %.1f; plain read %.2f GB/s; %s; %s", goal, plain, what.c_str(), o.Pattern.c_str()));
}

// Text in Shift-JIS: ASCII words, hiragana, katakana (trail bytes in the
// ASCII range) and kanji, about 60 bytes a line.
void SjisLine(TRandom& r, std::string& out)
{
    const uint32_t items = 5 + r.Below(20);
    for (uint32_t i = 0; i < items; ++i) {
        switch (r.Below(4)) {
        case 0: out += Words[r.Below(sizeof Words / sizeof *Words)]; out += ' '; break;
        case 1: out += '\x82'; out += static_cast<char>(0x9F + r.Below(0x53)); break;       // hiragana
        case 2: out += '\x83'; out += static_cast<char>(0x40 + r.Below(0x3F)); break;       // katakana, ASCII-like trail
        default: out += static_cast<char>(0x88 + r.Below(8)); out += static_cast<char>(0x9F + r.Below(0x5D)); break;  // kanji
        }
    }
    out += '\n';
}

// The last whole line of a text.
std::string LastLine(const std::string& tail)
{
    const size_t end = tail.rfind('\n', tail.size() - 2);
    const size_t start = tail.rfind('\n', end - 1) + 1;
    return tail.substr(start, end - start);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string dir = BenchDir(argc > 1 ? argv[1] : "");
    const std::string log = LogFile1G(dir);
    TRandom r9(9);
    const std::string utf16 = Utf16File100M(dir);
    const std::string sjis = MakeFile(dir, "zin-bench-100m-sjis.txt", 100 * MiB, [&](std::string& b) { SjisLine(r9, b); });

    // The log: a time stamp, level and thread of its last whole line occur
    // nowhere else (1 in 10^10 per line).
    const std::string last = LastLine(Tail(log, 4096));
    const std::string stamp = last.substr(11, 25);  // "HH:MM:SS.mmm LEVEL [w-NN]"
    std::string lower = stamp;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string stampRe = last.substr(11, 12);
    stampRe.replace(8, 1, "\\.");
    const double plainLog = PlainRead(log);
    Figure("plain read, 1 GiB log", plainLog, 2, "GB/s");
    auto opts = [](std::string p, bool matchCase, bool word, bool regex) {
        TSearchOptions o;
        o.Pattern = std::move(p);
        o.MatchCase = matchCase;
        o.WholeWord = word;
        o.Regex = regex;
        return o;
    };
    Run("literal near the end, match case", log, 1252, opts(stamp, true, false, false), false, plainLog, 2.5);
    Run("literal near the end, any case", log, 1252, opts(lower, false, false, false), false, plainLog, 2.5);
    Run("literal near the end, UTF-8 code page", log, 65001, opts(lower, false, false, false), false, plainLog, 2.5);
    // The time stamp of the last ERROR line with a timeout.
    const std::string tail = Tail(log, 65536);
    size_t at = tail.rfind(" ERROR ");
    while (at != std::string::npos && tail.find("timeout", at) > tail.find('\n', at))
        at = tail.rfind(" ERROR ", at - 1);
    std::string errorStamp = tail.substr(at - 12, 12);
    errorStamp.replace(8, 1, "\\.");
    Run("regex near the end: ERROR.*timeout", log, 1252, opts(errorStamp + " ERROR.*timeout", true, false, true), false,
        plainLog, 1.0);
    Run("regex near the end: \\d{4}-\\d\\d-\\d\\d", log, 1252, opts("\\d{4}-\\d\\d-\\d\\d " + stampRe, true, false, true),
        false, plainLog, 1.0);
    Run("regex counted: ERROR.*timeout", log, 1252, opts("ERROR.*timeout", true, false, true), true, plainLog, 1.0);
    Run("regex counted: \\d{4}-\\d\\d-\\d\\d", log, 1252, opts("\\d{4}-\\d\\d-\\d\\d", true, false, true), true, plainLog,
        1.0);
    Run("word counted on almost every line: id", log, 1252, opts("id", true, true, false), true, plainLog, 1.0);
    Run("word counted, any case: ID", log, 1252, opts("ID", false, true, false), true, plainLog, 1.0);

    const double plain16 = PlainRead(utf16);
    Figure("plain read, 100 MiB UTF-16LE", plain16, 2, "GB/s");
    std::string tail16 = Tail(utf16, 8192), narrow;
    for (size_t i = 0; i + 1 < tail16.size(); i += 2)
        narrow += tail16[i];
    const std::string last16 = LastLine(narrow);
    Run("UTF-16LE literal near the end", utf16, 1200, opts(last16.substr(11, 25), true, false, false), false, plain16, 1.0);
    Run("UTF-16LE literal near the end, any case", utf16, 1200, opts(last16.substr(11, 25), false, false, false), false,
        plain16, 1.0);

    const double plainSjis = PlainRead(sjis);
    Figure("plain read, 100 MiB Shift-JIS", plainSjis, 2, "GB/s");
    // The start of the last whole line (at most 30 bytes of UTF-8), decoded
    // with the code page's decoder.
    const std::string lastSjis = LastLine(Tail(sjis, 4096));
    const TDecoder d = TDecoder::For(932);
    std::string pat;
    for (size_t i = 0; i < lastSjis.size() && pat.size() < 30;) {
        const uint8_t b = static_cast<uint8_t>(lastSjis[i]);
        char32_t u;
        if (d.IsLeadByte(b) && i + 1 < lastSjis.size()) {
            u = d.DoubleByte(b, static_cast<uint8_t>(lastSjis[i + 1]));
            i += 2;
        } else {
            u = d.LoneByte(b);
            i += 1;
        }
        if (u < 0x80) {
            pat += static_cast<char>(u);
        } else if (u < 0x800) {
            pat += static_cast<char>(0xC0 | (u >> 6));
            pat += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            pat += static_cast<char>(0xE0 | (u >> 12));
            pat += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            pat += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    Run("Shift-JIS literal near the end", sjis, 932, opts(pat, true, false, false), false, plainSjis, 0.3);
    Run("Shift-JIS literal near the end, any case", sjis, 932, opts(pat, false, false, false), false, plainSjis, 0.3);
    return 0;
}
