#pragma once
// The editor settings shared by every editor control, and their place in the
// settings file.
//
// Each control copies EditSettings when it is created, and its setters write
// the values they store back into it, so the record always holds what the
// user chose last. The font of each code page lives beside it, in the
// FixedWidthFont of the code-page table, and is saved with it.
#include <cstdint>
#include <string>

#include "commands/ZinEditCommand.h"
#include "lines/ZinEditTypes.h"

namespace zin {

class TIniFile;

struct TEditSettings {
    int32_t FontSize = 16;
    float LineSpacing = 1.0f;  // a factor of the character height
    TWordWrapMode WordWrapMode = wwmNoWrap;
    int32_t MaxColumns = 80;
    bool DisplayLineNumber = true;
    bool ShowEndOfLine = true;
    bool ShowSpaceChar = true;
    bool ShowTabChar = true;
    bool MarkActiveLine = true;
    TKeyBinding KeyBindings;  // empty at start; the first control fills it
};

// Process-wide; holds the start values above until settings are loaded.
extern TEditSettings EditSettings;

// Puts EditSettings back to its start values, with no key bindings.
void ResetEditSettings();

// Reads EditSettings and the code pages' fonts from `section` of the file
// ("FN<code page>", "FontSize", "LineSpacing" in percent, "WordWrapMode",
// "MaxColumns" and the five display switches); an absent key gives the
// start value, an absent or empty font keeps the code page's current font.
// The key bindings are handed `keySection`.
void LoadEditSettings(TIniFile& ini, const std::string& section, const std::string& keySection);

// Writes every key that LoadEditSettings reads, in the same order, fonts
// included even when empty.
void SaveEditSettings(TIniFile& ini, const std::string& section, const std::string& keySection);

}  // namespace zin
