// Loading: memory or disk, the encoding guess, hex mode, failures, and a
// file that shrinks or disappears while it is open.
#include "support/LinesAccess.h"
#include <unistd.h>

#include "LinesTestUtil.h"
#include "syntax/ZinSyntax.h"

namespace zin::test {
namespace {

class LoadTest : public LinesTest {};

TEST_F(LoadTest, EmptyFileIsOneEmptyLineInTheSystemCodePage)
{
    SetSystemCodePage(1251);
    Owner.SetCodePage(65001);
    ASSERT_TRUE(Load(""));
    EXPECT_EQ(Lines().LineCount(), 1);
    EXPECT_EQ(Lines().RowCount(), 1);
    EXPECT_EQ(Lines().FileSize(), 0u);
    EXPECT_EQ(TZinLinesAccess::FileData(Lines()), nullptr);
    EXPECT_EQ(Owner.GetCodePage(), 1251);
    EXPECT_FALSE(Owner.FLoading);
    EXPECT_EQ(Owner.ResetViewCalls, 1);
    EXPECT_EQ(LineAt(0).Rows()[1], (TRowIndex{0, 0}));
}

TEST_F(LoadTest, MemoryUpToTheLimitDiskBeyond)
{
    Owner.MaxMemFileSize = 100;
    ASSERT_TRUE(Load(std::string(100, 'x')));
    EXPECT_EQ(TZinLinesAccess::FileData(Lines()), nullptr);
    EXPECT_EQ(LineAt(0).Blocks()[0].Source, TZinLinesAccess::MemData(Lines()));
    ASSERT_TRUE(Load(std::string(101, 'x')));
    ASSERT_NE(TZinLinesAccess::FileData(Lines()), nullptr);
    EXPECT_EQ(LineAt(0).Blocks()[0].Source, TZinLinesAccess::FileData(Lines()));
    ExpectInvariants(Lines(), Owner);
}

TEST_F(LoadTest, EncodingGuess)
{
    struct Case {
        std::string bytes;
        int32_t codePage;
        TEditMode mode;
    } cases[] = {
        {std::string("\xFF\xFE\x01\x02\x00\x00", 6), 1200, emTextMode},  // the mark wins
        {std::string("\xFE\xFF\x00\x41", 4), 1201, emTextMode},
        {"caf\xC3\xA9\n", 65001, emTextMode},
        {"plain text\n", 1252, emTextMode},
        {std::string("ab\x01" "cd\nef\n", 8), 1252, emHexMode},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        Owner.SetCodePage(1252);
        ASSERT_TRUE(Load(c.bytes));
        EXPECT_EQ(Owner.GetCodePage(), c.codePage);
        EXPECT_EQ(Owner.FEditMode, c.mode);
    }
    // Hex mode: no scan, one line holding the whole file with one row.
    EXPECT_EQ(Lines().LineCount(), 1);
    EXPECT_EQ(LineAt(0).Length(), 8u);
    EXPECT_EQ(LineAt(0).Rows().size(), 2u);
    EXPECT_EQ(LineAt(0).Rows()[1].Pos, 8u);
    // The next load returns to text mode before it guesses.
    ASSERT_TRUE(Load("a\nb"));
    EXPECT_EQ(Owner.FEditMode, emTextMode);
    EXPECT_EQ(Lines().LineCount(), 2);
}

TEST_F(LoadTest, PlainTextAfterUnicodeFallsBackToTheSystemCodePage)
{
    SetSystemCodePage(1250);
    Owner.SetCodePage(1200);
    ASSERT_TRUE(Load("abc\n"));
    EXPECT_EQ(Owner.GetCodePage(), 1250);
    // Any other code page is kept.
    Owner.SetCodePage(866);
    ASSERT_TRUE(Load("abc\n"));
    EXPECT_EQ(Owner.GetCodePage(), 866);
}

TEST_F(LoadTest, SyntaxByExtensionAndItsCodePage)
{
    TempDir syntaxDir;
    syntaxDir.Write("loadtest-cp.syn", ".title=Cyr\n.codepage=1251\n.delimiter=;\n");
    syntaxDir.Write("extension.cyr", "loadtest-cp.syn\n");
    const std::string oldDir = SyntaxDir();
    SetSyntaxDir(syntaxDir.Path());
    ASSERT_TRUE(Load("abc\n", "file.cyr"));
    EXPECT_EQ(Owner.GetCodePage(), 1251);
    ASSERT_NE(Lines().Syntax(), nullptr);
    EXPECT_EQ(Lines().Syntax()->Title, "Cyr");
    // The store holds the definition alone: another load lets it go.
    const std::weak_ptr<const TZinSyntax> held = Lines().SyntaxRef();
    ASSERT_TRUE(Load("abc\n", "file.txt"));
    EXPECT_TRUE(held.expired());
    SetSyntaxDir(oldDir);
}

TEST_F(LoadTest, FailedLoadKeepsThePreviousFile)
{
    ASSERT_TRUE(Load("one\ntwo\n"));
    const auto before = CopyLines(Lines());
    EXPECT_FALSE(Owner.Load(Dir.Path() + "missing.txt"));
    EXPECT_FALSE(Owner.Load(Dir.Path()));  // a directory
    EXPECT_EQ(CopyLines(Lines()), before);
    EXPECT_EQ(Lines().FileSize(), 8u);
    twc_queue q;
    Lines().BeginRead(IterAt(1), TRowIndex{0, 0});
    ASSERT_TRUE(Lines().NextChar(q));
    EXPECT_EQ(q.back().first, 't');
}

TEST_F(LoadTest, FileThatShrinksOrVanishesWhileOpenNeverCrashes)
{
    Owner.MaxMemFileSize = 0;
    std::string text;
    for (int i = 0; i < 40000; ++i)
        text += "line " + std::to_string(i) + (i % 3 ? "\n" : "\r\n");
    ASSERT_TRUE(Load(text));
    ASSERT_NE(TZinLinesAccess::FileData(Lines()), nullptr);
    ASSERT_EQ(truncate(FPath.c_str(), 1000), 0);
    Owner.SetCodePage(1251);  // rescans everything from the shrunk file
    ExpectInvariants(Lines(), Owner);
    EXPECT_GE(Lines().LineCount(), 1);
    ASSERT_EQ(unlink(FPath.c_str()), 0);
    Owner.SetCodePage(65001);
    Owner.WrapMode = wwmWrapByColumn;
    Lines().Reformat();
    ExpectInvariants(Lines(), Owner);
    for (auto it = Lines().Lines().begin(); it != Lines().Lines().end(); ++it)
        ReadLine(it);
}

TEST_F(LoadTest, LargeFileOnDiskCrossesManyWindows)
{
    Owner.MaxMemFileSize = 1 << 20;
    std::string text;
    while (text.size() < 3 * ChunkSize + 1000)
        text += "0123456789abcdefghij\r\n";
    ASSERT_TRUE(Load(text));
    ASSERT_NE(TZinLinesAccess::FileData(Lines()), nullptr);
    EXPECT_EQ(Lines().LineCount(), static_cast<int32_t>(text.size() / 22 + 1));
    ExpectInvariants(Lines(), Owner);
}

TEST_F(LoadTest, LineRecordsHoldLengthsBeyondFourGiB)
{
    ASSERT_TRUE(Load("x"));
    for (const uint64_t size : {uint64_t{5} << 30, (uint64_t{1} << 40) - 1, uint64_t{1} << 40, uint64_t{3} << 41}) {
        SCOPED_TRACE(size);
        Lines().SetLineBlocks(Lines().Lines().begin(), {TBlock{TZinLinesAccess::MemData(Lines()), 7, size}});
        const TLine& line = LineAt(0);
        EXPECT_EQ(line.Length(), size);
        ASSERT_EQ(line.Blocks().size(), 1u);
        EXPECT_EQ(line.Blocks()[0].Size, size);
        EXPECT_EQ(line.Blocks()[0].Offset, 7u);
        EXPECT_EQ(line.Blocks()[0].Source, TZinLinesAccess::MemData(Lines()));
    }
}

}  // namespace
}  // namespace zin::test
