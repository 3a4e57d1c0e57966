#pragma once
// Helpers for the line store tests: a fixture that writes bytes to a file
// and loads them through a TZinLines owned by the test owner, and plain
// copies of what the store holds for comparisons.
#include "support/LinesAccess.h"
#include <cstring>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lines/ZinLines.h"
#include "platform/SystemCodePage.h"
#include "support/TempDir.h"
#include "support/TestLinesOwner.h"

namespace zin::test {

struct TLineCopy {
    uint64_t Length;
    int NewLineBytes;
    TLineState State;
    std::vector<TRowIndex> Rows;
    std::vector<TBlock> Blocks;
    bool operator==(const TLineCopy& o) const
    {
        return Length == o.Length && NewLineBytes == o.NewLineBytes && State == o.State && Rows == o.Rows;
    }
};

inline std::vector<TLineCopy> CopyLines(const TZinLines& lines)
{
    std::vector<TLineCopy> out;
    for (const TLine& l : lines.Lines()) {
        TLineCopy c{l.Length(), l.NewLineBytes, l.State, {}, {}};
        const TRowList rows = l.Rows();
        for (size_t i = 0; i < rows.size(); ++i)
            c.Rows.push_back(rows[i]);
        const TBlockList blocks = l.Blocks();
        for (size_t i = 0; i < blocks.size(); ++i)
            c.Blocks.push_back(blocks[i]);
        out.push_back(c);
    }
    return out;
}

// Row byte sizes of a line: Rows[i+1].Pos - Rows[i].Pos.
inline std::vector<uint64_t> RowSizes(const TLine& l)
{
    std::vector<uint64_t> out;
    for (size_t i = 0; i + 1 < l.Rows().size(); ++i)
        out.push_back(l.Rows()[i + 1].Pos - l.Rows()[i].Pos);
    return out;
}

// Checks the invariants of a loaded or rescanned store: blocks cover the
// file once and in order, each line's offset and first row are the sums of
// the lines before it, every line but the last ends with a newline, rows
// cover each line's text in order, and the counts match the list.
inline void ExpectInvariants(const TZinLines& lines, const TTestLinesOwner& owner)
{
    uint64_t filePos = 0;
    int32_t lineCount = 0, rowCount = 0;
    const uint32_t last = static_cast<uint32_t>(lines.Lines().size() - 1);
    for (const TLine& l : lines.Lines()) {
        // The list's sums from its checkpoints agree with the lines'.
        ASSERT_EQ(lines.Lines().StartOf(l.Index()), filePos) << "line " << lineCount;
        ASSERT_EQ(lines.Lines().FirstRowOf(l.Index()), rowCount) << "line " << lineCount;
        ++lineCount;
        rowCount += l.RowCount();
        uint64_t sum = 0;
        const TBlockList blocks = l.Blocks();
        for (size_t i = 0; i < blocks.size(); ++i) {
            const TBlock b = blocks[i];
            if (b.Size == 0)
                continue;
            ASSERT_EQ(b.Offset, filePos) << "line " << lineCount;
            ASSERT_TRUE(b.Source == TZinLinesAccess::MemData(lines) || b.Source == TZinLinesAccess::FileData(lines));
            filePos += b.Size;
            sum += b.Size;
        }
        ASSERT_EQ(sum, l.Length()) << "line " << lineCount;
        if (l.Index() != last) {
            ASSERT_GT(l.NewLineBytes, 0) << "line " << lineCount;
        }
        const TRowList rows = l.Rows();
        ASSERT_GE(rows.size(), 2u);
        ASSERT_EQ(rows.back().Pos + l.NewLineBytes, l.Length()) << "line " << lineCount;
        ASSERT_EQ(rows.back().Width, 0);
        for (size_t i = 0; i + 1 < rows.size(); ++i) {
            ASSERT_LE(rows[i].Pos, rows[i + 1].Pos) << "line " << lineCount;
            ASSERT_GE(rows[i].Width, 0);
            ASSERT_LE(rows[i].Width, lines.MaxRowWidth());
            if (i + 2 < rows.size() || rows[i + 1].Pos > rows[i].Pos) {
                ASSERT_LE(rows[i + 1].Pos - rows[i].Pos,
                          static_cast<uint64_t>(std::max(owner.MaxLineLength, 3)))
                    << "line " << lineCount;
            }
        }
    }
    EXPECT_EQ(filePos, lines.FileSize());
    EXPECT_EQ(lineCount, lines.LineCount());
    EXPECT_EQ(static_cast<size_t>(lineCount), lines.Lines().size());
    EXPECT_EQ(rowCount, lines.RowCount());
}

class LinesTest : public ::testing::Test {
protected:
    LinesTest() { SetSystemCodePage(1252); }
    ~LinesTest() override { SetSystemCodePage(0); }

    // Loads the bytes as a file named `name`.
    bool Load(std::string_view bytes, const std::string& name = "test.txt")
    {
        FPath = Dir.Write(name, bytes);
        return Owner.Load(FPath);
    }
    TZinLines& Lines() { return *Owner.Lines; }
    TLine LineAt(size_t i) { return *Lines().Lines().At(i); }
    TLineIterator IterAt(size_t i)
    {
        auto it = Lines().Lines().begin();
        std::advance(it, static_cast<std::ptrdiff_t>(i));
        return it;
    }
    // Reads all characters of a line from a position.
    std::vector<twc_pair> ReadLine(TLineIterator it, uint64_t from = 0)
    {
        twc_queue q;
        Lines().BeginRead(it, TRowIndex{from, 0});
        while (Lines().NextChar(q)) {
        }
        return {q.begin(), q.end()};
    }

    TempDir Dir;
    TTestLinesOwner Owner;
    std::string FPath;
};

}  // namespace zin::test
