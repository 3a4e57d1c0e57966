#include "editor/ZinEditSettings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "encoding/CodePage.h"
#include "platform/IniFile.h"

namespace zin {

TEditSettings EditSettings;

namespace {

std::string FontKey(const TCodePageInfo& info)
{
    return "FN" + std::to_string(info.CodePage);
}

// The whole percent to save for a line spacing factor: the nearest one, and
// the lower one for a factor half-way between two, which is what loading
// gives. Rounding those up would make every load and save add 1 percent
// whenever the single-precision factor lies just above the half (1.075 for
// 107) or on it (1.125 for 112). The 0.001 percent margin covers the
// factor's rounding error. Computed in double precision: in single
// precision 1.505 times 100 plus 0.5 already rounds up to 151.
int32_t LineSpacingPercent(float lineSpacing)
{
    return static_cast<int32_t>(std::trunc(static_cast<double>(lineSpacing) * 100 + 0.499));
}

}  // namespace

void ResetEditSettings()
{
    EditSettings = TEditSettings{};
}

void LoadEditSettings(TIniFile& ini, const std::string& section, const std::string& keySection)
{
    for (TCodePageInfo& info : CodePageTable) {
        const std::string font = ini.ReadString(section, FontKey(info), "");
        if (!font.empty())
            SetNameField(info.FixedWidthFont, font.c_str());
    }

    // Loaded values reach a new control directly, not through its setters,
    // so anything the layout cannot take is brought into range here: the
    // font size to the 1-99 points the settings panel offers, the line
    // spacing to 100-500 percent (before the conversion, so the loaded
    // factor is what a file written by the panel gives), and an unknown
    // wrap mode to no wrap. MaxColumns is left alone: the wrap width never
    // drops below five character widths whatever it holds.
    EditSettings.FontSize = std::clamp(ini.ReadInteger(section, "FontSize", 16), 1, 99);
    // A percent loads as (percent + 0.5) / 100, so that cutting the fraction
    // off the factor times 100 gives the percent back. Without the key the
    // spacing keeps its start value, single spacing.
    if (ini.ValueExists(section, "LineSpacing")) {
        const int32_t percent = std::clamp(ini.ReadInteger(section, "LineSpacing", 100), 100, 500);
        EditSettings.LineSpacing = static_cast<float>((percent + 0.5) * 0.01);
    } else {
        EditSettings.LineSpacing = TEditSettings{}.LineSpacing;
    }
    const int32_t wrap = ini.ReadInteger(section, "WordWrapMode", wwmNoWrap);
    EditSettings.WordWrapMode =
        wrap >= wwmNoWrap && wrap <= wwmWrapByColumn ? static_cast<TWordWrapMode>(wrap) : wwmNoWrap;
    EditSettings.MaxColumns = ini.ReadInteger(section, "MaxColumns", 80);
    EditSettings.DisplayLineNumber = ini.ReadBool(section, "DisplayLineNumber", true);
    EditSettings.ShowEndOfLine = ini.ReadBool(section, "ShowEndOfLine", true);
    EditSettings.ShowSpaceChar = ini.ReadBool(section, "ShowSpaceChar", true);
    EditSettings.ShowTabChar = ini.ReadBool(section, "ShowTabChar", true);
    EditSettings.MarkActiveLine = ini.ReadBool(section, "MarkActiveLine", true);

    EditSettings.KeyBindings.LoadKeys(ini, keySection);
}

void SaveEditSettings(TIniFile& ini, const std::string& section, const std::string& keySection)
{
    for (const TCodePageInfo& info : CodePageTable)
        ini.WriteString(section, FontKey(info),
                        std::string_view(info.FixedWidthFont, strnlen(info.FixedWidthFont, sizeof(info.FixedWidthFont))));

    ini.WriteInteger(section, "FontSize", EditSettings.FontSize);
    ini.WriteInteger(section, "LineSpacing", LineSpacingPercent(EditSettings.LineSpacing));
    ini.WriteInteger(section, "WordWrapMode", EditSettings.WordWrapMode);
    ini.WriteInteger(section, "MaxColumns", EditSettings.MaxColumns);
    ini.WriteBool(section, "DisplayLineNumber", EditSettings.DisplayLineNumber);
    ini.WriteBool(section, "ShowEndOfLine", EditSettings.ShowEndOfLine);
    ini.WriteBool(section, "ShowSpaceChar", EditSettings.ShowSpaceChar);
    ini.WriteBool(section, "ShowTabChar", EditSettings.ShowTabChar);
    ini.WriteBool(section, "MarkActiveLine", EditSettings.MarkActiveLine);

    EditSettings.KeyBindings.SaveKeys(ini, keySection);
}

}  // namespace zin
