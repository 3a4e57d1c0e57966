// The line scan's fast route (see ZinLinesScan.cpp): decoding straight
// from the data source's contiguous spans where the syntax state cannot
// change, with one tight loop for lines of printable ASCII of one width.
#include <algorithm>
#include <climits>
#include <memory>
#include <system_error>
#include <thread>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "encoding/CodePage.h"
#include "lines/ZinCharRules.h"
#include "lines/ZinLines.h"
#include "lines/ZinLinesDecode.h"
#include "lines/ZinLinesScanParts.h"
#include "syntax/ZinSyntax.h"

namespace zin {

namespace {

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

}  // namespace

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

// The common case in one tight loop: lines whose text is printable ASCII of
// one width up to a newline, within the byte limit and the wrap width. Such
// a line is one row as wide as its characters, and no run matters.
namespace {

enum class TSimpleEnd : uint8_t {
    Done,       // the last line ended at the run's end
    NotSimple,  // at a line that is not of that kind (Pos at its start)
    Counted,    // as many new lines as allowed were made; more follow
};

// Lines from r.Pos of the run the cursor is bound to (`total` bytes),
// appended to `out` as long as they are of that kind: the first with
// `firstState`, the others with `state`. Counts and widths go to r.
struct TSimpleRun {
    uint64_t Pos = 0;
    int32_t MaxWidth = 0;
    // Lines begun after the first, and how many may be.
    int64_t NewLines = 0;
    int64_t NewLineLimit = INT64_MAX;
    TNewLineType Nlt = nltDefaultDOS;
};

// Told of nothing: the scan on the second thread reports no progress.
struct TNoProgress {
    void Advance(uint64_t) {}
};

template <class TProgress>
TSimpleEnd SimpleLines(const TScanTables& s, TSpanCursor& c, uint64_t total, const TLineState& firstState,
                       const TLineState& state, TSimpleRun& r, TLineList& out, TProgress& progress)
{
    const uint64_t maxLen = s.MaxLen > 0 ? static_cast<uint64_t>(s.MaxLen) : 0;
    const int64_t uniform = s.Uniform;
    const int64_t wrapW = s.WrapW;
    uint64_t pos = r.Pos;
    int32_t maxWidth = r.MaxWidth;
    int64_t newLines = r.NewLines;
    const TLineState* lineState = &firstState;
    TSimpleEnd end;
    for (;;) {
        const uint64_t len = total - pos;
        // The newline must come within the byte limit.
        const uint64_t limit = pos + std::min<uint64_t>(len, maxLen + 1);
        uint64_t nl = pos;
        bool found = true;
        for (;;) {
            if (nl >= limit || !c.Reach(nl)) {
                found = false;
                break;
            }
            const uint8_t* p = c.P + (static_cast<int64_t>(nl) - c.Start);
            const uint8_t* e = c.P + (std::min<int64_t>(c.End, static_cast<int64_t>(limit)) - c.Start);
            const uint8_t* f = FindSpecial(p, e);
            nl += static_cast<uint64_t>(f - p);
            if (f != e)
                break;
        }
        if (!found) {
            end = TSimpleEnd::NotSimple;
            break;
        }
        const uint8_t b = c.P[static_cast<int64_t>(nl) - c.Start];
        const int64_t width = static_cast<int64_t>(nl - pos) * uniform;
        if (s.ByteKind[b] != TByteKind::NewLine || width > wrapW) {
            end = TSimpleEnd::NotSimple;
            break;
        }
        const int32_t u = s.ByteU[b];
        const bool lf = u == 13 && (s.Kind == cpkSingleByte ? IsLFAt<cpkSingleByte>(s.ByteU, c, nl + 1)
                                                             : IsLFAt<cpkUTF8>(s.ByteU, c, nl + 1));
        const uint8_t nlBytes = NoteNewLine(r.Nlt, u, 1, lf ? 1 : 0);
        const uint64_t after = nl + 1 + (lf ? 1 : 0) - pos;
        maxWidth = std::max(maxWidth, static_cast<int32_t>(width));
        progress.Advance(std::min(after, len));
        if (after >= len) {
            out.AppendOneRow(len, nlBytes, *lineState, static_cast<int32_t>(width));
            pos = total;
            end = TSimpleEnd::Done;
            break;
        }
        // The line ends after its newline; the rest of the bytes go on as
        // the next line.
        out.AppendOneRow(after, nlBytes, *lineState, static_cast<int32_t>(width));
        pos += after;
        lineState = &state;
        if (newLines >= r.NewLineLimit) {
            end = TSimpleEnd::Counted;
            break;
        }
        ++newLines;
    }
    r.Pos = pos;
    r.MaxWidth = maxWidth;
    r.NewLines = newLines;
    return end;
}

}  // namespace

bool TZinLines::SimplePieces(TScanSetup& s, TSpanCursor& c, TWork& w, TLineList& out, const TLineState& state,
                             bool& firstOfList)
{
    if (w.Bytes.Blocks || !w.Bytes.Source || w.Bytes.Length == 0)
        return false;
    // The whole run is bound once; lines are offsets in it.
    c.Bind(w.Bytes.Source, w.Bytes.Offset, w.Bytes.Length);
    TSimpleRun r;
    r.MaxWidth = FMaxRowWidth;
    r.NewLineLimit = int64_t{FCountLimit} - FRowCount;
    r.Nlt = FNewLineType;
    const TSimpleEnd end = SimpleLines(s, c, w.Bytes.Length, w.State, state, r, out, s);
    FMaxRowWidth = r.MaxWidth;
    FRowCount += static_cast<int32_t>(r.NewLines);
    FLineCount += static_cast<int32_t>(r.NewLines);
    FNewLineType = r.Nlt;
    if (r.Pos > 0) {
        w.Bytes.Offset += r.Pos;
        w.Bytes.Length -= r.Pos;
        w.State = state;
        firstOfList = false;
    }
    if (end == TSimpleEnd::Counted)
        throw TLoadStop{TLoadError::TooManyLines};
    return end == TSimpleEnd::Done;
}

// ---- A load in two halves ---------------------------------------------------------

namespace {

// The second half of a load, scanned on another thread: lines of the simple
// kind from `from` on, into a list of its own, reading the source through a
// buffer of its own. It stops at the first line of another kind; the
// window's thread goes on from there.
struct TSecondHalf {
    TLineList Lines;
    TSimpleRun Run;
    bool Failed = false;
};

void ScanSecondHalf(const TScanTables& s, TInData* source, uint64_t from, uint64_t length, TSecondHalf& half)
{
    constexpr uint32_t BufferSize = 1u << 20;
    const std::unique_ptr<uint8_t[]> buffer(new uint8_t[BufferSize]);
    TSpanCursor c;
    c.Own = buffer.get();
    c.OwnSize = BufferSize;
    c.Bind(source, from, length);
    TNoProgress none;
    const TLineState empty{};
    SimpleLines(s, c, length, empty, empty, half.Run, half.Lines, none);
}

}  // namespace

bool TZinLines::ScanLoadInTwo(TScanSetup& s, TWork& w, TLineList& out, TLineState& state)
{
    const uint64_t total = w.Bytes.Length;
    if (!FUseFastScan || !s.InertSyntax || s.Uniform <= 0 || (s.Kind != cpkSingleByte && s.Kind != cpkUTF8) ||
        w.Bytes.Blocks || !w.Bytes.Source || total < FTwoThreadMinimum || std::thread::hardware_concurrency() < 2)
        return false;
    // The halves meet after a line feed near the middle: a line begins
    // there whatever comes before it (the syntax carries no state).
    TSpanCursor c;
    c.Bind(w.Bytes.Source, w.Bytes.Offset, total);
    uint64_t mid = total / 2;
    const uint64_t searchEnd = std::min(total, mid + (uint64_t{1} << 20));
    while (mid < searchEnd && s.ByteU[c.At(mid)] != 10)
        ++mid;
    ++mid;
    if (mid >= searchEnd)
        return false;
    // The second thread gets copies of all it reads, and its own list.
    TInData* const source = w.Bytes.Source;
    const uint64_t offset = w.Bytes.Offset;
    const TScanTables tables = s;
    TSecondHalf half;
    half.Lines.SetHugePages(true);
    std::thread second;
    try {
        second = std::thread([&half, &tables, source, offset, mid, total] {
            try {
                ScanSecondHalf(tables, source, offset + mid, total - mid, half);
            } catch (...) {
                half.Failed = true;
            }
        });
    } catch (const std::system_error&) {
        return false;  // no thread to be had: the load goes on in one
    }
    struct TJoin {
        std::thread& T;
        ~TJoin() { T.join(); }
    };
    {
        const TJoin join{second};
        w.Bytes.Length = mid;
        state = ScanLineWith(s, w, out);
    }
    uint64_t stop = mid;
    if (!half.Failed && half.Lines.size() > 0) {
        // Every line of the second half is a line begun anew, of one row.
        const int64_t lines = static_cast<int64_t>(half.Lines.size());
        if (FRowCount + lines > FCountLimit)
            throw TLoadStop{TLoadError::TooManyLines};
        out.TakeList(half.Lines);
        FRowCount += static_cast<int32_t>(lines);
        FLineCount += static_cast<int32_t>(lines);
        FMaxRowWidth = std::max(FMaxRowWidth, half.Run.MaxWidth);
        // A CR LF anywhere makes the file DOS; otherwise the first lone
        // newline decided, in the first half if it had one.
        if (half.Run.Nlt == nltDOS || FNewLineType == nltDefaultDOS)
            FNewLineType = half.Run.Nlt == nltDefaultDOS ? FNewLineType : half.Run.Nlt;
        s.Advance(half.Run.Pos);
        stop = mid + half.Run.Pos;
    }
    if (stop < total) {
        // The rest, from the first line the second thread left, as one
        // line begun anew.
        TWork rest;
        rest.Bytes = TLineBytes{source, offset + stop, total - stop, nullptr};
        rest.State = state;
        CountRow();
        ++FLineCount;
        state = ScanLineWith(s, rest, out);
    }
    return true;
}

bool TZinLines::ScanPieceFast(TScanSetup& s, TSpanCursor& c, TWork& w, TRowBuilder& rb, bool scanMode,
                              bool firstOfList, uint64_t& endPos)
{
    if (!FUseFastScan)
        return false;
    // The line's bytes must lie in one run of a source.
    if (w.Bytes.Blocks || !w.Bytes.Source || w.Bytes.Length == 0)
        return false;
    c.Bind(w.Bytes.Source, w.Bytes.Offset, w.Bytes.Length);
    switch (s.Kind) {
    case cpkSingleByte: endPos = FastPiece<cpkSingleByte>(s, c, w, rb, scanMode, firstOfList); break;
    case cpkDoubleByte:
        if (!s.Decoder.HasDoubleByteTable())
            return false;
        endPos = FastPiece<cpkDoubleByte>(s, c, w, rb, scanMode, firstOfList);
        break;
    case cpkUTF16LE: endPos = FastPiece<cpkUTF16LE>(s, c, w, rb, scanMode, firstOfList); break;
    case cpkUTF16BE: endPos = FastPiece<cpkUTF16BE>(s, c, w, rb, scanMode, firstOfList); break;
    default: endPos = FastPiece<cpkUTF8>(s, c, w, rb, scanMode, firstOfList); break;
    }
    return true;
}

// One piece of a line from the row builder's start to its first newline or
// its end: the row is measured in one go where it can be (MeasureRow); the
// character that closes a row is placed on its own, and measuring starts
// again after it. Returns the offset after the newline.
template <int K>
uint64_t TZinLines::FastPiece(TScanSetup& s, TSpanCursor& c, TWork& w, TRowBuilder& rb, bool scanMode,
                              bool firstOfList)
{
    const uint64_t len = c.Len;
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
                w.NewLineBytes = NoteNewLine(*s.Nlt, u, n, lfBytes);
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
