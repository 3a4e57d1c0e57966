#include "editor/ZinEditSettings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "encoding/CodePage.h"
#include "platform/IniFile.h"

namespace zin {

namespace {

int CodePageIndex(int32_t codePage)
{
    const TCodePageInfo* info = FindCodePage(codePage);
    return info ? static_cast<int>(info - CodePageTable) : -1;
}


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

TEditSettings::TEditSettings()
{
    Fonts.fill("Courier New");
}

std::string TEditSettings::FontOf(int32_t codePage) const
{
    const int i = CodePageIndex(codePage);
    return i >= 0 ? Fonts[static_cast<size_t>(i)] : std::string();
}

void TEditSettings::SetFontOf(int32_t codePage, const std::string& name)
{
    const int i = CodePageIndex(codePage);
    if (i >= 0)
        Fonts[static_cast<size_t>(i)] = name.substr(0, NameFieldLength(name.c_str()));
}

void LoadEditSettings(TIniFile& ini, const std::string& section, const std::string& keySection,
                      TEditSettings& settings)
{
    for (const TCodePageInfo& info : CodePageTable) {
        // A name that is empty as kept (nothing before a NUL byte) keeps
        // the font too, so that what is saved reads back the same.
        const std::string font = ini.ReadString(section, FontKey(info), "");
        if (NameFieldLength(font.c_str()) > 0)
            settings.SetFontOf(info.CodePage, font);
    }

    // Loaded values reach a new control directly, not through its setters,
    // so anything the layout cannot take is brought into range here: the
    // font size to the 1-99 points the settings panel offers, the line
    // spacing to 100-500 percent (before the conversion, so the loaded
    // factor is what a file written by the panel gives), and an unknown
    // wrap mode to no wrap. MaxColumns is left alone: the wrap width never
    // drops below five character widths whatever it holds.
    settings.FontSize = std::clamp(ini.ReadInteger(section, "FontSize", 16), 1, 99);
    // A percent loads as (percent + 0.5) / 100, so that cutting the fraction
    // off the factor times 100 gives the percent back. Without the key the
    // spacing keeps its start value, single spacing.
    if (ini.ValueExists(section, "LineSpacing")) {
        const int32_t percent = std::clamp(ini.ReadInteger(section, "LineSpacing", 100), 100, 500);
        settings.LineSpacing = static_cast<float>((percent + 0.5) * 0.01);
    } else {
        settings.LineSpacing = TEditSettings{}.LineSpacing;
    }
    const int32_t wrap = ini.ReadInteger(section, "WordWrapMode", wwmNoWrap);
    settings.WordWrapMode =
        wrap >= wwmNoWrap && wrap <= wwmWrapByColumn ? static_cast<TWordWrapMode>(wrap) : wwmNoWrap;
    settings.MaxColumns = ini.ReadInteger(section, "MaxColumns", 80);
    settings.DisplayLineNumber = ini.ReadBool(section, "DisplayLineNumber", true);
    settings.ShowEndOfLine = ini.ReadBool(section, "ShowEndOfLine", true);
    settings.ShowSpaceChar = ini.ReadBool(section, "ShowSpaceChar", true);
    settings.ShowTabChar = ini.ReadBool(section, "ShowTabChar", true);
    settings.MarkActiveLine = ini.ReadBool(section, "MarkActiveLine", true);

    settings.KeyBindings.LoadKeys(ini, keySection);
}

void SaveEditSettings(TIniFile& ini, const std::string& section, const std::string& keySection,
                      const TEditSettings& settings)
{
    for (const TCodePageInfo& info : CodePageTable)
        ini.WriteString(section, FontKey(info), settings.FontOf(info.CodePage));

    ini.WriteInteger(section, "FontSize", settings.FontSize);
    ini.WriteInteger(section, "LineSpacing", LineSpacingPercent(settings.LineSpacing));
    ini.WriteInteger(section, "WordWrapMode", settings.WordWrapMode);
    ini.WriteInteger(section, "MaxColumns", settings.MaxColumns);
    ini.WriteBool(section, "DisplayLineNumber", settings.DisplayLineNumber);
    ini.WriteBool(section, "ShowEndOfLine", settings.ShowEndOfLine);
    ini.WriteBool(section, "ShowSpaceChar", settings.ShowSpaceChar);
    ini.WriteBool(section, "ShowTabChar", settings.ShowTabChar);
    ini.WriteBool(section, "MarkActiveLine", settings.MarkActiveLine);

    settings.KeyBindings.SaveKeys(ini, keySection);
}

}  // namespace zin
