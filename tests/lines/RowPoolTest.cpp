// Wrapped lines keep their row entries in the list's row pool. The pool
// itself (runs reused by size, contents kept apart), and pooled rows
// through every change a line goes through: blocks set and joined, lines
// erased, the list trimmed, rows longer than a run holds.
#include "support/LinesAccess.h"
#include <map>

#include "LinesTestUtil.h"

namespace zin::test {
namespace {

std::vector<TRowIndex> RowsOf(const TLine& l)
{
    std::vector<TRowIndex> out;
    const TRowList rows = l.Rows();
    for (size_t i = 0; i < rows.size(); ++i)
        out.push_back(rows[i]);
    return out;
}

TEST(RowPoolTest, RunsKeepTheirContentsAndFreedRunsAreReusedBySize)
{
    TRowPool pool;
    // Enough runs of every size to fill several chunks.
    std::map<uint32_t, uint32_t> runs;  // run -> entry count
    for (int i = 0; i < 3000; ++i) {
        const uint32_t n = 1 + static_cast<uint32_t>(i * 37 % TRowPool::MaxEntries);
        const uint32_t run = pool.Allocate(n);
        ASSERT_NE(run, TRowPool::None);
        ASSERT_TRUE(runs.emplace(run, n).second) << "run handed out twice";
        for (uint32_t k = 0; k < n; ++k)
            pool.At(run)[k] = TRowPool::TUnit{run + k, static_cast<int32_t>(n)};
    }
    // Runs do not overlap: each still holds what was written to it.
    for (const auto& [run, n] : runs) {
        for (uint32_t k = 0; k < n; ++k)
            ASSERT_EQ(pool.At(run)[k], (TRowPool::TUnit{run + k, static_cast<int32_t>(n)}));
    }
    // A freed run comes back for the same count only.
    auto it = runs.begin();
    const uint32_t a = it->first, na = it->second;
    ++it;
    const uint32_t b = it->first, nb = it->second;
    ASSERT_NE(na, nb);
    pool.Free(a, na);
    pool.Free(b, nb);
    EXPECT_EQ(pool.Allocate(nb), b);
    EXPECT_EQ(pool.Allocate(na), a);
    EXPECT_NE(pool.Allocate(na), a);
    // Cleared, the pool starts over.
    pool.Clear();
    EXPECT_EQ(pool.Allocate(3), 0u);
    EXPECT_EQ(pool.Allocate(3), 3u);
}

class PooledRowsTest : public LinesTest {
protected:
    // Lines of 24 bytes, wrapped to 5 columns: six rows each.
    void LoadWrapped(int lines)
    {
        std::string text;
        for (int i = 0; i < lines; ++i)
            text += "abc def ghi jkl mno " + std::to_string(100 + i) + "\n";
        Owner.WrapMode = wwmWrapByColumn;
        Owner.MaxColumns = 5;
        ASSERT_TRUE(Load(text));
        ASSERT_GT(LineAt(0).RowCount(), 1);
    }
};

TEST_F(PooledRowsTest, RowsSurviveBlockChangesAndJoins)
{
    LoadWrapped(4);
    const std::vector<TRowIndex> rows0 = RowsOf(LineAt(0));
    const std::vector<TRowIndex> rows1 = RowsOf(LineAt(1));
    const TBlock whole = LineAt(0).Blocks()[0];
    // Two blocks: the line spills, its rows come along.
    Lines().SetLineBlocks(IterAt(0), {TBlock{whole.Source, whole.Offset, 10},
                                      TBlock{whole.Source, whole.Offset + 10, whole.Size - 10}});
    EXPECT_EQ(LineAt(0).Blocks().size(), 2u);
    EXPECT_EQ(RowsOf(LineAt(0)), rows0);
    // One block again: compact, with the same rows.
    Lines().SetLineBlocks(IterAt(0), {whole});
    EXPECT_EQ(LineAt(0).Blocks().size(), 1u);
    EXPECT_EQ(LineAt(0).Length(), whole.Size);
    EXPECT_EQ(RowsOf(LineAt(0)), rows0);
    EXPECT_EQ(Lines().Lines().FSpilledLines, 0u);
    // Joined with the next line (adjacent bytes): one longer block, the
    // rows as they were until the line is scanned again.
    const uint64_t nextLength = LineAt(1).Length();
    Lines().JoinNext(IterAt(0), IterAt(1));
    EXPECT_EQ(LineAt(0).Length(), whole.Size + nextLength);
    EXPECT_EQ(LineAt(0).Blocks().size(), 1u);
    EXPECT_EQ(RowsOf(LineAt(0)), rows0);
    EXPECT_EQ(RowsOf(LineAt(1)), rows1);
    // Erasing the joined line frees its run; what is left still reads right.
    TZinLinesAccess::Lines(Lines()).erase(IterAt(1));
    --TZinLinesAccess::LineCount(Lines());
    TZinLinesAccess::RowCount(Lines()) -= static_cast<int32_t>(rows1.size()) - 1;
    Lines().Rescan(IterAt(0), IterAt(0));
    ExpectInvariants(Lines(), Owner);
    EXPECT_EQ(RowsOf(LineAt(0)), rows0);
}

TEST_F(PooledRowsTest, TrimmingKeepsTheFirstLinesRows)
{
    LoadWrapped(3000);
    const std::vector<TRowIndex> rows0 = RowsOf(LineAt(0));
    TZinLinesAccess::Lines(Lines()).TrimToFirst();
    ASSERT_EQ(Lines().Lines().size(), 1u);
    EXPECT_EQ(RowsOf(LineAt(0)), rows0);
    // Loading again (the list trimmed, the first line blanked) gives the
    // same rows as at first.
    LoadWrapped(3000);
    ExpectInvariants(Lines(), Owner);
    EXPECT_EQ(RowsOf(LineAt(0)), rows0);
    EXPECT_EQ(Lines().RowCount(), 3000 * 6 + 1);
}

// Lines of more rows than a pooled run holds spill; at and around the limit
// the rows are the same either way.
TEST_F(PooledRowsTest, RowCountsAroundTheRunLimit)
{
    Owner.WrapMode = wwmWrapByColumn;
    Owner.MaxColumns = 5;
    const int limit = static_cast<int>(TRowPool::MaxEntries) - 1;  // rows in a full run
    for (const int rows : {2, limit - 1, limit, limit + 1, 3 * limit}) {
        SCOPED_TRACE(rows);
        ASSERT_TRUE(Load(std::string(static_cast<size_t>(rows) * 5, 'x') + "\nend"));
        ASSERT_EQ(LineAt(0).RowCount(), rows);
        const std::vector<uint64_t> sizes = RowSizes(LineAt(0));
        EXPECT_EQ(sizes, std::vector<uint64_t>(static_cast<size_t>(rows), 5));
        EXPECT_EQ(Lines().Lines().FSpilledLines, rows > limit ? 1u : 0u);
        ExpectInvariants(Lines(), Owner);
        // Back to one row and wrapped again: the same.
        Owner.WrapMode = wwmNoWrap;
        Lines().Reformat();
        EXPECT_EQ(LineAt(0).RowCount(), 1);
        EXPECT_EQ(Lines().Lines().FSpilledLines, 0u);
        Owner.WrapMode = wwmWrapByColumn;
        Lines().Reformat();
        EXPECT_EQ(RowSizes(LineAt(0)), sizes);
        ExpectInvariants(Lines(), Owner);
    }
}


// Switching code pages joins and splits wrapped lines again (the scan goes
// through lines with pooled rows, spilled lines and one-row lines). The
// result is the same as switching unwrapped and wrapping afterwards.
TEST_F(PooledRowsTest, RescansOfWrappedLinesMatchWrappingAfterwards)
{
    std::string utf16("\xFF\xFE", 2);
    for (const char* l : {"short", "a line of several words", "", "x", "another longer line, wrapped"}) {
        for (const char* c = l; *c; ++c)
            utf16 += std::string{*c, '\0'};
        utf16 += std::string("\n\0", 2);
    }
    for (const int32_t codePage : {1252, 65001, 1201}) {
        SCOPED_TRACE(codePage);
        Owner.WrapMode = wwmWrapByColumn;
        Owner.MaxColumns = 7;
        ASSERT_TRUE(Load(utf16));
        ASSERT_EQ(Owner.GetCodePage(), 1200);
        ASSERT_GT(LineAt(1).RowCount(), 1);
        Owner.SetCodePage(codePage);
        ExpectInvariants(Lines(), Owner);
        const auto wrapped = CopyLines(Lines());
        const int32_t rows = Lines().RowCount();

        Owner.WrapMode = wwmNoWrap;
        ASSERT_TRUE(Load(utf16));
        Owner.SetCodePage(codePage);
        Owner.WrapMode = wwmWrapByColumn;
        Lines().Reformat();
        EXPECT_EQ(CopyLines(Lines()), wrapped);
        EXPECT_EQ(Lines().RowCount(), rows);
    }
}

}  // namespace
}  // namespace zin::test
