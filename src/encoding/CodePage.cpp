#include "encoding/CodePage.h"

#include <cstdio>
#include <cstring>


namespace zin {

TCodePageInfo CodePageTable[CodePageCount] = {
    {1200, "Unicode Little-Endian", cpkUTF16LE},
    {1201, "Unicode Big-Endian", cpkUTF16BE},
    {65001, "Unicode UTF-8", cpkUTF8},
    {37, "IBM EBCDIC - U.S./Canada", cpkSingleByte},
    {437, "United States (DOS)", cpkSingleByte},
    {708, "Arabic - ASMO 708", cpkSingleByte},
    {720, "Arabic - Transparent ASMO", cpkSingleByte},
    {852, "OEM - Latin II", cpkSingleByte},
    {862, "OEM - Hebrew", cpkSingleByte},
    {866, "OEM - Russian", cpkSingleByte},
    {874, "ANSI/OEM - Thai (same as 28605, ISO 8859-15)", cpkSingleByte},
    {932, "Japanese (Shift-JIS)", cpkDoubleByte},
    {936, "Simplified Chinese (GBK)", cpkDoubleByte},
    {949, "Korean (Unified Hangeul Code)", cpkDoubleByte},
    {950, "Traditional Chinese Big5", cpkDoubleByte},
    {1250, "ANSI - Central European", cpkSingleByte},
    {1251, "ANSI - Cyrillic", cpkSingleByte},
    {1252, "ANSI - Latin I", cpkSingleByte},
    {1253, "ANSI - Greek", cpkSingleByte},
    {1254, "ANSI - Turkish", cpkSingleByte},
    {1255, "ANSI - Hebrew", cpkSingleByte},
    {1256, "ANSI - Arabic", cpkSingleByte},
    {1257, "ANSI - Baltic", cpkSingleByte},
    {1258, "ANSI/OEM - Vietnamese", cpkSingleByte},
    {20866, "Russian - KOI8-R", cpkSingleByte},
    {20932, "EUC - Japanese", cpkDoubleByte},
    {20936, "Simplified Chinese (GB2312)", cpkDoubleByte},
    {20949, "EUC - Korean", cpkDoubleByte},
    {21866, "Ukrainian (KOI8-U)", cpkSingleByte},
    {28591, "ISO 8859-1 Latin I", cpkSingleByte},
    {28592, "ISO 8859-2 Central Europe", cpkSingleByte},
    {28593, "ISO 8859-3 Latin 3", cpkSingleByte},
    {28594, "ISO 8859-4 Baltic", cpkSingleByte},
    {28595, "ISO 8859-5 Cyrillic", cpkSingleByte},
    {28596, "ISO 8859-6 Arabic", cpkSingleByte},
    {28597, "ISO 8859-7 Greek", cpkSingleByte},
    {28598, "ISO 8859-8 Hebrew", cpkSingleByte},
};

namespace {

// The built-in names, copied before anything can rename a record, so that
// naming always starts from them.
const char* BuiltInName(int index)
{
    static const auto names = [] {
        struct TNames {
            char Name[CodePageCount][64];
        } n;
        for (int i = 0; i < CodePageCount; ++i)
            std::memcpy(n.Name[i], CodePageTable[i].Name, sizeof(n.Name[i]));
        return n;
    }();
    return names.Name[index];
}
[[maybe_unused]] const char* const BuiltInNamesTaken = BuiltInName(0);

}  // namespace

const WideChar Ebcdic037Table[256] = {
    // 0x00
    0x0000, 0x0001, 0x0002, 0x0003, 0x009C, 0x0009, 0x0086, 0x007F,
    0x0097, 0x008D, 0x008E, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,
    // 0x10
    0x0010, 0x0011, 0x0012, 0x0013, 0x009D, 0x0085, 0x0008, 0x0087,
    0x0018, 0x0019, 0x0092, 0x008F, 0x001C, 0x001D, 0x001E, 0x001F,
    // 0x20
    0x0080, 0x0081, 0x0082, 0x0083, 0x0084, 0x000A, 0x0017, 0x001B,
    0x0088, 0x0089, 0x008A, 0x008B, 0x008C, 0x0005, 0x0006, 0x0007,
    // 0x30
    0x0090, 0x0091, 0x0016, 0x0093, 0x0094, 0x0095, 0x0096, 0x0004,
    0x0098, 0x0099, 0x009A, 0x009B, 0x0014, 0x0015, 0x009E, 0x001A,
    // 0x40
    0x0020, 0x00A0, 0x00E2, 0x00E4, 0x00E0, 0x00E1, 0x00E3, 0x00E5,
    0x00E7, 0x00F1, 0x00A2, 0x002E, 0x003C, 0x0028, 0x002B, 0x007C,
    // 0x50
    0x0026, 0x00E9, 0x00EA, 0x00EB, 0x00E8, 0x00ED, 0x00EE, 0x00EF,
    0x00EC, 0x00DF, 0x0021, 0x0024, 0x002A, 0x0029, 0x003B, 0x00AC,
    // 0x60
    0x002D, 0x002F, 0x00C2, 0x00C4, 0x00C0, 0x00C1, 0x00C3, 0x00C5,
    0x00C7, 0x00D1, 0x00A6, 0x002C, 0x0025, 0x005F, 0x003E, 0x003F,
    // 0x70
    0x00F8, 0x00C9, 0x00CA, 0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF,
    0x00CC, 0x0060, 0x003A, 0x0023, 0x0040, 0x0027, 0x003D, 0x0022,
    // 0x80
    0x00D8, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x00AB, 0x00BB, 0x00F0, 0x00FD, 0x00FE, 0x00B1,
    // 0x90
    0x00B0, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F, 0x0070,
    0x0071, 0x0072, 0x00AA, 0x00BA, 0x00E6, 0x00B8, 0x00C6, 0x00A4,
    // 0xA0
    0x00B5, 0x007E, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077, 0x0078,
    0x0079, 0x007A, 0x00A1, 0x00BF, 0x00D0, 0x00DD, 0x00DE, 0x00AE,
    // 0xB0
    0x005E, 0x00A3, 0x00A5, 0x00B7, 0x00A9, 0x00A7, 0x00B6, 0x00BC,
    0x00BD, 0x00BE, 0x005B, 0x005D, 0x00AF, 0x00A8, 0x00B4, 0x00D7,
    // 0xC0
    0x007B, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x00AD, 0x00F4, 0x00F6, 0x00F2, 0x00F3, 0x00F5,
    // 0xD0
    0x007D, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F, 0x0050,
    0x0051, 0x0052, 0x00B9, 0x00FB, 0x00FC, 0x00F9, 0x00FA, 0x00FF,
    // 0xE0
    0x005C, 0x00F7, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057, 0x0058,
    0x0059, 0x005A, 0x00B2, 0x00D4, 0x00D6, 0x00D2, 0x00D3, 0x00D5,
    // 0xF0
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x00B3, 0x00DB, 0x00DC, 0x00D9, 0x00DA, 0x009F,
};

TCodePageInfo* FindCodePage(int32_t codePage)
{
    for (TCodePageInfo& info : CodePageTable)
        if (info.CodePage == codePage)
            return &info;
    return nullptr;
}

namespace {

inline bool IsBinaryControl(uint8_t b) { return b <= 0x08 || (b >= 0x0E && b <= 0x10); }
inline bool IsTextByte(uint8_t b) { return (b >= 0x09 && b <= 0x0D) || (b >= 0x20 && b <= 0x7E); }

// Scans (lo, hi) pairs; `hiFirst` when the high byte comes first.
bool ScanUTF16(const uint8_t* data, int32_t n, bool hiFirst)
{
    bool seen = false;
    const int32_t even = n & ~1;
    for (int32_t i = 0; i < even; i += 2) {
        const uint8_t lo = hiFirst ? data[i + 1] : data[i];
        const uint8_t hi = hiFirst ? data[i] : data[i + 1];
        if (hi != 0)
            continue;
        if (IsBinaryControl(lo))
            return false;
        if (IsTextByte(lo))
            seen = true;
    }
    return seen;
}

}  // namespace

bool IsUTF16LEText(const uint8_t* data, int32_t n)
{
    if (n < 2)
        return false;
    if (data[0] == 0xFF && data[1] == 0xFE)
        return true;
    if (data[0] == 0xFE && data[1] == 0xFF)
        return false;
    return ScanUTF16(data, n, false);
}

bool IsUTF16BEText(const uint8_t* data, int32_t n)
{
    if (n < 2)
        return false;
    if (data[0] == 0xFE && data[1] == 0xFF)
        return true;
    return ScanUTF16(data, n, true);
}

bool IsUTF8Text(const uint8_t* data, int32_t n)
{
    if (n >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        return true;
    int32_t count = 0;
    int32_t i = 0;
    while (i < n) {
        const uint8_t b = data[i];
        int need;
        if (b < 0x80)
            need = 0;
        else if (b <= 0xDF)
            need = 1;
        else if (b <= 0xEF)
            need = 2;
        else if (b <= 0xF4)
            need = 3;
        else
            return false;
        ++i;
        if (need == 0)
            continue;
        for (int k = 0; k < need; ++k, ++i) {
            if (i >= n)
                return count > 0;  // cut by the end of the buffer: no failure
            if ((data[i] & 0xC0) != 0x80)
                return false;
        }
        ++count;
    }
    return count > 0;
}

bool HasBinaryControlBytes(const uint8_t* data, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        if (IsBinaryControl(data[i]))
            return true;
    return false;
}

TContentTest GuessContent(const uint8_t* data, int32_t n)
{
    if (IsUTF16LEText(data, n))
        return TContentTest::UTF16LE;
    if (IsUTF16BEText(data, n))
        return TContentTest::UTF16BE;
    if (IsUTF8Text(data, n))
        return TContentTest::UTF8;
    if (HasBinaryControlBytes(data, n))
        return TContentTest::Binary;
    return TContentTest::None;
}

const char* ContentTestName(TContentTest test)
{
    switch (test) {
    case TContentTest::UTF16LE: return "UTF-16LE";
    case TContentTest::UTF16BE: return "UTF-16BE";
    case TContentTest::UTF8: return "UTF-8";
    case TContentTest::Binary: return "binary";
    case TContentTest::None: break;
    }
    return "none";
}

size_t NameFieldLength(const char* text)
{
    size_t len = text ? strnlen(text, 63) : 0;
    // A longer text is cut at 63 bytes, but not inside a UTF-8 character
    // (names are UTF-8 on this system): a cut lead byte and its
    // continuation bytes go together.
    if (len == 63 && (static_cast<uint8_t>(text[63]) & 0xC0) == 0x80) {
        size_t lead = 63;
        while (lead > 60 && (static_cast<uint8_t>(text[lead - 1]) & 0xC0) == 0x80)
            --lead;
        const uint8_t b = static_cast<uint8_t>(text[lead - 1]);
        const size_t need = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 0;
        if (need > 63 - (lead - 1))
            len = lead - 1;
    }
    return len;
}

void SetNameField(char (&field)[64], const char* text)
{
    const size_t len = NameFieldLength(text);
    std::memset(field, 0, sizeof(field));
    if (len)
        std::memcpy(field, text, len);
}

void LoadCodePageNames()
{
    for (int i = 0; i < CodePageCount; ++i) {
        TCodePageInfo& info = CodePageTable[i];
        char name[160];
        std::snprintf(name, sizeof(name), "(%03d)%s", static_cast<int>(info.CodePage), BuiltInName(i));
        SetNameField(info.Name, name);
    }
}

}  // namespace zin
