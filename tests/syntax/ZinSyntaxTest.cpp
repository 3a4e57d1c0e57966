// The definition loader: line classification, attribute and key lines,
// keyword sections, post-processing, and input that is not what it should be.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/TempDir.h"
#include "syntax/ZinSyntax.h"
#include "SyntaxTestUtil.h"

namespace zin {
namespace {

std::vector<std::u16string> Words(const TSyntaxKeyword& kw)
{
    std::vector<std::u16string> w(kw.WordsCS.begin(), kw.WordsCS.end());
    w.insert(w.end(), kw.WordsCIS.begin(), kw.WordsCIS.end());
    std::sort(w.begin(), w.end());
    return w;
}

using W = std::vector<std::u16string>;

TEST(ZinSyntaxDefaults, EmptyDefinition)
{
    TZinSyntax s;
    EXPECT_EQ(s.Title, "Plain Text");
    EXPECT_FALSE(s.CaseSensitive);
    EXPECT_EQ(s.Delimiters, "~`!@#$%^&*()-+=|\\{}[]:;\"',.<>/?");
    EXPECT_EQ(s.Delimiters.size(), 31u);
    EXPECT_EQ(s.EscapeChar, -1);
    EXPECT_EQ(s.CodePage, -1);
    EXPECT_EQ(s.StringInRange, std::vector<int32_t>{0});
    EXPECT_TRUE(s.LineCommentInRange.empty());
    EXPECT_TRUE(s.BlockCommentInRange.empty());
    EXPECT_TRUE(s.Keywords.empty());
    EXPECT_FALSE(s.HasLineState);
    for (int k = 0; k < SyntaxStyleCount; ++k) {
        EXPECT_EQ(s.Styles[k].Color, DefaultSyntaxStyles[k].Color);
        EXPECT_EQ(s.Styles[k].BgColor, DefaultSyntaxStyles[k].BgColor);
        EXPECT_EQ(s.Styles[k].Style, 0);
    }
    EXPECT_EQ(s.Styles[seText].Color, 0x000000u);
    EXPECT_EQ(s.Styles[seText].BgColor, 0xFFFFFFu);
    EXPECT_EQ(s.Styles[seActiveLine].BgColor, 0xC0FFFFu);
    EXPECT_EQ(s.Styles[seBookmark].BgColor, 0xFFFFC0u);
}

// The example definition, checked line by line as it is loaded from a file.
TEST(ZinSyntaxLoad, ExampleDefinitionLineByLine)
{
    const std::vector<std::string> lines = {
        "",
        "Comment lines do not start with a full stop.",
        ".title=Script",
        ".casesensitive=yes",
        ".linecomment=//",
        ".blockcomment=/* */",
        ".escapechar=\\",
        ".stringchar='\"",
        ".comment.color=green",
        ".keyword1.color=blue",
        ".keyword1.style=bold",
        ".keyword1=",
        "if else while for",
        "return break",
        ".range=1 [ ] silver",
        ".keyword2.inrange=1",
        ".keyword2=",
        "TRUE FALSE",
    };
    test::TempDir dir;
    std::vector<std::string> done;
    for (size_t n = 0; n <= lines.size(); ++n) {
        std::string text;
        for (size_t k = 0; k < n; ++k)
            text += lines[k] + (k % 2 ? "\r\n" : "\n");
        TZinSyntax s(dir.Write("example.syn", text));
        SCOPED_TRACE("after " + std::to_string(n) + " lines");
        EXPECT_EQ(s.Title, n > 2 ? "Script" : "Plain Text");
        EXPECT_EQ(s.CaseSensitive, n > 3);
        EXPECT_EQ(s.LineComments, n > 4 ? std::vector<std::string>{"//"} : std::vector<std::string>{});
        EXPECT_EQ(s.BlockCommentBegins.size(), n > 5 ? 1u : 0u);
        EXPECT_EQ(s.EscapeChar, n > 6 ? 0x5C : -1);
        EXPECT_EQ(s.StringChars, n > 7 ? "'\"" : "");
        EXPECT_EQ(s.Styles[seComment].Color, n > 8 ? 0x008000u : clNone);
        const TSyntaxKeyword* k1 = s.FindKeyword("keyword1");
        EXPECT_EQ(k1 != nullptr, n > 9);
        if (k1) {
            EXPECT_EQ(k1->Color, 0xFF0000u);
            EXPECT_EQ(k1->Style, n > 10 ? fsBold : 0);
            const W all = {u"break", u"else", u"for", u"if", u"return", u"while"};
            const W expected = n > 13 ? all : n > 12 ? W{u"else", u"for", u"if", u"while"} : W{};
            EXPECT_EQ(Words(*k1), expected);
            EXPECT_EQ(k1->InRange, std::vector<int32_t>{0});
        }
        EXPECT_EQ(s.Ranges.size(), n > 14 ? 1u : 0u);
        const TSyntaxKeyword* k2 = s.FindKeyword("keyword2");
        EXPECT_EQ(k2 != nullptr, n > 15);
        if (k2) {
            EXPECT_EQ(k2->InRange, std::vector<int32_t>{1});
            EXPECT_EQ(Words(*k2), n > 17 ? (W{u"FALSE", u"TRUE"}) : W{});
        }
        EXPECT_EQ(s.HasLineState, n > 4);
    }
    TZinSyntax s(dir.Path() + "example.syn");
    ASSERT_EQ(s.Keywords.size(), 2u);
    EXPECT_EQ(s.Keywords[0].Name, "keyword1");
    EXPECT_EQ(s.Keywords[0].FirstLine, 12);
    EXPECT_EQ(s.Keywords[0].LastLine, 13);
    EXPECT_EQ(s.Keywords[1].FirstLine, 17);
    EXPECT_EQ(s.Keywords[1].LastLine, 17);
    EXPECT_EQ(s.BlockCommentEnds, std::vector<std::string>{"*/"});
    EXPECT_EQ(s.Ranges[0].Id, 1);
    EXPECT_EQ(s.Ranges[0].Begin, "[");
    EXPECT_EQ(s.Ranges[0].End, "]");
    EXPECT_EQ(s.Ranges[0].BgColor, 0xC0C0C0u);
    EXPECT_EQ(s.RangeBegins, std::vector<std::string>{"["});
    // Case-sensitive: the words went to WordsCS only.
    EXPECT_TRUE(s.Keywords[0].WordsCIS.empty());
    EXPECT_EQ(s.Keywords[0].WordsCS.count(u"if"), 1u);
    EXPECT_EQ(s.Keywords[0].WordsCS.count(u"IF"), 0u);
}

TEST(ZinSyntaxLoad, AttributeLines)
{
    // .Comment.Color=Red: name and value are lower-cased before matching.
    EXPECT_EQ(FromLines({".Comment.Color=Red"})->Styles[seComment].Color, 0x0000FFu);
    // A blank before "=" becomes part of the attribute: no action.
    EXPECT_EQ(FromLines({".comment.color =red"})->Styles[seComment].Color, clNone);
    // The value is trimmed.
    EXPECT_EQ(FromLines({".comment.color=  red \t"})->Styles[seComment].Color, 0x0000FFu);
    // A blank around the dot belongs to the name: a keyword set " comment".
    auto blank = FromLines({". comment.color=red"});
    EXPECT_EQ(blank->Styles[seComment].Color, clNone);
    ASSERT_NE(blank->FindKeyword(" comment"), nullptr);
    EXPECT_EQ(blank->FindKeyword(" comment")->Color, 0x0000FFu);
    // .color.color names no style: a keyword set "color".
    auto color = FromLines({".color.color=red"});
    ASSERT_EQ(color->Keywords.size(), 1u);
    EXPECT_EQ(color->Keywords[0].Name, "color");
    EXPECT_EQ(color->Keywords[0].Color, 0x0000FFu);
    // Keyword set names are case-sensitive.
    auto two = FromLines({".Keyword1.color=blue", ".keyword1=", "a"});
    ASSERT_EQ(two->Keywords.size(), 2u);
    EXPECT_EQ(two->FindKeyword("Keyword1")->Color, 0xFF0000u);
    EXPECT_TRUE(Words(*two->FindKeyword("Keyword1")).empty());
    EXPECT_EQ(two->FindKeyword("keyword1")->Color, clNone);
    EXPECT_EQ(Words(*two->FindKeyword("keyword1")), W{u"a"});
    // An unknown attribute still creates the keyword set, with defaults.
    auto unknown = FromLines({".kw.weight=bold"});
    ASSERT_NE(unknown->FindKeyword("kw"), nullptr);
    EXPECT_EQ(unknown->FindKeyword("kw")->Style, 0);
    EXPECT_EQ(unknown->FindKeyword("kw")->InRange, std::vector<int32_t>{0});
    // ... but not for style names or comment kinds.
    EXPECT_TRUE(FromLines({".comment.weight=bold", ".linecomment.color=red"})->Keywords.empty());
    // Style lines combine; bgcolor and color are separate.
    auto st = FromLines({".number.style=bold,italic", ".number.style=underline",
                         ".number.bgcolor=00ff00", ".number.color=nocolour"});
    EXPECT_EQ(st->Styles[seNumber].Style, fsBold | fsItalic | fsUnderline);
    EXPECT_EQ(st->Styles[seNumber].BgColor, 0x00FF00u);
    EXPECT_EQ(st->Styles[seNumber].Color, clNone);
    // "inrange" acts for "string" only among the styles.
    auto in = FromLines({".string.inrange=2", ".string.inrange=3 4", ".comment.inrange=5"});
    EXPECT_EQ(in->StringInRange, (std::vector<int32_t>{2, 3, 4}));
    // More dots: the attribute is everything between the second dot and "=".
    auto dots = FromLines({".kw.color.x=red"});
    ASSERT_NE(dots->FindKeyword("kw"), nullptr);
    EXPECT_EQ(dots->FindKeyword("kw")->Color, clNone);
}

TEST(ZinSyntaxLoad, InRangeLists)
{
    struct Case {
        const char* value;
        std::vector<int32_t> expected;
    } cases[] = {
        {"1 2", {1, 2}},
        {"1,2", {1, 2}},
        {"1;2", {1, 2}},
        {"", {}},
        // Leading non-digits are skipped like any other separator.
        {"x1", {1}},
        {"abc", {}},
        {"-3", {3}},
        {" 007 , 255 256", {7, 255, 256}},
        // A number beyond 32 bits is dropped; its neighbours are kept.
        {"1 99999999999 2", {1, 2}},
        {"2147483647 2147483648", {2147483647}},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> list;
        TZinSyntax::ParseRangeList(c.value, list);
        EXPECT_EQ(list, c.expected) << "value \"" << c.value << '"';
    }
    // A keyword set's inrange value without digits leaves it empty, and
    // post-processing then makes it {0}.
    auto s = FromLines({".kw.inrange=none", ".linecomment.inrange=abc", ".linecomment=#"});
    EXPECT_EQ(s->FindKeyword("kw")->InRange, std::vector<int32_t>{0});
    EXPECT_EQ(s->LineCommentInRange, std::vector<int32_t>{0});
    // Lists grow over several lines.
    auto g = FromLines({".kw.inrange=1", ".kw.inrange=2,3"});
    EXPECT_EQ(g->FindKeyword("kw")->InRange, (std::vector<int32_t>{1, 2, 3}));
}

TEST(ZinSyntaxLoad, BlockComments)
{
    // An odd token count keeps the last begin without an end.
    auto odd = FromLines({".blockcomment=/* */ {"});
    EXPECT_EQ(odd->BlockCommentBegins, (std::vector<std::string>{"/*", "{"}));
    EXPECT_EQ(odd->BlockCommentEnds, std::vector<std::string>{"*/"});
    EXPECT_EQ(odd->BlockCommentInRange, (std::vector<std::vector<int32_t>>{{0}, {0}}));
    EXPECT_TRUE(odd->HasLineState);
    // In-range groups by pair, cut at commas; missing groups become {0}.
    auto groups = FromLines({".blockcomment=(* *) { } /* */",
                             ".blockcomment.inrange=1 2, ,3",
                             ".blockcomment.inrange=4"});
    EXPECT_EQ(groups->BlockCommentInRange,
              (std::vector<std::vector<int32_t>>{{1, 2, 4}, {0}, {3}}));
    // Groups beyond the number of pairs are kept as read.
    auto extra = FromLines({".blockcomment=a b", ".blockcomment.inrange=1,2,,"});
    EXPECT_EQ(extra->BlockCommentInRange,
              (std::vector<std::vector<int32_t>>{{1}, {2}, {}, {}}));
    // Several lines add pairs.
    auto more = FromLines({".blockcomment=/* */", ".blockcomment={ }"});
    EXPECT_EQ(more->BlockCommentBegins, (std::vector<std::string>{"/*", "{"}));
    EXPECT_EQ(more->BlockCommentEnds, (std::vector<std::string>{"*/", "}"}));
}

TEST(ZinSyntaxLoad, KeyLines)
{
    auto s = FromLines({
        ".title=First",
        ".title=  Second Title  ",
        ".casesensitive=no",
        ".delimiter=,;",
        ".escapechar=\\\\x",
        ".stringchar=\"",
        ".directiveleading=#",
        ".keywordprefix=$@",
        ".specialwordprefix=%",
        ".indentstring={ begin",
        ".unindentstring=} end",
        ".pair=( ) [ ] <",
        ".codepage=1252",
        ".codepage=cp850",
        ".linecomment=REM //  --",
        ".blockcomment=(* *)",
        ".Title=Third",
    });
    EXPECT_EQ(s->Title, "Third");  // keys are compared lower-cased
    EXPECT_FALSE(s->CaseSensitive);
    EXPECT_EQ(s->Delimiters, ",;");
    EXPECT_EQ(s->EscapeCharText, "\\\\x");
    EXPECT_EQ(s->EscapeChar, '\\');
    EXPECT_EQ(s->StringChars, "\"");
    EXPECT_EQ(s->DirectiveLeading, "#");
    EXPECT_EQ(s->KeywordPrefixes, "$@");
    EXPECT_EQ(s->SpecialWordPrefixes, "%");
    EXPECT_EQ(s->IndentStrings, (std::vector<std::string>{"{", "begin"}));
    EXPECT_EQ(s->UnindentStrings, (std::vector<std::string>{"}", "end"}));
    EXPECT_EQ(s->PairOpens, (std::vector<std::string>{"(", "[", "<"}));
    EXPECT_EQ(s->PairCloses, (std::vector<std::string>{")", "]"}));
    EXPECT_EQ(s->CodePage, 1252);  // "cp850" does not convert
    // Not case-sensitive: the comment tokens are lower-cased.
    EXPECT_EQ(s->LineComments, (std::vector<std::string>{"rem", "//", "--"}));
    EXPECT_EQ(s->LineCommentInRange, std::vector<int32_t>{0});
    EXPECT_TRUE(s->Keywords.empty());

    struct Case {
        const char* line;
        bool caseSensitive;
    } cs[] = {{".casesensitive=yes", true}, {".casesensitive=YES", true},
              {".casesensitive= Yes ", true}, {".casesensitive=no", false},
              {".casesensitive=true", false}, {".casesensitive=", false}};
    for (const Case& c : cs)
        EXPECT_EQ(FromLines({c.line})->CaseSensitive, c.caseSensitive) << c.line;

    // Case-sensitive definitions keep the case of their tokens; character
    // sets and range tokens keep it in any case.
    auto keep = FromLines({".casesensitive=yes", ".linecomment=REM", ".pair=BEGIN END"});
    EXPECT_EQ(keep->LineComments, std::vector<std::string>{"REM"});
    EXPECT_EQ(keep->PairOpens, std::vector<std::string>{"BEGIN"});
    auto lower = FromLines({".blockcomment=BEGIN END", ".range=1 ABC XYZ", ".stringchar=Q",
                            ".indentstring=IF", ".pair=BEGIN END"});
    EXPECT_EQ(lower->BlockCommentBegins, std::vector<std::string>{"begin"});
    EXPECT_EQ(lower->BlockCommentEnds, std::vector<std::string>{"end"});
    EXPECT_EQ(lower->IndentStrings, std::vector<std::string>{"if"});
    EXPECT_EQ(lower->PairCloses, std::vector<std::string>{"end"});
    EXPECT_EQ(lower->Ranges[0].Begin, "ABC");
    EXPECT_EQ(lower->StringChars, "Q");
    // The 8-bit lower-case mapping is ASCII only.
    EXPECT_EQ(FromLines({".linecomment=REM\xC9\xE9"})->LineComments,
              std::vector<std::string>{"rem\xC9\xE9"});

    // Escape characters: empty, missing, and bytes above 0x7F (negative).
    EXPECT_EQ(FromLines({".escapechar="})->EscapeChar, -1);
    EXPECT_EQ(FromLines({".escapechar=   "})->EscapeChar, -1);
    EXPECT_EQ(FromLines({".escapechar=\xE9"})->EscapeChar, static_cast<int8_t>('\xE9'));
    EXPECT_LT(FromLines({".escapechar=\xE9"})->EscapeChar, -1);
    // Code pages in the platform's integer syntax.
    EXPECT_EQ(FromLines({".codepage=$4E4"})->CodePage, 1252);
    EXPECT_EQ(FromLines({".codepage=0xFDE9"})->CodePage, 65001);
    EXPECT_EQ(FromLines({".codepage=99999999999"})->CodePage, -1);
}

TEST(ZinSyntaxLoad, Ranges)
{
    struct Case {
        const char* line;
        int32_t id;
        const char* begin;
        const char* end;
        TColor bg;
    } cases[] = {
        {".range=1 [ ] silver", 1, "[", "]", 0xC0C0C0},
        {".range=x [ ]", 0, "[", "]", clNone},
        {".range=2 <?php ?> FFFF00 ignored tokens", 2, "<?php", "?>", 0x00FFFF},
        {".range=3 <%", 3, "<%", "", clNone},
        {".range=4", 4, "", "", clNone},
        {".range=", 0, "", "", clNone},
        {".range=5 a b SILVER", 5, "a", "b", 0xC0C0C0},
        {".range=6 a b nocolour", 6, "a", "b", clNone},
        {".range=$10 a b", 16, "a", "b", clNone},
        {".range=300 a b", 300, "a", "b", clNone},
    };
    for (const Case& c : cases) {
        auto s = FromLines({c.line});
        ASSERT_EQ(s->Ranges.size(), 1u) << c.line;
        EXPECT_EQ(s->Ranges[0].Id, c.id) << c.line;
        EXPECT_EQ(s->Ranges[0].Begin, c.begin) << c.line;
        EXPECT_EQ(s->Ranges[0].End, c.end) << c.line;
        EXPECT_EQ(s->Ranges[0].BgColor, c.bg) << c.line;
        EXPECT_EQ(s->RangeBegins, std::vector<std::string>{c.begin}) << c.line;
        EXPECT_TRUE(s->HasLineState);
    }
    // Ranges sharing an id: the first one is found.
    auto s = FromLines({".range=1 a b red", ".range=1 c d blue"});
    ASSERT_EQ(s->Ranges.size(), 2u);
    EXPECT_EQ(s->FindRange(1), &s->Ranges[0]);
    EXPECT_EQ(s->RangeBegins, (std::vector<std::string>{"a", "c"}));
    // Ranges added by hand after loading are found as well.
    EXPECT_EQ(s->FindRange(9), nullptr);
    TSyntaxRange r;
    r.Id = 9;
    s->Ranges.push_back(r);
    ASSERT_NE(s->FindRange(9), nullptr);
    EXPECT_EQ(s->FindRange(9)->Id, 9);
    EXPECT_EQ(s->FindRange(1), &s->Ranges[0]);
    // A copy answers from its own ranges.
    TZinSyntax copy = *s;
    EXPECT_EQ(copy.FindRange(1), &copy.Ranges[0]);
}

TEST(ZinSyntaxLoad, KeywordSections)
{
    // A section's words may spread over lines, with any white space.
    auto s = FromLines({".kw=", "  if else\twhile  ", "", "for", ".", "not a word"});
    EXPECT_EQ(Words(*s->FindKeyword("kw")), (W{u"else", u"for", u"if", u"while"}));
    // The text after "=" of a header is ignored.
    auto h = FromLines({".kw=alpha beta", "gamma"});
    EXPECT_EQ(Words(*h->FindKeyword("kw")), W{u"gamma"});
    // ".title =Foo" is a section named "title ", not a title.
    auto t = FromLines({".title =Foo", "one two"});
    EXPECT_EQ(t->Title, "Plain Text");
    ASSERT_NE(t->FindKeyword("title "), nullptr);
    EXPECT_EQ(Words(*t->FindKeyword("title ")), (W{u"one", u"two"}));
    // A second section of the same name replaces the first one's lines;
    // the set keeps its place and attributes.
    auto r = FromLines({".a.color=red", ".a=", "one", ".b=", "two", ".a=", "three"});
    ASSERT_EQ(r->Keywords.size(), 2u);
    EXPECT_EQ(r->Keywords[0].Name, "a");
    EXPECT_EQ(r->Keywords[0].Color, 0x0000FFu);
    EXPECT_EQ(Words(r->Keywords[0]), W{u"three"});
    // A section ends at any line that starts with ".", which is then
    // classified itself; ".." and ".x" without "=" are ignored.
    auto e = FromLines({".kw=", "a", ".no equals sign", "b", ".kw2=", "c", "..", ".title=T"});
    EXPECT_EQ(Words(*e->FindKeyword("kw")), W{u"a"});
    EXPECT_EQ(Words(*e->FindKeyword("kw2")), W{u"c"});
    EXPECT_EQ(e->Title, "T");
    // A section at the end of the file without lines, and one whose next
    // line is a header at once, have no words.
    auto empty = FromLines({".a=", ".b="});
    EXPECT_TRUE(Words(*empty->FindKeyword("a")).empty());
    EXPECT_TRUE(Words(*empty->FindKeyword("b")).empty());
    // Not case-sensitive: the words are lower-cased and found in any case;
    // duplicates are held once; bytes above 0x7F become U+0080-U+00FF and
    // their Latin-1 capitals compare equal to the small letters.
    auto ci = FromLines({".kw=", "IF if If \xC9t\xC9 \xE9t\xE9"});
    const TSyntaxKeyword& kw = *ci->FindKeyword("kw");
    EXPECT_TRUE(kw.WordsCS.empty());
    EXPECT_EQ(Words(kw), (W{u"if", u"\u00C9t\u00C9"}));
    EXPECT_EQ(kw.WordsCIS.count(std::u16string_view(u"\u00E9t\u00E9")), 1u);
    EXPECT_EQ(kw.WordsCIS.count(std::u16string_view(u"IF")), 1u);
    EXPECT_EQ(kw.WordsCIS.count(std::u16string_view(u"\u00C9T\u00C9")), 1u);
    EXPECT_EQ(kw.WordsCIS.count(std::u16string_view(u"iff")), 0u);
    // Lines before any section and lines after a key line are not words.
    auto none = FromLines({"alpha", ".title=x", "beta"});
    EXPECT_TRUE(none->Keywords.empty());
}

TEST(ZinSyntaxHash, Functions)
{
    EXPECT_EQ(hash_cs()(u""), 0u);
    EXPECT_EQ(hash_cs()(u"ab"), 5u * 'a' + 'b');
    EXPECT_EQ(hash_cis()(u"AB"), 5u * 'a' + 'b');
    EXPECT_EQ(hash_cis()(u"\u00C9"), hash_cis()(u"\u00E9"));
    EXPECT_NE(hash_cs()(u"AB"), hash_cs()(u"ab"));
    // 32-bit wrap-around.
    uint32_t h = 0;
    std::u16string longWord(40, u'z');
    for (char16_t u : longWord)
        h = 5 * h + u;
    EXPECT_EQ(hash_cs()(longWord), h);
    EXPECT_TRUE(eq_wcstr_cs()(u"If", u"If"));
    EXPECT_FALSE(eq_wcstr_cs()(u"If", u"if"));
    EXPECT_TRUE(eq_wcstr_cis()(u"If", u"iF"));
    EXPECT_FALSE(eq_wcstr_cis()(u"If", u"Iff"));
    EXPECT_FALSE(eq_wcstr_cis()(u"@", u"`"));  // same hash, different letters
    EXPECT_TRUE(eq_wcstr_cis()(u"\u00C0\u00DE", u"\u00E0\u00FE"));
    EXPECT_FALSE(eq_wcstr_cis()(u"\u00D7", u"\u00F7"));  // times and division signs
    // Both sets start with at least 100 buckets.
    TSyntaxKeyword kw;
    EXPECT_GE(kw.WordsCS.bucket_count(), 100u);
    EXPECT_GE(kw.WordsCIS.bucket_count(), 100u);
}

TEST(ZinSyntaxLoad, LoadAgainStartsFromDefaults)
{
    test::TempDir dir;
    const std::string a = dir.Write("a.syn", ".title=A\n.casesensitive=yes\n.kw=\nx\n.range=1 a b\n"
                                             ".linecomment=#\n.comment.color=red\n");
    const std::string b = dir.Write("b.syn", ".title=B\n");
    TZinSyntax s(a);
    ASSERT_EQ(s.Title, "A");
    EXPECT_TRUE(s.Load(b));
    EXPECT_EQ(s.Title, "B");
    EXPECT_FALSE(s.CaseSensitive);
    EXPECT_TRUE(s.Keywords.empty());
    EXPECT_EQ(s.FindKeyword("kw"), nullptr);
    EXPECT_TRUE(s.Ranges.empty());
    EXPECT_EQ(s.FindRange(1), nullptr);
    EXPECT_TRUE(s.LineComments.empty());
    EXPECT_TRUE(s.LineCommentInRange.empty());
    EXPECT_EQ(s.Styles[seComment].Color, clNone);
    EXPECT_FALSE(s.HasLineState);
    EXPECT_EQ(s.Lines, std::vector<std::string>{".title=B"});
    // A file that cannot be read fails and leaves every default.
    EXPECT_FALSE(s.Load(dir.Path() + "missing.syn"));
    EXPECT_EQ(s.Title, "Plain Text");
    EXPECT_TRUE(s.Lines.empty());
    EXPECT_EQ(s.StringInRange, std::vector<int32_t>{0});
    EXPECT_FALSE(s.Load(dir.Path()));  // a directory
    EXPECT_EQ(s.Title, "Plain Text");
}

TEST(ZinSyntaxLoad, FindOrAddKeywordKeepsReferences)
{
    TZinSyntax s;
    TSyntaxKeyword& first = s.FindOrAddKeyword("first");
    first.Color = 0x123456;
    for (int k = 0; k < 1000; ++k)
        s.FindOrAddKeyword("set" + std::to_string(k));
    EXPECT_EQ(&s.FindOrAddKeyword("first"), &first);
    EXPECT_EQ(first.Color, 0x123456u);
    EXPECT_EQ(s.Keywords.size(), 1001u);
    EXPECT_EQ(s.Keywords[500].Name, "set499");
}

// Junk, very long lines, many sets and large ids load without harm.
TEST(ZinSyntaxLoad, BadInput)
{
    test::TempDir dir;
    std::string junk;
    uint32_t x = 12345;
    for (int k = 0; k < 200000; ++k) {
        x = x * 1103515245u + 12345u;
        junk.push_back(static_cast<char>(x >> 16));
    }
    // Make sure some lines start with "." and hold "=" and NUL bytes.
    for (int k = 0; k < 2000; ++k)
        junk += std::string("\n.a") + char('a' + k % 26) + std::string("\0.b=\0x\n\0 \xff\n", 12);
    TZinSyntax j(dir.Write("junk.syn", junk));
    EXPECT_FALSE(j.Keywords.empty());
    for (const TSyntaxKeyword& kw : j.Keywords)
        for (const std::u16string& w : kw.WordsCIS)
            EXPECT_EQ(w.find(u'\0'), std::u16string::npos);

    std::string longLine = ".kw=\n" + std::string(3000000, 'w') + " " + std::string(1000000, '.') + "\n" +
                           ".range=1 " + std::string(1000000, '[') + " ] red\n";
    TZinSyntax l(dir.Write("long.syn", longLine));
    ASSERT_EQ(l.Keywords.size(), 1u);
    EXPECT_EQ(l.Keywords[0].WordsCIS.size(), 2u);
    ASSERT_EQ(l.Ranges.size(), 1u);
    EXPECT_EQ(l.Ranges[0].Begin.size(), 1000000u);

    std::string many;
    for (int k = 0; k < 10000; ++k) {
        many += ".set" + std::to_string(k) + ".color=ff0000\n";
        many += ".set" + std::to_string(k) + "=\nw" + std::to_string(k) + "\n";
        many += ".range=" + std::to_string(k * 37) + " b" + std::to_string(k) + " e\n";
    }
    many += ".blockcomment.inrange=" + std::string(100000, ',') + "\n";
    TZinSyntax m(dir.Write("many.syn", many));
    ASSERT_EQ(m.Keywords.size(), 10000u);
    EXPECT_EQ(m.Keywords[9999].Name, "set9999");
    EXPECT_EQ(m.Keywords[9999].WordsCIS.count(std::u16string_view(u"w9999")), 1u);
    EXPECT_EQ(m.Ranges.size(), 10000u);
    ASSERT_NE(m.FindRange(37 * 9999), nullptr);
    EXPECT_EQ(m.FindRange(37 * 9999)->Begin, "b9999");
    EXPECT_EQ(m.FindRange(37 * 6)->Begin, "b6");
    EXPECT_EQ(m.BlockCommentInRange.size(), 100001u);
}

}  // namespace
}  // namespace zin
