#include "encoding/CodePage.h"
#include "encoding/Decoder.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "platform/CodePageConverter.h"

namespace zin {
namespace {

// Forwards to ICU and counts the conversions asked for.
class TCountingConverter final : public TCodePageConverter {
public:
    bool ToWide(int32_t codePage, const uint8_t* bytes, int count, char16_t& unit) override
    {
        ++Calls;
        return IcuCodePageConverter().ToWide(codePage, bytes, count, unit);
    }
    bool GetLeadByteRanges(int32_t codePage, TLeadByteRanges& ranges) override
    {
        return IcuCodePageConverter().GetLeadByteRanges(codePage, ranges);
    }
    int Calls = 0;
};

class CodePageCounting : public ::testing::Test {
protected:
    void SetUp() override { FPrevious = SetCodePageConverter(&FCounter); }
    void TearDown() override { SetCodePageConverter(FPrevious); }
    TCountingConverter FCounter;
    TCodePageConverter* FPrevious = nullptr;
};

TEST(CodePageTable, OrderKindsAndLookup)
{
    ASSERT_EQ(CodePageCount, 37);
    const int32_t order[] = {1200, 1201, 65001, 37, 437, 708, 720, 852, 862, 866, 874, 932, 936,
                             949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 20866,
                             20932, 20936, 20949, 21866, 28591, 28592, 28593, 28594, 28595, 28596,
                             28597, 28598};
    for (int i = 0; i < CodePageCount; ++i)
        EXPECT_EQ(CodePageTable[i].CodePage, order[i]) << "row " << i;
    EXPECT_EQ(CodePageTable[0].Kind, cpkUTF16LE);
    EXPECT_EQ(CodePageTable[1].Kind, cpkUTF16BE);
    EXPECT_EQ(CodePageTable[2].Kind, cpkUTF8);
    for (int32_t cp : {932, 936, 949, 950, 20932, 20936, 20949})
        EXPECT_EQ(FindCodePage(cp)->Kind, cpkDoubleByte) << cp;
    EXPECT_EQ(FindCodePage(21866)->Kind, cpkSingleByte);

    EXPECT_EQ(FindCodePage(1252), &CodePageTable[17]);
    EXPECT_EQ(FindCodePage(0), nullptr);
    EXPECT_EQ(FindCodePage(28605), nullptr);  // named in a built-in name, not in the table
}

struct TKnown {
    int32_t CodePage;
    std::vector<uint8_t> Bytes;
    char16_t Unit;
};

// One byte or pair of known decoding for every table-decoded code page.
const TKnown KnownDecodings[] = {
    {37, {0xC1}, u'A'},           {437, {0x80}, u'\u00C7'},   {708, {0xC1}, u'\u0621'},
    {720, {0xE9}, u'\u0644'},     {852, {0x85}, u'\u016F'},   {862, {0x80}, u'\u05D0'},
    {866, {0x80}, u'\u0410'},     {874, {0xA1}, u'\u0E01'},   {932, {0x82, 0xA0}, u'\u3042'},
    {936, {0xC4, 0xE3}, u'\u4F60'}, {949, {0xB0, 0xA1}, u'\uAC00'}, {950, {0xA4, 0xA4}, u'\u4E2D'},
    {1250, {0x8A}, u'\u0160'},    {1251, {0xC0}, u'\u0410'},  {1252, {0x80}, u'\u20AC'},
    {1253, {0xC1}, u'\u0391'},    {1254, {0xD0}, u'\u011E'},  {1255, {0xE0}, u'\u05D0'},
    {1256, {0xC7}, u'\u0627'},    {1257, {0xC0}, u'\u0104'},  {1258, {0xC3}, u'\u0102'},
    {20866, {0xC1}, u'\u0430'},   {20932, {0xA4, 0xA2}, u'\u3042'}, {20936, {0xC4, 0xE3}, u'\u4F60'},
    {20949, {0xB0, 0xA1}, u'\uAC00'}, {21866, {0xA4}, u'\u0454'}, {28591, {0xE9}, u'\u00E9'},
    {28592, {0xA1}, u'\u0104'},   {28593, {0xA1}, u'\u0126'}, {28594, {0xA1}, u'\u0104'},
    {28595, {0xB0}, u'\u0410'},   {28596, {0xC7}, u'\u0627'}, {28597, {0xC1}, u'\u0391'},
    {28598, {0xE0}, u'\u05D0'},
    // Where the platform's table differs from a plain library table.
    {437, {0x1A}, u'\u001A'},     {437, {0x7F}, u'\u007F'},   {866, {0x1C}, u'\u001C'},
    {21866, {0xAE}, u'\u045E'},   {21866, {0xBE}, u'\u040E'}, {932, {0x81, 0x60}, u'\uFF5E'},
    {20936, {0xA1, 0xA4}, u'\u30FB'}, {936, {0xA1, 0xA4}, u'\u00B7'},
    {437, {0xE6}, u'\u00B5'},    {862, {0xE6}, u'\u00B5'},  {852, {0xAA}, u'\u00AC'},
    {1255, {0xCA}, u'\u05BA'},   {1255, {0xC0}, u'\u05B0'}, {1255, {0xA4}, u'\u20AA'},
    {1258, {0xCC}, u'\u0300'},   {1258, {0xDE}, u'\u0303'}, {1258, {0xF2}, u'\u0323'},
    {874, {0x80}, u'\u20AC'},    {866, {0xF0}, u'\u0401'},  {866, {0xFC}, u'\u2116'},
    // Rejected input: a single byte stays its own value, a pair gives its
    // lead byte as the failure mark.
    {1253, {0xD2}, u'\u00D2'},    {1257, {0xA1}, u'\u00A1'},  {28597, {0xAE}, u'\u00AE'},
    {932, {0x82, 0x40}, u'\u0082'}, {936, {0x81, 0x7F}, u'\u0081'}, {950, {0xA1, 0x30}, u'\u00A1'},
};

TEST(CodePageDecoding, KnownBytesOfEveryCodePage)
{
    for (const TKnown& k : KnownDecodings) {
        const TDecoder d = TDecoder::For(k.CodePage);
        ASSERT_TRUE(d.Valid()) << k.CodePage;
        const char16_t got = k.Bytes.size() == 1 ? d.SingleByte(k.Bytes[0]) : d.DoubleByte(k.Bytes[0], k.Bytes[1]);
        EXPECT_EQ(static_cast<int>(got), static_cast<int>(k.Unit))
            << "code page " << k.CodePage << " byte " << std::hex << int(k.Bytes[0]);
    }
    // The Unicode kinds are decoded by rule, not by table; they still have
    // decoders, which know their kind.
    for (int32_t cp : {1200, 1201, 65001}) {
        const TDecoder d = TDecoder::For(cp);
        EXPECT_EQ(d.CodePage(), cp);
        EXPECT_EQ(d.Kind(), FindCodePage(cp)->Kind);
        EXPECT_EQ(d.Tables()->Single, nullptr);
        EXPECT_FALSE(d.HasDoubleByteTable());
    }
    // A number outside the table has no decoder: bytes are their own values.
    for (int32_t cp : {28605, 0}) {
        const TDecoder d = TDecoder::For(cp);
        EXPECT_FALSE(d.Valid());
        EXPECT_EQ(d.Kind(), -1);
        EXPECT_EQ(d.SingleByte(0xC1), 0xC1);
        EXPECT_EQ(d.LoneByte(0x82), 0x82);
        EXPECT_FALSE(d.IsLeadByte(0x82));
    }
}

TEST(CodePageDecoding, LoneBytesOfDoubleByteCodePagesDecodeThroughTheCodePage)
{
    struct {
        int32_t CodePage;
        uint8_t Byte;
        char16_t Unit;
    } const cases[] = {
        {932, 0xB1, u'\uFF71'},  // half-width katakana
        {932, 0xDF, u'\uFF9F'},
        {932, 'A', u'A'},
        {932, 0x82, u'\u0082'},  // a lead byte alone is rejected: own value
        {932, 0x80, u'\u0080'},
        {932, 0xA0, u'\uF8F0'},  // private-use characters of the platform's table
        {932, 0xFF, u'\uF8F3'},
        {936, 0x80, u'\u20AC'},  // euro sign
        {949, 0x41, u'A'},
    };
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<int>(TDecoder::For(c.CodePage).LoneByte(c.Byte)), static_cast<int>(c.Unit))
            << c.CodePage << " " << std::hex << int(c.Byte);
}

TEST(CodePageDecoding, Ebcdic037TableMatchesTheLibrary)
{
    for (int b = 0; b < 256; ++b) {
        const uint8_t byte = static_cast<uint8_t>(b);
        char16_t unit = 0;
        ASSERT_TRUE(IcuCodePageConverter().ToWide(37, &byte, 1, unit)) << b;
        EXPECT_EQ(static_cast<int>(Ebcdic037Table[b]), static_cast<int>(unit)) << std::hex << b;
    }
    EXPECT_EQ(Ebcdic037Table[0x40], u' ');
    EXPECT_EQ(Ebcdic037Table[0x4B], u'.');
    EXPECT_EQ(Ebcdic037Table[0xF0], u'0');
    EXPECT_EQ(Ebcdic037Table[0x25], u'\n');
    EXPECT_EQ(Ebcdic037Table[0x15], u'\u0085');
}

TEST(CodePageDecoding, LeadBytesComeFromTheRangesUpToTheZeroPair)
{
    const uint8_t ranges[12] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0, 0x20, 0x30, 0, 0, 0, 0};
    EXPECT_TRUE(InLeadRanges(ranges, 0x81));
    EXPECT_TRUE(InLeadRanges(ranges, 0xFC));
    EXPECT_FALSE(InLeadRanges(ranges, 0xA0));
    EXPECT_FALSE(InLeadRanges(ranges, 0x25));  // after the zero pair
    // A decoder's lead bytes are its code page's ranges.
    for (const TCodePageInfo& info : CodePageTable) {
        const TDecoder d = TDecoder::For(info.CodePage);
        TLeadByteRanges r{};
        IcuCodePageConverter().GetLeadByteRanges(info.CodePage, r);  // zeros where it has none
        for (int b = 0; b < 256; ++b)
            ASSERT_EQ(d.IsLeadByte(static_cast<uint8_t>(b)), InLeadRanges(r, static_cast<uint8_t>(b)))
                << info.CodePage << " " << b;
        EXPECT_EQ(std::memcmp(d.LeadRanges(), r, sizeof r), 0) << info.CodePage;
    }
    EXPECT_TRUE(TDecoder::For(932).IsLeadByte(0x82));
    EXPECT_FALSE(TDecoder::For(1252).IsLeadByte(0x82));
}

TEST_F(CodePageCounting, EbcdicNeverCallsThePlatform)
{
    FCounter.Calls = 0;
    const TDecoder d = TDecoder::For(37);
    EXPECT_EQ(FCounter.Calls, 0);
    EXPECT_EQ(d.Tables()->Single, Ebcdic037Table);
    EXPECT_EQ(d.SingleByte(0xC1), u'A');
    EXPECT_EQ(d.SingleByte(0x25), u'\n');
}

TEST_F(CodePageCounting, SingleByteTableIsBuiltOnceWith256Conversions)
{
    // Whether an earlier test of this process built it already cannot be
    // known; the first decoder here builds it or finds it built.
    FCounter.Calls = 0;
    const TDecoder first = TDecoder::For(1254);
    EXPECT_TRUE(FCounter.Calls == 0 || FCounter.Calls == 256) << FCounter.Calls;
    // Every later decoder shares the same table and builds nothing.
    FCounter.Calls = 0;
    const TDecoder again = TDecoder::For(1254);
    TDecoder copy = again;
    EXPECT_EQ(FCounter.Calls, 0);
    EXPECT_EQ(again.Tables(), first.Tables());
    EXPECT_EQ(copy.Tables()->Single, first.Tables()->Single);
}

TEST_F(CodePageCounting, DoubleByteRowsAreFilledOnTheirFirstPair)
{
    FCounter.Calls = 0;
    const TDecoder d = TDecoder::For(949);
    // The first decoder converts the 256 lone bytes, no pairs.
    EXPECT_TRUE(FCounter.Calls == 0 || FCounter.Calls == 256) << FCounter.Calls;
    ASSERT_TRUE(d.HasDoubleByteTable());

    const uint8_t lead = 0xC8;  // used by no other test
    const bool rowBefore = d.Tables()->RowReady[lead].load() != 0;
    FCounter.Calls = 0;
    const uint8_t pair[] = {lead, 0xA1};
    char16_t direct = 0;
    ASSERT_TRUE(IcuCodePageConverter().ToWide(949, pair, 2, direct));
    EXPECT_EQ(d.DoubleByte(lead, 0xA1), direct);
    EXPECT_EQ(FCounter.Calls, rowBefore ? 0 : 256);
    EXPECT_EQ(d.Tables()->RowReady[lead].load(), 1);
    FCounter.Calls = 0;
    d.DoubleByte(lead, 0xA2);
    TDecoder::For(949).DoubleByte(lead, 0x00);
    EXPECT_EQ(FCounter.Calls, 0);
}

TEST(CodePageDecoding, DecodersOfDifferentCodePagesWorkSideBySideOnManyThreads)
{
    // Each thread decodes every pair of its own double-byte code page (the
    // rows are filled by whichever thread comes first) and the bytes of a
    // single-byte one; all agree with the platform.
    const int32_t pages[] = {932, 936, 949, 950, 20932, 1251, 1253, 37};
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (const int32_t cp : pages) {
        for (int copy = 0; copy < 2; ++copy) {
            threads.emplace_back([cp, &wrong] {
                const TDecoder d = TDecoder::For(cp);
                for (int lead = 0x81; lead < 0x100; lead += 7) {
                    for (int trail = 0x40; trail < 0x100; trail += 3) {
                        const uint8_t b1 = static_cast<uint8_t>(lead), b2 = static_cast<uint8_t>(trail);
                        if (d.Kind() == cpkDoubleByte) {
                            if (d.IsLeadByte(b1))
                                d.DoubleByte(b1, b2);
                        } else if (d.SingleByte(b2) == 0) {
                            ++wrong;
                        }
                    }
                }
            });
        }
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
    for (const int32_t cp : {932, 936, 949, 950, 20932}) {
        const TDecoder d = TDecoder::For(cp);
        for (int lead = 0x81; lead < 0x100; lead += 7) {
            if (!d.IsLeadByte(static_cast<uint8_t>(lead)))
                continue;
            for (int trail = 0x40; trail < 0x100; trail += 3) {
                const uint8_t pair[] = {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)};
                char16_t unit = 0;
                const char16_t want = IcuCodePageConverter().ToWide(cp, pair, 2, unit) ? unit : pair[0];
                ASSERT_EQ(d.DoubleByte(pair[0], pair[1]), want) << cp << " " << lead << " " << trail;
            }
        }
    }
}

TEST(CodePagePlatform, ConverterRejectsWhatMakesNoSingleUnit)
{
    TCodePageConverter& icu = IcuCodePageConverter();
    char16_t unit = 0;
    const uint8_t ab[] = {'A', 'B'};
    EXPECT_FALSE(icu.ToWide(1252, ab, 2, unit));  // two units
    const uint8_t lead[] = {0x82};
    EXPECT_FALSE(icu.ToWide(932, lead, 1, unit));  // incomplete pair
    EXPECT_FALSE(icu.ToWide(12345, ab, 1, unit));  // unknown code page
    EXPECT_FALSE(icu.ToWide(1252, ab, 0, unit));
    const uint8_t eAcute[] = {0xC3, 0xA9};
    ASSERT_TRUE(icu.ToWide(65001, eAcute, 2, unit));
    EXPECT_EQ(unit, u'\u00E9');

    // Every table code page but the UTF-16 ones has a library converter.
    for (const TCodePageInfo& info : CodePageTable) {
        if (info.Kind == cpkUTF16LE || info.Kind == cpkUTF16BE)
            continue;
        TLeadByteRanges r;
        EXPECT_TRUE(icu.GetLeadByteRanges(info.CodePage, r)) << info.CodePage;
    }
}

TEST(CodePagePlatform, LeadByteRanges)
{
    struct {
        int32_t CodePage;
        bool Known;
        std::vector<uint8_t> Ranges;  // pairs, without the closing zero pair
    } const cases[] = {
        {932, true, {0x81, 0x9F, 0xE0, 0xFC}},
        {936, true, {0x81, 0xFE}},
        {949, true, {0x81, 0xFE}},
        {950, true, {0x81, 0xFE}},
        {20936, true, {0xA1, 0xFE}},
        {1252, true, {}},
        {65001, true, {}},
        {1200, false, {}},
    };
    for (const auto& c : cases) {
        TLeadByteRanges r;
        std::memset(r, 0xEE, sizeof(r));
        EXPECT_EQ(IcuCodePageConverter().GetLeadByteRanges(c.CodePage, r), c.Known) << c.CodePage;
        std::vector<uint8_t> want = c.Ranges;
        want.resize(12, 0);
        EXPECT_EQ(std::vector<uint8_t>(r, r + 12), want) << c.CodePage;
    }
}

TEST(CodePageContent, UTF16Tests)
{
    struct {
        std::vector<uint8_t> Data;
        bool LE, BE;
    } const cases[] = {
        {{0xFF, 0xFE}, true, false},
        {{0xFE, 0xFF}, false, true},
        {{0x41, 0x00}, true, false},
        {{0x00, 0x41}, false, true},
        {{0x41}, false, false},
        {{}, false, false},
        {{0xFF, 0xFE, 0x00, 0x01}, true, false},       // the mark decides at once
        {{0x41, 0x00, 0x01, 0x00}, false, false},      // a control unit ends it
        {{0x41, 0x42, 0x43, 0x44}, false, false},      // no zero high byte: no text seen
        {{0x41, 0x00, 0x42}, true, false},             // the odd last byte is ignored
        {{0x00, 0x0A, 0x00, 0x41}, false, true},
        {{0x30, 0x04, 0x31, 0x04, 0x20, 0x00}, true, false},
        {{0x80, 0x00, 0x1F, 0x00}, false, false},      // these decide nothing
    };
    for (const auto& c : cases) {
        const int32_t n = static_cast<int32_t>(c.Data.size());
        EXPECT_EQ(IsUTF16LEText(c.Data.data(), n), c.LE) << ::testing::PrintToString(c.Data);
        EXPECT_EQ(IsUTF16BEText(c.Data.data(), n), c.BE) << ::testing::PrintToString(c.Data);
    }
}

TEST(CodePageContent, UTF8AndBinaryTests)
{
    struct {
        std::string Data;
        bool UTF8, Binary;
    } const cases[] = {
        {"plain ascii text\r\n", false, false},
        {"caf\xC3\xA9 au lait", true, false},
        {"caf\xE9x", false, false},
        {"\xC3\xA9\xE2\x82", true, false},              // last sequence cut by the end
        {"\xEF\xBB\xBF", true, false},
        {"\xF0\x9F\x98\x80", true, false},
        {"a\xF5\x80", false, false},
        {"\xC3\xA9\xF8", false, false},
        {"\xE2\x82", false, false},                      // cut at once: no sequence
        {"\xA9\x80", true, false},                      // 80-BF first need one continuation
        {"\x80", false, false},
        {"\xDF\xBF\xC3(", false, false},                // a wrong continuation fails
        {"tab\tcr\rlf\nesc\x1B", false, false},
        {std::string("a\0b", 3), false, true},
        {"\x0E", false, true},
        {"\x10", false, true},
        {"\x11\x1F\x0B\x0C", false, false},
    };
    for (const auto& c : cases) {
        const auto* p = reinterpret_cast<const uint8_t*>(c.Data.data());
        const int32_t n = static_cast<int32_t>(c.Data.size());
        EXPECT_EQ(IsUTF8Text(p, n), c.UTF8) << ::testing::PrintToString(c.Data);
        EXPECT_EQ(HasBinaryControlBytes(p, n), c.Binary) << ::testing::PrintToString(c.Data);
    }
    // Only the n bytes given are looked at.
    const uint8_t withNul[] = {'a', 'b', 0x00};
    EXPECT_FALSE(HasBinaryControlBytes(withNul, 2));
}

TEST(CodePageNames, BuiltInNamesAndFonts)
{
    LoadCodePageNames();
    LoadCodePageNames();  // running again gives the same names
    EXPECT_STREQ(FindCodePage(37)->Name, "(037)IBM EBCDIC - U.S./Canada");
    EXPECT_STREQ(FindCodePage(437)->Name, "(437)United States (DOS)");
    EXPECT_STREQ(FindCodePage(1200)->Name, "(1200)Unicode Little-Endian");
    EXPECT_STREQ(FindCodePage(65001)->Name, "(65001)Unicode UTF-8");
    for (const TCodePageInfo& info : CodePageTable)
        EXPECT_EQ(info.Name[63], '\0');
}

TEST(CodePageNames, NameFieldIsCutAt63AndZeroFilled)
{
    char field[64];
    std::memset(field, 'x', sizeof(field));
    SetNameField(field, "abc");
    EXPECT_STREQ(field, "abc");
    for (int i = 3; i < 64; ++i)
        EXPECT_EQ(field[i], '\0');
    const std::string longText(100, 'n');
    SetNameField(field, longText.c_str());
    EXPECT_EQ(std::string(field), std::string(63, 'n'));
    SetNameField(field, nullptr);
    EXPECT_STREQ(field, "");
    // Never inside a UTF-8 character: each of these would be cut after one
    // to three of its bytes, and is dropped whole instead.
    for (const std::string ch : {"\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x98\x80"}) {
        for (size_t before = 63 - ch.size() + 1; before < 63; ++before) {
            SetNameField(field, (std::string(before, 'n') + ch + "tail").c_str());
            EXPECT_EQ(std::string(field), std::string(before, 'n')) << ch.size() << " " << before;
        }
        // Whole within 63 bytes, it stays.
        const std::string fits = std::string(63 - ch.size(), 'n') + ch;
        SetNameField(field, (fits + "tail").c_str());
        EXPECT_EQ(std::string(field), fits);
    }
    // Bytes that are no UTF-8 lead (another code page) are cut at 63 as before.
    SetNameField(field, (std::string(62, 'n') + "\xA9\xA9\xA9").c_str());
    EXPECT_EQ(std::string(field).size(), 63u);
}

}  // namespace
}  // namespace zin
