// Find's matching rules on small texts in every code-page kind: decoding as
// the line reader does, case folding, whole words, anchors and newlines,
// the file's ends, backward search, and the engine's limits.
#include <chrono>
#include <cstring>
#include <thread>

#include "SearchTestUtil.h"
#include "encoding/Decoder.h"
#include "search/ZinSearchTask.h"

namespace zin::test {
namespace {

using V = std::vector<TFound>;

std::string Utf16(const std::u16string& s, bool be)
{
    std::string out;
    for (const char16_t u : s) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += be ? hi : lo;
        out += be ? lo : hi;
    }
    return out;
}

TEST(SearchTest, LiteralsInEveryKindOfCodePage)
{
    // Single-byte (Cyrillic 1251): the text is the code page's, the
    // pattern UTF-8.
    EXPECT_EQ(FindAll("x \xCF\xF0\xE8\xE2\xE5\xF2 y", 1251, Opts("Привет")), (V{{2, 6}}));
    // EBCDIC: "HI\nHI" with 0x25 as the line feed; the ASCII bytes of "HI"
    // mean something else there.
    EXPECT_EQ(FindAll("\xC8\xC9\x25\xC8\xC9HI", 37, Opts("HI")), (V{{0, 2}, {3, 2}}));
    // Shift-JIS: 0x83 0x41 is one katakana whose trail byte looks like 'A',
    // 0x95 0x5C one whose trail looks like a backslash; only the real ones match.
    const std::string sjis = "\x83\x41" "A\x95\x5C\\";
    EXPECT_EQ(FindAll(sjis, 932, Opts("A")), (V{{2, 1}}));
    EXPECT_EQ(FindAll(sjis, 932, Opts("\\")), (V{{5, 1}}));
    EXPECT_EQ(FindAll(sjis, 932, Opts("ア")), (V{{0, 2}}));
    EXPECT_EQ(FindAll(sjis, 932, Opts("表\\")), (V{{3, 3}}));
    // GBK: a lead byte before a trail in the ASCII range ('@' = 0x40).
    EXPECT_EQ(FindAll("\x81\x40@", 936, Opts("@")), (V{{2, 1}}));
    // UTF-8, with an invalid byte that decodes as its own value (U+00E9 'é')
    // and a valid é.
    EXPECT_EQ(FindAll("caf\xE9 caf\xC3\xA9", 65001, Opts("café")), (V{{0, 4}, {5, 5}}));
    // UTF-16 in both orders: a unit whose low byte looks like 'A' (U+0141 Ł)
    // is no 'A'; the pattern matches in whole units only.
    const std::u16string text = u"\u0141A\u4E2DA";
    EXPECT_EQ(FindAll(Utf16(text, false), 1200, Opts("A")), (V{{2, 2}, {6, 2}}));
    EXPECT_EQ(FindAll(Utf16(text, true), 1201, Opts("A")), (V{{2, 2}, {6, 2}}));
    EXPECT_EQ(FindAll(Utf16(text, true), 1201, Opts("中A")), (V{{4, 4}}));
    // The byte-order mark is not text: `^` matches after it.
    EXPECT_EQ(FindAll("\xEF\xBB\xBF" "ab", 65001, Opts("^a", true, false, true)), (V{{3, 1}}));
    EXPECT_EQ(FindAll(Utf16(u"\uFEFFab", false), 1200, Opts("^a", true, false, true)), (V{{2, 2}}));
}

TEST(SearchTest, CaseFolding)
{
    // ASCII in a long ASCII text (the byte route) and in decoded text.
    EXPECT_EQ(FindAll("Error ERROR error", 1252, Opts("error", false)), (V{{0, 5}, {6, 5}, {12, 5}}));
    EXPECT_EQ(FindAll("Error ERROR error", 1252, Opts("error", true)), (V{{12, 5}}));
    // Greek with a final sigma (simple folding maps ς to σ), Cyrillic in
    // 1251, and the Kelvin sign that folds to k.
    EXPECT_EQ(FindAll("ΣΊΣΥΦΟΣ", 65001, Opts("σίσυφος", false)), (V{{0, 14}}));
    EXPECT_EQ(FindAll("\xCF\xD0\xC8", 1251, Opts("при", false)), (V{{0, 3}}));
    EXPECT_EQ(FindAll("\xE2\x84\xAA" "elvin", 65001, Opts("kelvin", false)), (V{{0, 8}}));
    EXPECT_EQ(FindAll("\xE2\x84\xAA" "elvin", 65001, Opts("kelvin", true)), V{});
    // Full folding is not simple folding: ß stays itself.
    EXPECT_EQ(FindAll("STRASSE", 65001, Opts("straße", false)), V{});
}

TEST(SearchTest, WholeWords)
{
    const std::string t = "foo foo_x xfoo foo1 (foo) éfoo foo";
    EXPECT_EQ(FindAll(t, 65001, Opts("foo", true, true)), (V{{0, 3}, {21, 3}, {32, 3}}));
    // The characters beside the match decide, whatever the match ends with.
    EXPECT_EQ(FindAll("a (foo) b", 1252, Opts("(foo)", true, true)), (V{{2, 5}}));
    EXPECT_EQ(FindAll("a(foo)b", 1252, Opts("(foo)", true, true)), V{});
    // A letter of a code page (1251's 'ж' is 0xE6) counts as a letter.
    EXPECT_EQ(FindAll("\xE6" "ab ab", 1251, Opts("ab", true, true)), (V{{4, 2}}));
    // A regular expression: the engine backtracks to a match that fits.
    EXPECT_EQ(FindAll("abc d", 1252, Opts("ab|abc", true, true, true)), (V{{0, 3}}));
    // In hex mode, bytes: ASCII word bytes only.
    EXPECT_EQ(FindAll("\xE6" "ab ab", 1251, Opts("ab", true, true, false, true)), (V{{1, 2}, {4, 2}}));
}

TEST(SearchTest, LinesAnchorsAndNewlines)
{
    // CR, LF and CR LF all end lines; no match holds or crosses one.
    const std::string t = "ab\rcd\ne\r\nfg";
    EXPECT_EQ(FindAll(t, 1252, Opts("^\\w", true, false, true)), (V{{0, 1}, {3, 1}, {6, 1}, {9, 1}}));
    EXPECT_EQ(FindAll(t, 1252, Opts("\\w$", true, false, true)), (V{{1, 1}, {4, 1}, {6, 1}, {10, 1}}));
    EXPECT_EQ(FindAll(t, 1252, Opts("$", true, false, true)), (V{{2, 0}, {5, 0}, {7, 0}, {11, 0}}));
    EXPECT_EQ(FindAll(t, 1252, Opts("b\\s*c", true, false, true)), V{});
    EXPECT_EQ(FindAll(t, 1252, Opts("b[^x]c", true, false, true)), V{});
    EXPECT_EQ(FindAll(t, 1252, Opts("d.e", true, false, true)), V{});
    EXPECT_EQ(FindAll(t, 1252, Opts("(?s)e.*f", true, false, true)), V{});
    EXPECT_EQ(FindAll(t, 1252, Opts("b\rc")), V{});
    // A look-behind that could see a newline sees the line's start instead.
    EXPECT_EQ(FindAll(t, 1252, Opts("(?<!\\s)c", true, false, true)), (V{{3, 1}}));
    // Empty lines: between CR LF pairs and at the end after a last newline.
    EXPECT_EQ(FindAll("a\r\n\r\n", 1252, Opts("^$", true, false, true)), (V{{3, 0}, {5, 0}}));
    EXPECT_EQ(FindAll("", 1252, Opts("^$", true, false, true)), (V{{0, 0}}));
    // UTF-16: the newline is a unit; bytes 0x0A inside a unit are none.
    EXPECT_EQ(FindAll(Utf16(u"a\u0A0Ab\nc", false), 1200, Opts("a.b", true, false, true)), (V{{0, 6}}));
    EXPECT_EQ(FindAll(Utf16(u"a\u0A0Ab\nc", false), 1200, Opts("^c", true, false, true)), (V{{8, 2}}));
    // EBCDIC: 0x25 is the line feed, 0x15 (NEL) an ordinary character.
    EXPECT_EQ(FindAll("\xC1\x25\xC1\x15\xC1", 37, Opts("^A", true, false, true)), (V{{0, 1}, {2, 1}}));
}

TEST(SearchTest, FirstAndLastByteAndDirections)
{
    const std::string t = "xab\nab\nabx";
    EXPECT_EQ(FindAll(t, 1252, Opts("x")), (V{{0, 1}, {9, 1}}));
    // Forward: a match starting at the caret counts; backward: the last one
    // that ends at or before it.
    EXPECT_EQ(FindOne(t, 1252, Opts("ab"), 1, false), (TFound{1, 2}));
    EXPECT_EQ(FindOne(t, 1252, Opts("ab"), 2, false), (TFound{4, 2}));
    EXPECT_EQ(FindOne(t, 1252, Opts("ab"), 6, true), (TFound{4, 2}));
    EXPECT_EQ(FindOne(t, 1252, Opts("ab"), 5, true), (TFound{1, 2}));
    EXPECT_EQ(FindOne(t, 1252, Opts("ab"), 2, true), (TFound{UINT64_MAX, 0}));
    EXPECT_EQ(FindOne(t, 1252, Opts("x"), 10, true), (TFound{9, 1}));
    EXPECT_EQ(FindOne(t, 1252, Opts("x"), 10, false), (TFound{UINT64_MAX, 0}));
    // Look-behind sees the text before the caret.
    EXPECT_EQ(FindOne(t, 1252, Opts("(?<=a)b", true, false, true), 2, false), (TFound{2, 1}));
    // A caret inside a double-byte character: the search starts on its
    // boundary, never on its trail byte.
    EXPECT_EQ(FindOne("\x83\x41" "A", 932, Opts("A"), 1, false), (TFound{2, 1}));
}

TEST(SearchTest, LongLinesAcrossWindows)
{
    // Matches on both sides of the 1 MiB window's cut in one long line, and
    // in a long ASCII run after a Cyrillic start (decoded windows).
    std::string t(3 * 1024 * 1024 + 7, 'a');
    const uint64_t at[] = {0, (1u << 20) - 2, (1u << 20) + 4090, 2u << 20, t.size() - 3};
    for (const uint64_t p : at)
        t.replace(p, 3, "xyz");
    V want;
    for (const uint64_t p : at)
        want.push_back({p, 3});
    EXPECT_EQ(FindAll(t, 1252, Opts("xyz")), want);
    EXPECT_EQ(FindAll(t, 1252, Opts("(?<=a)xyz(?=a)", true, false, true)), (V{want.begin() + 1, want.end() - 1}));
    t[5] = '\xE6';
    EXPECT_EQ(FindAll(t, 1251, Opts("XYZ", false)), want);
    EXPECT_EQ(FindOne(t, 1251, Opts("xyz"), t.size(), true), (TFound{t.size() - 3, 3}));
    EXPECT_EQ(FindOne(t, 1251, Opts("xyz"), (2u << 20) + 2, true), (TFound{(1u << 20) + 4090, 3}));
}

TEST(SearchTest, PatternsThatCannotRun)
{
    TSearchPattern p;
    ASSERT_TRUE(p.Compile(Opts("ok"), 1252));
    EXPECT_FALSE(p.Compile(Opts("a(b", true, false, true), 1252));
    EXPECT_NE(p.Error().find("missing closing parenthesis"), std::string::npos) << p.Error();
    EXPECT_EQ(p.Options().Pattern, "ok");  // the last good pattern stays
    EXPECT_FALSE(p.Compile(Opts(""), 1252));
    EXPECT_FALSE(p.Compile(Opts("x", true, false, true, true), 1252));  // no regex in hex mode
    EXPECT_FALSE(p.Compile(Opts("中", true, false, false, true), 1252));  // no such character there

    // Catastrophic backtracking stops at the engine's limit, in bounded time.
    const std::string t = std::string(200000, 'a') + "\n" + "ab";
    ASSERT_TRUE(p.Compile(Opts("(a*)*b", true, false, true), 1252));
    TBytesSearchSource src(t);
    TSearcher s(p, src);
    uint64_t count = 0;
    const auto t0 = std::chrono::steady_clock::now();
    const TSearchStatus st = s.Count(count);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (st == TSearchStatus::Failed)
        EXPECT_NE(s.Error().find("too long"), std::string::npos) << s.Error();
    else
        EXPECT_EQ(count, 1u);
    EXPECT_LT(secs, 20.0);
}

TEST(SearchTest, TaskWrapsCancelsAndCounts)
{
    std::string t;
    for (int i = 0; i < 200000; ++i)
        t += "line with a word\n";
    t += "needle\n";
    auto src = std::make_shared<TBytesSearchSource>(t);
    TSearchPattern p;
    ASSERT_TRUE(p.Compile(Opts("needle"), 1252));
    TSearchTask task;
    auto wait = [&](TSearchResult& r) {
        while (!task.TakeResult(r))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    TSearchResult r;
    // Past the match: wraps around to it.
    task.Start(p, src, {TSearchKind::Next, t.size() - 3, true});
    wait(r);
    EXPECT_EQ(r.Status, TSearchStatus::Found);
    EXPECT_TRUE(r.Wrapped);
    EXPECT_EQ(r.Match.Pos, t.size() - 7);
    task.Start(p, src, {TSearchKind::Previous, 10, false});
    wait(r);
    EXPECT_EQ(r.Status, TSearchStatus::NotFound);
    task.Start(p, src, {TSearchKind::Previous, 10, true});
    wait(r);
    EXPECT_TRUE(r.Wrapped);
    EXPECT_EQ(r.Match.Pos, t.size() - 7);
    // A count, and a second search that cancels it: only the second's
    // result arrives.
    ASSERT_TRUE(p.Compile(Opts("word"), 1252));
    task.Start(p, src, {TSearchKind::Count, 0, false});
    wait(r);
    EXPECT_EQ(r.Count, 200000u);
    EXPECT_EQ(task.Done(), t.size());
    task.Start(p, src, {TSearchKind::Count, 0, false});
    const uint64_t id = task.Start(p, src, {TSearchKind::Next, 0, false});
    wait(r);
    EXPECT_EQ(r.Id, id);
    EXPECT_EQ(r.Match.Pos, 12u);
    task.Start(p, src, {TSearchKind::Count, 0, false});
    task.Cancel();
    EXPECT_FALSE(task.Busy());
    EXPECT_FALSE(task.TakeResult(r));
}

TEST(SearchTest, VanishedAndShrunkSources)
{
    // A source that reads fewer bytes than its size (a file cut short
    // since): the search ends there.
    struct TShort final : TSearchSource {
        uint64_t Size() const override { return 1000; }
        size_t Read(uint64_t pos, uint8_t* buf, size_t n) override
        {
            const std::string t = "abc\nabc";
            if (pos >= t.size())
                return 0;
            n = std::min<size_t>(n, t.size() - pos);
            std::memcpy(buf, t.data() + pos, n);
            return n;
        }
    } src;
    TSearchPattern p;
    ASSERT_TRUE(p.Compile(Opts("c"), 1252));
    TSearcher s(p, src);
    uint64_t count = 0;
    EXPECT_EQ(s.Count(count), TSearchStatus::Found);
    EXPECT_EQ(count, 2u);
    TSearchMatch m;
    EXPECT_EQ(s.Previous(1000, m), TSearchStatus::Found);
    EXPECT_EQ(m.Pos, 6u);
    std::string error;
    EXPECT_EQ(TFileSearchSource::Open("/nonexistent/zin", error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(SearchTest, NewlineBytesAreNeverTrailBytes)
{
    // The scan finds line starts by their newline bytes in double-byte code
    // pages: that holds only while no lead byte pairs with CR or LF.
    for (const int32_t cp : {932, 936, 949, 950, 20932, 20936, 20949}) {
        const TDecoder d = TDecoder::For(cp);
        for (int l = 0; l < 256; ++l)
            if (d.IsLeadByte(static_cast<uint8_t>(l))) {
                EXPECT_EQ(d.DoubleByte(static_cast<uint8_t>(l), 10), l) << cp;
                EXPECT_EQ(d.DoubleByte(static_cast<uint8_t>(l), 13), l) << cp;
            }
    }
}

}  // namespace
}  // namespace zin::test
