#pragma once
// The texts the viewer window shows about the opened file and the caret, and
// the rules of its font menu. Plain C++, so that they are tested without a
// display.
#include <cstdint>
#include <string>
#include <vector>

#include "lines/ZinEditTypes.h"

namespace zin {

// The file panel: size, line count, wrapped-line count and the newline
// convention, as in "FileSize: 1234  Lines: 50  Wrapped-Lines: 50 [Unix]".
std::string StatePanelText(uint64_t fileSize, int32_t lineCount, int32_t rowCount, TNewLineType newLine);

// The caret panel: the line (from 1), the row within the line (from 0), the
// column in bytes within the row and the file position, as in
// "  1(0):  0  FilePos: 0".
std::string CaretPanelText(int32_t lineIndex, int32_t subRow, uint64_t column, uint64_t filePos);

// The caret panel in hex mode: the caret's offset in decimal and
// hexadecimal and the value of its byte (-1: none, an empty file), as in
// "  Offset: 1234 (0x4D2)  Byte: 0x41 (65)".
std::string HexCaretPanelText(uint64_t offset, int32_t byte);

// "Encode: " with the code-page table's name of the code page; a number
// the table does not hold is shown as "(%03d)" alone.
std::string EncodeCaption(int32_t codePage);

// The font menu's six groups, "[@]", "[ABCDE]", "[FGHIJ]", "[KLMNO]",
// "[PQRST]" and "[UVWXYZ]".
constexpr int FontGroupCount = 6;
extern const char* const FontGroupCaptions[FontGroupCount];

// The group of a font name by its first character, upper-cased: 0 for '@',
// 1 to 5 for the letters A-E, F-J, K-O, P-T and U-Z; -1 for any other
// first character (digits, punctuation, non-ASCII), whose names stand at
// the menu's top level.
int FontGroupOf(const std::string& name);

// Whether two names match without regard to ASCII letter case.
bool SameFontName(const std::string& a, const std::string& b);

// Where a name goes among captions kept in ascending byte order: before the
// first caption that is not less than it.
size_t SortedInsertIndex(const std::vector<std::string>& captions, const std::string& name);

// A family name as the platform lists it when several foundries make it,
// "Nimbus Mono PS [urw]", without the foundry: "Nimbus Mono PS". Other
// names as they are.
std::string FamilyWithoutFoundry(const std::string& name);

// The font menu as the window builds it from the platform's font families:
// each group's names in byte order, then the names in no group in the order
// they came. A family comes once, without its foundry; a name that matches
// an earlier one of its place without regard to case is left out.
struct TFontMenuModel {
    std::vector<std::string> Groups[FontGroupCount];
    std::vector<std::string> Others;
    void Add(const std::string& name);
};

}  // namespace zin
