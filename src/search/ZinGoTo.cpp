#include "search/ZinGoTo.h"

namespace zin {

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Decimal digits into v, saturating at UINT64_MAX; false when s is empty or
// holds anything else.
bool Decimal(std::string_view s, uint64_t& v)
{
    if (s.empty())
        return false;
    v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return false;
        const uint64_t d = static_cast<uint64_t>(c - '0');
        v = v > (UINT64_MAX - d) / 10 ? UINT64_MAX : v * 10 + d;
    }
    return true;
}

bool Hex(std::string_view s, uint64_t& v)
{
    if (s.empty())
        return false;
    v = 0;
    for (const char c : s) {
        uint64_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<uint64_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            d = static_cast<uint64_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            d = static_cast<uint64_t>(c - 'A' + 10);
        else
            return false;
        v = v > (UINT64_MAX >> 4) ? UINT64_MAX : (v << 4) | d;
    }
    return true;
}

}  // namespace

TGoTo ParseGoTo(std::string_view text, int32_t lineCount, uint64_t fileSize)
{
    TGoTo g;
    text = Trim(text);
    if (lineCount < 1)
        lineCount = 1;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint64_t v;
        if (!Hex(text.substr(2), v))
            return g;
        g.Kind = TGoTo::TKind::Offset;
        g.Clamped = v > fileSize;
        g.Offset = g.Clamped ? fileSize : v;
        return g;
    }
    std::string_view linePart = text, colPart;
    const size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        linePart = Trim(text.substr(0, colon));
        colPart = Trim(text.substr(colon + 1));
        g.HasColumn = true;
    }
    uint64_t line, col = 1;
    if (!Decimal(linePart, line) || (g.HasColumn && !Decimal(colPart, col)))
        return g;
    g.Kind = TGoTo::TKind::Line;
    if (line < 1) {
        line = 1;
        g.Clamped = true;
    } else if (line > static_cast<uint64_t>(lineCount)) {
        line = static_cast<uint64_t>(lineCount);
        g.Clamped = true;
    }
    if (col < 1) {
        col = 1;
        g.Clamped = true;
    } else if (col > static_cast<uint64_t>(INT32_MAX)) {
        col = static_cast<uint64_t>(INT32_MAX);
        g.Clamped = true;
    }
    g.Line = static_cast<int32_t>(line - 1);
    g.Column = static_cast<int32_t>(col - 1);
    return g;
}

}  // namespace zin
