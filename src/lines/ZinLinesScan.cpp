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
//
// The rules both routes apply per character (tab widths, newlines, the
// byte-order mark, word and delimiter runs) live in ZinCharRules.h.
#include <algorithm>
#include <climits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "encoding/CodePage.h"
#include "lines/ZinCharRules.h"
#include "lines/ZinLines.h"
#include "lines/ZinLinesDecode.h"
#include "syntax/ZinSyntax.h"

namespace zin {

namespace {

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

// The line state keeps a block comment's pair and a quote's position in one
// byte each: pairs and quote characters past the 255th are not recognised.
constexpr size_t MaxStateIndex = 255;

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
    // Makes the span hold pos; false when the source has no span there.
    bool Reach(uint64_t pos)
    {
        if (!Holds(pos))
            Load(pos);
        return P != nullptr;
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

// What the fast route needs to know of a byte met on its own (in a
// single-byte code page, or a byte of UTF-8).
enum class TByteKind : uint8_t {
    Plain,    // a character of one byte: its width is in ByteW once measured
    Tab,
    NewLine,  // CR or LF
    Multi,    // UTF-8 0x80-0xFF: the first byte of a longer character, or a stray byte
};

// What the scan reads for every character: the owner's limits and widths,
// the character classes, and the fast route's per-byte tables. It is the
// store's TScanSetup; the fast route's helpers below take it by this name.
struct TScanTables {
    TZinLinesOwner* Edit;
    const TZinSyntax* Syntax;
    TNewLineType* Nlt;
    int32_t* Cache;
    int32_t MaxLen;
    int32_t WrapW;
    int32_t TabW;
    int Kind;
    TDecoder Decoder;
    bool InertSyntax;
    // The width every byte 0x20-0x7E decodes to when it is the same for all
    // of them (a fixed-width font over ASCII), else 0.
    int32_t Uniform;
    TCharClass Cls[256];     // class of a code below 256
    uint16_t ByteU[256];     // single-byte code page: what each byte decodes to
    TByteKind ByteKind[256];
    // The width of a Plain byte's character, 0 until it is measured and for
    // bytes of the other kinds; the hot loops test this table alone.
    int32_t ByteW[256];
    bool Lead[256];

    int32_t Width(int32_t u) const
    {
        const int32_t w = Cache[u];
        return w ? w : Edit->GetCharWidth(static_cast<char16_t>(u));
    }
    TCharClass ClassOf(int32_t u) const { return u < 256 ? Cls[u] : TCharClass::None; }
};

// The row being cut: where it starts, its bytes and width so far, and the
// word or delimiter run at its end.
struct TRowState {
    uint64_t RowStart = 0;
    int32_t RowBytes = 0;
    int32_t RowWidth = 0;
    TWrapRun Run;
};

}  // namespace detail

using detail::TByteKind;
using detail::TRowState;
using detail::TScanTables;
using detail::TSpanCursor;

// The tables of one scan, and its progress: the owner hears of it every
// ProgressStep bytes gone through. Done counts the bytes of the lines
// finished; within a long line the closed rows tell how far it got. One
// test per line and per row, none per character.
struct TZinLines::TScanSetup : TScanTables {
    static constexpr uint64_t ProgressStep = uint64_t{4} << 20;
    uint64_t Done = 0;
    uint64_t Total = 0;
    uint64_t NextReport = ProgressStep;

    // A line (or a piece of one) of `bytes` is done.
    void Advance(uint64_t bytes)
    {
        Done += bytes;
        if (Done >= NextReport)
            Report(Done);
    }
    // The line being scanned is done up to offset pos.
    void Within(uint64_t pos)
    {
        if (Done + pos >= NextReport)
            Report(Done + pos);
    }
    void Report(uint64_t at)
    {
        NextReport = at + ProgressStep;
        Edit->Progress(std::min(at, Total), Total);
    }
};

struct TZinLines::TRowBuilder : TRowState {
    std::vector<TRowIndex>* Rows;
    int32_t Closed = 0;  // rows closed so far in the line
    TScanSetup* Progress = nullptr;  // told of each closed row

    void Reset(uint64_t start)
    {
        Rows->assign(2, TRowIndex{});
        RowStart = start;
        RowBytes = RowWidth = 0;
        Run = TWrapRun{};
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
    s.Kind = FDecoder.Valid() ? FDecoder.Kind() : int(cpkSingleByte);

    s.Decoder = FDecoder;
    s.Edit = FEdit;
    s.Total = FFileSize;
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
        s.Cls[c] = CharClass(c, syn.Delimiters);
        s.Lead[c] = IsLeadByte(static_cast<uint8_t>(c));
        const uint16_t u =
            (s.Kind == cpkSingleByte) ? FDecoder.SingleByte(static_cast<uint8_t>(c)) : static_cast<uint16_t>(c);
        s.ByteU[c] = u;
        s.ByteW[c] = 0;
        if (s.Kind == cpkUTF8 && c >= 0x80)
            s.ByteKind[c] = TByteKind::Multi;
        else if (u == 9)
            s.ByteKind[c] = TByteKind::Tab;
        else if (IsNewLine(u))
            s.ByteKind[c] = TByteKind::NewLine;
        else {
            s.ByteKind[c] = TByteKind::Plain;
            s.ByteW[c] = std::max(s.Cache[u], 0);
        }
    }
    s.Uniform = 0;
    if (s.Kind != cpkDoubleByte) {
        int32_t common = -1;
        for (int c = 0x20; c < 0x7F && common != 0; ++c) {
            if (s.ByteKind[c] != TByteKind::Plain) {
                common = 0;
                break;
            }
            if (s.ByteW[c] == 0)
                s.ByteW[c] = std::max(s.Width(s.ByteU[c]), 0);
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
        rb.RowWidth -= rb.Run.Width;
    (*rb.Rows)[rb.Closed] = TRowIndex{rb.RowStart, rb.RowWidth};
    rb.Rows->push_back(TRowIndex{});
    ++rb.Closed;
    CountRow();
    FMaxRowWidth = std::max(FMaxRowWidth, rb.RowWidth);
    if (carry) {
        rb.RowStart += rb.RowBytes - rb.Run.Bytes;
        rb.RowWidth = rb.Run.Width;
        rb.RowBytes = rb.Run.Bytes;
    } else {
        rb.RowStart += rb.RowBytes;
        rb.RowWidth = rb.RowBytes = 0;
        rb.Run.Clear();
    }
    if (rb.Progress)
        rb.Progress->Within(rb.RowStart);
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
    const TCharClass cls = s.ClassOf(u);
    // Byte limit. The run moves to the next row only when it and this
    // character then fit the limit; otherwise the row closes as it is (a run
    // that cannot fit would leave an empty row behind and overflow the next).
    if (s.MaxLen < static_cast<int64_t>(rb.RowBytes) + n)
        CloseRow(rb, rb.Run.Continues(cls) && rb.Run.Bytes != s.MaxLen &&
                         static_cast<int64_t>(rb.Run.Bytes) + n <= s.MaxLen);
    const int32_t x = rb.RowWidth;
    if (u == 9)
        w = RowTabWidth(x, s.TabW, s.WrapW);
    // Wrap width; the same guard for the carry.
    if (static_cast<int64_t>(s.WrapW) < static_cast<int64_t>(x) + w)
        CloseRow(rb, rb.Run.Continues(cls) && rb.RowWidth != rb.Run.Width &&
                         static_cast<int64_t>(rb.Run.Width) + w <= s.WrapW);
    rb.Run.Add(cls, n, w);
    rb.RowWidth += w;
    rb.RowBytes += n;
}

bool TZinLines::Reformat()
{
    const int32_t wrap = FEdit->GetWrapWidth();
    try {
        ReformatWith(wrap);
        FRowsWrapWidth = wrap;
        return true;
    } catch (const TLoadStop&) {
        // Too many rows: the rows are built again as they were, with the
        // wrap width they had (or none, should that not fit either).
    }
    try {
        ReformatWith(FRowsWrapWidth);
    } catch (const TLoadStop&) {
        FRowsWrapWidth = INT32_MAX;
        ReformatWith(INT32_MAX);
    }
    return false;
}

void TZinLines::ReformatWith(int32_t wrapWidth)
{
    FRowCount = 0;
    FMaxRowWidth = 0;
    TScanSetup s;
    PrepareScan(s);
    s.WrapW = wrapWidth;
    TRowBuilder rb;
    rb.Rows = &FRowScratch;
    rb.Progress = &s;
    TSpanCursor cursor;
    for (TLineIterator it = FLines.begin(); it != FLines.end(); ++it) {
        const TLine& line = *it;
        rb.Reset(line.Spilled() || line.PooledRows() ? line.Rows()[0].Pos : line.FPos0);
        CountRow();
        uint64_t end;
        if (!ScanPieceFast(s, cursor, it, rb, false, false, end)) {
            ScanPieceSlow(s, it, rb, nullptr, false, false);
            cursor.Reset();
        }
        CommitRows(*it, FRowScratch);
        s.Advance(line.Length());
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
        // The state holds a quote's position in one byte: characters past
        // the 255th are no quotes.
        const size_t p = syn.StringChars.find(static_cast<char>(v));
        return p < MaxStateIndex ? static_cast<uint8_t>(p + 1) : 0;
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
                                     std::min({syn.BlockCommentBegins.size(), syn.BlockCommentEnds.size(),
                                               MaxStateIndex}))) != 0 &&
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
    // A load catches a stop itself. Outside one (a change of code page) a
    // stop leaves the lines half split: they give way to one blank line, as
    // after a load that stopped.
    if (FEdit->LoadingField()) {
        RescanLines(first, last);
        return;
    }
    try {
        RescanLines(first, last);
    } catch (const TLoadStop& stop) {
        FailLoad(stop.Reason);
    }
}

void TZinLines::RescanLines(TLineIterator first, TLineIterator last)
{
    if (first == FLines.begin())
        FUnsplit = false;
    SelectDecoder();
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
        CountRow();
        TLineIterator blank = FLines.insert(FLines.end());
        blank->State = state;
        ++FLineCount;
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
    CountRow();
    ++FLineCount;
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
    rb.Progress = &s;
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
            s.Advance(cur->Length());
            break;
        }
        // The line ends after its newline (its rows describe it as it is
        // then); the rest of its bytes go to a new line.
        SplitAfter(cur, p, state);
        CommitRows(*cur, FRowScratch);
        s.Advance(p);
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
    if (scanMode && firstOfList && !q.empty()) {
        const uint64_t start = FirstRowStart(FDecoder.Kind(), q.front().first, q.front().second);
        if (start != 0) {
            rb.RowStart = start;
            q.pop_front();
            NextChar(q);
        }
    }
    if (q.empty()) {
        CloseLine(rb);
        return FReader.Pos();
    }
    for (;;) {
        const auto [u, n] = q.front();
        if (IsNewLine(u)) {
            int32_t lfBytes = 0;
            if (u == 13 && IsLFNext()) {
                NextChar(q);
                lfBytes = q.back().second;
            }
            if (scanMode)
                line.NewLineBytes = NoteNewLine(*s.Nlt, u, n, lfBytes);
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
    return FReader.Pos();
}

// ---- The fast route ----------------------------------------------------------

namespace {

// One character at pos, decoded as the reader decodes it.
template <int K>
inline void Decode(const TScanTables& s, TSpanCursor& c, uint64_t pos, int32_t& u, int32_t& n)
{
    const uint64_t len = c.Len;
    if constexpr (K == cpkSingleByte) {
        u = s.ByteU[c.At(pos)];
        n = 1;
    } else if constexpr (K == cpkDoubleByte) {
        const uint8_t b1 = c.At(pos);
        if (pos + 1 < len && s.Lead[b1]) {
            const uint8_t b2 = c.At(pos + 1);
            const WideChar w = s.Decoder.DoubleByte(b1, b2);
            if (w != b1) {
                u = w;
                n = 2;
                return;
            }
        }
        u = s.Decoder.LoneByte(b1);
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

// The bytes of a line feed that IsLFAt found.
template <int K>
constexpr int32_t LFBytes = (K == cpkUTF16LE || K == cpkUTF16BE) ? 2 : 1;

// How measuring a stretch of a row ended (MeasureRow).
enum class TMeasure : uint8_t {
    // Nothing was taken (a width could not be had, or not one character
    // fits): the characters go one at a time.
    Failed,
    // Everything up to the next newline or the line's end was taken; no row
    // closes.
    Done,
    // Taken up to the character that does not fit the byte limit or the
    // wrap width, with the word/delimiter run before it set, so that placing
    // that character closes the row exactly as the reader route does.
    Stopped,
};

// How one step of the measuring ended.
enum class TStep : uint8_t {
    Go,       // took what it could; measuring goes on
    NewLine,  // at a newline
    Full,     // at the character that does not fit
    Fail,     // a width could not be had
};

// A stretch being measured: the offset reached, the row's width there and,
// for the kinds measured a character at a time, the run at its end.
struct TStretch {
    uint64_t Pos;
    int64_t X;
    TWrapRun Run;
};

// Characters in [p, e) of one span whose widths are known, for as long as
// they fit the wrap width: printable ASCII of one width in one go, other
// plain bytes one at a time and, in UTF-8, a longer character that lies
// wholly inside the span decoded in place. Stops at e or at a byte that
// needs a closer look (Go either way), or at the character that does not
// fit (Full).
template <int K>
inline TStep MeasurePlain(const TScanTables& s, const uint8_t*& pIo, const uint8_t* e, int64_t& xIo)
{
    const int32_t* bw = s.ByteW;
    const int64_t uniform = s.Uniform;
    const int64_t wrapW = s.WrapW;
    const uint8_t* p = pIo;
    int64_t x = xIo;
    TStep step = TStep::Go;
    while (p < e) {
        if (uniform) {
            // Printable ASCII of one width, as far as the wrap width allows
            // (a division only when the wrap width may be reached).
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
                step = TStep::Full;
                break;
            }
        }
        const int32_t w = bw[*p];
        if (w == 0) {
            if constexpr (K == cpkUTF8) {
                // A character of several bytes wholly inside the span (and so
                // inside the line and the byte limit). Every byte from 0x80 up
                // is of kind Multi in UTF-8.
                if (*p >= 0x80 && e - p >= 3) {
                    int32_t mu, mn;
                    DecodeUTF8(p, 3, mu, mn);
                    const int32_t m = s.Width(mu);
                    if (m <= 0) {
                        step = TStep::Fail;
                        break;
                    }
                    if (x + m > wrapW) {
                        step = TStep::Full;
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
            step = TStep::Full;
            break;
        }
        x += w;
        ++p;
    }
    pIo = p;
    xIo = x;
    return step;
}

// The byte at pos (inside the cursor's span, below scanEnd) that MeasurePlain
// left for a closer look: a tab, a newline, a plain byte whose width is not
// known yet (measured and remembered, nothing taken), or in UTF-8 a
// character cut by the span's end or a stray byte.
template <int K>
inline TStep MeasureSpecial(TScanTables& s, TSpanCursor& c, uint64_t scanEnd, uint64_t& pos, int64_t& x)
{
    const uint8_t b = c.P[static_cast<int64_t>(pos) - c.Start];
    switch (s.ByteKind[b]) {
    case TByteKind::Tab: {
        const int64_t w = RowTabWidth(static_cast<int32_t>(x), s.TabW, s.WrapW);
        if (x + w > s.WrapW)
            return TStep::Full;
        x += w;
        ++pos;
        return TStep::Go;
    }
    case TByteKind::NewLine:
        return TStep::NewLine;
    case TByteKind::Plain: {
        const int32_t m = s.Width(s.ByteU[b]);
        if (m <= 0)
            return TStep::Fail;
        s.ByteW[b] = m;
        return TStep::Go;
    }
    case TByteKind::Multi:
        break;
    }
    int32_t u, n;
    Decode<K>(s, c, pos, u, n);
    const int32_t m = s.Width(u);
    if (m <= 0)
        return TStep::Fail;
    if (pos + static_cast<uint64_t>(n) > scanEnd || x + m > s.WrapW)
        return TStep::Full;
    x += m;
    pos += static_cast<uint64_t>(n);
    return TStep::Go;
}

// The run that ends at offset `end`, worked out backwards: the longest
// stretch of characters of one class (word or delimiter) before it, not
// before the row's start. Walks characters of one byte only: false at a UTF-8 byte of
// a longer character, whose class its byte does not tell.
template <int K>
bool RunBefore(const TScanTables& s, TSpanCursor& c, uint64_t rowStart, uint64_t end, TWrapRun& run)
{
    TCharClass cls = TCharClass::None;
    int32_t width = 0;
    uint64_t from = end;
    while (from > rowStart) {
        const uint8_t b = c.At(from - 1);
        if (K == cpkUTF8 && b >= 0x80)
            return false;
        const TCharClass cl = s.ClassOf(s.ByteU[b]);
        if (from == end)
            cls = cl;
        if (cl == TCharClass::None || cl != cls)
            break;
        width += s.Width(s.ByteU[b]);
        --from;
    }
    run.Class = cls;
    run.Bytes = static_cast<int32_t>(end - from);
    run.Width = width;
    return true;
}

// Single-byte code pages and UTF-8: measures from st.Pos up to scanEnd (the
// byte limit or the line's end) or the next newline, span by span. The run
// is worked out only where the row stops.
template <int K>
TMeasure MeasureBytes(TScanTables& s, TSpanCursor& c, uint64_t rowStart, uint64_t scanEnd, TStretch& st)
{
    const uint64_t start = st.Pos;
    uint64_t pos = st.Pos;
    int64_t x = st.X;
    TStep step = TStep::Go;
    while (pos < scanEnd && step == TStep::Go) {
        if (!c.Reach(pos))
            return TMeasure::Failed;
        const uint8_t* p = c.P + (static_cast<int64_t>(pos) - c.Start);
        const uint8_t* e = c.P + (std::min<int64_t>(c.End, static_cast<int64_t>(scanEnd)) - c.Start);
        step = MeasurePlain<K>(s, p, e, x);
        pos = static_cast<uint64_t>(c.Start + (p - c.P));
        if (step == TStep::Go && p != e)
            step = MeasureSpecial<K>(s, c, scanEnd, pos, x);
    }
    if (step == TStep::Fail)
        return TMeasure::Failed;
    if (step == TStep::Go && pos < c.Len) {
        // The byte limit is reached: a newline may follow, anything else
        // closes the row.
        int32_t u, n;
        Decode<K>(s, c, pos, u, n);
        if (!IsNewLine(u))
            step = TStep::Full;
    }
    st.Pos = pos;
    st.X = x;
    if (step != TStep::Full)
        return TMeasure::Done;
    if (pos == start || !RunBefore<K>(s, c, rowStart, pos, st.Run))
        return TMeasure::Failed;
    return TMeasure::Stopped;
}

// UTF-16: printable ASCII units of one width from pos in one go, within the
// byte limit and the wrap width; the run is then worked out from their
// classes, last unit first. False when there are none at pos.
template <int K>
inline bool MeasureAsciiUnits(const TScanTables& s, TSpanCursor& c, uint64_t scanEnd, uint64_t& pos, int64_t& x,
                              TWrapRun& run)
{
    const int64_t uniform = s.Uniform;
    if (uniform <= 0 || pos >= scanEnd || !c.Reach(pos))
        return false;
    const uint8_t* p = c.P + (static_cast<int64_t>(pos) - c.Start);
    int64_t units = (std::min<int64_t>(c.End, static_cast<int64_t>(scanEnd)) - static_cast<int64_t>(pos)) / 2;
    const int64_t left = s.WrapW - x;
    if (left < units * uniform)
        units = left > 0 ? left / uniform : 0;
    const uint8_t* f = FindSpecial16<K == cpkUTF16LE>(p, p + units * 2);
    const int64_t count = (f - p) / 2;
    if (count == 0)
        return false;
    auto unitAt = [&](int64_t i) -> int32_t {
        const uint8_t* a = p + 2 * i;
        return K == cpkUTF16LE ? a[0] | (a[1] << 8) : (a[0] << 8) | a[1];
    };
    const TCharClass last = s.ClassOf(unitAt(count - 1));
    int64_t same = 1;
    while (same < count && s.ClassOf(unitAt(count - 1 - same)) == last)
        ++same;
    // The last `same` units are of one class: they continue the run when they
    // are the whole stretch, otherwise they begin it anew.
    if (same < count)
        run.Clear();
    run.Add(last, static_cast<int32_t>(2 * same), static_cast<int32_t>(same * uniform));
    x += count * uniform;
    pos += static_cast<uint64_t>(2 * count);
    return true;
}

// Double-byte code pages and UTF-16: character by character, the run
// followed as it goes.
template <int K>
TMeasure MeasureUnits(TScanTables& s, TSpanCursor& c, uint64_t scanEnd, TStretch& st)
{
    const uint64_t len = c.Len;
    const uint64_t start = st.Pos;
    uint64_t pos = st.Pos;
    int64_t x = st.X;
    TWrapRun run = st.Run;
    bool full = false;
    while (pos < len) {
        if constexpr (K == cpkUTF16LE || K == cpkUTF16BE) {
            if (MeasureAsciiUnits<K>(s, c, scanEnd, pos, x, run))
                continue;
        }
        int32_t u, n;
        Decode<K>(s, c, pos, u, n);
        if (IsNewLine(u))
            break;
        int64_t w;
        if (u == 9) {
            w = RowTabWidth(static_cast<int32_t>(x), s.TabW, s.WrapW);
        } else {
            w = s.Width(u);
            if (w <= 0)
                return TMeasure::Failed;
        }
        if (pos + static_cast<uint64_t>(n) > scanEnd || x + w > s.WrapW) {
            full = true;
            break;
        }
        run.Add(s.ClassOf(u), n, static_cast<int32_t>(w));
        x += w;
        pos += static_cast<uint64_t>(n);
    }
    if (full && pos == start)
        return TMeasure::Failed;
    st.Pos = pos;
    st.X = x;
    if (!full)
        return TMeasure::Done;
    st.Run = run;
    return TMeasure::Stopped;
}

// Measures characters in one go from pos, with the row's state, for as
// long as they fit the row (see TMeasure). Unless it failed, the row's
// bytes and width, and pos, move past what was taken. The cursor is bound
// to the line.
template <int K>
TMeasure MeasureRow(TScanTables& s, TSpanCursor& c, TRowState& row, uint64_t& pos)
{
    if (row.RowBytes >= s.MaxLen)
        return TMeasure::Failed;
    const uint64_t scanEnd = std::min(c.Len, pos + static_cast<uint64_t>(s.MaxLen - row.RowBytes));
    TStretch st{pos, row.RowWidth, row.Run};
    TMeasure r;
    if constexpr (K == cpkSingleByte || K == cpkUTF8)
        r = MeasureBytes<K>(s, c, row.RowStart, scanEnd, st);
    else
        r = MeasureUnits<K>(s, c, scanEnd, st);
    if (r == TMeasure::Failed)
        return r;
    row.RowBytes += static_cast<int32_t>(st.Pos - pos);
    row.RowWidth = static_cast<int32_t>(st.X);
    if (r == TMeasure::Stopped)
        row.Run = st.Run;
    pos = st.Pos;
    return r;
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
        uint64_t nl = 0;
        for (;;) {
            if (nl >= limit || !c.Reach(nl))
                return false;
            const uint8_t* p = c.P + (static_cast<int64_t>(nl) - c.Start);
            const uint8_t* e = c.P + (std::min<int64_t>(c.End, static_cast<int64_t>(limit)) - c.Start);
            const uint8_t* f = FindSpecial(p, e);
            nl += static_cast<uint64_t>(f - p);
            if (f != e)
                break;
        }
        const uint8_t b = c.P[static_cast<int64_t>(nl) - c.Start];
        const int64_t width = static_cast<int64_t>(nl) * uniform;
        if (s.ByteKind[b] != TByteKind::NewLine || width > s.WrapW)
            return false;
        const int32_t u = s.ByteU[b];
        const bool lf = u == 13 && (s.Kind == cpkSingleByte ? IsLFAt<cpkSingleByte>(s.ByteU, c, nl + 1)
                                                             : IsLFAt<cpkUTF8>(s.ByteU, c, nl + 1));
        line.NewLineBytes = NoteNewLine(nlt, u, 1, lf ? 1 : 0);
        const uint64_t after = nl + 1 + (lf ? 1 : 0);
        SetOneRow(line, 0, static_cast<int32_t>(width));
        FMaxRowWidth = std::max(FMaxRowWidth, static_cast<int32_t>(width));
        s.Advance(std::min(after, len));
        if (after >= len)
            return true;
        TLineIterator nIt = FLines.insert(std::next(cur));
        TLine& next = *nIt;
        next.State = state;
        next.FOffset = line.FOffset + after;
        next.SetCompactLength(line.CompactLength() - after);
        next.FFlags = line.FFlags & TLine::flSourceMask;
        line.SetCompactLength(after);
        CountRow();
        ++FLineCount;
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
        if (!s.Decoder.HasDoubleByteTable())
            return false;
        endPos = FastPiece<cpkDoubleByte>(s, c, line, rb, scanMode, firstOfList);
        break;
    case cpkUTF16LE: endPos = FastPiece<cpkUTF16LE>(s, c, line, rb, scanMode, firstOfList); break;
    case cpkUTF16BE: endPos = FastPiece<cpkUTF16BE>(s, c, line, rb, scanMode, firstOfList); break;
    default: endPos = FastPiece<cpkUTF8>(s, c, line, rb, scanMode, firstOfList); break;
    }
    return true;
}

// One piece of a line from the row builder's start to its first newline or
// its end: the row is measured in one go where it can be (MeasureRow); the
// character that closes a row is placed on its own, and measuring starts
// again after it. Returns the offset after the newline.
template <int K>
uint64_t TZinLines::FastPiece(TScanSetup& s, TSpanCursor& c, TLine& line, TRowBuilder& rb, bool scanMode,
                              bool firstOfList)
{
    const uint64_t len = line.CompactLength();
    uint64_t pos = rb.RowStart;
    int32_t u, n;
    if constexpr (KindHasByteOrderMark(K)) {
        if (scanMode && firstOfList && pos == 0) {
            Decode<K>(s, c, 0, u, n);
            rb.RowStart = pos = FirstRowStart(K, u, n);
        }
    }
    bool measure = true;
    while (pos < len) {
        bool stopped = false;
        if (measure) {
            const TMeasure r = MeasureRow<K>(s, c, rb, pos);
            if (r == TMeasure::Done && pos >= len)
                break;
            stopped = r == TMeasure::Stopped;
        }
        Decode<K>(s, c, pos, u, n);
        if (IsNewLine(u)) {
            const int32_t lfBytes =
                u == 13 && IsLFAt<K>(s.ByteU, c, pos + static_cast<uint64_t>(n)) ? LFBytes<K> : 0;
            if (scanMode)
                line.NewLineBytes = NoteNewLine(*s.Nlt, u, n, lfBytes);
            pos += static_cast<uint64_t>(n + lfBytes);
            break;
        }
        const int32_t closed = rb.Closed;
        PlaceChar(s, rb, u, n, u == 9 ? 0 : s.Width(u));
        pos += static_cast<uint64_t>(n);
        // Measure again after a stop, or once the character closed a row.
        measure = stopped || rb.Closed != closed;
    }
    CloseLine(rb);
    return pos;
}

}  // namespace zin
