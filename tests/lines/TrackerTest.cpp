// The per-line syntax state: strings, block and line comments, ranges, and
// the look-ahead of MatchStrings.
#include "support/LinesAccess.h"
#include "LinesTestUtil.h"
#include "syntax/ZinSyntax.h"

namespace zin::test {
namespace {

// A definition for C-like text: strings in double quotes with a backslash
// escape, /* */ comments, // line comments, and a range [ ] with id 7.
TZinSyntax MakeSyntax()
{
    TZinSyntax s;
    s.StringChars = "\"";
    s.EscapeChar = '\\';
    s.StringInRange = {0};
    s.BlockCommentBegins = {"/*"};
    s.BlockCommentEnds = {"*/"};
    s.BlockCommentInRange = {{0}};
    s.LineComments = {"//"};
    s.LineCommentInRange = {0};
    TSyntaxRange r;
    r.Id = 7;
    r.Begin = "[";
    r.End = "]";
    s.Ranges = {r};
    s.RangeBegins = {"["};
    s.HasLineState = true;
    return s;
}

class TrackerTest : public LinesTest {
protected:
    std::vector<TLineState> StatesOf(const std::string& text, TZinSyntax& syntax)
    {
        EXPECT_TRUE(Load(text));
        // A load leaves the first line in the empty state, whatever the
        // file before held: each case starts afresh.
        EXPECT_EQ(Lines().Lines().front().State, TLineState{});
        TZinLinesAccess::UseSyntax(Lines(), syntax);
        Lines().Rescan(Lines().Lines().begin(), std::prev(Lines().Lines().end()));
        std::vector<TLineState> out;
        for (const TLine& l : Lines().Lines())
            out.push_back(l.State);
        return out;
    }
};

using S = TLineState;
using States = std::vector<TLineState>;

TEST_F(TrackerTest, StatesAtLineStarts)
{
    struct Case {
        const char* text;
        States states;
    } cases[] = {
        // A comment opened on line 1 and closed on line 2.
        {"a /* b\nc */ d\ne", {S{0, 0, 0, 0}, S{0, 1, 1, 0}, S{0, 0, 0, 0}}},
        // A quote inside a comment opens no string.
        {"/* \" */ x\ny", {S{0, 0, 1, 0}, S{0, 0, 0, 0}}},
        // A comment begin inside a string opens no comment; the string
        // stays open across the newline.
        {"\" /* \nz", {S{}, S{0, 0, 0, 1}}},
        // An escaped quote does not close the string ...
        {"\"a\\\"b\nz", {S{}, S{0, 0, 0, 1}}},
        // ... an escaped backslash does, and the quote after it closes.
        {"\"a\\\\\"\nz", {S{}, S{}}},
        // A line comment makes the rest of the line inert.
        {"x // \" /* [\ny", {S{}, S{}}},
        // A range begin opens the range; a second begin inside is no token.
        {"[ [\n] x\ny", {S{}, S{7, 0, 0, 0}, S{}}},
        // Inside a range no string opens (strings count only outside).
        {"[ \" ]\nq", {S{}, S{}}},
    };
    TZinSyntax syntax = MakeSyntax();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const States got = StatesOf(c.text, syntax);
        ASSERT_EQ(got.size(), c.states.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i], c.states[i]) << "line " << i;
    }
}

TEST_F(TrackerTest, EndStateAndStringsAllowedInRanges)
{
    TZinSyntax syntax = MakeSyntax();
    syntax.StringInRange = {0, 7};
    const States got = StatesOf("[ \"\nx", syntax);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1], (S{7, 0, 0, 1}));
    EXPECT_EQ(Lines().EndState(), (S{7, 0, 0, 1}));
}

TEST_F(TrackerTest, BeginWithoutEndOpensNothing)
{
    TZinSyntax syntax = MakeSyntax();
    syntax.BlockCommentBegins = {"/*", "{"};
    syntax.BlockCommentInRange = {{0}, {0}};
    EXPECT_EQ(StatesOf("{ x\ny", syntax), (States{S{}, S{}}));
    EXPECT_EQ(StatesOf("/* {\ny", syntax), (States{S{}, S{0, 1, 0, 0}}));
}

TEST_F(TrackerTest, EmptyTokensMatchNothing)
{
    TZinSyntax syntax = MakeSyntax();
    syntax.LineComments = {"", "#"};
    EXPECT_EQ(StatesOf("a \"\nb", syntax), (States{S{}, S{0, 0, 0, 1}}));
    EXPECT_EQ(StatesOf("# \"\nb", syntax), (States{S{}, S{}}));
}

TEST_F(TrackerTest, MatchStringsIsExactAndLooksAheadOnlyAsNeeded)
{
    ASSERT_TRUE(Load("abcd\xE9"));
    twc_queue q;
    Lines().BeginRead(Lines().Lines().begin(), TRowIndex{0, 0});
    Lines().NextChar(q);
    int32_t len = 0;
    EXPECT_EQ(Lines().MatchStrings(q, {"x", "abd", "abc"}, len), 3);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(q.size(), 3u);  // decoded ahead, kept for the scan
    EXPECT_EQ(Lines().MatchStrings(q, {"A"}, len), 0);  // no case folding
    EXPECT_EQ(Lines().MatchStrings(q, {"a"}, len), 1);
    EXPECT_EQ(len, 1);
}

// Look-ahead past a newline: a CR that an earlier look-ahead left in the
// queue stops the next look-ahead, so the scan still sees CR LF together.
TEST_F(TrackerTest, LookAheadStopsAtANewlineAlreadyQueued)
{
    TZinSyntax syntax = MakeSyntax();
    syntax.BlockCommentBegins = {"ab", "acd"};
    syntax.BlockCommentEnds = {"x", "y"};
    syntax.BlockCommentInRange = {{0}, {0}};
    TZinLinesAccess::NewLineType(Lines()) = nltDefaultDOS;
    ASSERT_TRUE(Load("a\r\nz"));
    TZinLinesAccess::NewLineType(Lines()) = nltDefaultDOS;
    TZinLinesAccess::UseSyntax(Lines(), syntax);
    Lines().Rescan(Lines().Lines().begin(), std::prev(Lines().Lines().end()));
    ASSERT_EQ(Lines().LineCount(), 2);
    EXPECT_EQ(LineAt(0).Length(), 3u);
    EXPECT_EQ(LineAt(0).NewLineBytes, 2);
    EXPECT_EQ(Lines().NewLineType(), nltDOS);
    ExpectInvariants(Lines(), Owner);

    // Directly: the queue holds a and CR; a longer token must not decode
    // the LF behind the CR.
    twc_queue q;
    Lines().BeginRead(Lines().Lines().begin(), TRowIndex{0, 0});
    Lines().NextChar(q);
    int32_t len = 0;
    EXPECT_EQ(Lines().MatchStrings(q, {"ab"}, len), 0);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(Lines().MatchStrings(q, {"acd"}, len), 0);
    EXPECT_EQ(q.size(), 2u);
    EXPECT_TRUE(Lines().IsLFNext());
}

}  // namespace
}  // namespace zin::test
