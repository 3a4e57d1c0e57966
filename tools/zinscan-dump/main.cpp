// zinscan-dump [--charwidth PX] [--syntax FILE.syn] [--wrap none|window:PX|column:N]
//              [--codepage N] [--acp N] [--maxmem BYTES] [--short-memory] [--start ROW] [--count N] FILE
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
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/DumpLoad.h"
#include "editor/ZinSyntaxScanner.h"

using namespace zin;
using namespace zin::tools;

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: zinscan-dump [--charwidth PX] [--syntax FILE.syn] [--wrap none|window:PX|column:N]\n"
                 "                    [--codepage N] [--acp N] [--maxmem BYTES] [--short-memory] [--start ROW] [--count N] FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    TDumpLoad load;
    long long start = 0, count = -1;
    for (int i = 1; i < argc; ++i) {
        const int taken = load.Option(argc, argv, i);
        if (taken < 0)
            return Usage();
        if (taken > 0)
            continue;
        const std::string a = argv[i];
        long long* target = a == "--start" ? &start : a == "--count" ? &count : nullptr;
        if (!target || i + 1 >= argc || !ToInt(argv[i + 1], *target))
            return Usage();
        ++i;
        if (start < 0 || start > INT32_MAX || (target == &count && count < 0))
            return Usage();
    }
    if (load.File.empty())
        return Usage();
    if (const int status = load.Load("zinscan-dump"))
        return status;
    TFixedMetricsOwner& owner = *load.Owner;
    TZinLines& lines = *owner.Lines;

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
            AppendJsonText(std::u16string_view(textBuf.data(), static_cast<size_t>(n)), out);
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
