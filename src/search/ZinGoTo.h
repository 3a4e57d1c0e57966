#pragma once
// What the "Go to" box accepts: `N` (a 1-based line), `N:col` (a line and a
// 1-based column) or `0x...` (a hexadecimal file offset), blanks around
// allowed. A number past the end is clamped to the nearest end and reported
// as clamped.
#include <cstdint>
#include <string_view>

namespace zin {

struct TGoTo {
    enum class TKind : uint8_t { Invalid, Line, Offset };
    TKind Kind = TKind::Invalid;
    int32_t Line = 0;     // 0-based, within [0, lineCount - 1]
    int32_t Column = 0;   // 0-based; only bounded below (the caller clamps it to the line's end)
    bool HasColumn = false;
    uint64_t Offset = 0;  // within [0, fileSize]
    bool Clamped = false; // a number lay outside the file and was brought to its nearest end
};

// Parses the box's text for a file of lineCount lines (at least 1) and
// fileSize bytes.
TGoTo ParseGoTo(std::string_view text, int32_t lineCount, uint64_t fileSize);

}  // namespace zin
