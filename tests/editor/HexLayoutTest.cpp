// The hex view's arithmetic: the scroll bar's mapping of 32-bit positions
// onto 64-bit rows, the columns of a row against the pixel a click falls on,
// and the offset column's width.
#include <gtest/gtest.h>

#include <random>

#include "editor/ZinHexLayout.h"

namespace zin::test {
namespace {

using namespace zin::hex;

// For any number of top rows: the ends map onto each other exactly, every
// position is reached by a row and maps back to the first row that reaches
// it, positions grow with rows, and every row lies in its position's range
// of rows. Exhaustive over the positions at both ends, random in between.
TEST(HexLayoutTest, TheScrollBarMapsBothEndsExactlyAndEveryRowToItsPosition)
{
    std::mt19937_64 rng(19);
    const uint64_t tops[] = {0,
                             1,
                             999,
                             static_cast<uint64_t>(BarLimit) - 1,
                             static_cast<uint64_t>(BarLimit),
                             static_cast<uint64_t>(BarLimit) + 1,
                             (uint64_t{1} << 31) + 12345,  // more rows than a 32-bit position holds
                             uint64_t{1} << 36,            // 1 TiB of rows of 16 bytes
                             (uint64_t{1} << 60) - 1,
                             UINT64_MAX / 16};
    for (const uint64_t maxTop : tops) {
        SCOPED_TRACE(maxTop);
        const int32_t max = BarMax(maxTop);
        ASSERT_LE(max, BarLimit);
        ASSERT_EQ(static_cast<uint64_t>(max), std::min<uint64_t>(maxTop, BarLimit));
        EXPECT_EQ(RowOfBarPos(0, maxTop), 0u);
        EXPECT_EQ(RowOfBarPos(max, maxTop), maxTop);
        EXPECT_EQ(BarPosOfRow(0, maxTop), 0);
        EXPECT_EQ(BarPosOfRow(maxTop, maxTop), max);
        // Out of range on either side: clamped.
        EXPECT_EQ(RowOfBarPos(-5, maxTop), 0u);
        EXPECT_EQ(RowOfBarPos(int64_t{max} + 7, maxTop), maxTop);
        EXPECT_EQ(BarPosOfRow(maxTop + 1, maxTop), max);
        if (maxTop > 0) {
            // Only the last row is at the last position, only row 0 at 0.
            EXPECT_LT(BarPosOfRow(maxTop - 1, maxTop), max);
            EXPECT_GT(RowOfBarPos(1, maxTop), 0u);
            EXPECT_LT(RowOfBarPos(max - 1, maxTop), maxTop);
        }
        auto check = [&](int64_t p) {
            const uint64_t row = RowOfBarPos(p, maxTop);
            ASSERT_EQ(BarPosOfRow(row, maxTop), p) << "position " << p;
            if (row > 0) {
                ASSERT_LT(BarPosOfRow(row - 1, maxTop), p) << "position " << p << " not the first row";
            }
            if (p > 0) {
                ASSERT_LT(RowOfBarPos(p - 1, maxTop), row);
            }
        };
        for (int64_t p = 0; p <= std::min<int64_t>(max, 2000); ++p)
            check(p);
        for (int64_t p = std::max<int64_t>(0, int64_t{max} - 2000); p <= max; ++p)
            check(p);
        for (int i = 0; i < 2000 && max > 0; ++i)
            check(static_cast<int64_t>(rng() % static_cast<uint64_t>(max + 1)));
        for (int i = 0; i < 2000; ++i) {
            const uint64_t row = maxTop == 0 ? 0 : rng() % (maxTop + 1);
            const int32_t p = BarPosOfRow(row, maxTop);
            ASSERT_LE(RowOfBarPos(p, maxTop), row);
            if (p < max) {
                ASSERT_GT(RowOfBarPos(p + 1, maxTop), row);
            }
        }
    }
}

// Every pixel of a row falls on the byte whose digits or character it lies
// on; between two bytes on the nearer one's cell, never past the row.
TEST(HexLayoutTest, APixelFallsOnTheByteItsDigitsOrCharacterCover)
{
    for (int32_t digit = 1; digit <= 13; digit += 3) {
        for (int32_t cell = 1; cell <= 17; cell += 4) {
            const TColumns c{digit, cell};
            for (int32_t i = 0; i < 16; ++i) {
                for (int32_t x = c.HexX(i); x < c.HexX(i) + c.HexWidth(); ++x) {
                    ASSERT_FALSE(c.InChars(x));
                    ASSERT_EQ(c.ColumnAt(x, false), i) << digit << " " << cell << " x " << x;
                }
                for (int32_t x = c.CharX(i); x < c.CharX(i + 1); ++x) {
                    ASSERT_TRUE(c.InChars(x));
                    ASSERT_EQ(c.ColumnAt(x, true), i) << digit << " " << cell << " x " << x;
                }
            }
            int32_t last = 0;
            for (int32_t x = -50; x < c.Width() + 50; ++x) {
                const int32_t col = c.ColumnAt(x, c.InChars(x));
                ASSERT_GE(col, 0);
                ASSERT_LE(col, 15);
                if (!c.InChars(x)) {
                    ASSERT_GE(col, last);  // grows across the hex area
                    last = col;
                }
            }
            // The areas do not overlap, and the characters follow the digits.
            EXPECT_GT(c.CharsLeft(), c.HexX(15) + c.HexWidth());
            EXPECT_EQ(c.Width(), c.CharX(16));
        }
    }
}

TEST(HexLayoutTest, OffsetsTakeEightDigitsAndMoreOnlyWhenTheLastRowNeedsThem)
{
    EXPECT_EQ(OffsetDigits(0), 8);
    EXPECT_EQ(OffsetDigits(uint64_t{1} << 32), 8);         // last row at FFFFFFF0
    EXPECT_EQ(OffsetDigits((uint64_t{1} << 32) + 1), 9);   // a row at 100000000
    EXPECT_EQ(OffsetDigits(uint64_t{1} << 36), 9);
    EXPECT_EQ(OffsetDigits((uint64_t{1} << 36) + 1), 10);
    EXPECT_EQ(OffsetDigits(UINT64_MAX), 16);
    char16_t s[16];
    FormatOffset(0x1234ABCDEFull, 10, s);
    EXPECT_EQ(std::u16string(s, 10), u"1234ABCDEF");
    std::u16string text;
    const uint8_t bytes[] = {0x48, 0x65, 0x00, 0xFF};
    AppendHexText(bytes, 4, false, text);
    EXPECT_EQ(text, u"48 65 00 FF");
}

}  // namespace
}  // namespace zin::test
