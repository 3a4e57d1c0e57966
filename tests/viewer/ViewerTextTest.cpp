// The viewer's texts, font menu rules, browser paths, command line and file
// places, without a display.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "encoding/CodePage.h"
#include "support/TempDir.h"
#include "viewer/FolderList.h"
#include "viewer/StatusText.h"
#include "viewer/ViewerArgs.h"

namespace zin {
namespace {

TEST(StatusText, PanelsAsTheUserReadsThem)
{
    EXPECT_EQ(StatePanelText(1234, 50, 50, nltUnix), "FileSize: 1234  Lines: 50  Wrapped-Lines: 50 [Unix]");
    EXPECT_EQ(CaretPanelText(0, 0, 0, 0), "  1(0):  0  FilePos: 0");
    // Third row of line 10, byte 5 of that row.
    EXPECT_EQ(CaretPanelText(9, 2, 5, 777), "  10(2):  5  FilePos: 777");
    // The newline marks; a file whose convention was never decided is DOS.
    EXPECT_EQ(StatePanelText(0, 1, 1, nltMac), "FileSize: 0  Lines: 1  Wrapped-Lines: 1 [Mac]");
    EXPECT_EQ(StatePanelText(0, 1, 1, nltDOS), "FileSize: 0  Lines: 1  Wrapped-Lines: 1 [DOS]");
    EXPECT_EQ(StatePanelText(0, 1, 1, nltDefaultDOS), "FileSize: 0  Lines: 1  Wrapped-Lines: 1 [DOS]");
    // Beyond 4 GiB and at the largest line index nothing wraps around.
    EXPECT_EQ(StatePanelText(6000000000ull, 2147483647, 2147483647, nltUnix),
              "FileSize: 6000000000  Lines: 2147483647  Wrapped-Lines: 2147483647 [Unix]");
    EXPECT_EQ(CaretPanelText(2147483647, 0, 4294967299ull, 5999999999ull),
              "  2147483648(0):  4294967299  FilePos: 5999999999");
}

TEST(StatusText, EncodeCaptionNamesTheTableRecord)
{
    LoadCodePageNames();
    EXPECT_EQ(EncodeCaption(65001), "Encode: (65001)Unicode UTF-8");
    EXPECT_EQ(EncodeCaption(37), "Encode: (037)IBM EBCDIC - U.S./Canada");
    // A code page a syntax definition named but the table lacks.
    EXPECT_EQ(EncodeCaption(12345), "Encode: (12345)");
    EXPECT_EQ(EncodeCaption(7), "Encode: (007)");
}

TEST(FontMenu, GroupsByFirstLetterWhateverItsCase)
{
    EXPECT_EQ(FontGroupOf("@Vertical"), 0);
    EXPECT_EQ(FontGroupOf("Arial"), 1);
    EXPECT_EQ(FontGroupOf("eufm10"), 1);
    EXPECT_EQ(FontGroupOf("Fira"), 2);
    EXPECT_EQ(FontGroupOf("jsMath"), 2);
    EXPECT_EQ(FontGroupOf("Kalam"), 3);
    EXPECT_EQ(FontGroupOf("Ostrich"), 3);
    EXPECT_EQ(FontGroupOf("Padauk"), 4);
    EXPECT_EQ(FontGroupOf("Tlwg"), 4);
    EXPECT_EQ(FontGroupOf("Ubuntu"), 5);
    EXPECT_EQ(FontGroupOf("zapf"), 5);
    EXPECT_EQ(FontGroupOf("3270"), -1);
    EXPECT_EQ(FontGroupOf("[x]"), -1);
    EXPECT_EQ(FontGroupOf("\xE6\x96\x87\xE6\xB3\x89"), -1);  // a CJK family name
    EXPECT_EQ(FontGroupOf(""), -1);
}

TEST(FontMenu, NamesStandInByteOrderWithoutCaseDuplicates)
{
    TFontMenuModel m;
    for (const char* name : {"Dejavu Sans", "DejaVu Sans", "dejavu sans", "Dab", "DEf", "daB", "D", "Courier New",
                             "courier", "9x15", "\xE6\x96\x87", "2nd", "9X15"})
        m.Add(name);
    // Byte order: capitals before small letters, a prefix before longer
    // names; a name differing only in case from an earlier one is left out,
    // the first spelling kept.
    EXPECT_EQ(m.Groups[1], (std::vector<std::string>{"Courier New", "D", "DEf", "Dab", "Dejavu Sans", "courier"}));
    // Outside the groups, in the order they came.
    EXPECT_EQ(m.Others, (std::vector<std::string>{"9x15", "\xE6\x96\x87", "2nd"}));
    for (int g : {0, 2, 3, 4, 5})
        EXPECT_TRUE(m.Groups[g].empty()) << g;
    EXPECT_EQ(SortedInsertIndex({"A", "B", "b"}, "Ba"), 2u);
    EXPECT_EQ(SortedInsertIndex({}, "x"), 0u);
}

// A family the platform lists once per foundry ("Family [foundry]") is
// listed once, by its family name.
TEST(FontMenu, AFamilyFromSeveralFoundriesIsListedOnce)
{
    EXPECT_EQ(FamilyWithoutFoundry("Nimbus Mono PS [urw]"), "Nimbus Mono PS");
    EXPECT_EQ(FamilyWithoutFoundry("Nimbus Mono PS"), "Nimbus Mono PS");
    for (const char* kept : {"[x]", "A []", "A [ x]", "A [x] ", "A[x]", "A [[x]"})
        EXPECT_EQ(FamilyWithoutFoundry(kept), kept) << kept;
    TFontMenuModel m;
    for (const char* name : {"Nimbus Mono PS [urw]", "Nimbus Mono PS [UKWN]", "nimbus mono ps", "Noto [x]"})
        m.Add(name);
    EXPECT_EQ(m.Groups[3], (std::vector<std::string>{"Nimbus Mono PS", "Noto"}));
}

// Paths from the browser, the command line and drops: kept as bytes,
// cleaned without the file system; file addresses give their escaped bytes.
TEST(FolderList, PathsAreCleanedAndAddressesDecodedAsBytes)
{
    EXPECT_EQ(CleanPath("a/./b//c/", "/home/u"), "/home/u/a/b/c");
    EXPECT_EQ(CleanPath("../../../x", "/home/u"), "/x");
    EXPECT_EQ(CleanPath("/..", "/home"), "/");
    EXPECT_EQ(CleanPath("", "/home/u"), "/home/u");
    EXPECT_EQ(CleanPath("d\xFF/../caf\xE9", "/"), "/caf\xE9");
    EXPECT_EQ(ParentFolder("/a/b"), "/a");
    EXPECT_EQ(ParentFolder("/a"), "/");
    EXPECT_EQ(LastPart("/a/b\xFF"), "b\xFF");
    EXPECT_EQ(JoinPath("/", "a"), "/a");
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");

    EXPECT_EQ(PathOfFileUrl("file:///tmp/caf%E9%2Fx%20y.txt"), "/tmp/caf\xE9/x y.txt");
    EXPECT_EQ(PathOfFileUrl("FILE://localhost/a%zz%4"), "/a%zz%4");
    EXPECT_EQ(PathOfFileUrl("file:///a?b#c"), "/a");
    for (const char* other : {"http://x/a", "file://host/a", "file:", "file://"})
        EXPECT_EQ(PathOfFileUrl(other), "") << other;

    // A folder's entries by their bytes: folders (a link to one too), files,
    // nothing else.
    test::TempDir dir;
    dir.Write("d\xFF/f", "");
    dir.Write("caf\xE9.txt", "x");
    ASSERT_EQ(symlink("d\xFF", (dir.Path() + "link").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (dir.Path() + "dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((dir.Path() + "fifo").c_str(), 0600), 0);
    TFolderEntries e = ListFolder(dir.Path());
    std::sort(e.Folders.begin(), e.Folders.end());
    EXPECT_TRUE(e.Readable);
    EXPECT_EQ(e.Folders, (std::vector<std::string>{"d\xFF", "link"}));
    EXPECT_EQ(e.Files, (std::vector<std::string>{"caf\xE9.txt"}));
    EXPECT_FALSE(ListFolder(dir.Path() + "missing").Readable);
    EXPECT_EQ(KindOfPath(dir.Path() + "fifo"), TPathKind::Other);
    EXPECT_EQ(KindOfPath(dir.Path() + "dangling"), TPathKind::Missing);
}

std::vector<std::string> Split(const std::string& s)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < s.size()) {
        size_t j = s.find(' ', i);
        if (j == std::string::npos)
            j = s.size();
        if (j > i)
            out.push_back(s.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

TEST(ViewerArgs, ModesPathsAndMistakes)
{
    TViewerArgs a = ParseViewerArgs({});
    EXPECT_EQ(a.Mode, TViewerMode::Window);
    EXPECT_EQ(a.Path, "");

    a = ParseViewerArgs({"notes.txt"});
    EXPECT_EQ(a.Mode, TViewerMode::Window);
    EXPECT_EQ(a.Path, "notes.txt");

    a = ParseViewerArgs(Split("--info f.txt"));
    EXPECT_EQ(a.Mode, TViewerMode::Info);
    EXPECT_EQ(a.Path, "f.txt");

    a = ParseViewerArgs(Split("--screenshot out.png --size 640x480 dir"));
    EXPECT_EQ(a.Mode, TViewerMode::Screenshot);
    EXPECT_EQ(a.Output, "out.png");
    EXPECT_EQ(a.Width, 640);
    EXPECT_EQ(a.Height, 480);
    EXPECT_EQ(a.Path, "dir");

    a = ParseViewerArgs(Split("-platform offscreen --bench-start big.log"));
    EXPECT_EQ(a.Mode, TViewerMode::BenchStart);
    EXPECT_EQ(a.ToolkitArgs, (std::vector<std::string>{"-platform", "offscreen"}));
    EXPECT_EQ(a.Path, "big.log");

    // A file whose name begins with a dash, after "--".
    a = ParseViewerArgs(Split("-- --info"));
    EXPECT_EQ(a.Mode, TViewerMode::Window);
    EXPECT_EQ(a.Path, "--info");

    a = ParseViewerArgs(Split("--line 120 big.log"));
    EXPECT_EQ(a.Mode, TViewerMode::Window);
    EXPECT_EQ(a.Line, 120);
    EXPECT_EQ(a.Path, "big.log");
    EXPECT_FALSE(a.Follow);
    a = ParseViewerArgs(Split("--follow big.log"));
    EXPECT_TRUE(a.Follow);
    EXPECT_EQ(a.Path, "big.log");

    EXPECT_EQ(ParseViewerArgs(Split("x --help")).Mode, TViewerMode::Help);
    EXPECT_EQ(ParseViewerArgs(Split("-h")).Mode, TViewerMode::Help);

    for (const char* bad : {"--info", "--info a b", "a b", "--bogus x", "--screenshot", "--size 10x10 --screenshot o.png",
                            "--size 800x600 f", "--screenshot o.png --size 800 f", "--info a --screenshot o.png",
                            "-platform", "--line", "--line 0 f", "--line -3 f", "--line 12x f",
                            "--line 99999999999 f"}) {
        a = ParseViewerArgs(Split(bad));
        EXPECT_EQ(a.Mode, TViewerMode::Error) << bad;
        EXPECT_FALSE(a.Error.empty()) << bad;
    }
}

TEST(ViewerPlaces, SettingsNextToABuiltProgramElseUnderTheUsersConfig)
{
    test::TempDir dir;
    const std::string build = dir.Path() + "build/bin/";
    dir.Write("build/bin/syntax/syntax_text.syn", "");
    const std::string installed = dir.Path() + "usr/bin/";
    dir.Write("usr/bin/zinviewer", "");
    dir.Write("usr/share/zinviewer/syntax/syntax_text.syn", "");
    auto all = [](const std::string&) { return true; };
    auto none = [](const std::string&) { return false; };

    // Run from the build folder: next to the program, as always.
    EXPECT_EQ(ChooseIniFileName(build, "/x/cfg", "/home/u", all), build + "config/ZinViewer.ini");
    // A build folder it may not write: the user's folder.
    EXPECT_EQ(ChooseIniFileName(build, "/x/cfg", "/home/u", none), "/x/cfg/zinviewer/ZinViewer.ini");
    // Installed: the user's folder, even where the program's folder is
    // writable; XDG_CONFIG_HOME when absolute, else ~/.config.
    EXPECT_EQ(ChooseIniFileName(installed, "/x/cfg/", "/home/u", all), "/x/cfg/zinviewer/ZinViewer.ini");
    EXPECT_EQ(ChooseIniFileName(installed, "relative", "/home/u", all), "/home/u/.config/zinviewer/ZinViewer.ini");
    EXPECT_EQ(ChooseIniFileName(installed, nullptr, "/home/u", all), "/home/u/.config/zinviewer/ZinViewer.ini");
    // A settings file already next to an installed program is kept.
    dir.Write("usr/bin/config/ZinViewer.ini", "[ZinEdit]\n");
    EXPECT_EQ(ChooseIniFileName(installed, nullptr, "/home/u", all), installed + "config/ZinViewer.ini");

    // The syntax folder: next to the program, else the installed one.
    EXPECT_EQ(ChooseSyntaxDir(build), build + "syntax/");
    EXPECT_EQ(ChooseSyntaxDir(installed), installed + "../share/zinviewer/syntax/");
    EXPECT_EQ(ChooseSyntaxDir(dir.Path() + "nowhere/"), dir.Path() + "nowhere/syntax/");

    EXPECT_TRUE(PathWritable(dir.Path() + "not/yet/there.ini"));
    EXPECT_FALSE(PathWritable("/proc/self/nonexistent/x"));
}

}  // namespace
}  // namespace zin
