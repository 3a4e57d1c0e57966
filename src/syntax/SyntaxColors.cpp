#include "syntax/SyntaxColors.h"

#include "platform/TextUtil.h"

namespace zin {

const char* const SyntaxStyleNames[SyntaxStyleCount] = {
    "text",   "delimiter",   "space",      "number",     "string",   "comment",
    "directive", "specialword", "linenumber", "activeline", "bookmark",
};

const TSyntaxStyle DefaultSyntaxStyles[SyntaxStyleCount] = {
    {0x000000, 0xFFFFFF, 0},  // text: black on white, the fallback of every element
    {clNone, clNone, 0},      // delimiter
    {clNone, clNone, 0},      // space
    {clNone, clNone, 0},      // number
    {clNone, clNone, 0},      // string
    {clNone, clNone, 0},      // comment
    {clNone, clNone, 0},      // directive
    {clNone, clNone, 0},      // specialword
    {clNone, clNone, 0},      // linenumber
    {clNone, 0xC0FFFF, 0},    // activeline: light yellow
    {clNone, 0xFFFFC0, 0},    // bookmark: light cyan
};

namespace {

struct TNamedColor {
    const char* Name;
    TColor Value;
};

// Matched in this order; the values are in the stored 0x00BBGGRR form.
constexpr TNamedColor NamedColors[] = {
    {"aqua", 0xFFFF00},   {"black", 0x000000}, {"blue", 0xFF0000},   {"fuchsia", 0xFF00FF},
    {"gray", 0x808080},   {"green", 0x008000}, {"lime", 0x00FF00},   {"maroon", 0x000080},
    {"navy", 0x800000},   {"olive", 0x008080}, {"purple", 0x800080}, {"red", 0x0000FF},
    {"silver", 0xC0C0C0}, {"teal", 0x808000},  {"white", 0xFFFFFF},  {"yellow", 0x00FFFF},
};

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

void ParseColor(std::string_view value, TColor& color)
{
    if (value.empty())
        return;
    for (const TNamedColor& nc : NamedColors) {
        if (value == nc.Name) {
            color = nc.Value;
            return;
        }
    }
    // Anything else is RRGGBB in hexadecimal; it is turned around into the
    // stored form and only its low 24 bits count, so no value gives clNone.
    std::string text = "0x";
    text.append(value);
    int n = 0;
    if (!StrToInt(text, n))
        return;
    const auto v = static_cast<uint32_t>(n);
    color = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

void ParseStyle(std::string_view value, TFontStyles& style)
{
    size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && !IsLetter(value[i]))
            ++i;
        const size_t start = i;
        while (i < value.size() && IsLetter(value[i]))
            ++i;
        const std::string_view run = value.substr(start, i - start);
        if (run == "bold")
            style |= fsBold;
        else if (run == "italic")
            style |= fsItalic;
        else if (run == "underline")
            style |= fsUnderline;
        else if (run == "strikeout")
            style |= fsStrikeOut;
    }
}

}  // namespace zin
