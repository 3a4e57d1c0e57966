#pragma once
// The program's command line and the places of its settings file and syntax
// folder. Plain C++, tested without a display.
#include <functional>
#include <string>
#include <vector>

namespace zin {

enum class TViewerMode { Window, Info, Help, Screenshot, BenchStart, Error };

struct TViewerArgs {
    TViewerMode Mode = TViewerMode::Window;
    // The file or folder to start with (empty: the current folder).
    std::string Path;
    // --screenshot: the PNG to write and the window's size.
    std::string Output;
    int Width = 1000;
    int Height = 700;
    // --line: the line (1-based) the caret goes to in the start file; 0: none.
    int Line = 0;
    // --follow: the start file is followed as it grows.
    bool Follow = false;
    // Options for the toolkit (such as -platform offscreen), passed on.
    std::vector<std::string> ToolkitArgs;
    std::string Error;  // what is wrong with the command line
};

extern const char* const ViewerUsage;

// Reads the arguments after the program's name.
TViewerArgs ParseViewerArgs(const std::vector<std::string>& args);

// Where the settings file lives. Next to the program, as
// "config/ZinViewer.ini", when the program runs from a folder it may write
// and that holds its "syntax" folder (a build or an unpacked copy), or when
// such a file is already there and writable. Otherwise, for an installed
// program, "zinviewer/ZinViewer.ini" under $XDG_CONFIG_HOME, or under
// ~/.config when that is unset or not absolute.
// `writable` says whether a path, or for a missing path its nearest
// existing parent, can be written.
std::string ChooseIniFileName(const std::string& exeDir, const char* xdgConfigHome, const char* home,
                              const std::function<bool(const std::string&)>& writable);

// Where the syntax definitions are: "syntax/" next to the program when it is
// there, otherwise the installed "../share/zinviewer/syntax/" when that is
// there, otherwise "syntax/" next to the program. With a trailing '/'.
std::string ChooseSyntaxDir(const std::string& exeDir);

// Whether the path, or for a missing path its nearest existing parent, can
// be written by this process.
bool PathWritable(const std::string& path);

}  // namespace zin
