// Memory: a loaded line with one block costs no heap allocation of its own,
// whether it has one row or, wrapped, several. Counts the global
// allocations while loading, rescanning and reformatting.
#include "support/LinesAccess.h"
#include <cstdlib>
#include <functional>
#include <new>

#include "LinesTestUtil.h"
#include "syntax/ZinSyntax.h"

namespace {
long gAllocations = 0;
bool gCounting = false;
}  // namespace

void* operator new(std::size_t n)
{
    if (gCounting)
        ++gAllocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace zin::test {
namespace {

class AllocationTest : public LinesTest {
protected:
    long Count(const std::function<void()>& f)
    {
        gAllocations = 0;
        gCounting = true;
        f();
        gCounting = false;
        return gAllocations;
    }
};

TEST_F(AllocationTest, LinesWithOneBlockAndOneRowAllocateNothing)
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "line number " + std::to_string(i) + "\n";
    const std::string path = Dir.Write("many.txt", text);
    for (const int32_t maxMem : {1 << 24, 0}) {
        SCOPED_TRACE(maxMem);
        Owner.MaxMemFileSize = maxMem;
        const long loads = Count([&] { ASSERT_TRUE(Owner.Load(path)); });
        EXPECT_EQ(Lines().LineCount(), 20001);
        EXPECT_LT(loads, 64);
        const long rescans = Count([&] { Owner.SetCodePage(Owner.GetCodePage() == 1252 ? 1251 : 1252); });
        EXPECT_LT(rescans, 16);
        const long reformats = Count([&] { Lines().Reformat(); });
        EXPECT_LT(reformats, 16);
    }
    // Lines cut into several rows keep their entries in the list's row pool:
    // a few chunks for all of them, not an allocation per line. Rebuilding
    // rows of the same counts works in place, and runs freed by going back
    // to one row are taken again by the next wrap.
    Owner.WrapMode = wwmWrapByColumn;
    Owner.MaxColumns = 5;
    const long wrapped = Count([&] { Lines().Reformat(); });
    EXPECT_GE(Lines().RowCount(), 3 * 20000);
    EXPECT_LT(wrapped, 32);
    EXPECT_LT(Count([&] { Lines().Reformat(); }), 4);
    Owner.WrapMode = wwmNoWrap;
    EXPECT_LT(Count([&] { Lines().Reformat(); }), 4);
    EXPECT_EQ(Lines().RowCount(), 20001);
    Owner.WrapMode = wwmWrapByColumn;
    EXPECT_LT(Count([&] { Lines().Reformat(); }), 4);
    EXPECT_GE(Lines().RowCount(), 3 * 20000);
}

// The syntax-state tracker looks for a comment's or a range's end token at
// every token start inside it; that look-up allocates nothing, so text
// inside a comment or range costs no more than the same text outside.
TEST_F(AllocationTest, TrackingInsideCommentsAndRangesAllocatesNothing)
{
    TZinSyntax syntax;
    syntax.BlockCommentBegins = {"/*"};
    syntax.BlockCommentEnds = {"*/"};
    syntax.BlockCommentInRange = {{0}};
    TSyntaxRange range;
    range.Id = 5;
    range.Begin = "<<";
    range.End = ">>";
    syntax.Ranges = {range};
    syntax.RangeBegins = {"<<"};
    long outside = -1;
    for (const char* open : {"", "/*", "<<"}) {
        SCOPED_TRACE(open);
        std::string text = open;
        for (int i = 0; i < 5000; ++i)
            text += "some text inside, line " + std::to_string(i) + "\n";
        ASSERT_TRUE(Load(text));
        TZinLinesAccess::UseSyntax(Lines(), syntax);
        const long rescan = Count([&] { Lines().Rescan(Lines().Lines().begin(), std::prev(Lines().Lines().end())); });
        EXPECT_EQ(Lines().LineCount(), 5001);
        if (outside < 0) {
            EXPECT_EQ(Lines().EndState(), TLineState{});
            // A definition with comments and ranges sends the scan through
            // the character reader; its queues cycle in place.
            EXPECT_LT(rescan, 16);
            outside = rescan;
        } else {
            EXPECT_NE(Lines().EndState(), TLineState{});
            EXPECT_LE(rescan, outside + 16);
        }
    }
}

}  // namespace
}  // namespace zin::test
