// The line list: its facts against a plain model over random lines (long
// ones, wrapped ones, lines with states, blocks or rows only a spill can
// hold), before and after their rows are rebuilt; and wrapped lines
// through the changes a store makes (blocks set, rescans, loads again,
// row counts around what the compact form holds).
#include "support/LinesAccess.h"
#include <map>
#include <random>

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

struct TModelLine {
    uint64_t Length;
    uint8_t Nl;
    TLineState State;
    std::vector<TRowIndex> Rows;
    std::vector<TBlock> Blocks;  // empty: the source's bytes at the line's offset
};

// Random rows for a line of `length` bytes ending in `nl` newline bytes:
// mostly one row, often a few, sometimes more than a compact line holds,
// with widths and offsets now and then past what the compact form takes.
std::vector<TRowIndex> RandomRows(std::mt19937_64& rng, size_t index, uint64_t length, uint8_t nl)
{
    const uint64_t text = length - nl;
    const int kind = static_cast<int>(rng() % 10);
    size_t rows = 1;
    if (kind >= 6 && text > 1)
        rows = 2 + rng() % std::min<uint64_t>(text - 1, 6);
    else if (kind == 5 && text > 300)
        rows = 250 + rng() % 20;
    std::vector<uint64_t> cuts;
    for (size_t r = 1; r < rows; ++r)
        cuts.push_back(1 + rng() % (text - 1));
    std::sort(cuts.begin(), cuts.end());
    std::vector<TRowIndex> out;
    const uint64_t pos0 = (index == 0 || rng() % 50 == 0) && text > 0 && (cuts.empty() || cuts[0] > 3) ? rng() % 4 : 0;
    auto width = [&] {
        const int w = static_cast<int>(rng() % 100);
        if (w == 0)
            return static_cast<int32_t>(70000 + rng() % 300000);  // past 16 and 18 bits
        if (w == 1)
            return static_cast<int32_t>(1 << 27);  // past 26 bits
        return static_cast<int32_t>(rng() % 2000);
    };
    out.push_back(TRowIndex{pos0, width()});
    for (const uint64_t c : cuts)
        out.push_back(TRowIndex{std::max(c, pos0), width()});
    out.push_back(TRowIndex{text, 0});
    return out;
}

void ExpectListMatches(const TLineList& list, const std::vector<TModelLine>& model, TInData* source)
{
    ASSERT_EQ(list.size(), model.size());
    uint64_t start = 0;
    int64_t row = 0;
    for (size_t i = 0; i < model.size(); ++i) {
        SCOPED_TRACE(i);
        const TModelLine& m = model[i];
        const TLine line = *list.At(i);
        ASSERT_EQ(line.Length(), m.Length);
        ASSERT_EQ(line.NewLineBytes, m.Nl);
        ASSERT_EQ(line.State, m.State);
        ASSERT_EQ(RowsOf(line), m.Rows);
        ASSERT_EQ(line.RowCount(), static_cast<int32_t>(m.Rows.size()) - 1);
        ASSERT_EQ(list.StartOf(i), start);
        ASSERT_EQ(list.FirstRowOf(i), row);
        const TBlockList blocks = line.Blocks();
        if (m.Blocks.empty()) {
            ASSERT_EQ(blocks.size(), 1u);
            EXPECT_EQ(blocks[0].Source, source);
            EXPECT_EQ(blocks[0].Offset, start);
            EXPECT_EQ(blocks[0].Size, m.Length);
        } else {
            ASSERT_EQ(blocks.size(), m.Blocks.size());
            for (size_t b = 0; b < blocks.size(); ++b)
                EXPECT_EQ(blocks[b].Offset, m.Blocks[b].Offset);
        }
        start += m.Length;
        row += line.RowCount();
    }
    EXPECT_EQ(list.TotalBytes(), start);
    EXPECT_EQ(list.TotalRows(), row);
    EXPECT_EQ(list.StartOf(model.size()), start);
}

TEST(LineListTest, RandomListsAgreeWithAPlainModelBeforeAndAfterTheirRowsAreRebuilt)
{
    TMemData source;
    TMemData other;
    for (uint64_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937_64 rng(seed);
        TLineList list;
        list.Source = &source;
        std::vector<TModelLine> model;
        const size_t lines = 200 + rng() % 3000;
        uint64_t start = 0;
        for (size_t i = 0; i < lines; ++i) {
            TModelLine m;
            const int kind = static_cast<int>(rng() % 200);
            m.Length = kind == 0 ? (uint64_t{5} << 30) + rng() % 1000  // past 4 GiB
                       : kind < 20 ? 0
                       : kind < 30 ? 500 + rng() % 100000
                                   : 1 + rng() % 120;
            m.Nl = static_cast<uint8_t>(std::min<uint64_t>(m.Length, rng() % 3));
            m.State = rng() % 4 == 0 ? TLineState{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng() % 3), 0, 1}
                                     : TLineState{};
            m.Rows = RandomRows(rng, i, m.Length, m.Nl);
            if (rng() % 40 == 0 && m.Length > 2)
                m.Blocks = {TBlock{&other, 7, 1}, TBlock{&source, start + 1, m.Length - 1}};
            list.Append(m.Length, m.Nl, m.State, m.Rows.data(), m.Rows.size(), m.Blocks.empty() ? nullptr : &m.Blocks);
            model.push_back(m);
            start += m.Length;
        }
        ExpectListMatches(list, model, &source);
        // Rows rebuilt in order, twice (the second time lines that spilled
        // for their rows may fit again, and the other way round).
        for (int pass = 0; pass < 2; ++pass) {
            list.BeginRows();
            for (size_t i = 0; i < model.size(); ++i) {
                model[i].Rows = RandomRows(rng, i, model[i].Length, model[i].Nl);
                list.SetRows(i, model[i].Rows.data(), model[i].Rows.size());
            }
            ExpectListMatches(list, model, &source);
        }
        // A rebuild that stops half way and starts over ends as a whole one.
        list.BeginRows();
        for (size_t i = 0; i < model.size() / 2; ++i) {
            const std::vector<TRowIndex> rows = RandomRows(rng, i, model[i].Length, model[i].Nl);
            list.SetRows(i, rows.data(), rows.size());
        }
        list.BeginRows();
        for (size_t i = 0; i < model.size(); ++i)
            list.SetRows(i, model[i].Rows.data(), model[i].Rows.size());
        ExpectListMatches(list, model, &source);
        // Copied line by line into another list: the same.
        TLineList copy;
        copy.Source = &source;
        uint64_t at = 0;
        for (size_t i = 0; i < model.size(); ++i) {
            copy.AppendFrom(list, i, at, model[i].State);
            at += model[i].Length;
        }
        ExpectListMatches(copy, model, &source);
        EXPECT_EQ(copy.SpilledLines(), list.SpilledLines());
    }
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

TEST_F(PooledRowsTest, RowsSurviveBlockChangesAndRescans)
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
    EXPECT_EQ(Lines().Lines().SpilledLines(), 0u);
    // Two blocks again and scanned anew: the same rows, the rest unchanged.
    Lines().SetLineBlocks(IterAt(0), {TBlock{whole.Source, whole.Offset, 10},
                                      TBlock{whole.Source, whole.Offset + 10, whole.Size - 10}});
    Lines().Rescan(IterAt(0), IterAt(0));
    ExpectInvariants(Lines(), Owner);
    EXPECT_EQ(RowsOf(LineAt(0)), rows0);
    EXPECT_EQ(RowsOf(LineAt(1)), rows1);
}

TEST_F(PooledRowsTest, LoadingAgainGivesTheSameRows)
{
    LoadWrapped(3000);
    const std::vector<TRowIndex> rows0 = RowsOf(LineAt(0));
    Lines().Clear(false);
    ASSERT_EQ(Lines().Lines().size(), 1u);
    // Loading again (into the memory the list kept) gives the same rows as
    // at first.
    LoadWrapped(3000);
    ExpectInvariants(Lines(), Owner);
    EXPECT_EQ(RowsOf(LineAt(0)), rows0);
    EXPECT_EQ(Lines().RowCount(), 3000 * 6 + 1);
}

// Lines of more rows than a compact line holds spill; at and around the
// limit the rows are the same either way.
TEST_F(PooledRowsTest, RowCountsAroundTheRunLimit)
{
    Owner.WrapMode = wwmWrapByColumn;
    Owner.MaxColumns = 5;
    const int limit = 256;  // rows a compact line holds
    for (const int rows : {2, limit - 1, limit, limit + 1, 3 * limit}) {
        SCOPED_TRACE(rows);
        ASSERT_TRUE(Load(std::string(static_cast<size_t>(rows) * 5, 'x') + "\nend"));
        ASSERT_EQ(LineAt(0).RowCount(), rows);
        const std::vector<uint64_t> sizes = RowSizes(LineAt(0));
        EXPECT_EQ(sizes, std::vector<uint64_t>(static_cast<size_t>(rows), 5));
        EXPECT_EQ(Lines().Lines().SpilledLines(), rows > limit ? 1u : 0u);
        ExpectInvariants(Lines(), Owner);
        // Back to one row and wrapped again: the same.
        Owner.WrapMode = wwmNoWrap;
        Lines().Reformat();
        EXPECT_EQ(LineAt(0).RowCount(), 1);
        EXPECT_EQ(Lines().Lines().SpilledLines(), 0u);
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
