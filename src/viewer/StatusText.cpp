#include "viewer/StatusText.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "encoding/CodePage.h"

namespace zin {

std::string StatePanelText(uint64_t fileSize, int32_t lineCount, int32_t rowCount, TNewLineType newLine)
{
    std::string text = "FileSize: " + std::to_string(fileSize) + "  Lines: " + std::to_string(lineCount) +
                       "  Wrapped-Lines: " + std::to_string(rowCount);
    switch (newLine) {
    case nltUnix:
        return text + " [Unix]";
    case nltMac:
        return text + " [Mac]";
    default:
        return text + " [DOS]";
    }
}

std::string CaretPanelText(int32_t lineIndex, int32_t subRow, uint64_t column, uint64_t filePos)
{
    // Computed in 64 bits: the last line of a file may be line 2^31.
    return "  " + std::to_string(int64_t{lineIndex} + 1) + "(" + std::to_string(subRow) + "):  " +
           std::to_string(column) + "  FilePos: " + std::to_string(filePos);
}

std::string HexCaretPanelText(uint64_t offset, int32_t byte)
{
    char b[96];
    int n = std::snprintf(b, sizeof b, "  Offset: %llu (0x%llX)", static_cast<unsigned long long>(offset),
                          static_cast<unsigned long long>(offset));
    if (byte >= 0)
        std::snprintf(b + n, sizeof b - static_cast<size_t>(n), "  Byte: 0x%02X (%d)", byte, byte);
    return b;
}

std::string EncodeCaption(int32_t codePage)
{
    if (const TCodePageInfo* info = FindCodePage(codePage))
        return std::string("Encode: ") + info->Name;
    char number[32];
    std::snprintf(number, sizeof number, "(%03d)", static_cast<int>(codePage));
    return std::string("Encode: ") + number;
}

const char* const FontGroupCaptions[FontGroupCount] = {"[@]", "[ABCDE]", "[FGHIJ]", "[KLMNO]", "[PQRST]", "[UVWXYZ]"};

int FontGroupOf(const std::string& name)
{
    if (name.empty())
        return -1;
    char c = name[0];
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    if (c == '@')
        return 0;
    if (c < 'A' || c > 'Z')
        return -1;
    if (c <= 'E')
        return 1;
    if (c <= 'J')
        return 2;
    if (c <= 'O')
        return 3;
    if (c <= 'T')
        return 4;
    return 5;
}

bool SameFontName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

size_t SortedInsertIndex(const std::vector<std::string>& captions, const std::string& name)
{
    // std::string compares its bytes as unsigned values.
    for (size_t i = 0; i < captions.size(); ++i)
        if (!(captions[i] < name))
            return i;
    return captions.size();
}

std::string FamilyWithoutFoundry(const std::string& name)
{
    // "Family [foundry]": a tag at the end, after a blank, of at least one
    // character that is neither a bracket nor a blank at its ends.
    if (name.size() < 4 || name.back() != ']')
        return name;
    const size_t open = name.rfind(" [");
    if (open == std::string::npos || open == 0 || open + 3 >= name.size())
        return name;
    const std::string tag = name.substr(open + 2, name.size() - open - 3);
    if (tag.find_first_of("[]") != std::string::npos || tag.front() == ' ' || tag.back() == ' ')
        return name;
    return name.substr(0, open);
}

void TFontMenuModel::Add(const std::string& foundryName)
{
    const std::string name = FamilyWithoutFoundry(foundryName);
    const int group = FontGroupOf(name);
    std::vector<std::string>& place = group < 0 ? Others : Groups[group];
    for (const std::string& s : place)
        if (SameFontName(s, name))
            return;
    if (group < 0)
        place.push_back(name);
    else
        place.insert(place.begin() + static_cast<ptrdiff_t>(SortedInsertIndex(place, name)), name);
}

}  // namespace zin
