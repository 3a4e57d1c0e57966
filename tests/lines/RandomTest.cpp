// Random files in every code-page kind: the store keeps its invariants, and
// the fast scan gives exactly the lines, rows and states of the reader.
#include "support/LinesAccess.h"
#include <memory>
#include <random>

#include "LinesTestUtil.h"
#include "syntax/ZinSyntax.h"

namespace zin::test {
namespace {

struct TStoreSnapshot {
    std::vector<TLineCopy> Lines;
    int32_t LineCount, RowCount, MaxRowWidth;
    TLineState EndState;
    TNewLineType NewLineType;
};

TStoreSnapshot Snapshot(const TTestLinesOwner& owner)
{
    const TZinLines& l = *owner.Lines;
    return {CopyLines(l), l.LineCount(), l.RowCount(), l.MaxRowWidth(), l.EndState(), owner.Lines->NewLineType()};
}

void ExpectSame(const TStoreSnapshot& fast, const TStoreSnapshot& slow)
{
    ASSERT_EQ(fast.Lines.size(), slow.Lines.size());
    for (size_t i = 0; i < fast.Lines.size(); ++i) {
        const TLineCopy& a = fast.Lines[i];
        const TLineCopy& b = slow.Lines[i];
        ASSERT_EQ(a.Length, b.Length) << "line " << i;
        ASSERT_EQ(a.NewLineBytes, b.NewLineBytes) << "line " << i;
        ASSERT_EQ(a.State, b.State) << "line " << i;
        ASSERT_EQ(a.Rows, b.Rows) << "line " << i;
    }
    EXPECT_EQ(fast.LineCount, slow.LineCount);
    EXPECT_EQ(fast.RowCount, slow.RowCount);
    EXPECT_EQ(fast.MaxRowWidth, slow.MaxRowWidth);
    EXPECT_EQ(fast.EndState, slow.EndState);
    EXPECT_EQ(fast.NewLineType, slow.NewLineType);
}

// Bytes that stress the decoders: ASCII words, delimiters, tabs, newlines
// of every kind in the code page's own encoding, byte-order marks, lead
// bytes, UTF-8 sequences (valid, cut and overlong), and random bytes.
std::string RandomText(std::mt19937& rng, int32_t codePage, size_t size)
{
    const bool utf16 = codePage == 1200 || codePage == 1201;
    auto unit = [&](std::string& out, uint16_t u) {
        if (!utf16) {
            out += static_cast<char>(u & 0xFF);
        } else if (codePage == 1200) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        } else {
            out += static_cast<char>(u >> 8);
            out += static_cast<char>(u & 0xFF);
        }
    };
    std::string out;
    if (rng() % 3 == 0)
        out += (codePage == 65001) ? "\xEF\xBB\xBF" : (codePage == 1201 ? "\xFE\xFF" : "\xFF\xFE");
    static const char* const pieces[] = {"word", " ", "\t", "+-*/", "(", "\xC3\xA9", "\xE4\xB8\x80", "\xE3\x81",
                                         "\xF0\x9F\x98\x80", "\x82\xA0", "\x81", "\xA4", "\x25", "\x15", "\"",
                                         "/*", "*/", "//", "[", "]", "\\"};
    while (out.size() < size) {
        const uint32_t k = rng() % 20;
        if (k < 3) {
            static const uint16_t nl[][2] = {{13, 10}, {10, 0}, {13, 0}};
            const auto& n = nl[rng() % 3];
            unit(out, n[0]);
            if (n[1])
                unit(out, n[1]);
        } else if (k < 6) {
            for (uint32_t i = rng() % 8; i > 0; --i)
                out += static_cast<char>(rng() & 0xFF);
        } else if (k < 8 && utf16) {
            unit(out, static_cast<uint16_t>(0x4E00 + rng() % 200));
        } else {
            const char* p = pieces[rng() % (sizeof pieces / sizeof *pieces)];
            if (utf16)
                for (const char* c = p; *c; ++c)
                    unit(out, static_cast<uint8_t>(*c));
            else
                out += p;
        }
    }
    return out;
}

TZinSyntax TrackingSyntax()
{
    TZinSyntax s;
    s.StringChars = "\"'";
    s.EscapeChar = '\\';
    s.StringInRange = {0};
    s.BlockCommentBegins = {"/*", "(*"};
    s.BlockCommentEnds = {"*/"};
    s.BlockCommentInRange = {{0}, {0}};
    s.LineComments = {"//"};
    s.LineCommentInRange = {0};
    TSyntaxRange r;
    r.Id = 3;
    r.Begin = "[";
    r.End = "]";
    s.Ranges = {r};
    s.RangeBegins = {"["};
    return s;
}

// A proportional font: code units of several widths (ASCII included), so
// that rows are measured character by character rather than in one go.
class TProportionalOwner : public TTestLinesOwner {
public:
    using TTestLinesOwner::TTestLinesOwner;
    int32_t GetCharWidth(char16_t c) override
    {
        TTestLinesOwner::GetCharWidth(c);
        const int32_t w = 3 + (c * 7) % 11;
        FCache[c] = w;
        return w;
    }
};

class RandomTest : public ::testing::TestWithParam<int32_t> {
protected:
    RandomTest() { SetSystemCodePage(1252); }
    ~RandomTest() override { SetSystemCodePage(0); }
};

TEST_P(RandomTest, FastAndReaderScansAgreeAndInvariantsHold)
{
    const int32_t codePage = GetParam();
    std::mt19937 rng(static_cast<uint32_t>(codePage) * 7919u);
    TempDir dir;
    TZinSyntax tracking = TrackingSyntax();
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(round);
        // In one kind of each sort, a file larger than one 512 KiB window.
        const bool big = round == 5 && (codePage == 1252 || codePage == 932 || codePage == 1200 || codePage == 65001);
        const size_t size = big ? ChunkSize + 3000 : rng() % 2500;
        const std::string bytes = RandomText(rng, codePage, size);
        const std::string path = dir.Write("r.txt", bytes);
        const bool onDisk = rng() % 2;
        const int32_t maxLine = (rng() % 3 == 0) ? 32768 : static_cast<int32_t>(1 + rng() % 40);
        const TWordWrapMode wrap = static_cast<TWordWrapMode>(rng() % 3);
        const int32_t columns = static_cast<int32_t>(5 + rng() % 20);
        const bool wide = rng() % 2;
        const bool withTracking = rng() % 3 == 0;
        const bool proportional = rng() % 2;

        std::unique_ptr<TTestLinesOwner> fastOwner, slowOwner;
        if (proportional) {
            fastOwner = std::make_unique<TProportionalOwner>(8);
            slowOwner = std::make_unique<TProportionalOwner>(8);
        } else {
            fastOwner = std::make_unique<TTestLinesOwner>(8);
            slowOwner = std::make_unique<TTestLinesOwner>(8);
        }
        TTestLinesOwner& fast = *fastOwner;
        TTestLinesOwner& slow = *slowOwner;
        slow.Lines->SetUseFastScan(false);
        for (TTestLinesOwner* o : {&fast, &slow}) {
            o->MaxMemFileSize = onDisk ? 0 : 1 << 24;
            o->MaxLineLength = maxLine;
            o->WrapMode = wrap;
            o->MaxColumns = columns;
            o->WindowWidth = columns * 8 + 3;
            o->WideCJK = wide;
            ASSERT_TRUE(o->Load(path));
            if (withTracking)
                TZinLinesAccess::UseSyntax(*o->Lines, tracking);
            o->SetCodePage(codePage);
            o->Lines->Rescan(o->Lines->Lines().begin(), std::prev(o->Lines->Lines().end()));
        }
        ASSERT_EQ(fast.GetCodePage(), codePage);
        ExpectInvariants(*fast.Lines, fast);
        ExpectInvariants(*slow.Lines, slow);
        ExpectSame(Snapshot(fast), Snapshot(slow));
        if (HasFatalFailure())
            return;

        // A second rescan keeps the lines and rows. (States may differ in
        // byte 2: the first line's comment-closed flag now starts the scan.)
        const TStoreSnapshot once = Snapshot(fast);
        for (TTestLinesOwner* o : {&fast, &slow})
            o->Lines->Rescan(o->Lines->Lines().begin(), std::prev(o->Lines->Lines().end()));
        const TStoreSnapshot twice = Snapshot(fast);
        ASSERT_EQ(twice.Lines.size(), once.Lines.size());
        for (size_t i = 0; i < once.Lines.size(); ++i) {
            EXPECT_EQ(twice.Lines[i].Length, once.Lines[i].Length);
            EXPECT_EQ(twice.Lines[i].Rows, once.Lines[i].Rows);
        }
        ExpectSame(twice, Snapshot(slow));

        // Reformat with other limits.
        for (TTestLinesOwner* o : {&fast, &slow}) {
            o->WrapMode = static_cast<TWordWrapMode>((wrap + 1) % 3);
            o->MaxLineLength = maxLine == 32768 ? 7 : 32768;
            o->Lines->Reformat();
        }
        ExpectInvariants(*fast.Lines, fast);
        ExpectSame(Snapshot(fast), Snapshot(slow));
        if (HasFatalFailure())
            return;
    }
}

// A file that grows while open: its new bytes are scanned as the
// continuation of the file, wherever the old end fell (inside a CR LF, a
// character of several bytes, a UTF-16 unit, a block comment, a word), and
// the store is exactly what a load of the whole file gives: lines, rows in
// every wrap mode, states, newline convention, widest row. A file held in
// memory may grow past the in-memory limit, an empty file may grow, and a
// growth may come in several steps.
TEST_P(RandomTest, GrowthIsScannedAsALoadOfTheWholeFileWouldScanIt)
{
    const int32_t codePage = GetParam();
    std::mt19937 rng(static_cast<uint32_t>(codePage) * 104729u);
    TempDir dir;
    TZinSyntax tracking = TrackingSyntax();
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE(round);
        const std::string bytes = RandomText(rng, codePage, 1 + rng() % 3000);
        const bool withTracking = rng() % 2;
        const TWordWrapMode wrap = static_cast<TWordWrapMode>(rng() % 3);
        const int32_t maxLine = rng() % 3 == 0 ? 32768 : static_cast<int32_t>(1 + rng() % 40);
        const int32_t memLimit = rng() % 3 == 0 ? 0 : static_cast<int32_t>(rng() % 2 ? 1 << 24 : bytes.size() / 2);
        auto setUp = [&](TTestLinesOwner& o) {
            o.MaxMemFileSize = memLimit;
            o.MaxLineLength = maxLine;
            o.WrapMode = wrap;
            o.MaxColumns = 9;
            o.WindowWidth = 9 * 8 + 3;
        };
        // As a load in that code page with that definition splits the file:
        // one line of all its bytes, scanned (rescans would carry the
        // comment-closed flag of the first line on), with its widest row.
        auto decodeAs = [&](TTestLinesOwner& o) {
            if (withTracking)
                TZinLinesAccess::UseSyntax(*o.Lines, tracking);
            o.SetCodePage(codePage);
            TZinLinesAccess::JoinAll(*o.Lines);
            o.Lines->Rescan(o.Lines->Lines().begin(), o.Lines->Lines().begin());
            o.Lines->Reformat();
        };
        // Grown in one to three steps from a random first part.
        size_t at = rng() % 4 == 0 ? 0 : rng() % bytes.size();
        const std::string path = dir.Write("grows.txt", bytes.substr(0, at));
        TTestLinesOwner growing(8);
        setUp(growing);
        ASSERT_TRUE(growing.Load(path));
        decodeAs(growing);
        while (at < bytes.size()) {
            const size_t step = std::max<size_t>(1, rng() % 2 ? bytes.size() - at : rng() % (bytes.size() - at + 1));
            std::FILE* f = std::fopen(path.c_str(), "ab");
            ASSERT_NE(f, nullptr);
            ASSERT_EQ(std::fwrite(bytes.data() + at, 1, step, f), step);
            std::fclose(f);
            at += step;
            ASSERT_EQ(growing.Lines->CheckFile(), TFileChange::Grown);
            ExpectInvariants(*growing.Lines, growing);
        }
        EXPECT_EQ(growing.Lines->CheckFile(), TFileChange::None);
        TTestLinesOwner whole(8);
        setUp(whole);
        ASSERT_TRUE(whole.Load(path));
        decodeAs(whole);
        ExpectSame(Snapshot(growing), Snapshot(whole));
        EXPECT_EQ(growing.Lines->FileSize(), whole.Lines->FileSize());
        if (HasFatalFailure())
            return;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, RandomTest,
                         ::testing::Values(1252, 37, 1251, 874, 932, 936, 949, 950, 20932, 1200, 1201, 65001),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                             return "cp" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace zin::test
