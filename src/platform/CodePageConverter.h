#pragma once
// Conversion of one or two bytes in a given code page to one UTF-16 code
// unit, and a code page's lead-byte ranges. The default converter uses ICU;
// tests may install their own (for example one that counts calls).
#include <cstdint>

namespace zin {

// Up to five inclusive (low, high) lead-byte ranges, then a zero pair.
using TLeadByteRanges = uint8_t[12];

class TCodePageConverter {
public:
    virtual ~TCodePageConverter() = default;
    // Converts `count` (1 or 2) bytes into exactly one UTF-16 unit. False
    // when the code page is unknown, rejects the bytes, or makes no unit or
    // more than one unit of them.
    virtual bool ToWide(int32_t codePage, const uint8_t* bytes, int count, char16_t& unit) = 0;
    // The lead-byte ranges of a code page (all zero for a code page without
    // lead bytes). False, with the ranges zeroed, for an unknown code page.
    virtual bool GetLeadByteRanges(int32_t codePage, TLeadByteRanges& ranges) = 0;
};

// The converter in use: the ICU one unless another was installed.
TCodePageConverter& CodePageConverter();
// Installs a converter (null: the ICU one again) and returns the previous one.
TCodePageConverter* SetCodePageConverter(TCodePageConverter* converter);
// The ICU converter itself.
TCodePageConverter& IcuCodePageConverter();
// The ICU converter name used for a code page number, or null.
const char* IcuConverterName(int32_t codePage);

}  // namespace zin
