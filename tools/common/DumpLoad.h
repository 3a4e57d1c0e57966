#pragma once
// What the developer tools share: the options that say how a file is loaded
// through the line store with the fixed-metrics owner (zinlines-dump and
// zinscan-dump), the summary line both print after the load, and the JSON
// form of decoded text.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "lines/ZinFixedOwner.h"
#include "platform/SystemCodePage.h"
#include "syntax/ZinSyntax.h"

namespace zin::tools {

inline bool ToInt(const std::string& s, long long& v)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    v = std::strtoll(s.c_str(), &end, 10);
    return end && *end == '\0';
}

inline void PrintState(const TLineState& s)
{
    std::printf("[%u,%u,%u,%u]", s[0], s[1], s[2], s[3]);
}

// Text as a JSON string: printable ASCII as is, every other code unit (and
// the quote and the backslash) as \uXXXX with lower-case hex digits.
template <class Units>
void AppendJsonText(const Units& text, std::string& out)
{
    out += '"';
    for (const char16_t u : text) {
        if (u >= 0x20 && u <= 0x7E && u != '"' && u != '\\') {
            out += static_cast<char>(u);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(u));
            out += buf;
        }
    }
    out += '"';
}

// A temporary syntax directory whose "Plain Text" fallback is the given
// definition, so that every file of the run is highlighted with it.
struct TSyntaxOverride {
    std::string Dir;
    bool Set(const std::string& synFile, const char* tool)
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
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + tool + "-XXXXXX";
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

// For tests of a load that stops for memory (--short-memory): the machine
// is said to have 1 GiB available when a load begins and 1 MiB as soon as
// the load asks again, which it does every 64 KiB of index it grows.
struct TShortMemory {
    static inline int Asked = 0;
    static uint64_t Probe() { return Asked++ == 0 ? uint64_t{1} << 30 : uint64_t{1} << 20; }
    // Before each load.
    static void Arm(TZinLines& lines)
    {
        Asked = 0;
        lines.SetMemoryProbe(&Probe, 64 << 10);
    }
};

// The load options: --charwidth PX, --syntax FILE.syn,
// --wrap none|window:PX|column:N, --codepage N, --acp N, --maxmem BYTES,
// --short-memory, and the file.
struct TDumpLoad {
    long long CharWidth = 8, CodePage = 0, Acp = 1252, MaxMem = 8 * 1024 * 1024, WrapValue = 0;
    TWordWrapMode Wrap = wwmNoWrap;
    bool ShortMemory = false;
    std::string SyntaxFile, File;
    TSyntaxOverride Override;
    std::unique_ptr<TFixedMetricsOwner> Owner;

    // Takes argv[i] (and its value) when it is a load option or the file:
    // 1 taken, 0 not a load option, -1 malformed.
    int Option(int argc, char** argv, int& i)
    {
        const std::string a = argv[i];
        auto value = [&](long long& v) {
            if (i + 1 >= argc || !ToInt(argv[i + 1], v))
                return false;
            ++i;
            return true;
        };
        if (a == "--charwidth")
            return value(CharWidth) && CharWidth >= 1 ? 1 : -1;
        if (a == "--codepage")
            return value(CodePage) ? 1 : -1;
        if (a == "--acp")
            return value(Acp) ? 1 : -1;
        if (a == "--maxmem")
            return value(MaxMem) && MaxMem >= 0 && MaxMem <= INT32_MAX ? 1 : -1;
        if (a == "--short-memory") {
            ShortMemory = true;
            return 1;
        }
        if (a == "--syntax") {
            if (i + 1 >= argc)
                return -1;
            SyntaxFile = argv[++i];
            return 1;
        }
        if (a == "--wrap") {
            if (i + 1 >= argc)
                return -1;
            const std::string w = argv[++i];
            if (w == "none")
                Wrap = wwmNoWrap;
            else if (w.rfind("window:", 0) == 0 && ToInt(w.substr(7), WrapValue) && WrapValue > 0)
                Wrap = wwmWrapByWindow;
            else if (w.rfind("column:", 0) == 0 && ToInt(w.substr(7), WrapValue) && WrapValue > 0)
                Wrap = wwmWrapByColumn;
            else
                return -1;
            return 1;
        }
        if (a.size() > 1 && a[0] == '-' && a != "-")
            return 0;
        if (!File.empty())
            return -1;
        File = a;
        return 1;
    }

    // Loads the file and prints the summary line: 0, or the exit status of
    // a failure (after a line on standard error).
    int Load(const char* tool)
    {
        SetSystemCodePage(static_cast<int32_t>(Acp));
        if (!SyntaxFile.empty() && !Override.Set(SyntaxFile, tool)) {
            std::fprintf(stderr, "%s: cannot read syntax definition %s\n", tool, SyntaxFile.c_str());
            return 1;
        }
        Owner = std::make_unique<TFixedMetricsOwner>(static_cast<int32_t>(CharWidth), static_cast<int32_t>(Acp));
        TFixedMetricsOwner& owner = *Owner;
        owner.MaxMemFileSize = static_cast<int32_t>(MaxMem);
        owner.WrapMode = Wrap;
        if (Wrap == wwmWrapByWindow)
            owner.WindowWidth = static_cast<int32_t>(WrapValue);
        else if (Wrap == wwmWrapByColumn)
            owner.MaxColumns = static_cast<int32_t>(WrapValue);

        TZinLines& lines = *owner.Lines;
        if (ShortMemory)
            TShortMemory::Arm(lines);
        if (!owner.Load(File)) {
            std::fprintf(stderr, "%s: cannot open %s: %s\n", tool, File.c_str(), lines.LoadErrorReason().c_str());
            return 1;
        }
        if (CodePage != 0)
            owner.SetCodePage(static_cast<int32_t>(CodePage));

        const char* source = lines.OnDisk() ? "disk" : (lines.FileSize() > 0 ? "memory" : "none");
        std::printf("{\"size\":%llu,\"codepage\":%d,\"editmode\":\"%s\",\"newline\":\"%s\",\"lines\":%d,"
                    "\"rows\":%d,\"maxrowwidth\":%d,\"source\":\"%s\",\"endstate\":",
                    static_cast<unsigned long long>(lines.FileSize()), owner.GetCodePage(),
                    owner.GetEditMode() == emHexMode ? "hex" : "text", NewLineName(lines.NewLineType()),
                    lines.LineCount(), lines.RowCount(), lines.MaxRowWidth(), source);
        PrintState(lines.EndState());
        std::printf("}\n");
        return 0;
    }
};

}  // namespace zin::tools
