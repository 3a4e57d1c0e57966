#include "platform/CodePageConverter.h"

#include <cstring>
#include <unicode/ucnv.h>

namespace zin {

namespace {

// ICU converters whose tables match the platform code pages of the same
// number. Canonical names are used so that no alias is ambiguous.
struct TIcuName {
    int32_t CodePage;
    const char* Name;
};

constexpr TIcuName IcuNames[] = {
    {37, "ibm-37_P100-1995"},
    {437, "ibm-437_P100-1995"},
    {708, "ibm-1089_P100-1995"},
    {720, "ibm-720_P100-1997"},
    {852, "ibm-852_P100-1995"},
    {862, "ibm-862_P100-1995"},
    {866, "ibm-866_P100-1995"},
    {874, "windows-874-2000"},
    {932, "ibm-943_P15A-2003"},
    {936, "windows-936-2000"},
    {949, "windows-949-2000"},
    {950, "windows-950-2000"},
    {1250, "ibm-5346_P100-1998"},
    {1251, "ibm-5347_P100-1998"},
    {1252, "ibm-5348_P100-1997"},
    {1253, "ibm-5349_P100-1998"},
    {1254, "ibm-5350_P100-1998"},
    {1255, "ibm-9447_P100-2002"},
    {1256, "ibm-9448_X100-2005"},
    {1257, "ibm-9449_P100-2002"},
    {1258, "ibm-5354_P100-1998"},
    {20866, "ibm-878_P100-1996"},
    {20932, "euc-jp-2007"},
    {20936, "ibm-1383_P110-1999"},
    {20949, "ibm-970_P110_P110-2006_U2"},
    {21866, "ibm-1168_P100-2002"},
    {28591, "ISO-8859-1"},
    {28592, "ibm-912_P100-1995"},
    {28593, "ibm-913_P100-2000"},
    {28594, "ibm-914_P100-1995"},
    {28595, "ibm-915_P100-1995"},
    {28596, "ibm-1089_P100-1995"},
    {28597, "ibm-9005_X110-2007"},
    {28598, "ibm-5012_P100-1999"},
    {65001, "UTF-8"},
};
constexpr int IcuNameCount = sizeof(IcuNames) / sizeof(IcuNames[0]);

// Single bytes where the ICU table differs from the platform's table.
struct TByteFix {
    int32_t CodePage;
    uint8_t Byte;
    char16_t Unit;
};
constexpr TByteFix ByteFixes[] = {
    // The platform's DOS tables have the micro sign where the IBM tables
    // have the Greek small mu, and the not sign at 852 AA, which IBM leaves
    // undefined.
    {437, 0xE6, u'\u00B5'},
    {852, 0xAA, u'\u00AC'},
    {862, 0xE6, u'\u00B5'},
    // The platform's Shift-JIS gives four single bytes private-use
    // characters; the ICU table rejects them.
    {932, 0xA0, u'\uF8F0'},
    {932, 0xFD, u'\uF8F1'},
    {932, 0xFE, u'\uF8F2'},
    {932, 0xFF, u'\uF8F3'},
    // The platform's Hebrew ANSI table has the holam haser for vav, which
    // the ICU table leaves undefined.
    {1255, 0xCA, u'\u05BA'},
    // The platform's KOI8-U carries the Belarusian short u where the ICU
    // table has two box-drawing characters.
    {21866, 0xAE, u'\u045E'},
    {21866, 0xBE, u'\u040E'},
};

class TIcuCodePageConverter final : public TCodePageConverter {
public:
    ~TIcuCodePageConverter() override
    {
        for (UConverter*& c : FConverters)
            if (c)
                ucnv_close(c);
    }

    bool ToWide(int32_t codePage, const uint8_t* bytes, int count, char16_t& unit) override
    {
        if (count < 1 || count > 2)
            return false;
        UConverter* conv = Converter(codePage);
        if (!conv)
            return false;
        if (count == 1) {
            // Every code page here but EBCDIC keeps ASCII as it is; the IBM
            // PC tables of ICU rotate 1A, 1C and 7F, which the platform does not.
            if (bytes[0] < 0x80 && codePage != 37) {
                unit = bytes[0];
                return true;
            }
            for (const TByteFix& f : ByteFixes)
                if (f.CodePage == codePage && f.Byte == bytes[0]) {
                    unit = f.Unit;
                    return true;
                }
        }
        UChar out[4];
        UErrorCode err = U_ZERO_ERROR;
        ucnv_reset(conv);
        const int32_t n = ucnv_toUChars(conv, out, 4, reinterpret_cast<const char*>(bytes), count, &err);
        if (U_FAILURE(err) || n != 1)
            return false;
        unit = out[0];
        return true;
    }

    bool GetLeadByteRanges(int32_t codePage, TLeadByteRanges& ranges) override
    {
        std::memset(ranges, 0, sizeof(ranges));
        UConverter* conv = Converter(codePage);
        if (!conv)
            return false;
        const UConverterType type = ucnv_getType(conv);
        if (type != UCNV_DBCS && type != UCNV_MBCS && type != UCNV_EBCDIC_STATEFUL)
            return true;  // no lead bytes
        UBool starters[256] = {};
        UErrorCode err = U_ZERO_ERROR;
        ucnv_getStarters(conv, starters, &err);
        if (U_FAILURE(err))
            return true;
        int pair = 0;
        for (int b = 1; b < 256 && pair < 5;) {
            if (!starters[b]) {
                ++b;
                continue;
            }
            const int low = b;
            while (b < 256 && starters[b])
                ++b;
            ranges[pair * 2] = static_cast<uint8_t>(low);
            ranges[pair * 2 + 1] = static_cast<uint8_t>(b - 1);
            ++pair;
        }
        return true;
    }

private:
    UConverter* Converter(int32_t codePage)
    {
        for (int i = 0; i < IcuNameCount; ++i) {
            if (IcuNames[i].CodePage != codePage)
                continue;
            if (!FConverters[i] && !FFailed[i]) {
                UErrorCode err = U_ZERO_ERROR;
                UConverter* c = ucnv_open(IcuNames[i].Name, &err);
                if (U_FAILURE(err) || !c) {
                    FFailed[i] = true;
                    return nullptr;
                }
                err = U_ZERO_ERROR;
                ucnv_setToUCallBack(c, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
                ucnv_setFallback(c, false);
                FConverters[i] = c;
            }
            return FConverters[i];
        }
        return nullptr;
    }

    UConverter* FConverters[IcuNameCount] = {};
    bool FFailed[IcuNameCount] = {};
};

TCodePageConverter* CurrentConverter = nullptr;

}  // namespace

TCodePageConverter& IcuCodePageConverter()
{
    static TIcuCodePageConverter icu;
    return icu;
}

TCodePageConverter& CodePageConverter()
{
    return CurrentConverter ? *CurrentConverter : IcuCodePageConverter();
}

TCodePageConverter* SetCodePageConverter(TCodePageConverter* converter)
{
    TCodePageConverter* previous = &CodePageConverter();
    CurrentConverter = converter;
    return previous;
}

const char* IcuConverterName(int32_t codePage)
{
    for (const TIcuName& n : IcuNames)
        if (n.CodePage == codePage)
            return n.Name;
    return nullptr;
}

}  // namespace zin
