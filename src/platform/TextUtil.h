#pragma once
// 8-bit text helpers shared by the loaders. The lower-case mapping is ASCII
// only: bytes 0x80-0xFF are left as they are, whatever the code page.
#include <string>
#include <string_view>
#include <vector>

namespace zin {

inline bool IsWhiteByte(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }
inline char LowerByte(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string LowerCase(std::string_view s);
// Trims white space (0x09-0x0D and 0x20) at both ends.
std::string Trim(std::string_view s);
// Splits at runs of white space; no empty tokens.
std::vector<std::string> SplitTokens(std::string_view s);
// Converts an integer in the usual syntax: optional sign, decimal digits, or
// hexadecimal after "$" or "0x". Surrounding white space is allowed. False on
// anything else or on overflow of 32 bits.
bool StrToInt(std::string_view s, int& value);

}  // namespace zin
