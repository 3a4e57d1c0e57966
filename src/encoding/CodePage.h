#pragma once
// The table of the 37 code pages the viewer offers, the process-wide current
// code page, byte-to-UTF-16 decoding tables and the encoding content tests.
//
// Decode tables are built lazily: a single-byte table (256 conversions) on
// the first selection of its code page, a double-byte table one lead-byte row
// (256 conversions) at a time on the first pair with that lead byte. Once
// built they live until the process ends, so decoding is one table look-up.
#include <cstdint>

namespace zin {

using WideChar = char16_t;

enum TCodePageKind : uint8_t {
    cpkSingleByte = 0,
    cpkDoubleByte = 1,
    cpkUTF16LE = 2,
    cpkUTF16BE = 3,
    cpkUTF8 = 5,
};

struct TCodePageInfo {
    int32_t CodePage;
    char Name[64];              // display name, at most 63 bytes, zero-filled
    TCodePageKind Kind;
    WideChar* ToWideTable;      // 256 entries (single-byte) or 65536 (double-byte); null until selected
    uint8_t* LeadRowReady;      // double-byte only: 256 flags, 1 once row N of ToWideTable is filled
    char FixedWidthFont[64];    // font face used while this code page is current
    // Double-byte only: 256 entries decoding a byte that stands alone (not a
    // lead byte, or a lead byte without a valid trail) through the code page;
    // a byte the code page rejects maps to its own value. Null until selected.
    WideChar* LoneByteTable;
};

constexpr int CodePageCount = 37;
extern TCodePageInfo CodePageTable[CodePageCount];

// IBM code page 037 to Unicode; code page 37 decodes through it without
// asking the platform.
extern const WideChar Ebcdic037Table[256];

// Process-wide selection state.
extern int32_t CurrentCodePage;                  // 0 before the first selection
extern TCodePageInfo* CurrentCodePageInfo;       // null before the first selection
extern const WideChar* CurrentSingleByteTable;   // of the last selected single-byte code page
extern WideChar* CurrentDoubleByteTable;         // of the last selected double-byte code page
extern uint8_t* CurrentLeadRowReady;
extern const WideChar* CurrentLoneByteTable;     // of the last selected double-byte code page

// The first record with this number, or null. No side effects.
TCodePageInfo* FindCodePage(int32_t codePage);
// Makes the code page current, building its tables on first use. Selecting
// the current number again returns true and builds nothing. False (and the
// selection unchanged) when the number is not in the table.
bool SelectCodePage(int32_t codePage);

// Fills row `lead` of the current double-byte table (256 conversions).
void FillDoubleByteRow(uint8_t lead);

// Entry b of the current single-byte table.
inline WideChar SingleByteToWide(uint8_t b) { return CurrentSingleByteTable[b]; }

// The pair (lead, trail) in the current double-byte code page; a result equal
// to `lead` means the pair is no valid character.
inline WideChar DoubleByteToWide(uint8_t lead, uint8_t trail)
{
    if (!CurrentLeadRowReady[lead])
        FillDoubleByteRow(lead);
    return CurrentDoubleByteTable[lead * 256u + trail];
}

// A lone byte of the current double-byte code page.
inline WideChar DoubleByteSingleToWide(uint8_t b) { return CurrentLoneByteTable[b]; }

// Content tests over a buffer; each looks only at the n bytes given.
bool IsUTF16LEText(const uint8_t* data, int32_t n);
bool IsUTF16BEText(const uint8_t* data, int32_t n);
bool IsUTF8Text(const uint8_t* data, int32_t n);
bool HasBinaryControlBytes(const uint8_t* data, int32_t n);

// Which content test decided a file's encoding.
enum class TContentTest : uint8_t { None, UTF16LE, UTF16BE, UTF8, Binary };
// Applies the four tests in the order a load does; the first that holds decides.
TContentTest GuessContent(const uint8_t* data, int32_t n);
// "UTF-16LE", "UTF-16BE", "UTF-8", "binary" or "none".
const char* ContentTestName(TContentTest test);

// Gives every record its display name "(%03d)%s" and its font. There is no
// code-page database on Linux: every record takes its built-in name and the
// font "Courier New".
void LoadCodePageNames();

// Copies text into a 64-byte name field: at most 63 bytes, the rest zero.
void SetNameField(char (&field)[64], const char* text);

}  // namespace zin
