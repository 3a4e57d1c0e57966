// zinlines-dump [--charwidth PX] [--syntax FILE.syn] [--wrap none|window:PX|column:N]
//               [--codepage N] [--acp N] [--maxmem BYTES] [--summary] FILE
//
// Loads FILE through the line store with the fixed-metrics owner (fixed character
// widths) and prints JSON Lines: one summary line, then one line per TLine
// with its length, newline bytes, start state and every row entry.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Files.h"
#include "platform/SystemCodePage.h"
#include "lines/ZinFixedOwner.h"
#include "syntax/ZinSyntax.h"

using namespace zin;

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: zinlines-dump [--charwidth PX] [--syntax FILE.syn] [--wrap none|window:PX|column:N]\n"
                 "                     [--codepage N] [--acp N] [--maxmem BYTES] [--summary] FILE\n");
    return 2;
}

bool ToInt(const std::string& s, long long& v)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    v = std::strtoll(s.c_str(), &end, 10);
    return end && *end == '\0';
}

void PrintState(const TLineState& s)
{
    std::printf("[%u,%u,%u,%u]", s[0], s[1], s[2], s[3]);
}

// A temporary syntax directory whose "Plain Text" fallback is the given
// definition, so that every file of the run is highlighted with it.
struct TSyntaxOverride {
    std::string Dir;
    bool Set(const std::string& synFile)
    {
        std::string bytes;
        FILE* in = std::fopen(synFile.c_str(), "rb");
        if (!in)
            return false;
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, in)) > 0)
            bytes.append(buf, n);
        std::fclose(in);
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zinlines-dump-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return false;
        Dir = pattern + "/";
        FILE* out = std::fopen((Dir + "syntax_text.syn").c_str(), "wb");
        if (!out)
            return false;
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
        SetSyntaxDir(Dir);
        return true;
    }
    ~TSyntaxOverride()
    {
        if (!Dir.empty()) {
            std::remove((Dir + "syntax_text.syn").c_str());
            rmdir(Dir.c_str());
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    long long charWidth = 8, codePage = 0, acp = 1252, maxMem = 8 * 1024 * 1024, wrapValue = 0;
    TWordWrapMode wrap = wwmNoWrap;
    bool summary = false;
    std::string syntaxFile, file;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](long long& v) {
            if (i + 1 >= argc || !ToInt(argv[i + 1], v))
                return false;
            ++i;
            return true;
        };
        if (a == "--charwidth") {
            if (!value(charWidth) || charWidth < 1)
                return Usage();
        } else if (a == "--codepage") {
            if (!value(codePage))
                return Usage();
        } else if (a == "--acp") {
            if (!value(acp))
                return Usage();
        } else if (a == "--maxmem") {
            if (!value(maxMem) || maxMem < 0 || maxMem > INT32_MAX)
                return Usage();
        } else if (a == "--summary") {
            summary = true;
        } else if (a == "--syntax") {
            if (i + 1 >= argc)
                return Usage();
            syntaxFile = argv[++i];
        } else if (a == "--wrap") {
            if (i + 1 >= argc)
                return Usage();
            const std::string w = argv[++i];
            if (w == "none") {
                wrap = wwmNoWrap;
            } else if (w.rfind("window:", 0) == 0 && ToInt(w.substr(7), wrapValue) && wrapValue > 0) {
                wrap = wwmWrapByWindow;
            } else if (w.rfind("column:", 0) == 0 && ToInt(w.substr(7), wrapValue) && wrapValue > 0) {
                wrap = wwmWrapByColumn;
            } else {
                return Usage();
            }
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            return Usage();
        } else if (file.empty()) {
            file = a;
        } else {
            return Usage();
        }
    }
    if (file.empty())
        return Usage();

    SetSystemCodePage(static_cast<int32_t>(acp));
    TSyntaxOverride syntaxOverride;
    if (!syntaxFile.empty() && !syntaxOverride.Set(syntaxFile)) {
        std::fprintf(stderr, "zinlines-dump: cannot read syntax definition %s\n", syntaxFile.c_str());
        return 1;
    }

    TFixedMetricsOwner owner(static_cast<int32_t>(charWidth), static_cast<int32_t>(acp));
    owner.MaxMemFileSize = static_cast<int32_t>(maxMem);
    owner.WrapMode = wrap;
    if (wrap == wwmWrapByWindow)
        owner.WindowWidth = static_cast<int32_t>(wrapValue);
    else if (wrap == wwmWrapByColumn)
        owner.MaxColumns = static_cast<int32_t>(wrapValue);

    TZinLines& lines = *owner.Lines;
    if (!lines.LoadFromFile(file)) {
        TPlatformFile probe;
        probe.Open(file);
        std::fprintf(stderr, "zinlines-dump: cannot open %s: %s\n", file.c_str(), probe.Error().c_str());
        return 1;
    }
    if (codePage != 0)
        owner.SetCodePage(static_cast<int32_t>(codePage));

    const char* source = lines.OnDisk() ? "disk" : (lines.FileSize() > 0 ? "memory" : "none");
    std::printf("{\"size\":%llu,\"codepage\":%d,\"editmode\":\"%s\",\"newline\":\"%s\",\"lines\":%d,"
                "\"rows\":%d,\"maxrowwidth\":%d,\"source\":\"%s\",\"endstate\":",
                static_cast<unsigned long long>(lines.FileSize()), owner.GetCodePage(),
                owner.GetEditMode() == emHexMode ? "hex" : "text", NewLineName(owner.FNewLineType),
                lines.LineCount(), lines.RowCount(), lines.MaxRowWidth(), source);
    PrintState(lines.EndState());
    std::printf("}\n");
    if (!summary) {
        for (const TLine& line : lines.Lines()) {
            std::printf("{\"len\":%llu,\"nl\":%u,\"state\":", static_cast<unsigned long long>(line.Length()),
                        line.NewLineBytes);
            PrintState(line.State);
            std::printf(",\"rows\":[");
            const TRowList rows = line.Rows();
            for (size_t i = 0; i < rows.size(); ++i)
                std::printf("%s[%llu,%d]", i ? "," : "", static_cast<unsigned long long>(rows[i].Pos),
                            rows[i].Width);
            std::printf("]}\n");
        }
    }
    return 0;
}
