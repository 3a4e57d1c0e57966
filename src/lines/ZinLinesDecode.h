#pragma once
// Decoding helpers shared by the character reader and the line scan.
#include <cstdint>

#include "encoding/CodePage.h"

namespace zin {

// The UTF-8 rule: at most three bytes per unit; anything malformed (a byte
// 0x80-0xC1 or 0xF0-0xFF first, a missing or wrong continuation byte, a
// sequence cut short) gives the first byte's own value and one byte.
inline void DecodeUTF8(const uint8_t* g, int count, int32_t& u, int32_t& n)
{
    const uint8_t b0 = g[0];
    if (b0 < 0x80) {
        u = b0;
        n = 1;
        return;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        if (count >= 2 && g[1] >= 0x80 && g[1] <= 0xBF) {
            u = ((b0 & 0x1F) << 6) | (g[1] & 0x3F);
            n = 2;
            return;
        }
    } else if (b0 >= 0xE0 && b0 <= 0xEF && count >= 3) {
        const uint8_t lo = (b0 == 0xE0) ? 0xA0 : 0x80;
        if (g[1] >= lo && g[1] <= 0xBF && g[2] >= 0x80 && g[2] <= 0xBF) {
            u = ((b0 & 0x0F) << 12) | ((g[1] & 0x3F) << 6) | (g[2] & 0x3F);
            n = 3;
            return;
        }
    }
    u = b0;
    n = 1;
}

}  // namespace zin
