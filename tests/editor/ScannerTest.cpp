// The highlighting scanner on hand-made definitions, one construct at a
// time: what tokens a row gives and how they are coloured.
#include "ScannerTestUtil.h"
#include "support/doubles/TestSurface.h"

namespace zin::test {
namespace {

TEST_F(ScannerTest, KeywordsDelimitersAndNumbers)
{
    TZinSyntax syn;
    MakeCLike(syn);
    Load("if(x) ((y 12abc 1.5 while", syn);
    EXPECT_EQ(Scan(0),
              "[if]keyword:1 [(]delimiter [x]text [)]delimiter [ ]space [((]delimiter [y]text [ ]space "
              "[12abc]number [ ]space [1]number [.]delimiter [5]number [ ]space [while]keyword:1");

    // The keyword set's colours reach the canvas; everything else falls
    // back to the "text" colours.
    TTestSurface canvas;
    TZinScanner s;
    Bind(s, &canvas);
    s.BeginRow(LineAt(0), 0);
    int32_t w;
    ASSERT_EQ(s.NextToken(w), 2);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(canvas.TextColor, 0xFF0000u);
    EXPECT_EQ(canvas.Brush, 0xFFFFFFu);
    EXPECT_EQ(canvas.FontStyle, fsBold);
    ASSERT_EQ(s.NextToken(w), 1);
    EXPECT_EQ(canvas.TextColor, 0u);
    EXPECT_EQ(canvas.FontStyle, 0);

    // A case-insensitive definition finds the word in any case.
    TZinSyntax cis;
    MakeCLike(cis);
    cis.CaseSensitive = false;
    cis.Keywords[0].WordsCIS = {u"if", u"while"};
    Load("If WHILE wHiLe iff", cis);
    EXPECT_EQ(Scan(0), "[If]keyword:1 [ ]space [WHILE]keyword:1 [ ]space [wHiLe]keyword:1 [ ]space [iff]text");
}

TEST_F(ScannerTest, Comments)
{
    TZinSyntax syn;
    MakeCLike(syn);
    Load("a // b \"c\nx /* y\nz */ w\n/* p\nq r\ns */ 'u'", syn);
    EXPECT_EQ(Scan(0), "[a]text [ ]space [//]comment [ ]space [b]comment [ ]space [\"c]comment");
    EXPECT_EQ(Scan(1), "[x]text [ ]space [/*]comment [ ]space [y]comment");
    // The next line starts inside the comment and finds its end.
    EXPECT_EQ(LineAt(2)->State[1], 1);
    EXPECT_EQ(Scan(2), "[z]comment [ ]space [*/]comment [ ]space [w]text");
    // A line the comment runs through without closing is comment to its end.
    EXPECT_EQ(Scan(4), "[q]comment [ ]space [r]comment");
    EXPECT_EQ(Scan(5), "[s]comment [ ]space [*/]comment [ ]space ['u']string");
}

TEST_F(ScannerTest, StringsAndEscapes)
{
    TZinSyntax syn;
    MakeCLike(syn);
    Load(R"("a\"b c" x)"
         "\n"
         R"("a\\" x 'b"c' /*)",
         syn);
    // An escaped quote does not close the string; an escaped backslash
    // before the quote does not keep it open.
    EXPECT_EQ(Scan(0), R"(["a\"b]string [ ]space [c"]string [ ]space [x]text)");
    EXPECT_EQ(Scan(1),
              R"(["a\\"]string [ ]space [x]text [ ]space ['b"c']string [ ]space [/*]comment)");

    // The escape character is the quote itself: a doubled quote is passed
    // over and a single one does not close the string, which runs on into
    // the next line.
    TZinSyntax q;
    q.StringChars = "'";
    q.StringInRange = {0};
    q.EscapeChar = '\'';
    q.HasLineState = true;
    Load("'a''b' c\nd", q);
    EXPECT_EQ(Scan(0), "['a''b']string [ ]space [c]string");
    EXPECT_EQ(Scan(1), "[d]string");
}

TEST_F(ScannerTest, Directives)
{
    TZinSyntax syn;
    MakeCLike(syn);
    syn.DirectiveLeading = "#";
    Load("  #include <a> // c\nx #y\n#define S \"a b\" if", syn);
    EXPECT_EQ(Scan(0),
              "[  ]space [#include]directive [ ]space [<a>]directive [ ]space [//]comment [ ]space [c]comment");
    // Only the first non-blank character of a line makes a directive.
    EXPECT_EQ(Scan(1), "[x]text [ ]space [#]delimiter [y]text");
    // A string, and a keyword, on a directive line take its style.
    EXPECT_EQ(Scan(2),
              "[#define]directive [ ]space [S]directive [ ]space [\"a]directive [ ]space [b\"]directive [ ]space "
              "[if]directive");

    // Wide characters count as blank for the directive test, but a row is
    // coloured before anything past its end is looked at: wide characters
    // on a row before the directive character stay text.
    Owner.WideCJK = true;
    Owner.Wrap = 40;
    Load("\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD #x", syn);
    EXPECT_EQ(Scan(0), "[\\u4e2d\\u4e2d]text | [\\u4e2d]directive [ ]space [#x]directive");
}

TEST_F(ScannerTest, RangesAndBackgrounds)
{
    TZinSyntax syn;
    MakeCLike(syn);
    syn.StringInRange = {0, 3};
    TSyntaxRange r;
    r.Id = 3;
    r.Begin = "<?";
    r.End = "?>";
    r.BgColor = 0x00FF00;
    syn.Ranges = {r};
    syn.RangeBegins = {"<?"};
    syn.Styles[seNumber].BgColor = 0x0000FF;
    TSyntaxKeyword& echo = syn.FindOrAddKeyword("php");
    echo.InRange = {3};
    echo.WordsCS = {u"echo"};
    Load("echo <?echo 12 \"s\" x?> echo\n<?a <?\nb?> c", syn);
    EXPECT_EQ(Scan(0),
              "[echo]text [ ]space [<?]delimiter [echo]keyword:2 [ ]space [12]number [ ]space [\"s\"]string "
              "[ ]space [x]text [?>]delimiter [ ]space [echo]text");

    TZinScanner s;
    Bind(s);
    s.BeginRow(LineAt(0), 0);
    std::vector<TColor> bg;
    for (const TToken& t : Row(s))
        bg.push_back(t.Colors.Background);
    // Inside the range every element without a background of its own takes
    // the range's; the number keeps its own.
    const TColor W = 0xFFFFFF, G = 0x00FF00, B = 0x0000FF;
    EXPECT_EQ(bg, (std::vector<TColor>{W, W, G, G, G, B, G, G, G, G, G, W, W}));
    EXPECT_EQ(s.CurrentBackground(), W);

    // A range open at a line's end fills the rest of the row with its
    // background and carries into the next line; a second begin inside it
    // is no boundary.
    s.BeginRow(LineAt(1), 0);
    EXPECT_EQ(Describe(Row(s)), "[<?]delimiter [a]text [ ]space [<?]delimiter");
    EXPECT_EQ(s.RangeId(), 3);
    EXPECT_EQ(s.CurrentBackground(), G);
    s.BeginRow(LineAt(2), 0);
    const std::vector<TToken> next = Row(s);
    EXPECT_EQ(Describe(next), "[b]text [?>]delimiter [ ]space [c]text");
    EXPECT_EQ(next[0].Colors.Background, G);
    EXPECT_EQ(next[3].Colors.Background, W);
    EXPECT_EQ(s.RangeId(), 0);
}

TEST_F(ScannerTest, PrefixedAndSpecialWords)
{
    TZinSyntax syn;
    MakeCLike(syn);
    syn.KeywordPrefixes = "$";
    syn.SpecialWordPrefixes = "@";
    syn.Keywords[0].WordsCS.insert(u"$x");
    Load("$x $y $x; @abc+@d 1@", syn);
    // A prefixed word that is no keyword is its prefix as a delimiter, and
    // the rest is scanned again; delimiters do not end a prefixed word, and
    // a special-word prefix ends a run of delimiters.
    EXPECT_EQ(Scan(0),
              "[$x]keyword:1 [ ]space [$]delimiter [y]text [ ]space [$]delimiter [x]text [;]delimiter [ ]space "
              "[@abc]specialword [+]delimiter [@d]specialword [ ]space [1]number [@]specialword");
}

TEST_F(ScannerTest, WideCharactersSplitWords)
{
    TZinSyntax syn;
    MakeCLike(syn);
    Owner.WideCJK = true;
    Load("if\xE4\xB8\xADif ab\xE4\xB8\xAD\xE4\xB8\xAD" "cd", syn);
    EXPECT_EQ(Scan(0), "[if]keyword:1 [\\u4e2d]text [if]keyword:1 [ ]space [ab]text [\\u4e2d\\u4e2d]text [cd]text");
    TZinScanner s;
    Bind(s);
    s.BeginRow(LineAt(0), 0);
    const std::vector<TToken> row = Row(s);
    EXPECT_EQ(row[1].Widths, (std::vector<int32_t>{16}));
    EXPECT_EQ(row[5].Width, 32);
}

TEST_F(ScannerTest, TabsReachTheNextStopWithinTheRow)
{
    TZinSyntax syn;
    MakeCLike(syn);
    Owner.CharWidth = 2;
    Owner.TabSize = 32;  // stops 64 pixels apart
    Owner.ClearWidths();
    Load("aaaaa\tb\n\t\tc", syn);
    TZinScanner s;
    Bind(s);
    s.BeginRow(LineAt(0), 0);
    std::vector<TToken> row = Row(s);
    ASSERT_EQ(Describe(row), "[aaaaa]text [\\u0009]space [b]text");
    EXPECT_EQ(row[1].Width, 54);
    s.BeginRow(LineAt(1), 0);
    row = Row(s);
    EXPECT_EQ(row[0].Widths, (std::vector<int32_t>{64, 64}));

    // A row that ends sooner cuts the tab short.
    Owner.Wrap = 40;
    Load("aaaaa\tb", syn);
    Bind(s);
    s.BeginRow(LineAt(0), 0);
    row = Row(s);
    EXPECT_EQ(Describe(row), "[aaaaa]text [\\u0009]space");
    EXPECT_EQ(row[1].Width, 30);
    EXPECT_FALSE(s.LineEnded());
    EXPECT_EQ(Describe(Row(s)), "[b]text");
    EXPECT_TRUE(s.LineEnded());
}

TEST_F(ScannerTest, RowsSplitWordsAndRunsGoOnAcrossRows)
{
    TZinSyntax syn;
    MakeCLike(syn);
    Owner.Wrap = 40;  // five characters
    Load("whileif", syn);
    // Each part of a word cut by the row's end is looked up on its own.
    EXPECT_EQ(Scan(0), "[while]keyword:1 | [if]keyword:1");

    // Tokens that reach across a row's end come out whole on the next row:
    // a comment begin whose "*" starts the row, an end token split by it,
    // and an escape whose quote starts the row.
    Owner.Wrap = 0;
    Owner.MaxLineLength = 5;
    Load("++++/*x y*/z\n\"\n\\\\\\\\\\\"ab\" c", syn);
    ASSERT_EQ(LineAt(0)->RowCount(), 3);
    EXPECT_EQ(Scan(0), "[++++]delimiter [/]comment | [*x]comment [ ]space [y]comment | [*/]comment [z]text");
    ASSERT_EQ(LineAt(2)->RowCount(), 3);
    EXPECT_EQ(Scan(2), R"([\\\\\]string | ["ab"]string [ ]space | [c]text)");
}

TEST_F(ScannerTest, EmptyRowsDoNotEndTheLine)
{
    // Characters of 16 pixels and rows of 10: the row builder leaves an
    // empty row before a wide character that starts a row.
    TZinSyntax syn;
    MakeCLike(syn);
    Owner.WideCJK = true;
    Owner.Wrap = 10;
    Owner.MaxLineLength = 3;
    Load("\xE4\xB8\xAD" "a\nab\xE4\xB8\xAD" "c\n", syn);
    ASSERT_EQ(LineAt(0)->Rows()[0].Width, 0);
    ASSERT_EQ(LineAt(1)->Rows()[2].Width, 0);
    EXPECT_EQ(Scan(0), " | [\\u4e2d]text | [a]text");
    EXPECT_EQ(Scan(1), "[a]text | [b]text |  | [\\u4e2d]text | [c]text");

    // The painter's view: an empty row gives no characters, has no more
    // tokens, and the line goes on; entered directly, too.
    TZinScanner s;
    Bind(s);
    s.BeginRow(LineAt(1), 2);
    EXPECT_FALSE(s.LineEnded());
    int32_t w = -1;
    EXPECT_EQ(s.NextToken(w), 0);
    EXPECT_EQ(w, 0);
    EXPECT_FALSE(s.RowHasMore());
    EXPECT_FALSE(s.LineEnded());
    EXPECT_EQ(Describe(Row(s)), "[\\u4e2d]text");
    s.SeekRow(LineAt(1), 3);
    EXPECT_EQ(Describe(Row(s)), "[\\u4e2d]text");
    EXPECT_FALSE(s.LineEnded());

    // An empty line ends at once.
    s.BeginRow(LineAt(2), 0);
    EXPECT_TRUE(s.LineEnded());
    EXPECT_EQ(s.NextToken(w), 0);
}

}  // namespace
}  // namespace zin::test
