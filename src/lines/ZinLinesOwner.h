#pragma once
// What the line store asks of the editor control that owns it while it
// reads and scans: limits, widths, the wrap width, and where to report
// progress. Nothing here changes the owner: a load reports what it decided
// and the owner applies it (see TZinLines::OpenFile). The control implements
// this interface; tools and tests use an owner with fixed metrics.
#include <cstdint>
#include <string>

#include "lines/ZinEditTypes.h"

namespace zin {

class TZinLinesOwner {
public:
    virtual ~TZinLinesOwner() = default;

    // Files of at most this many bytes are copied into memory.
    virtual int32_t GetMaxMemFileSize() const = 0;
    // The byte limit of one row.
    virtual int32_t GetMaxLineLength() const = 0;
    // Pixels at which rows wrap (2147483647 without wrap).
    virtual int32_t GetWrapWidth() = 0;
    // Width in pixels of one UTF-16 code unit. Measures on a miss and stores
    // the result in the cache below.
    virtual int32_t GetCharWidth(char16_t c) = 0;
    // The per-code-unit width cache: 65,536 entries, 0 = not measured yet.
    // The store reads it directly and calls GetCharWidth only on a miss.
    virtual int32_t* CharWidthCache() = 0;
    // Tab stop distance in characters, and the average character width.
    virtual int32_t GetTabSize() const = 0;
    virtual int32_t GetAvgCharWidth() const = 0;

    // Reported every few MiB while a load, a Rescan or a Reformat goes
    // through the lines: `done` bytes of `total`. Nothing by default.
    virtual void Progress(uint64_t /*done*/, uint64_t /*total*/) {}
};

}  // namespace zin
