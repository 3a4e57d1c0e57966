#pragma once
// What the viewer would make of a file when it opens it: its size, whether
// it would be held in memory or read from disk, which content test decided
// its encoding and the resulting code page. Plain C++, used by
// `zinviewer --info`.
#include <cstdint>
#include <iosfwd>
#include <string>

namespace zin {

// Files up to this size are copied into memory; larger ones are read from disk.
constexpr int64_t DefaultMaxMemFileSize = 8 * 1024 * 1024;
// The content tests look at this many bytes at most.
constexpr int32_t EncodingSampleSize = 5000;

enum class TContentTest { None, UTF16LE, UTF16BE, UTF8, Binary };

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
};

// Opens the file, samples its first bytes and applies the content tests in
// the order the viewer does. `systemCodePage` is used when no test decides.
TFileInfo GatherFileInfo(const std::string& path, int32_t systemCodePage,
                         int64_t maxMemFileSize = DefaultMaxMemFileSize);

const char* ContentTestName(TContentTest test);
// One "key: value" line per item.
void PrintFileInfo(const TFileInfo& info, std::ostream& out);

}  // namespace zin
