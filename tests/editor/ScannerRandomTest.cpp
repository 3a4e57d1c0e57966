// The scanner against the reference that reads every run to its end, on
// random definitions, text and row widths; what painting one row of a long
// line decodes; and seeking through snapshots against scanning from the
// line's start.
#include <memory>
#include <random>

#include "ScannerTestUtil.h"

namespace zin::test {
namespace {

std::unique_ptr<TZinSyntax> RandomSyntax(std::mt19937& rng)
{
    auto s = std::make_unique<TZinSyntax>();
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    s->Delimiters = pick(4) ? "~`!@#$%^&*()-+=|\\{}[]:;\"',.<>/?" : "()+-*/;.\"'<>?";
    s->CaseSensitive = pick(2);
    if (pick(5)) {
        static const std::vector<std::string> lineComments[] = {{"//"}, {"--", "//"}, {"#"}, {}};
        s->LineComments = lineComments[pick(4)];
        s->LineCommentInRange = pick(2) ? std::vector<int32_t>{0} : std::vector<int32_t>{0, 3, 5};
        static const char* const pairs[][2] = {{"/*", "*/"}, {"(*", "*)"}, {"{", "}"}};
        for (int k = pick(3); k > 0; --k) {
            const auto& p = pairs[pick(3)];
            s->BlockCommentBegins.push_back(p[0]);
            s->BlockCommentEnds.push_back(p[1]);
            s->BlockCommentInRange.push_back(pick(2) ? std::vector<int32_t>{0} : std::vector<int32_t>{0, 3});
        }
        if (pick(4) == 0) {
            // A begin without an end opens nothing.
            s->BlockCommentBegins.push_back("<!--");
            s->BlockCommentInRange.push_back({0});
        }
        static const char* const quotes[] = {"\"'", "\"", "'", ""};
        s->StringChars = quotes[pick(4)];
        s->StringInRange = pick(2) ? std::vector<int32_t>{0} : std::vector<int32_t>{0, 3};
        static const int32_t escapes[] = {'\\', '"', '\'', -1};
        s->EscapeChar = escapes[pick(4)];
        s->DirectiveLeading = pick(2) ? "#" : "";
        if (pick(2)) {
            TSyntaxRange a;
            a.Id = 3, a.Begin = "<?", a.End = "?>", a.BgColor = 0x00FF00;
            TSyntaxRange b;
            b.Id = 5, b.Begin = "[", b.End = "]";
            s->Ranges = {a, b};
            s->RangeBegins = {"<?", "["};
        }
    }
    s->KeywordPrefixes = pick(2) ? "$" : "";
    s->SpecialWordPrefixes = pick(2) ? "@" : "";
    TSyntaxKeyword& k1 = s->FindOrAddKeyword("one");
    k1.Color = 0xFF0000, k1.Style = fsBold, k1.InRange = {0, 5};
    TSyntaxKeyword& k2 = s->FindOrAddKeyword("two");
    k2.Color = 0x0000FF, k2.BgColor = 0xC0C0C0, k2.InRange = {3};
    for (const char16_t* w : {u"if", u"while", u"$x", u"x"})
        (s->CaseSensitive ? (void)k1.WordsCS.insert(w) : (void)k1.WordsCIS.insert(w));
    for (const char16_t* w : {u"echo", u"x", u"$y"})
        (s->CaseSensitive ? (void)k2.WordsCS.insert(w) : (void)k2.WordsCIS.insert(w));
    s->Styles[seNumber].BgColor = 0x0000FF;
    s->Styles[seString].Color = 0x008000;
    s->Styles[seComment].Style = fsItalic;
    s->HasLineState = !s->LineComments.empty() || !s->BlockCommentBegins.empty() || !s->StringChars.empty() ||
                      !s->DirectiveLeading.empty() || !s->Ranges.empty();
    return s;
}

std::string RandomText(std::mt19937& rng, size_t size, bool newlines)
{
    static const char* const pieces[] = {
        "if", "while", "x", "X", "echo", "abc", "12", "1.5", "(", ")", "+-", "*", "/", "/*", "*/", "//", "--",
        "(*", "*)", "{", "}", "\"", "'", "\\", "\\\\", "<?", "?>", "[", "]", "#", "$x", "$y", "@z", " ", "  ",
        "\t", "\xE4\xB8\xAD", "\xE4\xB8\xAD\xE4\xB8\xAD", "\xC3\xA9", "<!--", ";"};
    std::string out;
    while (out.size() < size) {
        if (newlines && rng() % 25 == 0)
            out += rng() % 2 ? "\n" : "\r\n";
        else
            out += pieces[rng() % (sizeof pieces / sizeof *pieces)];
    }
    return out;
}

// A line's characters as the reader gives them, with their byte positions.
struct TLineText {
    std::vector<int32_t> Chars;
    std::vector<uint64_t> Pos;
    // The index of the first character at or after byte p.
    size_t IndexOf(uint64_t p) const
    {
        return static_cast<size_t>(std::lower_bound(Pos.begin(), Pos.end(), p) - Pos.begin());
    }
};

TLineText ReadLine(TZinLines& store, TLineIterator line)
{
    TLineText t;
    const TRowList rows = line->Rows();
    twc_queue q;
    store.BeginRead(line, rows[0]);
    uint64_t p = rows[0].Pos;
    while (store.ReadPos() < rows.back().Pos && store.NextChar(q)) {
        t.Chars.push_back(q.back().first);
        t.Pos.push_back(p);
        p += static_cast<uint64_t>(q.back().second);
    }
    return t;
}

class ScannerRandomTest : public ScannerTest {
protected:
    // Scans every line of the store with both scanners and compares them
    // row by row.
    void CompareWithReference(const TZinSyntax& syn, const std::string& what)
    {
        TZinScanner s;
        Bind(s);
        size_t index = 0;
        for (TLineIterator line = Lines().Lines().begin(); line != Lines().Lines().end(); ++line, ++index) {
            const TLineText text = ReadLine(Lines(), line);
            const TRowList rows = line->Rows();
            std::vector<int32_t> widths;
            for (size_t i = 0; i < rows.size(); ++i)
                widths.push_back(rows[i].Width);
            // The row of the line's first non-blank character at or below
            // 0xFF, the one that can make a directive line.
            int32_t firstRow = INT32_MAX;
            for (size_t i = 0; i < text.Chars.size(); ++i) {
                const int32_t u = text.Chars[i];
                if (u <= 0xFF && u != 32 && !(u >= 9 && u <= 13)) {
                    const int32_t last = static_cast<int32_t>(rows.size()) - 2;
                    firstRow = 0;
                    while (firstRow < last && rows[static_cast<size_t>(firstRow) + 1].Pos <= text.Pos[i])
                        ++firstRow;
                    break;
                }
            }
            TReferenceScanner ref(syn, Owner, text.Chars, widths, line->State);
            s.BeginRow(line, 0);
            const int32_t rowCount = line->RowCount();
            for (int32_t r = 0; r < rowCount; ++r) {
                const std::string where = what + " line " + std::to_string(index) + " row " + std::to_string(r);
                const std::vector<TToken> got = Row(s);
                std::vector<TToken> want;
                do {
                    TToken t;
                    if (ref.Next(t))
                        want.push_back(std::move(t));
                } while (ref.RowHasMore());
                bool same = got.size() == want.size();
                for (size_t i = 0; same && i < got.size(); ++i) {
                    if (got[i] == want[i])
                        continue;
                    // Wide characters before the directive character, on an
                    // earlier row: only a reading past the row knows the
                    // line is a directive line.
                    same = r < firstRow && got[i].Style == "text" && want[i].Style == "directive" &&
                           got[i].Text == want[i].Text && got[i].Widths == want[i].Widths && got[i].Text[0] > 0xFF;
                }
                ASSERT_TRUE(same) << where << "\n got: " << Describe(got) << "\nwant: " << Describe(want);
                ASSERT_EQ(s.LineEnded(), ref.LineEnded) << where;
                if (s.RangeId() != ref.Cur.RangeId) {
                    // The reading past the row has already switched to the
                    // range a token at the next row's start opens or closes.
                    ASSERT_TRUE(ref.SwitchedAtRowEnd) << where;
                    ASSERT_EQ(s.RangeId(), ref.RangeBeforeSwitch) << where;
                } else {
                    ASSERT_EQ(s.CurrentBackground(), syn.CurrentBackground(ref.Cur.RangeId)) << where;
                }
                if (s.LineEnded())
                    break;
            }
            ASSERT_TRUE(s.LineEnded()) << what << " line " << index;
            int32_t w;
            ASSERT_EQ(s.NextToken(w), 0);
        }
    }
};

TEST_F(ScannerRandomTest, RowsMatchAReadingOfWholeRuns)
{
    std::mt19937 rng(20240611);
    for (int iter = 0; iter < 300; ++iter) {
        const std::unique_ptr<TZinSyntax> syn = RandomSyntax(rng);
        Owner.WideCJK = rng() % 2;
        Owner.Proportional = rng() % 3 == 0;
        Owner.TabSize = 2 + static_cast<int32_t>(rng() % 7);
        Owner.ClearWidths();
        static const int32_t wraps[] = {0, 10, 24, 40, 57, 96, 200};
        Owner.Wrap = wraps[rng() % 7];
        Owner.MaxLineLength = rng() % 3 ? 32768 : 3 + static_cast<int32_t>(rng() % 30);
        Load(RandomText(rng, 40 + rng() % 400, true), *syn);
        ASSERT_NO_FATAL_FAILURE(CompareWithReference(*syn, "iteration " + std::to_string(iter)));
    }
}

TEST_F(ScannerRandomTest, ARowOfALongLineDecodesOnlyThatRow)
{
    // Without line state a row is entered directly; its tokens need no
    // character past its end (prefixed words and keywords included).
    TZinSyntax syn;
    syn.Delimiters = "~`!@#$%^&*()-+=|\\{}[]:;\"',.<>/?";
    syn.KeywordPrefixes = "$";
    syn.SpecialWordPrefixes = "@";
    TSyntaxKeyword& kw = syn.FindOrAddKeyword("k");
    kw.InRange = {0};
    kw.WordsCIS = {u"if", u"$x"};
    ASSERT_FALSE(syn.HasLineState);
    std::mt19937 rng(7);
    Owner.WideCJK = true;
    Owner.Wrap = 400;
    Load(RandomText(rng, 200000, false), syn);
    const TLineIterator line = Lines().Lines().begin();
    const TLineText text = ReadLine(Lines(), line);
    const TRowList rows = line->Rows();
    const int32_t rowCount = line->RowCount();
    ASSERT_GT(rowCount, 2000);
    TZinScanner s;
    for (int32_t r : {0, 1, rowCount / 2, rowCount / 2 + 1, rowCount - 1}) {
        Bind(s);
        s.BeginRow(line, r);
        int32_t width = 0;
        for (const TToken& t : Row(s))
            width += t.Width;
        const size_t chars = text.IndexOf(rows[static_cast<size_t>(r) + 1].Pos) -
                             text.IndexOf(rows[static_cast<size_t>(r)].Pos);
        EXPECT_EQ(s.CharsRead(), chars) << "row " << r;
        EXPECT_EQ(width, rows[static_cast<size_t>(r)].Width) << "row " << r;
        EXPECT_EQ(s.LineEnded(), r == rowCount - 1);
    }
}

TEST_F(ScannerRandomTest, SeekingThroughSnapshotsGivesTheRowsOfAScanFromTheStart)
{
    TZinSyntax syn;
    MakeCLike(syn);
    syn.DirectiveLeading = "#";
    syn.KeywordPrefixes = "$";
    TSyntaxRange r;
    r.Id = 3, r.Begin = "<?", r.End = "?>", r.BgColor = 0x00FF00;
    syn.Ranges = {r};
    syn.RangeBegins = {"<?"};
    syn.StringInRange = {0, 3};
    std::mt19937 rng(99);
    Owner.WideCJK = true;
    // Rows of a few bytes, cut anywhere, so that escapes and tokens often
    // reach across a row's end, also at snapshot rows.
    Owner.MaxLineLength = 7;
    // A long line, then a short one.
    Load(RandomText(rng, 30000, false) + "\nif x", syn);
    const TLineIterator line = Lines().Lines().begin();
    const TLineText text = ReadLine(Lines(), line);
    const TRowList rows = line->Rows();
    const int32_t rowCount = line->RowCount();
    ASSERT_GT(rowCount, 10 * TZinScanner::SnapshotStride);

    TZinScanner a, b;
    b.SetSnapshots(false);
    auto expectSame = [&](int32_t row, const std::string& what, TLineIterator in) {
        a.SeekRow(in, row);
        b.SeekRow(in, row);
        for (int k = 0; k < 3 && !b.LineEnded(); ++k) {
            const std::vector<TToken> ta = Row(a);
            const std::vector<TToken> tb = Row(b);
            ASSERT_EQ(Describe(ta), Describe(tb)) << what << " row " << row + k;
            ASSERT_TRUE(ta == tb) << what << " row " << row + k;
            ASSERT_EQ(a.RangeId(), b.RangeId()) << what << " row " << row + k;
            ASSERT_EQ(a.LineEnded(), b.LineEnded()) << what << " row " << row + k;
        }
    };
    Bind(a);
    Bind(b);

    // Seeking without snapshots is the painter's scan from the line's start.
    for (int32_t row : {1, 300, rowCount - 1}) {
        TZinScanner c;
        Bind(c);
        c.BeginRow(line, 0);
        int32_t w;
        for (int32_t i = 0; i < row; ++i)
            do {
                c.NextToken(w);
            } while (c.RowHasMore());
        b.SeekRow(line, row);
        ASSERT_EQ(Describe(Row(b)), Describe(Row(c))) << "row " << row;
        ASSERT_EQ(b.RangeId(), c.RangeId());
    }

    // The first seek to the last row leaves a snapshot every stride rows;
    // later seeks scan from the nearest one.
    expectSame(rowCount - 1, "first", line);
    EXPECT_EQ(a.SnapshotCount(), static_cast<size_t>((rowCount - 1) / TZinScanner::SnapshotStride));
    std::vector<int32_t> targets = {0, 1, TZinScanner::SnapshotStride - 1, TZinScanner::SnapshotStride,
                                    TZinScanner::SnapshotStride + 1, rowCount - 2};
    for (int32_t row = 2 * TZinScanner::SnapshotStride; row < rowCount; row += 2 * TZinScanner::SnapshotStride)
        targets.push_back(row);  // resumed from the snapshot itself
    for (int i = 0; i < 20; ++i)
        targets.push_back(static_cast<int32_t>(rng() % static_cast<unsigned>(rowCount)));
    for (int32_t row : targets) {
        ASSERT_NO_FATAL_FAILURE(expectSame(row, "seek", line));
        // The cost of a seek: the rows since the snapshot and a few
        // characters of look-ahead.
        const uint64_t before = a.CharsRead();
        a.SeekRow(line, row);
        const int32_t from = row / TZinScanner::SnapshotStride * TZinScanner::SnapshotStride;
        const size_t rowsChars = text.IndexOf(rows[static_cast<size_t>(row)].Pos) -
                                 text.IndexOf(rows[static_cast<size_t>(from)].Pos);
        EXPECT_LE(a.CharsRead() - before, rowsChars + 16) << "row " << row;
    }

    // Another line in between, and rows rebuilt with another width: the
    // snapshots of the old rows are not used.
    a.SeekRow(std::next(line), 0);
    ASSERT_NO_FATAL_FAILURE(expectSame(rowCount / 2, "after another line", line));

    Owner.MaxLineLength = 11;
    Lines().Reformat();
    Bind(a);
    Bind(b);
    const int32_t newCount = line->RowCount();
    for (int32_t row : {newCount / 3, newCount - 1, newCount / 2})
        ASSERT_NO_FATAL_FAILURE(expectSame(row, "reformatted", line));

    // Every row of a string ends in an escape whose quote starts the next
    // row, the snapshot rows too: a scan resumed there goes on with the
    // run it paused.
    syn.Delimiters = "()";
    Owner.MaxLineLength = 2;
    std::string escapes = "\"\na";
    for (int i = 0; i < 2 * TZinScanner::SnapshotStride + 10; ++i)
        escapes += "\\\"";
    Load(escapes, syn);
    Bind(a);
    Bind(b);
    const TLineIterator second = std::next(Lines().Lines().begin());
    ASSERT_GT(second->RowCount(), 2 * TZinScanner::SnapshotStride + 1);
    a.SeekRow(second, second->RowCount() - 1);
    for (int32_t row : {TZinScanner::SnapshotStride, 2 * TZinScanner::SnapshotStride + 1})
        ASSERT_NO_FATAL_FAILURE(expectSame(row, "escapes", second));
}

}  // namespace
}  // namespace zin::test
