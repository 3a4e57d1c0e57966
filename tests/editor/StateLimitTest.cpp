// Definitions with more block-comment pairs or quote characters than the
// one-byte line state can number: the pairs and quotes past the 255th are
// not recognised, by the store's line-state tracker and by the scanner, and
// the ones before keep working (the 255th included).
#include <string>

#include "ScannerTestUtil.h"

namespace zin::test {
namespace {

// 300 pairs "#NNN(" ... ")NNN#", pair k (1-based) numbered k.
void AddManyPairs(TZinSyntax& s)
{
    for (int k = 1; k <= 300; ++k) {
        char begin[8], end[8];
        std::snprintf(begin, sizeof begin, "#%03d(", k);
        std::snprintf(end, sizeof end, ")%03d#", k);
        s.BlockCommentBegins.push_back(begin);
        s.BlockCommentEnds.push_back(end);
        s.BlockCommentInRange.push_back({0});
    }
    s.HasLineState = true;
}

class StateLimitTest : public ScannerTest {
protected:
    TLine Line(size_t i) { return *LineAt(i); }
};

TEST_F(StateLimitTest, BlockCommentPairsPastThe255thOpenNothing)
{
    TZinSyntax syn;
    AddManyPairs(syn);
    Load("a #255( b\nc )255# d\ne #256( f\ng )256# h\ni #300( j\nk\n", syn);
    // Pair 255 opens on line 0 and closes on line 1.
    EXPECT_EQ(Line(1).State[1], 255);
    EXPECT_EQ(Line(1).State[2], 1);
    EXPECT_EQ(Line(2).State[1], 0);
    // Pairs 256 and 300 are not recognised: nothing stays open.
    EXPECT_EQ(Line(3).State[1], 0);
    EXPECT_EQ(Line(5).State[1], 0);
    EXPECT_EQ(Line(6).State[1], 0);
    EXPECT_EQ(Lines().EndState()[1], 0);

    EXPECT_NE(Scan(0).find("]comment"), std::string::npos) << Scan(0);
    EXPECT_NE(Scan(1).find("]comment"), std::string::npos) << Scan(1);
    for (size_t i : {2u, 3u, 4u, 5u})
        EXPECT_EQ(Scan(i).find("]comment"), std::string::npos) << i << ": " << Scan(i);
}

TEST_F(StateLimitTest, QuoteCharactersPastThe255thOpenNoString)
{
    // The double quote first stands at position 257, the single quote at 255.
    TZinSyntax syn;
    syn.StringChars = std::string(254, 'x') + "'" + "x" + "\"";
    syn.StringInRange = {0};
    syn.HasLineState = true;
    Load("a \"b y c\nd\ne 'f\ng' h\n", syn);  // no x in the text: x is a quote too
    EXPECT_EQ(Line(1).State[3], 0);
    EXPECT_EQ(Scan(0).find("]string"), std::string::npos) << Scan(0);
    // The quote at 255 still opens a string, which runs on to the next line.
    EXPECT_EQ(Line(3).State[3], 255);
    EXPECT_EQ(Line(4).State[3], 0);
    EXPECT_NE(Scan(3).find("]string"), std::string::npos) << Scan(3);
}

}  // namespace
}  // namespace zin::test
