#include "FuzzSupport.h"

#include "encoding/CodePage.h"
#include "platform/SystemCodePage.h"
#include "syntax/ZinSyntax.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace zin::fuzz {

namespace {
struct TTempDir {
    std::string Path;
    TTempDir()
    {
        // In memory where the system offers it: the targets write files for
        // every input.
        char shm[] = "/dev/shm/zinfuzz-XXXXXX";
        char tmp[] = "/tmp/zinfuzz-XXXXXX";
        const char* made = mkdtemp(shm);
        if (!made)
            made = mkdtemp(tmp);
        FUZZ_CHECK(made != nullptr);
        Path = std::string(made) + "/";
    }
    ~TTempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
};
}  // namespace

const std::string& TempDirPath()
{
    static TTempDir dir;
    return dir.Path;
}

std::string WriteTemp(const std::string& name, std::string_view bytes)
{
    const std::string path = TempDirPath() + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    FUZZ_CHECK(out.good());
    return path;
}

std::string ShippedSyntaxDir()
{
    return std::string(ZIN_SOURCE_DIR) + "/syntax/";
}

void StartUp(const std::string& syntaxDir)
{
    static bool done = false;
    if (done)
        return;
    done = true;
    LoadCodePageNames();
    SetSystemCodePage(1252);
    SetSyntaxDir(syntaxDir);
}

void CheckStore(const TZinLines& store, int32_t maxLineLength)
{
    uint64_t filePos = 0;
    int64_t lineCount = 0, rowCount = 0;
    const uint32_t last = static_cast<uint32_t>(store.Lines().size() - 1);
    for (const TLine& l : store.Lines()) {
        // The list's sums from its checkpoints agree with the lines'.
        FUZZ_CHECK(store.Lines().StartOf(l.Index()) == filePos);
        FUZZ_CHECK(store.Lines().FirstRowOf(l.Index()) == rowCount);
        ++lineCount;
        rowCount += l.RowCount();
        uint64_t sum = 0;
        for (size_t i = 0; i < l.Blocks().size(); ++i) {
            const TBlock b = l.Blocks()[i];
            if (b.Size == 0)
                continue;
            FUZZ_CHECK(b.Offset == filePos);
            FUZZ_CHECK(b.Source != nullptr);
            filePos += b.Size;
            sum += b.Size;
        }
        FUZZ_CHECK(sum == l.Length());
        if (l.Index() != last)
            FUZZ_CHECK(l.NewLineBytes > 0);
        FUZZ_CHECK(l.NewLineBytes <= l.Length());
        const TRowList rows = l.Rows();
        FUZZ_CHECK(rows.size() >= 2);
        if (rows.back().Pos + l.NewLineBytes != l.Length()) {
            std::fprintf(stderr, "line %lld: length %llu, newline %d, blocks %zu, rows", static_cast<long long>(lineCount),
                         static_cast<unsigned long long>(l.Length()), l.NewLineBytes, l.Blocks().size());
            for (size_t i = 0; i < rows.size(); ++i)
                std::fprintf(stderr, " %llu/%d", static_cast<unsigned long long>(rows[i].Pos), rows[i].Width);
            std::fprintf(stderr, "\n");
        }
        FUZZ_CHECK(rows.back().Pos + l.NewLineBytes == l.Length());
        FUZZ_CHECK(rows.back().Width == 0);
        FUZZ_CHECK(rows[0].Pos <= 3);
        for (size_t i = 0; i + 1 < rows.size(); ++i) {
            FUZZ_CHECK(rows[i].Pos <= rows[i + 1].Pos);
            FUZZ_CHECK(rows[i].Width >= 0);
            FUZZ_CHECK(rows[i].Width <= store.MaxRowWidth());
            if (rows[i + 1].Pos - rows[i].Pos > static_cast<uint64_t>(std::max(maxLineLength, 3)))
                std::fprintf(stderr, "line %lld row %zu: %llu..%llu, limit %d\n", static_cast<long long>(lineCount), i,
                             static_cast<unsigned long long>(rows[i].Pos),
                             static_cast<unsigned long long>(rows[i + 1].Pos), maxLineLength);
            FUZZ_CHECK(rows[i + 1].Pos - rows[i].Pos <= static_cast<uint64_t>(std::max(maxLineLength, 3)));
        }
    }
    FUZZ_CHECK(filePos == store.FileSize());
    FUZZ_CHECK(lineCount == store.LineCount());
    FUZZ_CHECK(static_cast<size_t>(lineCount) == store.Lines().size());
    FUZZ_CHECK(rowCount == store.RowCount());
}

namespace {
void DumpLine(const char* which, const TLine& l)
{
    std::fprintf(stderr, "%s: length %llu, newline %d, state %d %d %d %d, rows", which,
                 static_cast<unsigned long long>(l.Length()), l.NewLineBytes, l.State[0], l.State[1], l.State[2],
                 l.State[3]);
    const TRowList rows = l.Rows();
    for (size_t i = 0; i < rows.size(); ++i)
        std::fprintf(stderr, " %llu/%d", static_cast<unsigned long long>(rows[i].Pos), rows[i].Width);
    std::fprintf(stderr, "\n");
}

bool Verbose()
{
    static const bool on = std::getenv("ZIN_FUZZ_VERBOSE") != nullptr;
    return on;
}
}  // namespace

bool SameLines(const TZinLines& a, const TZinLines& b, bool hintMayLinger)
{
    if (Verbose() && !SameLinesQuiet(a, b, hintMayLinger)) {
        std::fprintf(stderr, "lines %d/%d, rows %d/%d\n", a.LineCount(), b.LineCount(), a.RowCount(), b.RowCount());
        auto i = a.Lines().begin();
        auto j = b.Lines().begin();
        for (int n = 0; i != a.Lines().end() && j != b.Lines().end() && n < 40; ++i, ++j, ++n) {
            std::fprintf(stderr, "line %d\n", n);
            DumpLine(" a", *i);
            DumpLine(" b", *j);
        }
    }
    return SameLinesQuiet(a, b, hintMayLinger);
}

bool SameLinesQuiet(const TZinLines& a, const TZinLines& b, bool hintMayLinger)
{
    if (a.LineCount() != b.LineCount() || a.RowCount() != b.RowCount() || a.FileSize() != b.FileSize())
        return false;
    auto i = a.Lines().begin();
    auto j = b.Lines().begin();
    for (; i != a.Lines().end() && j != b.Lines().end(); ++i, ++j) {
        if (i->Length() != j->Length() || i->NewLineBytes != j->NewLineBytes)
            return false;
        const TLineState& sa = i->State;
        const TLineState& sb = j->State;
        if (sa[0] != sb[0] || sa[1] != sb[1] || sa[3] != sb[3])
            return false;
        // Byte 2 tells the scanner that a comment closes on the line. A
        // rescan carries the flag a line had into the lines split from it:
        // a hint to look for an end that is not there costs a look only. A
        // hint missing where a comment closes would leave it open.
        if (hintMayLinger ? (sb[2] != 0 && sa[2] == 0) : sa[2] != sb[2])
            return false;
        const TRowList ra = i->Rows(), rb = j->Rows();
        if (ra.size() != rb.size())
            return false;
        for (size_t k = 0; k < ra.size(); ++k)
            if (!(ra[k] == rb[k]))
                return false;
    }
    return i == a.Lines().end() && j == b.Lines().end();
}

}  // namespace zin::fuzz
