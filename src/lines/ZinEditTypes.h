#pragma once
// One-byte enumerations shared by the line store and the editor control.
#include <cstdint>

namespace zin {

enum TEditMode : uint8_t {
    emTextMode = 0,
    emColumnMode = 1,
    emHexMode = 2,
};

enum TNewLineType : uint8_t {
    nltDefaultDOS = 0,  // no newline seen yet
    nltDOS = 1,
    nltUnix = 2,
    nltMac = 3,
};

// "DefaultDOS", "DOS", "Unix" or "Mac".
inline const char* NewLineName(TNewLineType t)
{
    switch (t) {
    case nltDOS: return "DOS";
    case nltUnix: return "Unix";
    case nltMac: return "Mac";
    default: return "DefaultDOS";
    }
}

enum TWordWrapMode : uint8_t {
    wwmNoWrap = 0,
    wwmWrapByWindow = 1,
    wwmWrapByColumn = 2,
};

}  // namespace zin
