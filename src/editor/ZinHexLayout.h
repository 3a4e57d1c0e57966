#pragma once
// The arithmetic of the hex view, apart from any control: rows of 16 bytes
// (row r starts at byte 16r, so nothing is scanned), the width of the
// offset column, where each byte's digits and character stand on a row and
// which byte a pixel falls on, and the mapping between the vertical scroll
// bar's 32-bit positions and 64-bit rows.
#include <cstdint>
#include <string>

namespace zin::hex {

constexpr uint64_t RowBytes = 16;
constexpr int32_t GroupBytes = 8;

// Rows of a file of `size` bytes: an empty file still shows one (empty) row.
inline uint64_t RowCount(uint64_t size)
{
    return size == 0 ? 1 : (size + RowBytes - 1) / RowBytes;
}

// Hexadecimal digits of the offsets: 8, more when the last row's offset
// needs them (files larger than 4 GiB).
int32_t OffsetDigits(uint64_t size);

// Writes `value` as `digits` upper-case hexadecimal digits into out.
void FormatOffset(uint64_t value, int32_t digits, char16_t* out);

// The upper-case hexadecimal digit of a nibble.
inline char16_t HexDigit(uint32_t nibble)
{
    return static_cast<char16_t>(nibble < 10 ? u'0' + nibble : u'A' + (nibble - 10));
}

// Pixel columns of one row, from the left edge of the byte area (right of
// the offset gutter and the margin). A byte is two digits and a space of
// Digit pixels each, with one more space between the two groups of eight;
// the characters follow two spaces after the last byte, Cell pixels each.
struct TColumns {
    int32_t Digit = 1;
    int32_t Cell = 1;

    // The left edge of byte i's digits (i in 0..16).
    int32_t HexX(int32_t i) const { return i * 3 * Digit + (i >= GroupBytes ? Digit : 0); }
    // The width of a byte's two digits.
    int32_t HexWidth() const { return 2 * Digit; }
    // The character area's left edge and byte i's character.
    int32_t CharsLeft() const { return HexX(16) + Digit; }
    int32_t CharX(int32_t i) const { return CharsLeft() + i * Cell; }
    // Everything a row shows.
    int32_t Width() const { return CharX(16); }
    // The byte column (0..15) under pixel x of the area given (clamped to
    // the row), and whether x lies in the character area (a pixel right of
    // the middle of the gap between the areas).
    int32_t ColumnAt(int32_t x, bool chars) const;
    bool InChars(int32_t x) const { return x >= HexX(16) + Digit / 2; }
};

// The vertical scroll bar in hex mode. Rows up to BarLimit map one to one
// onto bar positions; beyond it positions 0..BarLimit stand for the rows
// 0..maxTop scaled, position 0 being row 0 and BarLimit the last top row
// exactly.
constexpr int32_t BarLimit = int32_t{1} << 30;
// The largest bar position for top rows 0..maxTop.
inline int32_t BarMax(uint64_t maxTop)
{
    return maxTop <= static_cast<uint64_t>(BarLimit) ? static_cast<int32_t>(maxTop) : BarLimit;
}
// The bar position of top row `row` (row clamped to maxTop).
int32_t BarPosOfRow(uint64_t row, uint64_t maxTop);
// The top row of bar position `pos` (clamped to 0..BarMax).
uint64_t RowOfBarPos(int64_t pos, uint64_t maxTop);

// Bytes as hexadecimal text, "48 65 6C 6C 6F", appended to out.
void AppendHexText(const uint8_t* bytes, size_t n, bool leadingSpace, std::u16string& out);

}  // namespace zin::hex
