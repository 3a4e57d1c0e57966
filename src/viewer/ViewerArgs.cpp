#include "viewer/ViewerArgs.h"

#include <cstdlib>
#include <unistd.h>

#include "platform/Files.h"

namespace zin {

const char* const ViewerUsage =
    "usage: zinviewer [--line N] [--follow] [FILE | FOLDER]\n"
    "usage: zinviewer --info FILE\n"
    "usage: zinviewer --screenshot OUT.png [--size WxH] [FILE | FOLDER]\n"
    "usage: zinviewer --bench-start [FILE | FOLDER]\n"
    "\n"
    "Opens the viewer window. With a FILE the window starts in the file's\n"
    "folder with the file selected and opened; with a FOLDER it starts in\n"
    "that folder; without either in the current folder. A file dropped on\n"
    "the window opens too.\n"
    "\n"
    "  --line N             put the caret on line N (from 1) of FILE; a number\n"
    "                       past the end goes to the last line\n"
    "  --follow             follow FILE as it grows: the caret at its end, its\n"
    "                       last line in sight (Ctrl+Shift+F in the window)\n"
    "  --info FILE          print what the viewer makes of FILE (size, storage,\n"
    "                       encoding, code page, newlines, lines, rows) and exit\n"
    "  --screenshot OUT.png open the window off screen, paint it, write it as a\n"
    "                       PNG image and exit; --size gives the window's size\n"
    "                       (default 1000x700)\n"
    "  --bench-start        print the seconds from start to the first painted\n"
    "                       window (after FILE is loaded), the load time, the\n"
    "                       resident memory and the line count, and exit\n"
    "  -h, --help           print this text and exit\n"
    "\n"
    "Settings are kept in config/ZinViewer.ini next to the program when it runs\n"
    "from its build folder, otherwise in $XDG_CONFIG_HOME/zinviewer/ZinViewer.ini\n"
    "(~/.config by default).\n";

namespace {

// Toolkit options that take a value.
bool ToolkitOptionWithValue(const std::string& a)
{
    static const char* const names[] = {"-platform", "-platformpluginpath", "-platformtheme", "-plugin",
                                        "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-session",
                                        "-display", "-geometry", "-style", "-stylesheet"};
    for (const char* n : names)
        if (a == n)
            return true;
    return false;
}

bool ToolkitFlag(const std::string& a)
{
    return a == "-reverse" || a == "-widgetcount" || a == "-nograb" || a == "-dograb" || a == "-sync";
}

bool ParseSize(const std::string& s, int& w, int& h)
{
    const size_t x = s.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 >= s.size())
        return false;
    char* end = nullptr;
    const long lw = std::strtol(s.c_str(), &end, 10);
    if (end != s.c_str() + x)
        return false;
    const long lh = std::strtol(s.c_str() + x + 1, &end, 10);
    if (*end != '\0' || lw < 100 || lh < 100 || lw > 10000 || lh > 10000)
        return false;
    w = static_cast<int>(lw);
    h = static_cast<int>(lh);
    return true;
}

TViewerArgs Fail(TViewerArgs a, const std::string& why)
{
    a.Mode = TViewerMode::Error;
    a.Error = why;
    return a;
}

}  // namespace

TViewerArgs ParseViewerArgs(const std::vector<std::string>& args)
{
    TViewerArgs a;
    bool info = false, screenshot = false, bench = false, size = false, pathsOnly = false;
    int paths = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (pathsOnly || s.empty() || s[0] != '-' || s == "-") {
            a.Path = s;
            ++paths;
        } else if (s == "--") {
            pathsOnly = true;
        } else if (s == "-h" || s == "--help") {
            a.Mode = TViewerMode::Help;
            return a;
        } else if (s == "--info") {
            info = true;
        } else if (s == "--bench-start") {
            bench = true;
        } else if (s == "--follow") {
            a.Follow = true;
        } else if (s == "--line") {
            if (i + 1 >= args.size())
                return Fail(a, s + " needs a value");
            const std::string& v = args[++i];
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || v[0] < '0' || v[0] > '9' || *end != '\0' || n < 1 || n > 2147483647L)
                return Fail(a, "--line expects a line number from 1");
            a.Line = static_cast<int>(n);
        } else if (s == "--screenshot" || s == "--size") {
            if (i + 1 >= args.size())
                return Fail(a, s + " needs a value");
            const std::string& v = args[++i];
            if (s == "--screenshot") {
                screenshot = true;
                a.Output = v;
            } else {
                size = true;
                if (!ParseSize(v, a.Width, a.Height))
                    return Fail(a, "--size expects WxH, such as 1000x700");
            }
        } else if (ToolkitOptionWithValue(s)) {
            if (i + 1 >= args.size())
                return Fail(a, s + " needs a value");
            a.ToolkitArgs.push_back(s);
            a.ToolkitArgs.push_back(args[++i]);
        } else if (ToolkitFlag(s)) {
            a.ToolkitArgs.push_back(s);
        } else {
            return Fail(a, "unknown option " + s);
        }
    }
    if (paths > 1)
        return Fail(a, "expected one file or folder");
    if (int(info) + int(screenshot) + int(bench) > 1)
        return Fail(a, "--info, --screenshot and --bench-start exclude each other");
    if (size && !screenshot)
        return Fail(a, "--size goes with --screenshot");
    if (info) {
        if (paths != 1)
            return Fail(a, "expected --info and one file name");
        a.Mode = TViewerMode::Info;
    } else if (screenshot) {
        a.Mode = TViewerMode::Screenshot;
    } else if (bench) {
        a.Mode = TViewerMode::BenchStart;
    }
    return a;
}

bool PathWritable(const std::string& path)
{
    std::string p = path;
    while (!p.empty() && access(p.c_str(), F_OK) != 0) {
        while (p.size() > 1 && p.back() == '/')
            p.pop_back();
        const size_t slash = p.rfind('/');
        if (slash == std::string::npos)
            return false;
        p.resize(slash == 0 ? 1 : slash);
    }
    return !p.empty() && access(p.c_str(), W_OK) == 0;
}

std::string ChooseIniFileName(const std::string& exeDir, const char* xdgConfigHome, const char* home,
                              const std::function<bool(const std::string&)>& writable)
{
    const std::string local = exeDir + "config/ZinViewer.ini";
    if (FileExists(local) && writable(local))
        return local;
    if (DirectoryExists(exeDir + "syntax") && writable(exeDir + "config/"))
        return local;
    std::string base;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        base = xdgConfigHome;
    else if (home && home[0])
        base = std::string(home) + "/.config";
    else
        return local;  // nowhere better to go
    if (base.back() != '/')
        base.push_back('/');
    return base + "zinviewer/ZinViewer.ini";
}

std::string ChooseSyntaxDir(const std::string& exeDir)
{
    const std::string local = exeDir + "syntax/";
    if (DirectoryExists(local))
        return local;
    const std::string shared = exeDir + "../share/zinviewer/syntax/";
    if (DirectoryExists(shared))
        return shared;
    return local;
}

}  // namespace zin
