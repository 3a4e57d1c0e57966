#pragma once
// The table of the 37 code pages the viewer offers, their names and fonts,
// and the encoding content tests. Decoding is Decoder.h's.
#include <cstddef>
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
};

constexpr int CodePageCount = 37;
extern TCodePageInfo CodePageTable[CodePageCount];

// IBM code page 037 to Unicode; code page 37 decodes through it without
// asking the platform.
extern const WideChar Ebcdic037Table[256];

// The first record with this number, or null. No side effects.
TCodePageInfo* FindCodePage(int32_t codePage);

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

// Gives every record its display name "(%03d)%s". There is no code-page
// database on Linux: every record takes its built-in name.
void LoadCodePageNames();

// Copies text into a 64-byte name field: at most 63 bytes, the rest zero.
void SetNameField(char (&field)[64], const char* text);
// How many bytes of text such a field keeps: at most 63, and never part of
// a UTF-8 character.
size_t NameFieldLength(const char* text);

}  // namespace zin
