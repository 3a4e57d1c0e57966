// Loading: memory or disk, the encoding guess, hex mode, failures, and a
// file that shrinks or disappears while it is open.
#include "support/LinesAccess.h"
#include <unistd.h>

#include <random>

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

// A file looked at while open: grown (its lines follow, see the random
// test), or replaced (shrunk, another file at its name, its bytes before the
// end rewritten), or deleted; the store keeps its lines but for growth.
TEST_F(LoadTest, AFileThatChangesIsSeenGrownReplacedOrDeleted)
{
    for (const bool onDisk : {false, true}) {
        SCOPED_TRACE(onDisk);
        Owner.MaxMemFileSize = onDisk ? 0 : 1 << 24;
        const std::string path = Dir.Path() + "watched.txt";
        auto reload = [&] {
            Dir.Write("watched.txt", "one\ntwo\n");
            ASSERT_TRUE(Owner.Load(path));
            ASSERT_EQ(Lines().LineCount(), 3);
            EXPECT_FALSE(Lines().FileLooksChanged());
            EXPECT_EQ(Lines().CheckFile(), TFileChange::None);
        };
        reload();
        // Truncated and written again, shorter: replaced; nothing changes.
        Dir.Write("watched.txt", "one\n");
        EXPECT_TRUE(Lines().FileLooksChanged());
        EXPECT_FALSE(Lines().FileLooksChanged());
        EXPECT_EQ(Lines().CheckFile(), TFileChange::Replaced);
        EXPECT_EQ(Lines().LineCount(), 3);
        // Other bytes before the old end: replaced.
        reload();
        Dir.Write("watched.txt", "one\ntwX\nthree\n");
        EXPECT_EQ(Lines().CheckFile(), TFileChange::Replaced);
        // Renamed away and another file made at its name: replaced.
        reload();
        ASSERT_EQ(std::rename(path.c_str(), (path + ".1").c_str()), 0);
        Dir.Write("watched.txt", "one\ntwo\nthree\n");
        EXPECT_EQ(Lines().CheckFile(), TFileChange::Replaced);
        // Deleted: the lines stay.
        reload();
        ASSERT_EQ(std::remove(path.c_str()), 0);
        EXPECT_TRUE(Lines().FileLooksChanged());
        EXPECT_EQ(Lines().CheckFile(), TFileChange::Deleted);
        EXPECT_EQ(Lines().LineCount(), 3);
        ExpectInvariants(Lines(), Owner);
        std::remove((path + ".1").c_str());
    }
    // A file read without a size (/proc) is not looked at again.
    ASSERT_TRUE(Owner.Load("/proc/self/status"));
    EXPECT_EQ(Lines().CheckFile(), TFileChange::None);
}

// A large file whose lines need no syntax state is loaded in two halves,
// the second on another thread, which stops at the first line it cannot
// handle alone. Wherever the halves meet (inside a CR LF, before a line the
// second thread leaves, near a count limit), the lines, rows, counts,
// newline convention and widest row are what one scan gives.
TEST_F(LoadTest, ALoadInTwoHalvesGivesWhatOneScanGives)
{
    std::mt19937_64 rng(11);
    const char* words[] = {"ab", "log line", "12:00:01", "x", "", "\t", "caf\xC3\xA9", "\xE9t\xE9", "  "};
    const char* newlines[] = {"\n", "\r\n", "\r"};
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const int32_t codePage = std::array<int32_t, 3>{1252, 65001, 1251}[round % 3];
        std::string text;
        const size_t size = 2000 + rng() % 60000;
        const bool plain = rng() % 2;  // mostly printable ASCII lines
        while (text.size() < size) {
            const size_t n = rng() % 8;
            for (size_t k = 0; k < n; ++k) {
                const size_t w = plain && rng() % 20 != 0 ? rng() % 5 : rng() % std::size(words);
                text += words[w];
            }
            if (rng() % 50 == 0)
                text += std::string(100 + rng() % 200, 'y');  // past the byte limit or the wrap width
            text += newlines[rng() % 8 == 0 ? 1 + rng() % 2 : 0];
        }
        // Now and then a CR LF or a line of another kind right at the middle.
        const size_t mid = text.size() / 2;
        if (rng() % 3 == 0)
            text.insert(mid, "\r\n");
        else if (rng() % 3 == 0)
            text.insert(mid, "\n\t\xE9\n");
        if (rng() % 4 == 0)
            text.pop_back();  // no newline at the end
        const std::string path = Dir.Write("halves.txt", text);
        const bool onDisk = rng() % 2;
        const int32_t maxLine = rng() % 3 == 0 ? 50 : 32768;
        const TWordWrapMode wrap = static_cast<TWordWrapMode>(rng() % 3);
        const int32_t limit = rng() % 4 == 0 ? static_cast<int32_t>(std::count(text.begin(), text.end(), '\n') +
                                                                       rng() % 40)
                                             : INT32_MAX;
        TTestLinesOwner one(8), two(8);
        for (TTestLinesOwner* o : {&one, &two}) {
            SetSystemCodePage(codePage == 65001 ? 1252 : codePage);
            o->SetCodePage(codePage == 65001 ? 1252 : codePage);
            o->MaxMemFileSize = onDisk ? 0 : 1 << 24;
            o->MaxLineLength = maxLine;
            o->WrapMode = wrap;
            o->MaxColumns = 40;
            o->WindowWidth = 40 * 8 + 3;
            o->Lines->SetCountLimit(limit);
            o->Lines->SetTwoThreadMinimum(o == &two ? 0 : UINT64_MAX);
        }
        const bool loadedOne = one.Load(path);
        ASSERT_EQ(two.Load(path), loadedOne);
        EXPECT_EQ(two.Lines->LoadError(), one.Lines->LoadError());
        EXPECT_EQ(two.GetCodePage(), one.GetCodePage());
        EXPECT_EQ(CopyLines(*two.Lines), CopyLines(*one.Lines));
        EXPECT_EQ(two.Lines->LineCount(), one.Lines->LineCount());
        EXPECT_EQ(two.Lines->RowCount(), one.Lines->RowCount());
        EXPECT_EQ(two.Lines->MaxRowWidth(), one.Lines->MaxRowWidth());
        EXPECT_EQ(two.Lines->NewLineType(), one.Lines->NewLineType());
        EXPECT_EQ(two.Lines->Lines().TotalRows(), one.Lines->Lines().TotalRows());
        if (loadedOne)
            ExpectInvariants(*two.Lines, two);
        if (HasFailure())
            return;
    }
}

}  // namespace
}  // namespace zin::test
