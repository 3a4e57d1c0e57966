#pragma once
// What the two routes of the line scan share: the scan's tables and
// progress, the row being built, the syntax-state tracker, and how one
// character is placed in a row. Private to the scan's files.
#include <algorithm>
#include <climits>

#include "encoding/CodePage.h"
#include "lines/ZinCharRules.h"
#include "lines/ZinLines.h"
#include "syntax/ZinSyntax.h"

namespace zin {

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
    // A buffer of the cursor's own (for a scan on another thread): spans are
    // read into it rather than taken from the source's shared window.
    uint8_t* Own = nullptr;
    uint32_t OwnSize = 0;

    void Load(uint64_t pos)
    {
        if (Own) {
            const uint64_t n = pos < Len ? std::min<uint64_t>(OwnSize, Len - pos) : 0;
            if (n == 0) {
                P = nullptr;
                Start = End = 0;
                return;
            }
            Src->Read(Own, static_cast<uint32_t>(n), Base + pos);
            P = Own;
            Start = static_cast<int64_t>(pos);
            End = static_cast<int64_t>(pos + n);
            return;
        }
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
                return Own ? 0 : Src->GetByte(Base + pos);
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

}  // namespace zin
