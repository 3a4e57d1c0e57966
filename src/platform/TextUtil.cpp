#include "platform/TextUtil.h"

#include <cstdint>

namespace zin {

std::string LowerCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = LowerByte(c);
    return r;
}

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsWhiteByte(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && IsWhiteByte(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

std::vector<std::string> SplitTokens(std::string_view s)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsWhiteByte(static_cast<unsigned char>(s[i])))
            ++i;
        const size_t start = i;
        while (i < s.size() && !IsWhiteByte(static_cast<unsigned char>(s[i])))
            ++i;
        if (i > start)
            out.emplace_back(s.substr(start, i - start));
    }
    return out;
}

bool StrToInt(std::string_view s, int& value)
{
    std::string t = Trim(s);
    size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        neg = t[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < t.size() && t[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size())
        return false;
    uint64_t v = 0;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull)
            return false;
    }
    if (base == 16) {
        // Hexadecimal values cover the whole 32-bit pattern, as 0xFFFFFFFF = -1.
        const auto bits = static_cast<uint32_t>(v);
        value = static_cast<int>(neg ? 0u - bits : bits);
        return true;
    }
    if (neg ? v > 0x80000000ull : v > 0x7FFFFFFFull)
        return false;
    value = neg ? static_cast<int>(-static_cast<int64_t>(v)) : static_cast<int>(v);
    return true;
}

}  // namespace zin
