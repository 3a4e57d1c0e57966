#pragma once
// Colours and font styles of syntax elements. Colours are 0x00BBGGRR values
// (red in the low byte); clNone means "no colour given".
#include <cstdint>
#include <string_view>

namespace zin {

using TColor = uint32_t;
constexpr TColor clNone = 0x1FFFFFFF;

using TFontStyles = uint8_t;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

struct TSyntaxStyle {
    TColor Color = clNone;
    TColor BgColor = clNone;
    TFontStyles Style = 0;
};

// Indexes of the style table; the names are the element names of
// definition files.
enum TSyntaxElement : int {
    seText = 0,
    seDelimiter,
    seSpace,
    seNumber,
    seString,
    seComment,
    seDirective,
    seSpecialWord,
    seLineNumber,
    seActiveLine,
    seBookmark,
};
constexpr int SyntaxStyleCount = 11;
extern const char* const SyntaxStyleNames[SyntaxStyleCount];
// The defaults of the style table.
extern const TSyntaxStyle DefaultSyntaxStyles[SyntaxStyleCount];

// Reads a colour value (a colour name, or RRGGBB in hexadecimal) into
// `color`; a value that is neither leaves it unchanged.
void ParseColor(std::string_view value, TColor& color);
// Adds the style flags named in the value ("bold", "italic", "underline",
// "strikeout", separated by any non-letters) to `style`.
void ParseStyle(std::string_view value, TFontStyles& style);

}  // namespace zin
