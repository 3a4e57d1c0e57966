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
    TSyntaxRef a = GetPlainTextSyntax();
    TSyntaxRef b = GetPlainTextSyntax();
    ASSERT_EQ(a, b);
    EXPECT_EQ(a.use_count(), 2);
    EXPECT_EQ(a->Styles[seText].Color, 0x800000u);  // read from syntax_text.syn
    EXPECT_TRUE(SyntaxCache().empty());             // the fallback is not cached
    b.reset();
    EXPECT_EQ(a.use_count(), 1);
    a.reset();
    // The last release destroyed it: the next request reads the file again.
    Dir.Write("syntax_text.syn", ".title=Plain Text\n.text.color=maroon\n");
    TSyntaxRef c = GetPlainTextSyntax();
    EXPECT_EQ(c.use_count(), 1);
    EXPECT_EQ(c->Styles[seText].Color, 0x000080u);
    c.reset();
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
        TSyntaxRef s = SelectSyntaxByExtension(nullptr, c.ext);
        ASSERT_NE(s, nullptr) << c.ext;
        EXPECT_EQ(s->Title, c.title) << "extension \"" << c.ext << '"';
        EXPECT_EQ(s.use_count(), 1) << c.ext;
        s.reset();
    }
}

TEST_F(Catalogue, SharedByFileNameCaseSensitively)
{
    TSyntaxRef c = SelectSyntaxByExtension(nullptr, ".c");
    TSyntaxRef h = SelectSyntaxByExtension(nullptr, ".H");
    TSyntaxRef cc = SelectSyntaxByExtension(nullptr, ".cc");
    // Two extension files naming syntax_c.syn share one object.
    EXPECT_EQ(c, h);
    EXPECT_EQ(c.use_count(), 2);
    // Syntax_C.syn is another key, another object.
    EXPECT_NE(c, cc);
    EXPECT_EQ(cc.use_count(), 1);
    ASSERT_EQ(SyntaxCache().size(), 2u);
    EXPECT_EQ(SyntaxCache().at("syntax_c.syn"), c.get());
    EXPECT_EQ(SyntaxCache().at("Syntax_C.syn"), cc.get());
    EXPECT_EQ(c->FileName, Dir.Path() + "syntax_c.syn");

    // Switching a holder from one definition to another moves its reference.
    h = SelectSyntaxByExtension(std::move(h), ".cc");
    EXPECT_EQ(h, cc);
    EXPECT_EQ(cc.use_count(), 2);
    EXPECT_EQ(c.use_count(), 1);
    c.reset();
    EXPECT_EQ(SyntaxCache().count("syntax_c.syn"), 0u);
    EXPECT_EQ(SyntaxCache().count("Syntax_C.syn"), 1u);
    h.reset();
    EXPECT_EQ(cc.use_count(), 1);
    cc.reset();
}

TEST_F(Catalogue, LastReleaseDestroysAndNextSelectionReloads)
{
    TSyntaxRef a = SelectSyntaxByExtension(nullptr, ".c");
    EXPECT_EQ(a->Title, "C");
    Dir.Write("syntax_c.syn", ".title=C again\n");
    // While held by another, the same object is handed out unchanged.
    TSyntaxRef b = SelectSyntaxByExtension(nullptr, ".c");
    EXPECT_EQ(b, a);
    EXPECT_EQ(b->Title, "C");
    b.reset();
    // Selecting it again with the only reference releases first: the file
    // is read afresh.
    a = SelectSyntaxByExtension(std::move(a), ".c");
    EXPECT_EQ(a->Title, "C again");
    EXPECT_EQ(a.use_count(), 1);
    a.reset();
    EXPECT_TRUE(SyntaxCache().empty());
    Dir.Write("syntax_c.syn", ".title=C third\n");
    a = SelectSyntaxByExtension(nullptr, "c");
    EXPECT_EQ(a->Title, "C third");
    // Switching to an extension without a definition gives "Plain Text"
    // and drops the C definition.
    a = SelectSyntaxByExtension(std::move(a), ".unknown");
    EXPECT_EQ(a->Title, "Plain Text");
    EXPECT_TRUE(SyntaxCache().empty());
    a.reset();
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
        TSyntaxRef s = SelectSyntaxByExtension(nullptr, c.ext);
        ASSERT_NE(s, nullptr) << c.ext;
        // Every default, title "Plain Text".
        EXPECT_EQ(s->Title, "Plain Text") << c.ext;
        EXPECT_EQ(s->Styles[seText].Color, c.cached ? 0x000000u : 0x800000u) << c.ext;
        EXPECT_EQ(SyntaxCache().size(), c.cached ? 1u : 0u) << c.ext;
        // A missing definition is counted like any other.
        TSyntaxRef again = SelectSyntaxByExtension(nullptr, c.ext);
        EXPECT_EQ(again, s);
        EXPECT_EQ(s.use_count(), 2);
        again.reset();
        s.reset();
    }
    // Without syntax_text.syn the fallback is an empty "Plain Text".
    SetSyntaxDir(Dir.Path() + "nowhere/");
    TSyntaxRef p = GetPlainTextSyntax();
    EXPECT_EQ(p->Title, "Plain Text");
    EXPECT_EQ(p->Styles[seText].Color, 0x000000u);
    TSyntaxRef q = SelectSyntaxByExtension(nullptr, ".c");
    EXPECT_EQ(q, p);
    EXPECT_EQ(p.use_count(), 2);
    q.reset();
    p.reset();
}

}  // namespace
}  // namespace zin
