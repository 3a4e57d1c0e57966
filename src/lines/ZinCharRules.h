#pragma once
// The per-character rules of laying text out in rows, in one place: how
// wide a tab is, which characters end a line and what a newline does to the
// file's newline convention, where the first row of a file with a
// byte-order mark starts, and which characters form the word and delimiter
// runs that word wrap keeps together. The line store's row builder and both
// of its scan routes use them; the highlighting scanner and the caret
// measure tabs with TabWidth, so that the widths they compute add up to the
// row widths the store recorded.
#include <cstdint>
#include <string_view>

#include "encoding/CodePage.h"
#include "lines/ZinEditTypes.h"

namespace zin {

// ---- Tabs -------------------------------------------------------------------

// The width of a tab that starts at pixel p >= 0 of its row (counted from
// the row's first character): up to the next tab stop, tab stops being
// tabW > 0 pixels apart, but not past pixel `limit`; 0 when p is already
// there. The scanner and the caret pass the row's Width as the limit.
constexpr int32_t TabWidth(int32_t p, int32_t tabW, int32_t limit)
{
    const int32_t toStop = tabW - p % tabW;
    const int32_t room = limit > p ? limit - p : 0;
    return toStop < room ? toStop : room;
}

// The row builder's tab: limited by the wrap width, except in a row that is
// already at or past it (full, or holding one character wider than the wrap
// width). There the tab is a full tab stop wide, never negative or empty, and
// so starts a new row.
constexpr int32_t RowTabWidth(int32_t p, int32_t tabW, int32_t wrapW)
{
    return p >= wrapW ? tabW : TabWidth(p, tabW, wrapW);
}

// ---- Newlines ---------------------------------------------------------------

// Whether a decoded character ends a line: LF or CR, nothing else (U+0085,
// form feed and the rest are ordinary characters).
constexpr bool IsNewLine(int32_t u)
{
    return u == 10 || u == 13;
}

// A newline the scan met: u is 13 or 10 and n its byte count; lfBytes is the
// byte count of the LF right after a CR, 0 when there is none. Updates the
// file's convention (any CR LF makes it DOS; until then the first lone CR or
// LF decides, Mac or Unix) and returns the line's NewLineBytes.
constexpr uint8_t NoteNewLine(TNewLineType& nlt, int32_t u, int32_t n, int32_t lfBytes)
{
    if (lfBytes > 0)
        nlt = nltDOS;
    else if (nlt == nltDefaultDOS)
        nlt = u == 13 ? nltMac : nltUnix;
    return static_cast<uint8_t>(n + lfBytes);
}

// ---- Byte-order mark ----------------------------------------------------------

// Whether files in a code page of this kind may begin with a byte-order mark.
constexpr bool KindHasByteOrderMark(int kind)
{
    return kind == cpkUTF16LE || kind == cpkUTF16BE || kind == cpkUTF8;
}

// Where the first row of the file's first line starts, given the line's
// first character (code u, n bytes): after a U+FEFF in a UTF-16 or UTF-8
// code page, else at 0. The mark stays part of the line's bytes; a U+FEFF
// that begins any later line is an ordinary character.
constexpr uint64_t FirstRowStart(int kind, int32_t u, int32_t n)
{
    return KindHasByteOrderMark(kind) && u == 0xFEFF ? static_cast<uint64_t>(n) : 0;
}

// ---- Word and delimiter runs ------------------------------------------------

// The class of a character for word wrap. Characters of no class (space,
// 9-13, codes from 256 up) are break opportunities on both sides.
enum class TCharClass : uint8_t { None, Word, Delimiter };

// The class of code u: a delimiter when it is below 256 and among the
// syntax's delimiters; a word character when it is below 256 and neither a
// delimiter, a space nor 9-13.
inline TCharClass CharClass(int32_t u, std::string_view delimiters)
{
    if (u < 0 || u >= 256)
        return TCharClass::None;
    if (delimiters.find(static_cast<char>(u)) != std::string_view::npos)
        return TCharClass::Delimiter;
    if (u == 32 || (u >= 9 && u <= 13))
        return TCharClass::None;
    return TCharClass::Word;
}

// The run of characters of one class (word or delimiter) at the end of the
// row being built: its bytes and its width. When the row has to be cut
// inside it, the run moves to the next row as a whole.
struct TWrapRun {
    int32_t Bytes = 0;
    int32_t Width = 0;
    TCharClass Class = TCharClass::None;  // meaningful while Bytes > 0

    // Whether a character of class cls continues the run.
    bool Continues(TCharClass cls) const { return cls != TCharClass::None && Bytes != 0 && cls == Class; }
    // Adds a character of class cls (or several of one class), n bytes and
    // w pixels: it extends a run of its class, starts a new run of the other
    // class, or, being of no class, ends the run.
    void Add(TCharClass cls, int32_t n, int32_t w)
    {
        if (Continues(cls)) {
            Bytes += n;
            Width += w;
        } else if (cls != TCharClass::None) {
            Class = cls;
            Bytes = n;
            Width = w;
        } else {
            Clear();
        }
    }
    // No run.
    void Clear() { Bytes = Width = 0; }
};

}  // namespace zin
