#pragma once
// The window's place on the desktop and its splitters, kept in the settings
// file's "ZinViewer Window" section. Plain C++, tested without a display.
#include <string>
#include <vector>

namespace zin {

class TIniFile;

extern const char* const WindowSectionName;  // "ZinViewer Window"

// The narrowest the window can be made.
constexpr int MinWindowWidth = 520;

struct TWindowPlacement {
    // Where the window's client area stood and how large it was when it was
    // last neither maximised nor minimised.
    bool HasPosition = false;
    int Left = 0;
    int Top = 0;
    bool HasSize = false;
    int Width = 0;
    int Height = 0;
    bool Maximized = false;
    // The sizes of the two panes of each splitter; empty: the built-in
    // ones. Kept under the keys "Splitter1" (the browser | the settings
    // panel), "Splitter2" (the browser's folders | its files) and
    // "Splitter3" (the browser and settings row | the text).
    std::vector<int> BrowserSettings;
    std::vector<int> FoldersFiles;
    std::vector<int> PanelsEdit;
};

// Reads what was written. A value that is missing, malformed or out of
// range (a size below 100 or above 32767 pixels, a position beyond
// +-32767, a splitter without exactly two sizes of 0 to 32767 that are
// not both 0) is left out, so the window uses its built-in value; a
// position or a size counts only with both of its numbers.
TWindowPlacement ReadWindowPlacement(const TIniFile& ini);
// Writes the keys that ReadWindowPlacement reads: "Left", "Top", "Width",
// "Height", "Maximized", "Splitter1", "Splitter2", "Splitter3" (as "A,B").
void WriteWindowPlacement(TIniFile& ini, const TWindowPlacement& placement);

}  // namespace zin
