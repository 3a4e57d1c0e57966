#pragma once
// The editor settings: what the user chose for the control, and their place
// in the settings file. The window reads them from the file, hands them to
// the control it creates, and takes the control's back to save them; the
// control's setters keep its copy up to date. Plain values, no process-wide
// record.
#include <array>
#include <cstdint>
#include <string>

#include "commands/ZinEditCommand.h"
#include "encoding/CodePage.h"
#include "lines/ZinEditTypes.h"

namespace zin {

class TIniFile;

struct TEditSettings {
    TEditSettings();

    int32_t FontSize = 16;
    float LineSpacing = 1.0f;  // a factor of the character height
    TWordWrapMode WordWrapMode = wwmNoWrap;
    int32_t MaxColumns = 80;
    bool DisplayLineNumber = true;
    bool ShowEndOfLine = true;
    bool ShowSpaceChar = true;
    bool ShowTabChar = true;
    bool MarkActiveLine = true;
    TKeyBinding KeyBindings;  // empty at start; a control fills in the defaults
    // The font of each code page, by its index in the code-page table
    // ("Courier New" at start): the control shows a file in the font of the
    // code page it is shown in, and a font chosen becomes that code page's.
    std::array<std::string, CodePageCount> Fonts;

    // The font of a code page; empty for a number outside the table.
    std::string FontOf(int32_t codePage) const;
    // Sets it, cut to 63 bytes (never inside a UTF-8 character); a number
    // outside the table changes nothing.
    void SetFontOf(int32_t codePage, const std::string& name);
};

// Reads the settings from `section` of the file ("FN<code page>",
// "FontSize", "LineSpacing" in percent, "WordWrapMode", "MaxColumns" and the
// five display switches); an absent key gives the start value, an absent or
// empty font keeps the code page's font. The key bindings are handed
// `keySection`.
void LoadEditSettings(TIniFile& ini, const std::string& section, const std::string& keySection,
                      TEditSettings& settings);

// Writes every key that LoadEditSettings reads, in the same order, fonts
// included even when empty.
void SaveEditSettings(TIniFile& ini, const std::string& section, const std::string& keySection,
                      const TEditSettings& settings);

}  // namespace zin
