#pragma once
// What the viewer makes of a file when it opens it: its size, whether it is
// held in memory or read from disk, which content test decided its encoding,
// the resulting code page, the newline convention and the line and row
// counts. Plain C++, used by `zinviewer --info`.
#include <cstdint>
#include <iosfwd>
#include <string>

#include "encoding/CodePage.h"
#include "lines/ZinEditTypes.h"

namespace zin {
class TZinLines;
}

namespace zin {

// Files up to this size are copied into memory; larger ones are read from disk.
constexpr int32_t DefaultMaxMemFileSize = 8 * 1024 * 1024;
// Every character counts this many pixels wide for the widest row.
constexpr int32_t InfoCharWidth = 8;

struct TFileInfo {
    std::string Path;
    bool Opened = false;
    std::string Error;  // why the file could not be opened
    uint64_t Size = 0;
    bool InMemory = false;
    TContentTest Decided = TContentTest::None;
    bool HexMode = false;
    int32_t CodePage = 0;        // 0 in hex mode
    std::string CodePageName;    // the table's name of CodePage
    TNewLineType NewLine = nltDefaultDOS;
    int32_t LineCount = 0;
    int32_t RowCount = 0;        // rows without wrapping
    int32_t MaxRowWidth = 0;     // pixels, at InfoCharWidth per character
};

// Loads the file through the line store as the viewer does, with the
// system code page (SystemCodePage) as the starting code page. `prepare`,
// when given, sees the line store before the load (tests lower its limits).
TFileInfo GatherFileInfo(const std::string& path, int32_t maxMemFileSize = DefaultMaxMemFileSize,
                         void (*prepare)(TZinLines&) = nullptr);

// One "key: value" line per item.
void PrintFileInfo(const TFileInfo& info, std::ostream& out);

}  // namespace zin
