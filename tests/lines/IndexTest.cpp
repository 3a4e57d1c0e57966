// Finding lines by row, index and file offset: the indexed lookups give
// exactly what a walk over the whole list gives, on random files, after
// loads, rebuilds of rows with every wrap mode and re-decodes that join and
// split lines, tie rules included.
#include <random>

#include "LinesTestUtil.h"

namespace zin::test {
namespace {

// A literal walk's view of the list: every line's place, in order.
std::vector<TLinePlace> AllPlaces(TZinLines& lines)
{
    std::vector<TLinePlace> out;
    TLinePlace p;
    for (TLineIterator it = lines.Lines().begin(); it != lines.Lines().end(); ++it) {
        p.Line = it;
        out.push_back(p);
        ++p.Index;
        p.FirstRow += it->RowCount();
        p.Start += it->Length();
    }
    return out;
}

// The line of a file offset as the two walks find it: back from the last
// line beyond half the file, forward from the first line otherwise.
size_t WalkFilePos(const std::vector<TLinePlace>& all, uint64_t pos, uint64_t fileSize)
{
    if (pos > fileSize / 2) {
        size_t i = all.size() - 1;
        while (i > 0 && pos < all[i].Start)
            --i;
        return i;
    }
    size_t i = 0;
    while (i + 1 < all.size() && all[i].Start + all[i].Line->Length() < pos)
        ++i;
    return i;
}

void ExpectPlace(const TLinePlace& got, const TLinePlace& want, const char* what, int64_t target)
{
    ASSERT_TRUE(got.Line == want.Line) << what << " " << target;
    ASSERT_EQ(got.Index, want.Index) << what << " " << target;
    ASSERT_EQ(got.FirstRow, want.FirstRow) << what << " " << target;
    ASSERT_EQ(got.Start, want.Start) << what << " " << target;
}

void CheckLookups(TZinLines& lines, std::mt19937& rng)
{
    const std::vector<TLinePlace> all = AllPlaces(lines);
    std::vector<size_t> lineOfRow;
    for (size_t i = 0; i < all.size(); ++i)
        lineOfRow.insert(lineOfRow.end(), static_cast<size_t>(all[i].Line->RowCount()), i);
    ASSERT_EQ(lineOfRow.size(), static_cast<size_t>(lines.RowCount()));

    // Around every checkpoint, where an off-by-one in the search shows,
    // first in file order, so that each lookup finds the index built only
    // up to where the lookups before it reached.
    for (size_t c = 0; c < all.size(); c += TZinLines::IndexStride) {
        for (size_t i = c > 0 ? c - 1 : c; i <= c + 1 && i < all.size(); ++i) {
            const TLinePlace& want = all[i];
            ExpectPlace(lines.FindLine(want.Index), want, "line at checkpoint", want.Index);
            ExpectPlace(lines.FindRow(want.FirstRow), want, "row at checkpoint", want.FirstRow);
            for (uint64_t p : {want.Start, want.Start + 1, want.Start ? want.Start - 1 : 0})
                ExpectPlace(lines.FindFilePos(p), all[WalkFilePos(all, p, lines.FileSize())], "pos at checkpoint",
                            static_cast<int64_t>(p));
        }
    }
    std::uniform_int_distribution<int32_t> anyRow(0, lines.RowCount() - 1);
    std::uniform_int_distribution<int32_t> anyLine(0, lines.LineCount() - 1);
    std::uniform_int_distribution<uint64_t> anyPos(0, lines.FileSize());
    for (int k = 0; k < 300; ++k) {
        const int32_t r = anyRow(rng);
        ExpectPlace(lines.FindRow(r), all[lineOfRow[static_cast<size_t>(r)]], "row", r);
        const int32_t i = anyLine(rng);
        ExpectPlace(lines.FindLine(i), all[static_cast<size_t>(i)], "line", i);
        // Offsets on line boundaries (both sides of the middle) and anywhere.
        const uint64_t p = (k % 2) ? all[static_cast<size_t>(i)].Start : anyPos(rng);
        ExpectPlace(lines.FindFilePos(p), all[WalkFilePos(all, p, lines.FileSize())], "pos",
                    static_cast<int64_t>(p));
    }
    // The ends, and requests beyond them, which are clamped.
    ExpectPlace(lines.FindRow(lines.RowCount() - 1), all.back(), "last row", 0);
    ExpectPlace(lines.FindRow(INT32_MAX), all.back(), "row beyond", 0);
    ExpectPlace(lines.FindRow(-5), all.front(), "row before", 0);
    ExpectPlace(lines.FindFilePos(lines.FileSize()), all[WalkFilePos(all, lines.FileSize(), lines.FileSize())],
                "end", 0);
}

// Lines of 0 to 300 characters (some long enough to wrap many times and to
// pass the byte limit), with every newline convention.
std::string RandomFile(std::mt19937& rng, size_t lineCount)
{
    static const char* const newlines[] = {"\n", "\r\n", "\r", "\n"};
    std::string s;
    std::uniform_int_distribution<int> len(0, 12), longLen(0, 300), pick(0, 19);
    for (size_t i = 0; i < lineCount; ++i) {
        const int n = pick(rng) == 0 ? longLen(rng) : len(rng);
        for (int c = 0; c < n; ++c)
            s += pick(rng) < 3 ? ' ' : static_cast<char>('a' + pick(rng));
        s += newlines[pick(rng) % 4];
    }
    if (pick(rng) < 10)
        s += "tail without newline";
    return s;
}

TEST_F(LinesTest, IndexedLookupsAgreeWithAWalkThroughLoadsRebuildsAndRedecodes)
{
    std::mt19937 rng(20261208);
    Owner.MaxLineLength = 97;  // rows also split at the byte limit
    for (int round = 0; round < 12; ++round) {
        // Files from one line to more than a few checkpoints' worth.
        const size_t n = round == 0 ? 0 : static_cast<size_t>(1) << (round % 11);
        Owner.WrapMode = wwmNoWrap;
        ASSERT_TRUE(Load(RandomFile(rng, n)));
        CheckLookups(Lines(), rng);

        // Rebuilding rows in each wrap mode.
        Owner.WrapMode = static_cast<TWordWrapMode>(1 + round % 2);
        Owner.WindowWidth = 40 + 8 * (round % 5);
        Owner.MaxColumns = 5 + round;
        Lines().Reformat();
        CheckLookups(Lines(), rng);

        // Decoding in UTF-16 joins and splits lines.
        Owner.SetCodePage(1200);
        CheckLookups(Lines(), rng);
        Owner.SetCodePage(1252);
        CheckLookups(Lines(), rng);
    }
}

TEST_F(LinesTest, FilePosOnALineBoundaryGivesTheEarlierLineInTheFirstHalfAndTheLaterOneAfter)
{
    // Lines "ab\n" x 4 (12 bytes) and a blank last line at 12.
    ASSERT_TRUE(Load("ab\nab\nab\nab\n"));
    EXPECT_EQ(Lines().FindFilePos(0).Index, 0);
    EXPECT_EQ(Lines().FindFilePos(3).Index, 0);   // boundary, first half
    EXPECT_EQ(Lines().FindFilePos(6).Index, 1);   // the middle counts as the first half
    EXPECT_EQ(Lines().FindFilePos(7).Index, 2);
    EXPECT_EQ(Lines().FindFilePos(9).Index, 3);   // boundary, second half
    EXPECT_EQ(Lines().FindFilePos(12).Index, 4);  // the blank line at the end
    EXPECT_EQ(Lines().FindFilePos(12).Start, 12u);
}

TEST_F(LinesTest, TheGenerationChangesWithEveryChangeOfLinesOrRows)
{
    ASSERT_TRUE(Load("one\ntwo\n"));
    uint64_t g = Lines().Generation();
    Owner.WrapMode = wwmWrapByColumn;
    Owner.MaxColumns = 5;
    Lines().Reformat();
    EXPECT_NE(Lines().Generation(), g);
    g = Lines().Generation();
    Owner.SetCodePage(1200);
    EXPECT_NE(Lines().Generation(), g);
    g = Lines().Generation();
    ASSERT_TRUE(Load("x"));
    EXPECT_NE(Lines().Generation(), g);
}

}  // namespace
}  // namespace zin::test
