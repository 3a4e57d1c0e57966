#include "viewer/WindowPlacement.h"

#include <cstdlib>

#include "platform/IniFile.h"

namespace zin {

const char* const WindowSectionName = "ZinViewer Window";

namespace {

constexpr int Limit = 32767;

// A decimal integer, with an optional sign, and nothing else but blanks
// around it.
bool ParseInt(const std::string& text, int& out)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    size_t j = text.size();
    while (j > i && text[j - 1] == ' ')
        --j;
    if (i == j)
        return false;
    size_t k = i;
    if (text[k] == '-' || text[k] == '+')
        ++k;
    if (k == j || j - k > 9)
        return false;
    for (size_t m = k; m < j; ++m)
        if (text[m] < '0' || text[m] > '9')
            return false;
    out = std::atoi(text.substr(i, j - i).c_str());
    return true;
}

bool ReadNumber(const TIniFile& ini, const char* key, int low, int high, int& out)
{
    int v = 0;
    if (!ParseInt(ini.ReadString(WindowSectionName, key, ""), v) || v < low || v > high)
        return false;
    out = v;
    return true;
}

std::vector<int> ReadSplitter(const TIniFile& ini, const char* key)
{
    const std::string text = ini.ReadString(WindowSectionName, key, "");
    const size_t comma = text.find(',');
    int a = 0, b = 0;
    if (comma == std::string::npos || !ParseInt(text.substr(0, comma), a) || !ParseInt(text.substr(comma + 1), b) ||
        a < 0 || b < 0 || a > Limit || b > Limit || a + b == 0)
        return {};
    return {a, b};
}

}  // namespace

TWindowPlacement ReadWindowPlacement(const TIniFile& ini)
{
    TWindowPlacement p;
    p.HasPosition = ReadNumber(ini, "Left", -Limit, Limit, p.Left) && ReadNumber(ini, "Top", -Limit, Limit, p.Top);
    p.HasSize = ReadNumber(ini, "Width", 100, Limit, p.Width) && ReadNumber(ini, "Height", 100, Limit, p.Height);
    if (!p.HasPosition)
        p.Left = p.Top = 0;
    if (!p.HasSize)
        p.Width = p.Height = 0;
    p.Maximized = ini.ReadBool(WindowSectionName, "Maximized", false);
    p.BrowserSettings = ReadSplitter(ini, "Splitter1");
    p.FoldersFiles = ReadSplitter(ini, "Splitter2");
    p.PanelsEdit = ReadSplitter(ini, "Splitter3");
    return p;
}

void WriteWindowPlacement(TIniFile& ini, const TWindowPlacement& p)
{
    if (p.HasPosition) {
        ini.WriteInteger(WindowSectionName, "Left", p.Left);
        ini.WriteInteger(WindowSectionName, "Top", p.Top);
    }
    if (p.HasSize) {
        ini.WriteInteger(WindowSectionName, "Width", p.Width);
        ini.WriteInteger(WindowSectionName, "Height", p.Height);
    }
    ini.WriteBool(WindowSectionName, "Maximized", p.Maximized);
    const auto writeSplitter = [&](const char* key, const std::vector<int>& sizes) {
        if (sizes.size() == 2)
            ini.WriteString(WindowSectionName, key, std::to_string(sizes[0]) + "," + std::to_string(sizes[1]));
    };
    writeSplitter("Splitter1", p.BrowserSettings);
    writeSplitter("Splitter2", p.FoldersFiles);
    writeSplitter("Splitter3", p.PanelsEdit);
}

}  // namespace zin
