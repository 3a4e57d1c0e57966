// The catalogue: extension files, the shared cache and reference counts.
#include <gtest/gtest.h>

#include <memory>

#include "support/TempDir.h"
#include "syntax/ZinSyntax.h"

namespace zin {
namespace {

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetSyntaxDir(Dir.Path());
        Dir.Write("syntax_text.syn", ".title=Plain Text\n.text.color=navy\n");
        Dir.Write("syntax_c.syn", ".title=C\n.linecomment=//\n");
        Dir.Write("Syntax_C.syn", ".title=Capital C\n");
        Dir.Write("extension.c", "syntax_c.syn\n");
        Dir.Write("extension.h", "  syntax_c.syn \t\r\nignored second line\r\n");
        Dir.Write("extension.cc", "Syntax_C.syn");
    }
    void TearDown() override
    {
        EXPECT_TRUE(SyntaxCache().empty());
    }
    test::TempDir Dir;
};

TEST_F(Catalogue, SyntaxDirHasTrailingSlash)
{
    SetSyntaxDir("/some/where");
    EXPECT_EQ(SyntaxDir(), "/some/where/");
    SetSyntaxDir(Dir.Path());
    EXPECT_EQ(SyntaxDir(), Dir.Path());
}

TEST_F(Catalogue, PlainTextIsSharedAndCounted)
{
    TZinSyntax* a = GetPlainTextSyntax();
    TZinSyntax* b = GetPlainTextSyntax();
    ASSERT_EQ(a, b);
    EXPECT_EQ(a->RefCount, 2);
    EXPECT_EQ(a->Styles[seText].Color, 0x800000u);  // read from syntax_text.syn
    EXPECT_TRUE(SyntaxCache().empty());             // the fallback is not cached
    ReleaseSyntax(b);
    EXPECT_EQ(a->RefCount, 1);
    ReleaseSyntax(a);
    ReleaseSyntax(nullptr);
    // The last release destroyed it: the next request reads the file again.
    Dir.Write("syntax_text.syn", ".title=Plain Text\n.text.color=maroon\n");
    TZinSyntax* c = GetPlainTextSyntax();
    EXPECT_EQ(c->RefCount, 1);
    EXPECT_EQ(c->Styles[seText].Color, 0x000080u);
    ReleaseSyntax(c);
}

TEST_F(Catalogue, ExtensionsLeadToTheirDefinition)
{
    struct Case {
        const char* ext;
        const char* title;
    } cases[] = {
        {".c", "C"},          {"c", "C"},           {".C", "C"},
        {"  .c  ", "C"},      {".h", "C"},          {".cc", "Capital C"},
        {"", "Plain Text"},   {"   ", "Plain Text"}, {".txt", "Plain Text"},
        {".", "Plain Text"},  {".c.h", "Plain Text"},
    };
    for (const Case& c : cases) {
        TZinSyntax* s = SelectSyntaxByExtension(nullptr, c.ext);
        ASSERT_NE(s, nullptr) << c.ext;
        EXPECT_EQ(s->Title, c.title) << "extension \"" << c.ext << '"';
        EXPECT_EQ(s->RefCount, 1) << c.ext;
        ReleaseSyntax(s);
    }
}

TEST_F(Catalogue, SharedByFileNameCaseSensitively)
{
    TZinSyntax* c = SelectSyntaxByExtension(nullptr, ".c");
    TZinSyntax* h = SelectSyntaxByExtension(nullptr, ".H");
    TZinSyntax* cc = SelectSyntaxByExtension(nullptr, ".cc");
    // Two extension files naming syntax_c.syn share one object.
    EXPECT_EQ(c, h);
    EXPECT_EQ(c->RefCount, 2);
    // Syntax_C.syn is another key, another object.
    EXPECT_NE(c, cc);
    EXPECT_EQ(cc->RefCount, 1);
    ASSERT_EQ(SyntaxCache().size(), 2u);
    EXPECT_EQ(SyntaxCache().at("syntax_c.syn"), c);
    EXPECT_EQ(SyntaxCache().at("Syntax_C.syn"), cc);
    EXPECT_EQ(c->FileName, Dir.Path() + "syntax_c.syn");

    // Switching a holder from one definition to another moves its reference.
    h = SelectSyntaxByExtension(h, ".cc");
    EXPECT_EQ(h, cc);
    EXPECT_EQ(cc->RefCount, 2);
    EXPECT_EQ(c->RefCount, 1);
    ReleaseSyntax(c);
    EXPECT_EQ(SyntaxCache().count("syntax_c.syn"), 0u);
    EXPECT_EQ(SyntaxCache().count("Syntax_C.syn"), 1u);
    ReleaseSyntax(h);
    EXPECT_EQ(cc->RefCount, 1);
    ReleaseSyntax(cc);
}

TEST_F(Catalogue, LastReleaseDestroysAndNextSelectionReloads)
{
    TZinSyntax* a = SelectSyntaxByExtension(nullptr, ".c");
    EXPECT_EQ(a->Title, "C");
    Dir.Write("syntax_c.syn", ".title=C again\n");
    // While held by another, the same object is handed out unchanged.
    TZinSyntax* b = SelectSyntaxByExtension(nullptr, ".c");
    EXPECT_EQ(b, a);
    EXPECT_EQ(b->Title, "C");
    ReleaseSyntax(b);
    // Selecting it again with the only reference releases first: the file
    // is read afresh.
    a = SelectSyntaxByExtension(a, ".c");
    EXPECT_EQ(a->Title, "C again");
    EXPECT_EQ(a->RefCount, 1);
    ReleaseSyntax(a);
    EXPECT_TRUE(SyntaxCache().empty());
    Dir.Write("syntax_c.syn", ".title=C third\n");
    a = SelectSyntaxByExtension(nullptr, "c");
    EXPECT_EQ(a->Title, "C third");
    // Switching to an extension without a definition gives "Plain Text"
    // and drops the C definition.
    a = SelectSyntaxByExtension(a, ".unknown");
    EXPECT_EQ(a->Title, "Plain Text");
    EXPECT_TRUE(SyntaxCache().empty());
    ReleaseSyntax(a);
}

TEST_F(Catalogue, BrokenFilesStillGiveADefinition)
{
    Dir.Write("extension.empty", "");
    Dir.Write("extension.blank", "   \n syntax_c.syn\n");
    Dir.Write("extension.missing", "syntax_missing.syn\n");
    Dir.Write("extension.dir", "subdir\n");
    Dir.Write("subdir/x", "");
    struct Case {
        const char* ext;
        bool cached;
    } cases[] = {{".empty", false}, {".blank", false}, {".missing", true}, {".dir", true}};
    for (const Case& c : cases) {
        TZinSyntax* s = SelectSyntaxByExtension(nullptr, c.ext);
        ASSERT_NE(s, nullptr) << c.ext;
        // Every default, title "Plain Text".
        EXPECT_EQ(s->Title, "Plain Text") << c.ext;
        EXPECT_EQ(s->Styles[seText].Color, c.cached ? 0x000000u : 0x800000u) << c.ext;
        EXPECT_EQ(SyntaxCache().size(), c.cached ? 1u : 0u) << c.ext;
        // A missing definition is counted like any other.
        TZinSyntax* again = SelectSyntaxByExtension(nullptr, c.ext);
        EXPECT_EQ(again, s);
        EXPECT_EQ(s->RefCount, 2);
        ReleaseSyntax(again);
        ReleaseSyntax(s);
    }
    // Without syntax_text.syn the fallback is an empty "Plain Text".
    SetSyntaxDir(Dir.Path() + "nowhere/");
    TZinSyntax* p = GetPlainTextSyntax();
    EXPECT_EQ(p->Title, "Plain Text");
    EXPECT_EQ(p->Styles[seText].Color, 0x000000u);
    TZinSyntax* q = SelectSyntaxByExtension(nullptr, ".c");
    EXPECT_EQ(q, p);
    EXPECT_EQ(p->RefCount, 2);
    ReleaseSyntax(q);
    ReleaseSyntax(p);
}

}  // namespace
}  // namespace zin
