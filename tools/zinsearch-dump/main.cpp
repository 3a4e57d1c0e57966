// zinsearch-dump [--codepage N] [--acp N] [--case] [--word] [--regex] [--bytes]
//                [--back] [--from FILEPOS] [--all] PATTERN FILE
//
// Loads FILE through the line store as the viewer does (the code page it
// guesses, or --codepage; --acp sets the system code page), searches it with
// Find's core and prints JSON Lines:
//
//   {"codepage":N,"matches":N|null}
//   {"filepos":N,"length":N,"line":N,"linepos":N}   one per match
//
// The first line gives the code page searched in and, with --all, how many
// matches the file holds (else null). Then, without --all, the one match
// found: the first that starts at or after --from (default 0), or with
// --back the last that ends at or before --from (default: the file's end);
// none when there is none (no wrap-around). With --all, every match of the
// file in order. filepos and length are in bytes; line is the 0-based index
// of the line that holds the match's first byte (zinlines-dump's numbering),
// linepos the match's byte offset within that line.
//
// --case matches case, --word whole words, --regex takes PATTERN as a PCRE2
// regular expression, --bytes searches the file's bytes (as hex mode does;
// a file the viewer opens in hex mode is searched that way anyway).
// PATTERN is UTF-8.
//
// Exit status: 0 (also when nothing is found); 1 when the file cannot be
// read, the pattern does not compile or the search stops (the reason on
// standard error, after whatever was printed); 2 for a malformed command.
#include <cstdio>
#include <memory>
#include <string>

#include "common/DumpLoad.h"
#include "search/ZinSearch.h"

using namespace zin;
using namespace zin::tools;

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: zinsearch-dump [--codepage N] [--acp N] [--case] [--word] [--regex] [--bytes]\n"
                 "                      [--back] [--from FILEPOS] [--all] PATTERN FILE\n");
    return 2;
}

struct TPrinter {
    TZinLines* Lines;
    void Print(const TSearchMatch& m) const
    {
        TLinePlace place = Lines->FindFilePos(m.Pos);
        // On a line boundary in the file's first half the lookup gives the
        // line before: the match belongs to the line its first byte is in.
        const uint64_t length = place.Line->Length();
        if (m.Pos >= place.Start + length && place.Index + 1 < Lines->LineCount()) {
            place.Start += length;
            ++place.Index;
        }
        std::printf("{\"filepos\":%llu,\"length\":%llu,\"line\":%d,\"linepos\":%llu}\n",
                    static_cast<unsigned long long>(m.Pos), static_cast<unsigned long long>(m.Length), place.Index,
                    static_cast<unsigned long long>(m.Pos - place.Start));
    }
    static void Listen(void* self, const TSearchMatch& m) { static_cast<TPrinter*>(self)->Print(m); }
};

}  // namespace

int main(int argc, char** argv)
{
    long long codePage = 0, acp = 1252, from = -1;
    bool back = false, all = false;
    TSearchOptions options;
    std::string positional[2];
    int npos = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](long long& v) { return i + 1 < argc && ToInt(argv[++i], v); };
        if (a == "--codepage") {
            if (!value(codePage))
                return Usage();
        } else if (a == "--acp") {
            if (!value(acp))
                return Usage();
        } else if (a == "--from") {
            if (!value(from) || from < 0)
                return Usage();
        } else if (a == "--case") {
            options.MatchCase = true;
        } else if (a == "--word") {
            options.WholeWord = true;
        } else if (a == "--regex") {
            options.Regex = true;
        } else if (a == "--bytes") {
            options.Bytes = true;
        } else if (a == "--back") {
            back = true;
        } else if (a == "--all") {
            all = true;
        } else if (a == "--") {
            for (++i; i < argc && npos < 2; ++i)
                positional[npos++] = argv[i];
            if (i < argc)
                return Usage();
        } else if (a.size() > 1 && a[0] == '-' && npos == 0 && a != "-") {
            return Usage();
        } else {
            if (npos == 2)
                return Usage();
            positional[npos++] = a;
        }
    }
    if (npos != 2)
        return Usage();
    options.Pattern = positional[0];
    const std::string& file = positional[1];

    SetSystemCodePage(static_cast<int32_t>(acp));
    TFixedMetricsOwner owner(8, static_cast<int32_t>(acp));
    if (!owner.Load(file)) {
        std::fprintf(stderr, "zinsearch-dump: cannot open %s: %s\n", file.c_str(), owner.Lines->LoadErrorReason().c_str());
        return 1;
    }
    if (codePage != 0)
        owner.SetCodePage(static_cast<int32_t>(codePage));
    if (owner.GetEditMode() == emHexMode)
        options.Bytes = true;
    TZinLines& lines = *owner.Lines;

    TSearchPattern pattern;
    if (!pattern.Compile(options, owner.GetCodePage())) {
        std::fprintf(stderr, "zinsearch-dump: %s\n", pattern.Error().c_str());
        return 1;
    }
    std::string error;
    const std::unique_ptr<TFileSearchSource> source = TFileSearchSource::Open(file, error);
    if (!source) {
        std::fprintf(stderr, "zinsearch-dump: cannot open %s: %s\n", file.c_str(), error.c_str());
        return 1;
    }
    TPrinter printer{&lines};
    TSearcher searcher(pattern, *source);
    TSearchStatus status;
    if (all) {
        // Counted first (the count leads), then listed: no match is kept.
        uint64_t count = 0;
        status = searcher.Count(count);
        if (status == TSearchStatus::Found || status == TSearchStatus::NotFound) {
            std::printf("{\"codepage\":%d,\"matches\":%llu}\n", owner.GetCodePage(), static_cast<unsigned long long>(count));
            searcher.SetMatchListener(&TPrinter::Listen, &printer);
            status = searcher.Count(count);
        }
    } else {
        std::printf("{\"codepage\":%d,\"matches\":null}\n", owner.GetCodePage());
        TSearchMatch m;
        const uint64_t at = from >= 0 ? static_cast<uint64_t>(from) : (back ? source->Size() : 0);
        status = back ? searcher.Previous(at, m) : searcher.Next(at, m);
        if (status == TSearchStatus::Found)
            printer.Print(m);
    }
    if (status == TSearchStatus::Failed) {
        std::fflush(stdout);
        std::fprintf(stderr, "zinsearch-dump: %s\n", searcher.Error().c_str());
        return 1;
    }
    return 0;
}
