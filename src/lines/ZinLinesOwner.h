#pragma once
// What the line store asks of the editor control that owns it. The control
// implements this interface; tests use a double with fixed metrics.
#include <cstdint>
#include <string>

#include "lines/ZinEditTypes.h"

namespace zin {

class TZinSyntax;

class TZinLinesOwner {
public:
    virtual ~TZinLinesOwner() = default;

    // The control's newline convention field. The store writes it directly
    // while it scans; no setter and no notification is involved.
    virtual TNewLineType& NewLineTypeField() = 0;
    // The control's loading flag, set by the store for the whole load.
    virtual bool& LoadingField() = 0;

    virtual TEditMode GetEditMode() const = 0;
    virtual void SetEditMode(TEditMode mode) = 0;

    virtual int32_t GetCodePage() const = 0;
    // Does nothing for the current code page. While loading it only selects
    // the code page and renames the font; otherwise it also re-splits all
    // lines (Rescan of the whole list).
    virtual void SetCodePage(int32_t codePage) = 0;

    virtual void SetFontName(const std::string& name) = 0;
    // Puts the view at the first row of the first line.
    virtual void ResetView() = 0;

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
