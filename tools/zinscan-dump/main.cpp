// zinscan-dump [--charwidth PX] [--syntax FILE.syn] [--wrap none|window:PX|column:N]
//              [--codepage N] [--acp N] [--maxmem BYTES] [--start ROW] [--count N] FILE
//
// Loads FILE through the line store with the fixed-metrics owner, as
// zinlines-dump does, prints the same summary line, then scans rows the way
// the painter does when it paints from row ROW (default 0) downwards, with
// no right edge: the first row is positioned with SeekRow, every token of a
// row is taken while the row has more, and after a row on which the line
// ended the next line starts at its first row. One JSON object per row, N
// rows (default all):
//
//   {"row":R,"line":I,"sub":S,"tokens":[[TEXT,WIDTH,STYLE,FG,BG,FS],...],"ended":B,"range":ID}
//
// R is the global row, I the line's index and S the row within the line
// (all counted from 0). TEXT is the token's characters as a JSON string in
// which every code unit outside 0x20-0x7E, and '"' and '\', is written as
// \uXXXX with lower-case hex digits; WIDTH its width in pixels; STYLE the
// style the colours were selected for ("space", "comment", "directive",
// "string", "text", "number", "specialword", "delimiter", or "keyword:K" for
// the K-th keyword set counted from 1; a prefixed word that is no keyword
// gives its prefix as "delimiter"); FG, BG and FS the text colour, the
// background colour (0x00BBGGRR, after the fallbacks) and the font style
// flags selected. "ended" tells whether the line ended on the row, "range"
// the current range id after it. A file shown in hex mode has no rows.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/ZinSyntaxScanner.h"
#include "lines/ZinFixedOwner.h"
#include "platform/Files.h"
#include "platform/SystemCodePage.h"
#include "syntax/ZinSyntax.h"

using namespace zin;

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: zinscan-dump [--charwidth PX] [--syntax FILE.syn] [--wrap none|window:PX|column:N]\n"
                 "                    [--codepage N] [--acp N] [--maxmem BYTES] [--start ROW] [--count N] FILE\n");
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

// A JSON string: printable ASCII as is, everything else (and the quote and
// the backslash) as \uXXXX.
void PrintText(const char16_t* text, int32_t n, std::string& out)
{
    out += '"';
    for (int32_t i = 0; i < n; ++i) {
        const char16_t u = text[i];
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
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zinscan-dump-XXXXXX";
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
    long long start = 0, count = -1;
    TWordWrapMode wrap = wwmNoWrap;
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
        } else if (a == "--start") {
            if (!value(start) || start < 0 || start > INT32_MAX)
                return Usage();
        } else if (a == "--count") {
            if (!value(count) || count < 0)
                return Usage();
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
        std::fprintf(stderr, "zinscan-dump: cannot read syntax definition %s\n", syntaxFile.c_str());
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
        std::fprintf(stderr, "zinscan-dump: cannot open %s: %s\n", file.c_str(), probe.Error().c_str());
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

    // The painter draws nothing of a file in hex mode.
    const int32_t rowCount = lines.RowCount();
    if (owner.GetEditMode() == emHexMode || start >= rowCount || count == 0)
        return 0;

    const size_t bufSize = static_cast<size_t>(std::max(1, owner.GetMaxLineLength()));
    std::vector<char16_t> textBuf(bufSize + 1);
    std::vector<int32_t> widthBuf(bufSize);
    TZinScanner scanner;
    scanner.BindPainter(lines, nullptr, widthBuf.data(), textBuf.data());

    TLinePlace place = lines.FindRow(static_cast<int32_t>(start));
    TLineIterator line = place.Line;
    int32_t index = place.Index;
    int32_t sub = static_cast<int32_t>(start) - place.FirstRow;
    scanner.SeekRow(line, sub);
    std::string out;
    for (long long row = start, printed = 0; row < rowCount && (count < 0 || printed < count); ++row, ++printed) {
        out.clear();
        out += "{\"row\":" + std::to_string(row) + ",\"line\":" + std::to_string(index) +
               ",\"sub\":" + std::to_string(sub) + ",\"tokens\":[";
        bool first = true;
        do {
            int32_t width = 0;
            const int32_t n = scanner.NextToken(width);
            if (n == 0)
                continue;
            const TSelectedStyle& c = scanner.LastColors();
            out += first ? "[" : ",[";
            first = false;
            PrintText(textBuf.data(), n, out);
            out += ',' + std::to_string(width) + ",\"" + TokenStyleName(scanner.LastStyle());
            if (scanner.LastStyle() == TTokenStyle::Keyword)
                out += ':' + std::to_string(scanner.LastKeywordSet());
            out += "\"," + std::to_string(c.Foreground) + ',' + std::to_string(c.Background) + ',' +
                   std::to_string(c.Style) + ']';
        } while (scanner.RowHasMore());
        const bool ended = scanner.LineEnded();
        out += "],\"ended\":" + std::string(ended ? "true" : "false") +
               ",\"range\":" + std::to_string(scanner.RangeId()) + "}\n";
        std::fputs(out.c_str(), stdout);
        if (ended) {
            ++line;
            ++index;
            sub = 0;
            if (line == lines.Lines().end())
                break;
            scanner.BeginRow(line, 0);
        } else {
            ++sub;
        }
    }
    return 0;
}
