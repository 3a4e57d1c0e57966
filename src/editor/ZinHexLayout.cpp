#include "editor/ZinHexLayout.h"

#include <algorithm>

namespace zin::hex {

int32_t OffsetDigits(uint64_t size)
{
    const uint64_t last = size > 0 ? (size - 1) & ~(RowBytes - 1) : 0;
    int32_t digits = 1;
    for (uint64_t v = last >> 4; v != 0; v >>= 4)
        ++digits;
    return std::max(digits, 8);
}

void FormatOffset(uint64_t value, int32_t digits, char16_t* out)
{
    for (int32_t i = digits - 1; i >= 0; --i, value >>= 4)
        out[i] = HexDigit(static_cast<uint32_t>(value & 0xF));
}

int32_t TColumns::ColumnAt(int32_t x, bool chars) const
{
    int32_t i;
    if (chars) {
        i = x < CharsLeft() ? 0 : (x - CharsLeft()) / Cell;
    } else {
        // A byte's cell runs from its digits to the next byte's digits (the
        // gap between the groups belongs to the byte before it).
        const int32_t step = 3 * Digit;
        i = x < 0 ? 0 : x / step;
        if (i >= GroupBytes && x < HexX(i))
            --i;
    }
    return std::clamp(i, 0, 15);
}

int32_t BarPosOfRow(uint64_t row, uint64_t maxTop)
{
    const int32_t max = BarMax(maxTop);
    if (row >= maxTop)
        return max;
    if (maxTop <= static_cast<uint64_t>(BarLimit))
        return static_cast<int32_t>(row);
    // Rounded down: only the last top row reaches the last position.
    return static_cast<int32_t>(static_cast<unsigned __int128>(row) * static_cast<uint64_t>(max) / maxTop);
}

uint64_t RowOfBarPos(int64_t pos, uint64_t maxTop)
{
    const int32_t max = BarMax(maxTop);
    if (pos <= 0)
        return 0;
    if (pos >= max)
        return maxTop;
    if (maxTop <= static_cast<uint64_t>(BarLimit))
        return static_cast<uint64_t>(pos);
    // The first row whose position is pos: BarPosOfRow(RowOfBarPos(p)) == p.
    const unsigned __int128 n = static_cast<unsigned __int128>(pos) * maxTop;
    return static_cast<uint64_t>((n + static_cast<uint64_t>(max) - 1) / static_cast<uint64_t>(max));
}

void AppendHexText(const uint8_t* bytes, size_t n, bool leadingSpace, std::u16string& out)
{
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 || leadingSpace)
            out.push_back(u' ');
        out.push_back(HexDigit(bytes[i] >> 4));
        out.push_back(HexDigit(bytes[i] & 0xF));
    }
}

}  // namespace zin::hex
