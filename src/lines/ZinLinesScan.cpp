// The line scan: splitting lines at their newlines, cutting rows by byte
// limit and wrap width, and tracking the syntax state at each line's start.
//
// Two routes give the same lines, rows and states. The reference route reads
// one character at a time through the reader (BeginRead/NextChar/IsLFNext).
// The fast route, taken where the syntax state cannot change (no strings,
// block comments or ranges in the definition), decodes straight from the
// data source's contiguous spans. Lines of printable ASCII of one width go
// through one tight loop (SimplePieces). Otherwise a row is measured in one
// go up to the next newline or up to the character that does not fit the
// byte limit or the wrap width; only then is the word/delimiter run that
// decides a carry worked out, and that one character is placed as the
// reference route places it. A randomised test compares both routes.
#include <algorithm>
#include <climits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "encoding/CodePage.h"
#include "lines/ZinLines.h"
#include "lines/ZinLinesDecode.h"
#include "syntax/ZinSyntax.h"

namespace zin {

namespace {

enum : uint8_t { clsNone = 0, clsWord = 1, clsDelim = 2 };

// Markers in the per-byte width table of the fast route.
constexpr int32_t bwUnknown = 0;
constexpr int32_t bwTab = -1;
constexpr int32_t bwDecode = -2;
constexpr int32_t bwNewLine = -3;

const TZinSyntax& DefaultSyntax()
{
    static const TZinSyntax syntax;
    return syntax;
}

// The first byte in [p, e) outside the printable ASCII range 0x20-0x7E.
inline const uint8_t* FindSpecial(const uint8_t* p, const uint8_t* e)
{
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i del = _mm_set1_epi8(0x7F);
    while (e - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Signed compare: bytes 0x80-0xFF count as negative, so below 0x20.
        const __m128i m = _mm_or_si128(_mm_cmplt_epi8(v, space), _mm_cmpeq_epi8(v, del));
        const int mask = _mm_movemask_epi8(m);
        if (mask)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < e && *p >= 0x20 && *p < 0x7F)
        ++p;
    return p;
}

// The first UTF-16 unit in [p, e) (an even number of bytes) outside the
// printable ASCII range 0x20-0x7E; little- or big-endian.
template <bool Little>
inline const uint8_t* FindSpecial16(const uint8_t* p, const uint8_t* e)
{
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi16(0x20);
    const __m128i top = _mm_set1_epi16(0x7E - 0x20);
    const __m128i zero = _mm_setzero_si128();
    while (e - p >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (!Little)
            v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        // u - 0x20 as a signed number: negative below 0x20 or from 0x8020 on.
        const __m128i d = _mm_sub_epi16(v, low);
        const __m128i bad = _mm_or_si128(_mm_cmplt_epi16(d, zero), _mm_cmpgt_epi16(d, top));
        const int mask = _mm_movemask_epi8(bad);
        if (mask)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (e - p >= 2) {
        const unsigned u = Little ? p[0] | (p[1] << 8) : (p[0] << 8) | p[1];
        if (u < 0x20 || u > 0x7E)
            return p;
        p += 2;
    }
    return p;
}

bool InList(const std::vector<int32_t>& list, int32_t id)
{
    return std::find(list.begin(), list.end(), id) != list.end();
}

}  // namespace

namespace detail {

// The bytes of a single-block line through its source's contiguous spans.
// Positions are offsets in the line; the span may begin before the line (a
// cursor moved on to the next piece of a split line keeps its span).
struct TSpanCursor {
    TInData* Src = nullptr;
    uint64_t Base = 0;  // the line's offset in Src
    uint64_t Len = 0;   // the line's length
    const uint8_t* P = nullptr;
    int64_t Start = 0;
    int64_t End = 0;  // line offsets [Start, End) lie at P

    // Binds the cursor to a line, keeping the span when the source is the
    // same (the window cannot have moved: callers reset the cursor after
    // anything else read the source).
    void Bind(TInData* src, uint64_t base, uint64_t len)
    {
        if (src != Src) {
            Src = src;
            P = nullptr;
            Start = End = 0;
        } else if (P) {
            const int64_t delta = static_cast<int64_t>(base) - static_cast<int64_t>(Base);
            Start -= delta;
            End -= delta;
        }
        Base = base;
        Len = len;
    }
    void Reset()
    {
        Src = nullptr;
        P = nullptr;
        Start = End = 0;
    }
    bool Holds(uint64_t pos) const
    {
        return static_cast<int64_t>(pos) >= Start && static_cast<int64_t>(pos) < End;
    }
    void Load(uint64_t pos)
    {
        uint32_t avail = 0;
        P = Src->Span(Base + pos, avail);
        if (!P || avail == 0) {
            P = nullptr;
            Start = End = 0;
            return;
        }
        Start = static_cast<int64_t>(pos);
        End = static_cast<int64_t>(pos + avail);
    }
    uint8_t At(uint64_t pos)
    {
        if (!Holds(pos)) {
            Load(pos);
            if (!P)
                return Src->GetByte(Base + pos);
        }
        return P[static_cast<int64_t>(pos) - Start];
    }
};

}  // namespace detail

using detail::TSpanCursor;

struct TZinLines::TScanSetup {
    TZinLinesOwner* Edit;
    const TZinSyntax* Syntax;
    TNewLineType* Nlt;
    int32_t* Cache;
    int32_t MaxLen;
    int32_t WrapW;
    int32_t TabW;
    int Kind;
    bool InertSyntax;
    // The width every byte 0x20-0x7E decodes to when it is the same for all
    // of them (a fixed-width font over ASCII), else 0.
    int32_t Uniform;
    uint8_t Cls[256];    // class of a code below 256
    uint16_t ByteU[256]; // single-byte code page: what each byte decodes to
    int32_t ByteW[256];  // width of a lone byte's character, or a marker
    bool Lead[256];

    int32_t Width(int32_t u) const
    {
        const int32_t w = Cache[u];
        return w ? w : Edit->GetCharWidth(static_cast<char16_t>(u));
    }
    uint8_t ClassOf(int32_t u) const { return u < 256 ? Cls[u] : uint8_t(clsNone); }
};

struct TZinLines::TRowBuilder {
    std::vector<TRowIndex>* Rows;
    uint64_t RowStart = 0;
    int32_t RowBytes = 0;
    int32_t RowWidth = 0;
    int32_t RunBytes = 0;
    int32_t RunWidth = 0;
    uint8_t RunCls = clsNone;
    int32_t Closed = 0;

    void Reset(uint64_t start)
    {
        Rows->assign(2, TRowIndex{});
        RowStart = start;
        RowBytes = RowWidth = RunBytes = RunWidth = 0;
        RunCls = clsNone;
        Closed = 0;
    }
};

struct TZinLines::TTracker {
    TLineState State{};
    const TSyntaxRange* Range = nullptr;
    int32_t Skip = 0;
};

// ---- Set-up ----------------------------------------------------------------

void TZinLines::PrepareScan(TScanSetup& s)
{
    // Select the code page and the decoder exactly as BeginRead does, so
    // that both routes decode alike.
    SelectDecoder();
    if (FNextChar == &TZinLines::NextSingleByte) s.Kind = int(cpkSingleByte);
    else if (FNextChar == &TZinLines::NextDoubleByte) s.Kind = cpkDoubleByte;
    else if (FNextChar == &TZinLines::NextUTF16LE) s.Kind = cpkUTF16LE;
    else if (FNextChar == &TZinLines::NextUTF16BE) s.Kind = cpkUTF16BE;
    else s.Kind = cpkUTF8;

    s.Edit = FEdit;
    s.Syntax = FSyntax ? FSyntax : &DefaultSyntax();
    s.Nlt = &FEdit->NewLineTypeField();
    s.Cache = FEdit->CharWidthCache();
    s.MaxLen = FEdit->GetMaxLineLength();
    s.WrapW = FEdit->GetWrapWidth();
    s.TabW = std::max(1, FEdit->GetTabSize() * FEdit->GetAvgCharWidth());

    const TZinSyntax& syn = *s.Syntax;
    s.InertSyntax = syn.StringChars.empty() &&
                    std::min(syn.BlockCommentBegins.size(), syn.BlockCommentEnds.size()) == 0 &&
                    syn.RangeBegins.empty();

    for (int c = 0; c < 256; ++c) {
        if (syn.Delimiters.find(static_cast<char>(c)) != std::string::npos)
            s.Cls[c] = clsDelim;
        else if (c == 32 || (c >= 9 && c <= 13))
            s.Cls[c] = clsNone;
        else
            s.Cls[c] = clsWord;
        s.Lead[c] = IsLeadByte(static_cast<uint8_t>(c));
        const uint16_t u = (s.Kind == cpkSingleByte) ? SbToWide(static_cast<uint8_t>(c)) : static_cast<uint16_t>(c);
        s.ByteU[c] = u;
        if (s.Kind == cpkUTF8 && c >= 0x80)
            s.ByteW[c] = bwDecode;
        else if (u == 9)
            s.ByteW[c] = bwTab;
        else if (u == 10 || u == 13)
            s.ByteW[c] = bwNewLine;
        else
            s.ByteW[c] = s.Cache[u] > 0 ? s.Cache[u] : bwUnknown;
    }
    s.Uniform = 0;
    if (s.Kind != cpkDoubleByte) {
        int32_t common = -1;
        for (int c = 0x20; c < 0x7F && common != 0; ++c) {
            if (s.ByteW[c] == bwUnknown) {
                const int32_t w = s.Width(s.ByteU[c]);
                s.ByteW[c] = w > 0 ? w : bwUnknown;
            }
            const int32_t w = s.ByteW[c];
            common = (w > 0 && (common < 0 || common == w)) ? w : 0;
        }
        s.Uniform = common > 0 ? common : 0;
    }
}

// ---- Rows ------------------------------------------------------------------

void TZinLines::CloseRow(TRowBuilder& rb, bool carry)
{
    if (carry)
        rb.RowWidth -= rb.RunWidth;
    (*rb.Rows)[rb.Closed] = TRowIndex{rb.RowStart, rb.RowWidth};
    rb.Rows->push_back(TRowIndex{});
    ++rb.Closed;
    ++FRowCount;
    FMaxRowWidth = std::max(FMaxRowWidth, rb.RowWidth);
    if (carry) {
        rb.RowStart += rb.RowBytes - rb.RunBytes;
        rb.RowWidth = rb.RunWidth;
        rb.RowBytes = rb.RunBytes;
    } else {
        rb.RowStart += rb.RowBytes;
        rb.RowWidth = rb.RowBytes = rb.RunWidth = rb.RunBytes = 0;
    }
}

void TZinLines::CloseLine(TRowBuilder& rb)
{
    FMaxRowWidth = std::max(FMaxRowWidth, rb.RowWidth);
    (*rb.Rows)[rb.Closed] = TRowIndex{rb.RowStart, rb.RowWidth};
    (*rb.Rows)[rb.Closed + 1] = TRowIndex{rb.RowStart + rb.RowBytes, 0};
}

// Places one character (code u, n bytes, width w unless it is a tab).
inline void TZinLines::PlaceChar(const TScanSetup& s, TRowBuilder& rb, int32_t u, int32_t n, int32_t w)
{
    const uint8_t cls = s.ClassOf(u);
    // Byte limit. The run moves to the next row only when it and this
    // character then fit the limit; otherwise the row closes as it is (a run
    // that cannot fit would leave an empty row behind and overflow the next).
    if (s.MaxLen < static_cast<int64_t>(rb.RowBytes) + n) {
        const bool continues = cls != clsNone && rb.RunBytes != 0 && cls == rb.RunCls;
        CloseRow(rb, continues && rb.RunBytes != s.MaxLen &&
                         static_cast<int64_t>(rb.RunBytes) + n <= s.MaxLen);
    }
    const int32_t x = rb.RowWidth;
    if (u == 9) {
        // A tab reaches the next tab stop but not past the wrap width. In a
        // row that is already full, or wider than the wrap width (a single
        // character wider than it), the tab is a full tab stop wide and so
        // starts a new row: its width is never negative.
        if (x >= s.WrapW)
            w = s.TabW;
        else
            w = std::min(s.TabW - x % s.TabW, s.WrapW - x);
    }
    // Wrap width; the same guard for the carry.
    if (static_cast<int64_t>(s.WrapW) < static_cast<int64_t>(x) + w) {
        const bool continues = cls != clsNone && rb.RunBytes != 0 && cls == rb.RunCls;
        CloseRow(rb, continues && rb.RowWidth != rb.RunWidth &&
                         static_cast<int64_t>(rb.RunWidth) + w <= s.WrapW);
    }
    if (cls != clsNone && rb.RunBytes != 0 && cls == rb.RunCls) {
        rb.RunBytes += n;
        rb.RunWidth += w;
    } else if (cls != clsNone) {
        rb.RunCls = cls;
        rb.RunBytes = n;
        rb.RunWidth = w;
    } else {
        rb.RunBytes = rb.RunWidth = 0;
    }
    rb.RowWidth += w;
    rb.RowBytes += n;
}

void TZinLines::Reformat()
{
    FRowCount = 0;
    FMaxRowWidth = 0;
    TScanSetup s;
    PrepareScan(s);
    TRowBuilder rb;
    rb.Rows = &FRowScratch;
    TSpanCursor cursor;
    for (TLineIterator it = FLines.begin(); it != FLines.end(); ++it) {
        const TLine& line = *it;
        rb.Reset(line.Spilled() || line.PooledRows() ? line.Rows()[0].Pos : line.FPos0);
        ++FRowCount;
        uint64_t end;
        if (!ScanPieceFast(s, cursor, it, rb, false, false, end)) {
            ScanPieceSlow(s, it, rb, nullptr, false, false);
            cursor.Reset();
        }
        CommitRows(*it, FRowScratch);
    }
}

// ---- The syntax-state tracker ----------------------------------------------

int32_t TZinLines::MatchStrings(twc_queue& q, const std::string* strings, size_t count, int32_t& length)
{
    if (q.empty())
        return 0;
    const int32_t c = q.front().first;
    for (size_t i = 0; i < count; ++i) {
        const std::string& s = strings[i];
        const size_t n = s.size();
        if (n == 0 || c != static_cast<uint8_t>(s[0]))
            continue;
        if (n == 1) {
            length = 1;
            return static_cast<int32_t>(i + 1);
        }
        // Decode ahead, but never past a newline: also not past one an
        // earlier look-ahead left in the queue, or a CR LF pair would be
        // seen apart.
        bool stop = false;
        for (size_t k = 1; k < q.size(); ++k)
            if (q[k].first == 13 || q[k].first == 10) {
                stop = true;
                break;
            }
        while (!stop && q.size() < n) {
            if (!NextChar(q))
                break;
            const int32_t v = q.back().first;
            if (v == 13 || v == 10 || v != static_cast<uint8_t>(s[q.size() - 1]))
                break;
        }
        if (q.size() < n)
            continue;
        bool equal = true;
        for (size_t k = 0; k < n && equal; ++k) {
            const int32_t v = q[k].first;
            if (v == 13 || v == 10 || (k > 0 && v != static_cast<uint8_t>(s[k])))
                equal = false;
        }
        if (equal) {
            length = static_cast<int32_t>(n);
            return static_cast<int32_t>(i + 1);
        }
    }
    return 0;
}

void TZinLines::Track(const TScanSetup& s, TTracker& t, twc_queue& q, TLine& line)
{
    if (t.Skip != 0) {
        --t.Skip;
        return;
    }
    const TZinSyntax& syn = *s.Syntax;
    const int32_t u = q.front().first;
    t.Skip = 1;
    auto quotePos = [&](int32_t v) -> uint8_t {
        if (v < 0 || v >= 256)
            return 0;
        const size_t p = syn.StringChars.find(static_cast<char>(v));
        return p == std::string::npos ? 0 : static_cast<uint8_t>(p + 1);
    };
    int32_t len = 0;
    if (u >= 256 || u == 32 || u == 9) {
        // No token starts here.
    } else if (t.State[1] != 0) {
        // Inside a block comment: only its end token counts.
        const size_t idx = t.State[1] - 1u;
        if (idx < syn.BlockCommentEnds.size()) {
            if (MatchStrings(q, &syn.BlockCommentEnds[idx], 1, len)) {
                t.State[1] = 0;
                t.Skip = len;
                line.State[2] = 1;
            }
        }
    } else if (t.State[3] != 0) {
        // Inside a string: an escape passes over an escaped quote or escape.
        if (u == syn.EscapeChar) {
            if (q.size() == 1)
                NextChar(q);
            if (q.size() >= 2) {
                const int32_t v = q[1].first;
                if (v == syn.EscapeChar || quotePos(v) == t.State[3])
                    t.Skip += 1;
            }
        } else if (quotePos(u) == t.State[3]) {
            t.State[3] = 0;
        }
    } else {
        const int32_t range = t.State[0];
        int32_t g;
        if (!syn.StringChars.empty() && InList(syn.StringInRange, range) && quotePos(u) != 0) {
            t.State[3] = quotePos(u);
        } else if ((g = MatchStrings(q, syn.BlockCommentBegins, len,
                                     std::min(syn.BlockCommentBegins.size(), syn.BlockCommentEnds.size()))) != 0 &&
                   static_cast<size_t>(g - 1) < syn.BlockCommentInRange.size() &&
                   InList(syn.BlockCommentInRange[g - 1], range)) {
            // A begin without an end token is never matched: it opens nothing.
            t.State[1] = static_cast<uint8_t>(g);
            t.Skip = len;
        } else if (MatchStrings(q, syn.LineComments, len) != 0 && InList(syn.LineCommentInRange, range)) {
            t.Skip = INT32_MAX;
        } else if (range != 0 && t.Range) {
            if (MatchStrings(q, &t.Range->End, 1, len)) {
                t.Skip = len;
                t.State[0] = 0;
                t.Range = nullptr;
            }
        } else if (range == 0 && !syn.RangeBegins.empty()) {
            g = MatchStrings(q, syn.RangeBegins, len);
            if (g != 0 && static_cast<size_t>(g - 1) < syn.Ranges.size()) {
                t.Skip = len;
                const int32_t id = syn.Ranges[g - 1].Id;
                t.State[0] = static_cast<uint8_t>(id & 0xFF);
                t.Range = syn.FindRange(id);
            }
        }
    }
    --t.Skip;
}

// ---- Rescan ----------------------------------------------------------------

void TZinLines::Rescan(TLineIterator first, TLineIterator last)
{
    SelectCodePage(FEdit->GetCodePage());
    TScanSetup setup;
    PrepareScan(setup);
    TLineIterator cur = first;
    TLineState state{};
    bool inRange = true;
    bool more = true;
    bool unchanged = false;
    for (;;) {
        if (inRange && cur == last)
            inRange = false;
        TLineIterator nxt = std::next(cur);
        if (nxt == FLines.end()) {
            more = false;
        } else {
            // Join where the current decoding sees no newline at the line's
            // end, and where a CR ends a line whose successor starts with LF.
            for (;;) {
                const int32_t endChar = LineEndChar(cur);
                if (!(endChar == 0 || (endChar == 13 && StartsWithLF(nxt))))
                    break;
                if (inRange && nxt == last)
                    inRange = false;
                JoinNext(cur, nxt);
                --FLineCount;
                FRowCount -= nxt->RowCount();
                if (FReadLine == nxt)
                    FReadLine = FLines.end();
                FLines.erase(nxt);
                nxt = std::next(cur);
                if (nxt == FLines.end()) {
                    more = false;
                    break;
                }
            }
        }
        state = ScanLineWith(setup, cur);
        if (!more)
            break;
        cur = nxt;
        if (cur->State == state)
            unchanged = true;
        else
            cur->State = state;
        if (!inRange && unchanged)
            return;
    }
    if (LineEndChar(std::prev(FLines.end())) != 0) {
        TLineIterator blank = FLines.insert(FLines.end());
        blank->State = state;
        ++FLineCount;
        ++FRowCount;
    }
    FEndState = state;
}

// ---- Line scan -------------------------------------------------------------

TLineState TZinLines::ScanLine(TLineIterator line)
{
    if (line->Length() == 0)
        return line->State;
    TScanSetup s;
    PrepareScan(s);
    return ScanLineWith(s, line);
}

void TZinLines::SplitAfter(TLineIterator it, uint64_t p, const TLineState& state)
{
    TLine& line = *it;
    TLineIterator nIt = FLines.insert(std::next(it));
    TLine& n = *nIt;
    n.State = state;
    if (!line.Spilled()) {
        // The block splits in two: the line keeps its start, the new line
        // takes the rest.
        n.FOffset = line.FOffset + p;
        n.SetCompactLength(line.CompactLength() - p);
        n.FFlags = line.FFlags & TLine::flSourceMask;
        line.SetCompactLength(p);
    } else {
        std::vector<TBlock> head = line.FSpill->Blocks;
        uint64_t r = p;
        size_t i = 0;
        while (i < head.size() && r >= head[i].Size) {
            r -= head[i].Size;
            ++i;
        }
        if (i < head.size() && r != 0) {
            TBlock second{head[i].Source, head[i].Offset + r, head[i].Size - r};
            head[i].Size = r;
            head.insert(head.begin() + static_cast<std::ptrdiff_t>(i) + 1, second);
            ++i;
        }
        std::vector<TBlock> tail(head.begin() + static_cast<std::ptrdiff_t>(i), head.end());
        head.resize(i);
        SetBlocks(n, tail);
        SetBlocks(line, head);
    }
    ++FLineCount;
    ++FRowCount;
}

TLineState TZinLines::ScanLineWith(TScanSetup& s, TLineIterator lineIt)
{
    if (lineIt->Length() == 0)
        return lineIt->State;
    TLineState state = lineIt->State;
    lineIt->NewLineBytes = 0;
    FRowCount -= lineIt->RowCount() - 1;
    bool firstOfList = lineIt == FLines.begin();
    TLineIterator cur = lineIt;
    TRowBuilder rb;
    rb.Rows = &FRowScratch;
    TTracker t;
    TSpanCursor cursor;
    const bool simple = FUseFastScan && s.Uniform > 0 && (s.Kind == cpkSingleByte || s.Kind == cpkUTF8);
    for (;;) {
        const bool inert = s.InertSyntax && state[0] == 0 && state[1] == 0 && state[3] == 0;
        if (inert && simple && SimplePieces(s, cursor, cur, state, firstOfList))
            break;
        rb.Reset(0);
        t.State = state;
        t.Skip = 0;
        t.Range = state[0] ? s.Syntax->FindRange(state[0]) : nullptr;
        uint64_t p;
        if (!(inert && ScanPieceFast(s, cursor, cur, rb, true, firstOfList, p))) {
            p = ScanPieceSlow(s, cur, rb, &t, true, firstOfList);
            cursor.Reset();
        }
        state = t.State;
        if (p >= cur->Length()) {
            CommitRows(*cur, FRowScratch);
            break;
        }
        // The line ends after its newline (its rows describe it as it is
        // then); the rest of its bytes go to a new line.
        SplitAfter(cur, p, state);
        CommitRows(*cur, FRowScratch);
        ++cur;
        firstOfList = false;
    }
    return state;
}

uint64_t TZinLines::ScanPieceSlow(TScanSetup& s, TLineIterator lineIt, TRowBuilder& rb, TTracker* t,
                                  bool scanMode, bool firstOfList)
{
    twc_queue& q = FScanQueue;
    q.clear();
    TLine& line = *lineIt;
    BeginRead(lineIt, TRowIndex{rb.RowStart, 0});
    NextChar(q);
    const int kind = CurrentKind();
    if (scanMode && firstOfList && (kind == cpkUTF16LE || kind == cpkUTF16BE || kind == cpkUTF8) &&
        !q.empty() && q.front().first == 0xFEFF) {
        // A byte-order mark: the first row starts after it; it stays part
        // of the line's bytes.
        rb.RowStart = static_cast<uint64_t>(q.front().second);
        q.pop_front();
        NextChar(q);
    }
    if (q.empty()) {
        CloseLine(rb);
        return FReadPos;
    }
    for (;;) {
        const auto [u, n] = q.front();
        if (u == 13) {
            if (IsLFNext()) {
                NextChar(q);
                if (scanMode) {
                    *s.Nlt = nltDOS;
                    line.NewLineBytes = static_cast<uint8_t>(q.back().second);
                }
            } else if (scanMode && *s.Nlt == nltDefaultDOS) {
                *s.Nlt = nltMac;
            }
            if (scanMode)
                line.NewLineBytes = static_cast<uint8_t>(line.NewLineBytes + n);
            q.clear();
            break;
        }
        if (u == 10) {
            if (scanMode) {
                if (*s.Nlt == nltDefaultDOS)
                    *s.Nlt = nltUnix;
                line.NewLineBytes = static_cast<uint8_t>(n);
            }
            q.clear();
            break;
        }
        if (t)
            Track(s, *t, q, line);
        q.pop_front();
        PlaceChar(s, rb, u, n, u == 9 ? 0 : s.Width(u));
        if (q.empty() && !NextChar(q))
            break;
    }
    CloseLine(rb);
    return FReadPos;
}

// ---- The fast route ----------------------------------------------------------


namespace {

// One character at pos, decoded as the reader decodes it.
template <int K>
inline void Decode(const bool* lead, const uint16_t* byteU, TSpanCursor& c, uint64_t pos, int32_t& u,
                   int32_t& n)
{
    const uint64_t len = c.Len;
    if constexpr (K == cpkSingleByte) {
        u = byteU[c.At(pos)];
        n = 1;
    } else if constexpr (K == cpkDoubleByte) {
        const uint8_t b1 = c.At(pos);
        if (pos + 1 < len && lead[b1]) {
            const uint8_t b2 = c.At(pos + 1);
            const WideChar w = DoubleByteToWide(b1, b2);
            if (w != b1) {
                u = w;
                n = 2;
                return;
            }
        }
        u = CurrentLoneByteTable ? DoubleByteSingleToWide(b1) : b1;
        n = 1;
    } else if constexpr (K == cpkUTF16LE || K == cpkUTF16BE) {
        const uint8_t b0 = c.At(pos);
        if (pos + 1 < len) {
            const uint8_t b1 = c.At(pos + 1);
            u = (K == cpkUTF16LE) ? b0 + 256 * b1 : 256 * b0 + b1;
            n = 2;
        } else {
            u = b0;
            n = 1;
        }
    } else {
        uint8_t g[3];
        g[0] = c.At(pos);
        if (g[0] < 0x80) {
            u = g[0];
            n = 1;
            return;
        }
        int k = 1;
        if (pos + 1 < len)
            g[k++] = c.At(pos + 1);
        if (pos + 2 < len)
            g[k++] = c.At(pos + 2);
        DecodeUTF8(g, k, u, n);
    }
}

// Whether a line feed follows at pos, as the reader's look-ahead sees it.
template <int K>
inline bool IsLFAt(const uint16_t* byteU, TSpanCursor& c, uint64_t pos)
{
    const uint64_t len = c.Len;
    if constexpr (K == cpkSingleByte)
        return pos < len && byteU[c.At(pos)] == 10;
    else if constexpr (K == cpkUTF16LE)
        return pos + 1 < len && c.At(pos) == 0x0A && c.At(pos + 1) == 0;
    else if constexpr (K == cpkUTF16BE)
        return pos + 1 < len && c.At(pos) == 0 && c.At(pos + 1) == 0x0A;
    else
        return pos < len && c.At(pos) == 10;
}

}  // namespace

// The common case in one tight loop: pieces whose text is printable ASCII
// of one width up to a newline, within the byte limit and the wrap width.
// Such a piece is one row as wide as its characters, and no run matters.
// Handles pieces for as long as they are of that kind; returns true when
// the line is done, false with `cur` at the first piece that is not (left
// untouched for the general route).
bool TZinLines::SimplePieces(TScanSetup& s, TSpanCursor& c, TLineIterator& cur, const TLineState& state,
                             bool& firstOfList)
{
    const uint64_t maxLen = s.MaxLen > 0 ? static_cast<uint64_t>(s.MaxLen) : 0;
    const int64_t uniform = s.Uniform;
    TNewLineType& nlt = *s.Nlt;
    for (;;) {
        TLine& line = *cur;
        if (line.Spilled() || line.SourceSlot() == 0 || line.CompactLength() == 0)
            return false;
        c.Bind(line.Source(), line.FOffset, line.CompactLength());
        const uint64_t len = line.CompactLength();
        // The newline must come within the byte limit.
        const uint64_t limit = std::min<uint64_t>(len, maxLen + 1);
        uint64_t q = 0;
        for (;;) {
            if (q >= limit)
                return false;
            if (!c.Holds(q)) {
                c.Load(q);
                if (!c.P)
                    return false;
            }
            const uint8_t* p = c.P + (static_cast<int64_t>(q) - c.Start);
            const uint8_t* e = c.P + (std::min<int64_t>(c.End, static_cast<int64_t>(limit)) - c.Start);
            const uint8_t* f = FindSpecial(p, e);
            q += static_cast<uint64_t>(f - p);
            if (f != e)
                break;
        }
        const uint8_t b = c.P[static_cast<int64_t>(q) - c.Start];
        const int64_t width = static_cast<int64_t>(q) * uniform;
        if (s.ByteW[b] != bwNewLine || width > s.WrapW)
            return false;
        uint64_t after = q + 1;
        uint8_t nlb = 1;
        if (s.ByteU[b] == 10) {
            if (nlt == nltDefaultDOS)
                nlt = nltUnix;
        } else {
            const bool lf = (s.Kind == cpkSingleByte) ? IsLFAt<cpkSingleByte>(s.ByteU, c, after)
                                                      : IsLFAt<cpkUTF8>(s.ByteU, c, after);
            if (lf) {
                nlt = nltDOS;
                nlb = 2;
                ++after;
            } else if (nlt == nltDefaultDOS) {
                nlt = nltMac;
            }
        }
        line.NewLineBytes = nlb;
        SetOneRow(line, 0, static_cast<int32_t>(width));
        FMaxRowWidth = std::max(FMaxRowWidth, static_cast<int32_t>(width));
        if (after >= len)
            return true;
        TLineIterator nIt = FLines.insert(std::next(cur));
        TLine& n = *nIt;
        n.State = state;
        n.FOffset = line.FOffset + after;
        n.SetCompactLength(line.CompactLength() - after);
        n.FFlags = line.FFlags & TLine::flSourceMask;
        line.SetCompactLength(after);
        ++FLineCount;
        ++FRowCount;
        cur = nIt;
        firstOfList = false;
    }
}

bool TZinLines::ScanPieceFast(TScanSetup& s, TSpanCursor& c, TLineIterator lineIt, TRowBuilder& rb,
                              bool scanMode, bool firstOfList, uint64_t& endPos)
{
    TLine& line = *lineIt;
    if (!FUseFastScan || line.Spilled() || line.SourceSlot() == 0 || line.CompactLength() == 0)
        return false;
    c.Bind(line.Source(), line.FOffset, line.CompactLength());
    switch (s.Kind) {
    case cpkSingleByte: endPos = FastPiece<cpkSingleByte>(s, c, line, rb, scanMode, firstOfList); break;
    case cpkDoubleByte:
        if (!CurrentDoubleByteTable)
            return false;
        endPos = FastPiece<cpkDoubleByte>(s, c, line, rb, scanMode, firstOfList);
        break;
    case cpkUTF16LE: endPos = FastPiece<cpkUTF16LE>(s, c, line, rb, scanMode, firstOfList); break;
    case cpkUTF16BE: endPos = FastPiece<cpkUTF16BE>(s, c, line, rb, scanMode, firstOfList); break;
    default: endPos = FastPiece<cpkUTF8>(s, c, line, rb, scanMode, firstOfList); break;
    }
    return true;
}

template <int K>
uint64_t TZinLines::FastPiece(TScanSetup& s, TSpanCursor& c, TLine& line, TRowBuilder& rb, bool scanMode,
                              bool firstOfList)
{
    const uint64_t len = line.CompactLength();
    uint64_t pos = rb.RowStart;
    int32_t u, n;

    if constexpr (K == cpkUTF16LE || K == cpkUTF16BE || K == cpkUTF8) {
        if (scanMode && firstOfList && pos == 0) {
            Decode<K>(s.Lead, s.ByteU, c, 0, u, n);
            if (u == 0xFEFF)
                rb.RowStart = pos = static_cast<uint64_t>(n);
        }
    }

    // Measures characters in one go, from pos with the builder's state, for
    // as long as they fit the row: up to the next newline or the line's end
    // (qDone: no row closes, everything is taken), or up to the character
    // that does not fit the byte limit or the wrap width (qStopped: the
    // characters before it are taken and the word/delimiter run at that
    // point is set, so that placing that character closes the row exactly
    // as the character-by-character route would). qFailed changes nothing.
    enum { qFailed, qDone, qStopped };
    const int64_t wrapW = s.WrapW;
    const int64_t tab = s.TabW;
    // The run at q: the longest suffix of the row's characters of one class
    // (single-byte characters only; false when that cannot be told).
    auto runBefore = [&](uint64_t q, uint8_t& cls, int32_t& bytes, int32_t& width) -> bool {
        cls = clsNone;
        bytes = width = 0;
        uint64_t k = q;
        while (k > rb.RowStart) {
            const uint8_t b = c.At(k - 1);
            // Only single-byte characters of a known width (a tab's width
            // depends on where it stands).
            if ((K == cpkUTF8 && b >= 0x80) || s.ByteU[b] == 9)
                return false;
            const uint8_t cl = s.ClassOf(s.ByteU[b]);
            if (k == q)
                cls = cl;
            if (cl == clsNone || cl != cls)
                break;
            width += s.Width(s.ByteU[b]);
            --k;
        }
        bytes = static_cast<int32_t>(q - k);
        if (cls == clsNone)
            width = 0;
        return true;
    };
    auto quick = [&]() -> int {
        if (rb.RowBytes >= s.MaxLen)
            return qFailed;
        const uint64_t room = static_cast<uint64_t>(s.MaxLen - rb.RowBytes);
        const uint64_t scanEnd = std::min(len, pos + room);
        int64_t x = rb.RowWidth;
        uint64_t q = pos;
        bool atNewLine = false;
        bool stopped = false;
        if constexpr (K == cpkSingleByte || K == cpkUTF8) {
            const int32_t* bw = s.ByteW;
            const int64_t uniform = s.Uniform;
            while (q < scanEnd && !stopped) {
                if (!c.Holds(q)) {
                    c.Load(q);
                    if (!c.P)
                        return qFailed;
                }
                const uint8_t* p = c.P + (static_cast<int64_t>(q) - c.Start);
                const uint8_t* e = c.P + (std::min<int64_t>(c.End, static_cast<int64_t>(scanEnd)) - c.Start);
                while (p < e) {
                    if (uniform) {
                        // Printable ASCII of one width, as far as the wrap
                        // width allows.
                        // (A division only when the wrap width may be reached.)
                        const int64_t left = wrapW - x;
                        const uint8_t* cap = e;
                        if (left < (e - p) * uniform)
                            cap = p + (left > 0 ? left / uniform : 0);
                        const uint8_t* f = FindSpecial(p, cap);
                        x += static_cast<int64_t>(f - p) * uniform;
                        p = f;
                        if (p == e)
                            break;
                        if (p == cap && *p >= 0x20 && *p < 0x7F) {
                            stopped = true;
                            break;
                        }
                    }
                    const int32_t w = bw[*p];
                    if (w <= 0) {
                        if constexpr (K == cpkUTF8) {
                            // A multi-byte character wholly inside the span
                            // (and so inside the line and the byte limit).
                            if (w == bwDecode && e - p >= 3) {
                                int32_t mu, mn;
                                DecodeUTF8(p, 3, mu, mn);
                                const int32_t m = s.Width(mu);
                                if (m <= 0)
                                    return qFailed;
                                if (x + m > wrapW) {
                                    stopped = true;
                                    break;
                                }
                                x += m;
                                p += mn;
                                continue;
                            }
                        }
                        break;
                    }
                    if (x + w > wrapW) {
                        stopped = true;
                        break;
                    }
                    x += w;
                    ++p;
                }
                q = static_cast<uint64_t>(c.Start + (p - c.P));
                if (stopped || p == e)
                    continue;
                const uint8_t b = *p;
                const int32_t w = bw[b];
                if (w == bwTab) {
                    const int64_t tw = tab - x % tab;
                    if (x + tw > wrapW) {
                        stopped = true;
                        break;
                    }
                    x += tw;
                    ++q;
                } else if (w == bwNewLine) {
                    atNewLine = true;
                    break;
                } else if (w == bwUnknown) {
                    const int32_t m = s.Width(s.ByteU[b]);
                    if (m <= 0)
                        return qFailed;
                    s.ByteW[b] = m;
                } else {
                    // A UTF-8 lead or stray byte: decode the character.
                    Decode<K>(s.Lead, s.ByteU, c, q, u, n);
                    const int32_t m = s.Width(u);
                    if (m <= 0)
                        return qFailed;
                    if (q + static_cast<uint64_t>(n) > scanEnd || x + m > wrapW) {
                        stopped = true;
                        break;
                    }
                    x += m;
                    q += static_cast<uint64_t>(n);
                }
            }
            if (!atNewLine && !stopped && q < len) {
                // The byte limit is reached: a newline may follow, anything
                // else closes the row.
                Decode<K>(s.Lead, s.ByteU, c, q, u, n);
                if (u != 10 && u != 13)
                    stopped = true;
            }
            if (stopped) {
                if (q == pos)
                    return qFailed;
                uint8_t cls;
                int32_t runBytes, runWidth;
                if (!runBefore(q, cls, runBytes, runWidth))
                    return qFailed;
                rb.RunCls = cls;
                rb.RunBytes = runBytes;
                rb.RunWidth = runWidth;
            }
        } else {
            // Character by character, the run followed as it goes.
            uint8_t runCls = rb.RunCls;
            int32_t runBytes = rb.RunBytes, runWidth = rb.RunWidth;
            while (q < len) {
                if constexpr (K == cpkUTF16LE || K == cpkUTF16BE) {
                    // Printable ASCII units of one width in one go, within
                    // the byte limit and the wrap width; the run is then
                    // worked out from their classes, last unit first.
                    const int64_t uniform = s.Uniform;
                    if (uniform > 0 && q < scanEnd && (c.Holds(q) || (c.Load(q), c.P != nullptr))) {
                        const uint8_t* p = c.P + (static_cast<int64_t>(q) - c.Start);
                        int64_t units = (std::min<int64_t>(c.End, static_cast<int64_t>(scanEnd)) -
                                         static_cast<int64_t>(q)) / 2;
                        const int64_t left = wrapW - x;
                        if (left < units * uniform)
                            units = left > 0 ? left / uniform : 0;
                        const uint8_t* f = FindSpecial16<K == cpkUTF16LE>(p, p + units * 2);
                        const int64_t k = (f - p) / 2;
                        if (k > 0) {
                            auto unitAt = [&](int64_t i) -> int32_t {
                                const uint8_t* a = p + 2 * i;
                                return K == cpkUTF16LE ? a[0] | (a[1] << 8) : (a[0] << 8) | a[1];
                            };
                            const uint8_t last = s.ClassOf(unitAt(k - 1));
                            int64_t j = 1;
                            while (j < k && s.ClassOf(unitAt(k - 1 - j)) == last)
                                ++j;
                            if (last == clsNone) {
                                runBytes = runWidth = 0;
                            } else if (j == k && runBytes != 0 && runCls == last) {
                                runBytes += static_cast<int32_t>(2 * k);
                                runWidth += static_cast<int32_t>(k * uniform);
                            } else {
                                runCls = last;
                                runBytes = static_cast<int32_t>(2 * j);
                                runWidth = static_cast<int32_t>(j * uniform);
                            }
                            x += k * uniform;
                            q += static_cast<uint64_t>(2 * k);
                            continue;
                        }
                    }
                }
                Decode<K>(s.Lead, s.ByteU, c, q, u, n);
                if (u == 10 || u == 13) {
                    atNewLine = true;
                    break;
                }
                int64_t w;
                if (u == 9) {
                    w = tab - x % tab;
                } else {
                    w = s.Width(u);
                    if (w <= 0)
                        return qFailed;
                }
                if (q + static_cast<uint64_t>(n) > scanEnd || x + w > wrapW) {
                    stopped = true;
                    break;
                }
                const uint8_t cls = s.ClassOf(u);
                if (cls != clsNone && runBytes != 0 && cls == runCls) {
                    runBytes += n;
                    runWidth += static_cast<int32_t>(w);
                } else if (cls != clsNone) {
                    runCls = cls;
                    runBytes = n;
                    runWidth = static_cast<int32_t>(w);
                } else {
                    runBytes = runWidth = 0;
                }
                x += w;
                q += static_cast<uint64_t>(n);
            }
            if (stopped && q == pos)
                return qFailed;
            if (stopped) {
                rb.RunCls = runCls;
                rb.RunBytes = runBytes;
                rb.RunWidth = runWidth;
            }
        }
        rb.RowBytes += static_cast<int32_t>(q - pos);
        rb.RowWidth = static_cast<int32_t>(x);
        pos = q;
        return stopped ? qStopped : qDone;
    };

    bool tryQuick = true;
    bool retry = false;
    while (pos < len) {
        if (tryQuick) {
            tryQuick = false;
            const int r = quick();
            if (r == qDone && pos >= len)
                break;
            retry = r == qStopped;
        }
        Decode<K>(s.Lead, s.ByteU, c, pos, u, n);
        if (u == 13) {
            uint64_t after = pos + static_cast<uint64_t>(n);
            if (IsLFAt<K>(s.ByteU, c, after)) {
                int32_t u2, n2;
                Decode<K>(s.Lead, s.ByteU, c, after, u2, n2);
                if (scanMode) {
                    *s.Nlt = nltDOS;
                    line.NewLineBytes = static_cast<uint8_t>(n2);
                }
                after += static_cast<uint64_t>(n2);
            } else if (scanMode && *s.Nlt == nltDefaultDOS) {
                *s.Nlt = nltMac;
            }
            if (scanMode)
                line.NewLineBytes = static_cast<uint8_t>(line.NewLineBytes + n);
            pos = after;
            break;
        }
        if (u == 10) {
            if (scanMode) {
                if (*s.Nlt == nltDefaultDOS)
                    *s.Nlt = nltUnix;
                line.NewLineBytes = static_cast<uint8_t>(n);
            }
            pos += static_cast<uint64_t>(n);
            break;
        }
        const int32_t closed = rb.Closed;
        PlaceChar(s, rb, u, n, u == 9 ? 0 : s.Width(u));
        pos += static_cast<uint64_t>(n);
        if (rb.Closed != closed || retry) {
            tryQuick = true;
            retry = false;
        }
    }
    CloseLine(rb);
    return pos;
}

}  // namespace zin
