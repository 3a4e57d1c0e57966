#pragma once
// The code page of the user's locale, as a number of the code-page table.
#include <cstdint>
#include <string_view>

namespace zin {

// The locale's character set (LC_ALL, LC_CTYPE or LANG) mapped to a table
// code page: UTF-8 -> 65001, ISO-8859-1 -> 28591, KOI8-R -> 20866, ...;
// 1252 when it maps to none. A value set with SetSystemCodePage wins.
int32_t SystemCodePage();
// Fixes the answer of SystemCodePage (for tests); 0 returns to the locale.
// Returns the previous fixed value (0 when there was none).
int32_t SetSystemCodePage(int32_t codePage);
// The table code page of a character-set name as the C library reports it
// ("UTF-8", "ISO-8859-5", "CP1251", "EUC-JP", ...), or 0 when none fits.
// Case, '-' and '_' do not matter.
int32_t CodePageOfCharset(std::string_view charset);

}  // namespace zin
