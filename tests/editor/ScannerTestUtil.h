#pragma once
// Helpers for the highlighting scanner's tests: an owner with a settable
// wrap width (no lower limit, so that a CJK character can be wider than it),
// a fixture that loads text with a hand-made definition, token transcripts,
// and a reference scanner that reads each run to its end, however many rows
// it spans, exactly as the scanning rules are written.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "editor/ZinSyntaxScanner.h"
#include "lines/ZinCharRules.h"
#include "platform/SystemCodePage.h"
#include "support/LinesAccess.h"
#include "support/TempDir.h"
#include "support/TestLinesOwner.h"
#include "syntax/ZinSyntax.h"

namespace zin::test {

class TScanOwner : public TTestLinesOwner {
public:
    using TTestLinesOwner::TTestLinesOwner;
    int32_t GetWrapWidth() override { return Wrap > 0 ? Wrap : TTestLinesOwner::GetWrapWidth(); }
    int32_t GetCharWidth(char16_t c) override
    {
        const int32_t w = TTestLinesOwner::GetCharWidth(c);
        if (!Proportional)
            return w;
        // Several widths, so that sums are not multiples of one width.
        FCache[c] = w / CharWidth * (3 + (c * 7) % 11);
        return FCache[c];
    }
    int32_t Wrap = 0;
    bool Proportional = false;
};

// One token as the painter receives it.
struct TToken {
    std::u16string Text;
    std::vector<int32_t> Widths;
    int32_t Width = 0;
    std::string Style;  // element name, or "keyword:K"
    TSelectedStyle Colors;
    bool operator==(const TToken& o) const
    {
        return Text == o.Text && Widths == o.Widths && Width == o.Width && Style == o.Style &&
               Colors.Background == o.Colors.Background && Colors.Foreground == o.Colors.Foreground &&
               Colors.Style == o.Colors.Style;
    }
};

inline std::string StyleOf(TTokenStyle style, int32_t keywordSet)
{
    return style == TTokenStyle::Keyword ? "keyword:" + std::to_string(keywordSet) : TokenStyleName(style);
}

// "[text]style" per token; code units outside ASCII as \uXXXX.
inline std::string Describe(const std::vector<TToken>& tokens)
{
    std::string out;
    for (const TToken& t : tokens) {
        if (!out.empty())
            out += ' ';
        out += '[';
        for (char16_t u : t.Text) {
            if (u >= 0x20 && u < 0x7F) {
                out += static_cast<char>(u);
            } else {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(u));
                out += buf;
            }
        }
        out += ']' + t.Style;
    }
    return out;
}

// A definition for C-like text: // and /* */ comments, strings in double
// and single quotes with a backslash escape, one keyword set {if, while},
// the default delimiters.
inline void MakeCLike(TZinSyntax& s)
{
    s.Delimiters = "~`!@#$%^&*()-+=|\\{}[]:;\"',.<>/?";
    s.LineComments = {"//"};
    s.LineCommentInRange = {0};
    s.BlockCommentBegins = {"/*"};
    s.BlockCommentEnds = {"*/"};
    s.BlockCommentInRange = {{0}};
    s.StringChars = "\"'";
    s.StringInRange = {0};
    s.EscapeChar = '\\';
    TSyntaxKeyword& kw = s.FindOrAddKeyword("keywords");
    kw.Color = 0xFF0000;
    kw.Style = fsBold;
    kw.InRange = {0};
    kw.WordsCS = {u"if", u"while"};
    s.CaseSensitive = true;
    s.HasLineState = true;
}

class ScannerTest : public ::testing::Test {
protected:
    ScannerTest() : Owner(8, 65001)
    {
        SetSystemCodePage(1252);
        TextBuf.resize(static_cast<size_t>(Owner.MaxLineLength) + 1);
        WidthBuf.resize(static_cast<size_t>(Owner.MaxLineLength));
    }
    ~ScannerTest() override { SetSystemCodePage(0); }

    // Loads UTF-8 text and gives it the definition (states and rows
    // computed with it).
    void Load(std::string_view text, TZinSyntax& syntax)
    {
        TextBuf.resize(static_cast<size_t>(Owner.MaxLineLength) + 1);
        WidthBuf.resize(static_cast<size_t>(Owner.MaxLineLength));
        ASSERT_TRUE(Owner.Load(Dir.Write("t.txt", text)));
        Owner.SetCodePage(65001);
        // A load leaves the first line in the empty state.
        ASSERT_EQ(Lines().Lines().front().State, TLineState{});
        TZinLinesAccess::UseSyntax(Lines(), syntax);
        Lines().Rescan(Lines().Lines().begin(), std::prev(Lines().Lines().end()));
    }
    TZinLines& Lines() { return *Owner.Lines; }
    TLineIterator LineAt(size_t i) { return std::next(Lines().Lines().begin(), static_cast<std::ptrdiff_t>(i)); }
    void Bind(TZinScanner& s, TDrawSurface* canvas = nullptr)
    {
        s.BindPainter(Lines(), canvas, WidthBuf.data(), TextBuf.data());
    }

    // The tokens of the scanner's current row, as the painter takes them.
    std::vector<TToken> Row(TZinScanner& s)
    {
        std::vector<TToken> out;
        do {
            int32_t w = 0;
            const int32_t n = s.NextToken(w);
            if (n == 0)
                continue;
            TToken t;
            t.Text.assign(TextBuf.data(), static_cast<size_t>(n));
            t.Widths.assign(WidthBuf.begin(), WidthBuf.begin() + n);
            t.Width = w;
            t.Style = StyleOf(s.LastStyle(), s.LastKeywordSet());
            t.Colors = s.LastColors();
            out.push_back(std::move(t));
        } while (s.RowHasMore());
        return out;
    }
    // Every row of line i from its start, described, rows joined by " | ".
    std::string Scan(size_t i)
    {
        TZinScanner s;
        Bind(s);
        s.BeginRow(LineAt(i), 0);
        std::string out;
        for (int r = 0; r < 10000; ++r) {
            if (r)
                out += " | ";
            out += Describe(Row(s));
            if (s.LineEnded())
                break;
        }
        return out;
    }

    TScanOwner Owner;
    TempDir Dir;
    std::vector<char16_t> TextBuf;
    std::vector<int32_t> WidthBuf;
};

// The scanning rules as written, over one line's decoded characters: each
// run is read to its boundary or the line's end before any of it is
// emitted, however many rows it spans, and a row is complete when its
// pixels are used up. Rows of width 0 before the end entry are passed over
// (one empty call each), as in the scanner.
class TReferenceScanner {
public:
    TReferenceScanner(const TZinSyntax& syn, TZinLinesOwner& owner, std::vector<int32_t> chars,
                      std::vector<int32_t> rowWidths, const TLineState& state)
        : S(syn), O(owner), Chars(std::move(chars)), RowW(std::move(rowWidths))
    {
        TabW = std::max(1, O.GetTabSize() * O.GetAvgCharWidth());
        if (S.HasLineState) {
            Cur.RangeId = state[0];
            Cur.BlockComment = state[1];
            BlockEndHint = state[2] != 0;
            Cur.StringIndex = state[3];
            if (Cur.StringIndex != 0 && Cur.StringIndex <= S.StringChars.size())
                QuoteChar = static_cast<uint8_t>(S.StringChars[Cur.StringIndex - 1u]);
            if (Cur.RangeId)
                CurRange = S.FindRange(Cur.RangeId);
        }
        Pending = Cur;
        const int32_t rows = static_cast<int32_t>(RowW.size()) - 1;
        LineEnded = RowW[0] == 0 && rows == 1;
    }

    // One call of NextToken; false when it gave no characters.
    bool Next(TToken& t)
    {
        SwitchedAtRowEnd = false;
        const int32_t rows = static_cast<int32_t>(RowW.size()) - 1;
        if (!LineEnded && RowW[static_cast<size_t>(CurRow)] == 0) {
            ++CurRow;
            LineEnded = CurRow == rows;
            return false;
        }
        if (RunLeft == 0 && !Phase1())
            return false;
        // Phase 2: the class of the token by its first character and the state.
        t = TToken{};
        const int32_t ch = Q(0);
        enum { White, NotWhite, Wide, Word, Prefixed, Delims } rule;
        std::string style;
        if (IsWhite(ch))
            style = "space", rule = White;
        else if (Cur.BlockComment || Cur.LineComment)
            style = "comment", rule = NotWhite;
        else if (Directive)
            style = "directive", rule = NotWhite;
        else if (Cur.StringIndex)
            style = "string", rule = NotWhite;
        else if (ch > 0xFF)
            style = "text", rule = Wide;
        else if (ch >= '0' && ch <= '9')
            style = "number", rule = Word;
        else if (In(S.SpecialWordPrefixes, ch))
            style = "specialword", rule = Word;
        else if (In(S.KeywordPrefixes, ch))
            rule = Prefixed;
        else if (In(S.Delimiters, ch))
            style = "delimiter", rule = Delims;
        else
            rule = Word;  // a word, looked up
        auto goesOn = [&](int32_t u) {
            switch (rule) {
            case White: return IsWhite(u);
            case NotWhite: return !IsWhite(u);
            case Wide: return u > 0xFF;
            case Word: return u <= 0xFF && !In(S.Delimiters, u) && !IsWhite(u);
            case Prefixed: return u <= 0xFF && !IsWhite(u);
            case Delims: return In(S.Delimiters, u) && !In(S.SpecialWordPrefixes, u);
            }
            return false;
        };
        // The characters are looked at in place; a prefixed word that is no
        // keyword keeps only its prefix.
        const int32_t rowW = RowW[static_cast<size_t>(CurRow)];
        int32_t x = RowX;
        size_t n = 0;
        do {
            const int32_t u = Q(n++);
            const int32_t w = u == 9 ? TabWidth(x, TabW, rowW) : O.GetCharWidth(static_cast<char16_t>(u));
            t.Text += static_cast<char16_t>(u);
            t.Widths.push_back(w);
            x += w;
        } while (static_cast<int32_t>(n) < RunLeft && x != rowW && goesOn(Q(n)));
        const bool looked = style.empty();
        const int32_t k = looked ? Lookup(t.Text) : 0;
        if (rule == Prefixed && k == 0) {
            t.Text.resize(1);
            t.Widths.resize(1);
            style = "delimiter";
        } else if (looked) {
            style = k ? "keyword:" + std::to_string(k) : "text";
        }
        if (k != 0) {
            t.Colors = S.SelectStyle(Cur.RangeId, S.Keywords[static_cast<size_t>(k - 1)]);
        } else {
            static const std::pair<const char*, TSyntaxElement> elements[] = {
                {"space", seSpace},   {"comment", seComment}, {"directive", seDirective},
                {"string", seString}, {"text", seText},       {"number", seNumber},
                {"specialword", seSpecialWord}, {"delimiter", seDelimiter}};
            for (const auto& [name, e] : elements)
                if (style == name)
                    t.Colors = S.SelectStyle(Cur.RangeId, S.Styles[e]);
        }
        t.Style = style;
        for (int32_t w : t.Widths)
            t.Width += w;
        Front += t.Text.size();
        Lookahead -= static_cast<int32_t>(t.Text.size());
        RunLeft -= static_cast<int32_t>(t.Text.size());
        RowX += t.Width;
        // End of the call.
        bool switched = false;
        if (RunLeft == 0) {
            switched = !(Cur == Pending);
            RangeBeforeSwitch = Cur.RangeId;
            Cur = Pending;
        }
        if (RowX == rowW) {
            RowX = 0;
            ++CurRow;
            SwitchedAtRowEnd = switched;
            LineEnded = CurRow == rows;
        }
        return true;
    }
    bool RowHasMore() const { return RowX != 0; }

    TScanState Cur, Pending;
    bool LineEnded = false;
    // The last call completed a row and switched the state as it did.
    bool SwitchedAtRowEnd = false;
    int32_t RangeBeforeSwitch = 0;

private:
    static bool IsWhite(int32_t u) { return u == 32 || (u >= 9 && u <= 13); }
    static bool In(const std::string& set, int32_t u)
    {
        return u >= 0 && u <= 0xFF && set.find(static_cast<char>(u)) != std::string::npos;
    }
    size_t QueueLength() const { return Read - Front; }
    int32_t Q(size_t i) const { return Chars[Front + i]; }
    bool NextChar()
    {
        if (Read >= Chars.size())
            return false;
        ++Read;
        return true;
    }
    static bool InList(const std::vector<int32_t>& list, int32_t id)
    {
        return std::find(list.begin(), list.end(), id) != list.end();
    }
    int32_t Lookup(const std::u16string& w) const
    {
        for (size_t k = 0; k < S.Keywords.size(); ++k) {
            const TSyntaxKeyword& kw = S.Keywords[k];
            if (!InList(kw.InRange, Cur.RangeId))
                continue;
            if (S.CaseSensitive ? kw.WordsCS.count(w) != 0 : kw.WordsCIS.count(w) != 0)
                return static_cast<int32_t>(k + 1);
        }
        return 0;
    }
    // The first token of the list (up to `count`) that matches at the
    // lookahead, 1-based, and its length.
    int32_t Match(const std::vector<std::string>& list, size_t count, int32_t& len)
    {
        const size_t at = static_cast<size_t>(Lookahead);
        for (size_t i = 0; i < std::min(count, list.size()); ++i) {
            const std::string& t = list[i];
            if (t.empty() || Q(at) != static_cast<uint8_t>(t[0]))
                continue;
            while (QueueLength() < at + t.size()) {
                if (!NextChar() || Q(QueueLength() - 1) != static_cast<uint8_t>(t[QueueLength() - 1 - at]))
                    break;
            }
            if (QueueLength() < at + t.size())
                continue;
            bool eq = true;
            for (size_t k = 1; k < t.size(); ++k)
                eq = eq && Q(at + k) == static_cast<uint8_t>(t[k]);
            if (eq) {
                len = static_cast<int32_t>(t.size());
                return static_cast<int32_t>(i + 1);
            }
        }
        return 0;
    }
    bool Phase1()
    {
        if (LineEnded && QueueLength() == 0)
            return false;
        RunLeft = Lookahead;
        auto advance = [&] {
            ++Lookahead;
            ++RunLeft;
        };
        for (;;) {
            if (!LineEnded)
                NextChar();
            if (static_cast<size_t>(Lookahead) >= QueueLength()) {
                if (RunLeft == 0)
                    return false;
                return true;
            }
            const int32_t ch = Q(static_cast<size_t>(Lookahead));
            if (StopScan || ch > 0xFF || IsWhite(ch)) {
                advance();
                continue;
            }
            ++NonBlankCount;
            int32_t len = 0, g = 0;
            if (Cur.StringIndex) {
                if (ch == S.EscapeChar) {
                    NextChar();
                    const size_t nx = static_cast<size_t>(Lookahead) + 1;
                    if (nx < QueueLength() && (Q(nx) == S.EscapeChar || Q(nx) == QuoteChar)) {
                        ++Lookahead;
                        ++RunLeft;
                    }
                    advance();
                } else if (ch == QuoteChar) {
                    Pending.StringIndex = 0;
                    advance();
                    return true;
                } else {
                    advance();
                }
                continue;
            }
            if (Cur.BlockComment) {
                if (BlockEndHint) {
                    const size_t idx = Cur.BlockComment - 1u;
                    if (idx < S.BlockCommentEnds.size() &&
                        Match(std::vector<std::string>{S.BlockCommentEnds[idx]}, 1, len)) {
                        Pending.BlockComment = 0;
                        Lookahead += len;
                        RunLeft = Lookahead;
                        return true;
                    }
                } else {
                    StopScan = true;
                }
                advance();
                continue;
            }
            if (Cur.RangeId && CurRange && Match(std::vector<std::string>{CurRange->End}, 1, len)) {
                Pending.RangeId = 0;
                Lookahead += len;
                RunLeft = Lookahead;
                return true;
            }
            if (NonBlankCount == 1 && In(S.DirectiveLeading, ch)) {
                Directive = true;
                advance();
                continue;
            }
            bool boundary = true;
            const size_t pairs = std::min(S.BlockCommentBegins.size(), S.BlockCommentEnds.size());
            if ((g = Match(S.LineComments, SIZE_MAX, len)) && InList(S.LineCommentInRange, Cur.RangeId)) {
                StopScan = true;
                Pending.LineComment = static_cast<uint8_t>(g);
                Lookahead += len;
            } else if ((g = Match(S.BlockCommentBegins, pairs, len)) &&
                       static_cast<size_t>(g - 1) < S.BlockCommentInRange.size() &&
                       InList(S.BlockCommentInRange[static_cast<size_t>(g - 1)], Cur.RangeId)) {
                Pending.BlockComment = static_cast<uint8_t>(g);
                Lookahead += len;
            } else if (!S.StringChars.empty() && InList(S.StringInRange, Cur.RangeId) && In(S.StringChars, ch)) {
                Pending.StringIndex = static_cast<uint8_t>(S.StringChars.find(static_cast<char>(ch)) + 1);
                QuoteChar = ch;
                Lookahead += 1;
            } else if (Cur.RangeId == 0 && !S.RangeBegins.empty() && (g = Match(S.RangeBegins, SIZE_MAX, len)) &&
                       static_cast<size_t>(g - 1) < S.Ranges.size()) {
                Pending.RangeId = static_cast<uint8_t>(S.Ranges[static_cast<size_t>(g - 1)].Id & 0xFF);
                CurRange = S.FindRange(Pending.RangeId);
                Lookahead += len;
            } else {
                boundary = false;
            }
            if (!boundary) {
                advance();
                continue;
            }
            if (RunLeft != 0)
                return true;
            Cur = Pending;
            RunLeft = Lookahead;
        }
    }

    const TZinSyntax& S;
    TZinLinesOwner& O;
    std::vector<int32_t> Chars;
    std::vector<int32_t> RowW;  // row widths and the end entry's 0
    int32_t TabW = 1;
    size_t Front = 0, Read = 0;  // the queue is Chars[Front, Read)
    int32_t CurRow = 0, RowX = 0, Lookahead = 0, RunLeft = 0, NonBlankCount = 0;
    bool Directive = false, BlockEndHint = false, StopScan = false;
    const TSyntaxRange* CurRange = nullptr;
    int32_t QuoteChar = -1;
};

}  // namespace zin::test
