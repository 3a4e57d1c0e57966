// Colour and style values, and the colour fallbacks a painter applies.
#include <gtest/gtest.h>

#include <memory>

#include "syntax/ZinSyntax.h"
#include "SyntaxTestUtil.h"

namespace zin {
namespace {

TEST(ParseColor, NamesHexAndRejects)
{
    struct Case {
        const char* value;
        TColor expected;
    } cases[] = {
        {"aqua", 0xFFFF00},   {"black", 0x000000},  {"blue", 0xFF0000},    {"fuchsia", 0xFF00FF},
        {"gray", 0x808080},   {"green", 0x008000},  {"lime", 0x00FF00},    {"maroon", 0x000080},
        {"navy", 0x800000},   {"olive", 0x008080},  {"purple", 0x800080},  {"red", 0x0000FF},
        {"silver", 0xC0C0C0}, {"teal", 0x808000},   {"white", 0xFFFFFF},   {"yellow", 0x00FFFF},
        // RRGGBB is turned around into the stored 0x00BBGGRR form.
        {"ff0000", 0x0000FF}, {"0000ff", 0xFF0000}, {"123456", 0x563412},  {"ABCDEF", 0xEFCDAB},
        {"7", 0x070000},
        // Only the low 24 bits count: nothing a file says gives clNone.
        {"1fffffff", 0xFFFFFF}, {"ff123456", 0x563412},
        // Neither a name nor hexadecimal: the colour stays as it was.
        {"", 0x111111}, {"Red", 0x111111}, {"grey", 0x111111}, {"0xff", 0x111111},
        {"$ff", 0x111111}, {"-1", 0x111111}, {"12 34", 0x111111}, {"1ffffffff", 0x111111},
        {"zz", 0x111111},
    };
    for (const Case& c : cases) {
        TColor color = 0x111111;
        ParseColor(c.value, color);
        EXPECT_EQ(color, c.expected) << "value \"" << c.value << '"';
    }
}

TEST(ParseStyle, AddsNamedFlagsOnly)
{
    struct Case {
        const char* value;
        TFontStyles expected;
    } cases[] = {
        {"bold,italic", fsBold | fsItalic},
        {"underline", fsUnderline},
        {"strikeout;bold", fsStrikeOut | fsBold},
        {"  bold  ", fsBold},
        {"1bold2italic3", fsBold | fsItalic},
        {"bolditalic", 0},
        {"Bold", 0},  // definition files lower-case the value before this
        {"heavy, thin", 0},
        {"", 0},
    };
    for (const Case& c : cases) {
        TFontStyles s = 0;
        ParseStyle(c.value, s);
        EXPECT_EQ(s, c.expected) << "value \"" << c.value << '"';
    }
    // Flags are only ever added.
    TFontStyles s = 0;
    ParseStyle("bold,italic", s);
    ParseStyle("underline", s);
    EXPECT_EQ(s, fsBold | fsItalic | fsUnderline);
}

TEST(SelectStyle, NoColoursMeansBlackOnWhite)
{
    auto s = FromLines({});
    for (int k = 0; k < SyntaxStyleCount; ++k) {
        if (k == seActiveLine || k == seBookmark)
            continue;
        const TSelectedStyle sel = s->SelectStyle(0, s->Styles[k]);
        EXPECT_EQ(sel.Foreground, 0x000000u) << SyntaxStyleNames[k];
        EXPECT_EQ(sel.Background, 0xFFFFFFu) << SyntaxStyleNames[k];
        EXPECT_EQ(sel.Style, 0) << SyntaxStyleNames[k];
    }
    EXPECT_EQ(s->CurrentBackground(0), 0xFFFFFFu);
    EXPECT_EQ(s->SelectStyle(0, s->Styles[seActiveLine]).Background, 0xC0FFFFu);
}

TEST(SelectStyle, RangeBackgroundFillsWhatHasNone)
{
    auto s = FromLines({
        ".range=1 [ ] silver",
        ".range=2 < > ",  // a range without a background
        ".range=1 { } red",  // a later range with the same id does not count
        ".comment.color=green",
        ".string.bgcolor=yellow",
        ".string.style=bold",
        ".kw.color=blue",
        ".kw.bgcolor=aqua",
        ".kw2.color=navy",
    });
    // Plain text and elements without a background take the range's.
    EXPECT_EQ(s->SelectStyle(1, s->Styles[seText]).Background, 0xC0C0C0u);
    const TSelectedStyle comment = s->SelectStyle(1, s->Styles[seComment]);
    EXPECT_EQ(comment.Background, 0xC0C0C0u);
    EXPECT_EQ(comment.Foreground, 0x008000u);
    // An element with its own background keeps it.
    const TSelectedStyle str = s->SelectStyle(1, s->Styles[seString]);
    EXPECT_EQ(str.Background, 0x00FFFFu);
    EXPECT_EQ(str.Foreground, 0x000000u);
    EXPECT_EQ(str.Style, fsBold);
    // Keyword sets follow the same rules.
    EXPECT_EQ(s->SelectStyle(1, *s->FindKeyword("kw")).Background, 0xFFFF00u);
    EXPECT_EQ(s->SelectStyle(1, *s->FindKeyword("kw2")).Background, 0xC0C0C0u);
    EXPECT_EQ(s->SelectStyle(1, *s->FindKeyword("kw2")).Foreground, 0x800000u);
    // A range without a background, and a range id nobody defined, fall
    // back to the "text" background.
    EXPECT_EQ(s->SelectStyle(2, s->Styles[seComment]).Background, 0xFFFFFFu);
    EXPECT_EQ(s->SelectStyle(2, s->Styles[seText]).Background, 0xFFFFFFu);
    EXPECT_EQ(s->SelectStyle(7, s->Styles[seComment]).Background, 0xFFFFFFu);
    EXPECT_EQ(s->CurrentBackground(1), 0xC0C0C0u);
    EXPECT_EQ(s->CurrentBackground(2), 0xFFFFFFu);
    EXPECT_EQ(s->CurrentBackground(7), 0xFFFFFFu);
}

TEST(SelectStyle, TextOwnBackgroundOnlyGivesWayToARange)
{
    auto s = FromLines({".text.bgcolor=", ".range=3 a b teal"});
    s->Styles[seText].BgColor = clNone;  // a text style without background
    s->Styles[seComment].BgColor = clNone;
    // "text" itself keeps clNone outside ranges; other elements fall back
    // to it and so keep clNone as well.
    EXPECT_EQ(s->SelectStyle(0, s->Styles[seText]).Background, clNone);
    EXPECT_EQ(s->SelectStyle(3, s->Styles[seText]).Background, 0x808000u);
    // A copy of the text attributes is not "text" itself: it falls back
    // through the range like any other element.
    const TSyntaxStyle copy = s->Styles[seText];
    EXPECT_EQ(s->SelectStyle(3, copy).Background, 0x808000u);
}

TEST(SelectStyle, RangeIdZeroColoursOutsideEveryRange)
{
    auto s = FromLines({".range=0 x y olive", ".range=300 p q red"});
    EXPECT_EQ(s->SelectStyle(0, s->Styles[seText]).Background, 0x008080u);
    EXPECT_EQ(s->SelectStyle(0, s->Styles[seNumber]).Background, 0x008080u);
    EXPECT_EQ(s->CurrentBackground(0), 0x008080u);
    // Ids beyond a byte are still found when asked for as they are.
    ASSERT_NE(s->FindRange(300), nullptr);
    EXPECT_EQ(s->FindRange(300)->BgColor, 0x0000FFu);
    EXPECT_EQ(s->FindRange(300 & 0xFF), nullptr);
    EXPECT_EQ(s->FindRange(-1), nullptr);
}

}  // namespace
}  // namespace zin
