#include "editor/ZinEditSettings.h"

#include <gtest/gtest.h>
#include <cmath>
#include <string>
#include <vector>

#include "encoding/CodePage.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

namespace zin {
namespace {

const char* const Section = "ZinEdit";
const char* const KeySection = "ZinEdit Keys";

// Settings and code-page fonts are process-wide: every test starts from the
// start values and the built-in font names, and leaves them so.
class EditSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { Restore(); }
    void TearDown() override { Restore(); }
    static void Restore()
    {
        ResetEditSettings();
        LoadCodePageNames();
    }
    static std::string Font(int32_t codePage) { return FindCodePage(codePage)->FixedWidthFont; }

    test::TempDir FDir;
};

void ExpectSameSettings(const TEditSettings& a, const TEditSettings& b)
{
    EXPECT_EQ(a.FontSize, b.FontSize);
    EXPECT_EQ(a.LineSpacing, b.LineSpacing);
    EXPECT_EQ(a.WordWrapMode, b.WordWrapMode);
    EXPECT_EQ(a.MaxColumns, b.MaxColumns);
    EXPECT_EQ(a.DisplayLineNumber, b.DisplayLineNumber);
    EXPECT_EQ(a.ShowEndOfLine, b.ShowEndOfLine);
    EXPECT_EQ(a.ShowSpaceChar, b.ShowSpaceChar);
    EXPECT_EQ(a.ShowTabChar, b.ShowTabChar);
    EXPECT_EQ(a.MarkActiveLine, b.MarkActiveLine);
    EXPECT_EQ(a.KeyBindings.Pairs(), b.KeyBindings.Pairs());
}

TEST_F(EditSettingsTest, FileWithoutTheSectionChangesNothing)
{
    EditSettings.KeyBindings.LoadDefaultKeys();
    const TEditSettings before = EditSettings;
    SetNameField(FindCodePage(932)->FixedWidthFont, "Mono CJK");
    TIniFile ini(FDir.Write("ZinViewer.ini", "[Other]\nFontSize=30\nFN1252=Wrong\n[ZinEdit Keys]\necLeft=Q\n"));

    LoadEditSettings(ini, Section, KeySection);
    ExpectSameSettings(EditSettings, before);
    EXPECT_EQ(Font(1252), "Courier New");
    EXPECT_EQ(Font(932), "Mono CJK");

    // A section without the key keeps single spacing too.
    TIniFile partial(FDir.Write("partial.ini", "[zinedit]\nFontSize=12\n"));
    LoadEditSettings(partial, Section, KeySection);
    EXPECT_EQ(EditSettings.FontSize, 12);
    EXPECT_EQ(EditSettings.LineSpacing, 1.0f);
}

TEST_F(EditSettingsTest, LineSpacingPercentSurvivesLoadAndSave)
{
    const std::string path = FDir.Write("ZinViewer.ini", "[ZinEdit]\nLineSpacing=150\n");
    {
        TIniFile ini(path);
        LoadEditSettings(ini, Section, KeySection);
        EXPECT_FLOAT_EQ(EditSettings.LineSpacing, 1.505f);
        SaveEditSettings(ini, Section, KeySection);
    }
    EXPECT_EQ(TIniFile(path).ReadInteger(Section, "LineSpacing", 0), 150);

    // Load and save give the percent back, also where the loaded factor lies
    // on the half (112: 1.125) or just above it (107: 1.075 rounds up).
    TIniFile ini(FDir.Path() + "percent.ini");
    for (int32_t percent : {100, 101, 107, 112, 121, 137, 199, 333, 499, 500}) {
        ini.WriteInteger(Section, "LineSpacing", percent);
        LoadEditSettings(ini, Section, KeySection);
        SaveEditSettings(ini, Section, KeySection);
        EXPECT_EQ(ini.ReadInteger(Section, "LineSpacing", 0), percent);
    }
    // A factor set in the control saves as its nearest percent.
    for (float factor : {1.0f, 1.07f, 1.5f, 2.996f, 5.0f}) {
        EditSettings.LineSpacing = factor;
        SaveEditSettings(ini, Section, KeySection);
        EXPECT_EQ(ini.ReadInteger(Section, "LineSpacing", 0), static_cast<int32_t>(std::lround(factor * 100))) << factor;
    }
}

TEST_F(EditSettingsTest, FontNamesLoadUnlessEmptyAndAllAreSaved)
{
    const std::string longName(70, 'x');
    TIniFile ini(FDir.Write("ZinViewer.ini", "[ZinEdit]\nFN1252=\nFN932=Mono CJK\nFN437=" + longName + "\n"));
    LoadEditSettings(ini, Section, KeySection);
    EXPECT_EQ(Font(1252), "Courier New");
    EXPECT_EQ(Font(932), "Mono CJK");
    EXPECT_EQ(Font(437), longName.substr(0, 63));

    SetNameField(FindCodePage(866)->FixedWidthFont, "");
    SaveEditSettings(ini, Section, KeySection);
    EXPECT_EQ(ini.ReadString(Section, "FN1252", ""), "Courier New");  // the name in effect
    EXPECT_EQ(ini.ReadString(Section, "FN437", ""), longName.substr(0, 63));
    EXPECT_TRUE(ini.ValueExists(Section, "FN866"));  // written though empty
    EXPECT_EQ(ini.ReadString(Section, "FN866", "none"), "");
}

TEST_F(EditSettingsTest, SavedSettingsLoadBackTheSame)
{
    EditSettings.FontSize = 11;
    EditSettings.LineSpacing = 2.5f;
    EditSettings.WordWrapMode = wwmWrapByColumn;
    EditSettings.MaxColumns = 132;
    EditSettings.DisplayLineNumber = false;
    EditSettings.ShowEndOfLine = false;
    EditSettings.ShowSpaceChar = true;
    EditSettings.ShowTabChar = false;
    EditSettings.MarkActiveLine = false;
    EditSettings.KeyBindings.LoadDefaultKeys();
    SetNameField(FindCodePage(1251)->FixedWidthFont, "Cyrillic Mono");
    const std::string path = FDir.Path() + "config/ZinViewer.ini";
    {
        TIniFile ini(path);
        SaveEditSettings(ini, Section, KeySection);
    }
    TEditSettings saved = EditSettings;
    saved.LineSpacing = 2.505f;  // 250 percent loads as (250 + 0.5) / 100

    Restore();
    TIniFile ini(path);
    // One font key per table entry, in table order, then the settings.
    const std::vector<std::string> keys = ini.ReadSection(Section);
    ASSERT_EQ(keys.size(), CodePageCount + 9u);
    for (int i = 0; i < CodePageCount; ++i)
        EXPECT_EQ(keys[i], "FN" + std::to_string(CodePageTable[i].CodePage));
    const std::vector<std::string> rest(keys.begin() + CodePageCount, keys.end());
    EXPECT_EQ(rest, (std::vector<std::string>{"FontSize", "LineSpacing", "WordWrapMode", "MaxColumns",
                                              "DisplayLineNumber", "ShowEndOfLine", "ShowSpaceChar",
                                              "ShowTabChar", "MarkActiveLine"}));
    EXPECT_FALSE(ini.SectionExists(KeySection));

    LoadEditSettings(ini, Section, KeySection);
    EXPECT_TRUE(EditSettings.KeyBindings.Empty());  // bindings are not in the file
    EditSettings.KeyBindings.LoadDefaultKeys();
    ExpectSameSettings(EditSettings, saved);
    EXPECT_EQ(Font(1251), "Cyrillic Mono");
    EXPECT_EQ(Font(1252), "Courier New");
}

TEST_F(EditSettingsTest, OutOfRangeValuesAreBroughtIntoRange)
{
    struct TCase {
        const char* Text;
        int32_t FontSize;
        float LineSpacing;
        TWordWrapMode Mode;
    };
    const TCase cases[] = {
        {"FontSize=0\nLineSpacing=0\nWordWrapMode=3\n", 1, 1.005f, wwmNoWrap},
        {"FontSize=-5\nLineSpacing=-20\nWordWrapMode=255\n", 1, 1.005f, wwmNoWrap},
        {"FontSize=1000\nLineSpacing=10000\nWordWrapMode=-1\n", 99, 5.005f, wwmNoWrap},
        {"FontSize=2147483647\nLineSpacing=-2147483648\nWordWrapMode=258\n", 99, 1.005f, wwmNoWrap},
        {"FontSize=1\nLineSpacing=500\nWordWrapMode=2\n", 1, 5.005f, wwmWrapByColumn},
        {"FontSize=99\nLineSpacing=100\nWordWrapMode=1\n", 99, 1.005f, wwmWrapByWindow},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        TIniFile ini(FDir.Write("ZinViewer.ini", std::string("[ZinEdit]\nMaxColumns=2\n") + c.Text));
        LoadEditSettings(ini, Section, KeySection);
        EXPECT_EQ(EditSettings.FontSize, c.FontSize);
        EXPECT_FLOAT_EQ(EditSettings.LineSpacing, c.LineSpacing);
        EXPECT_EQ(EditSettings.WordWrapMode, c.Mode);
        EXPECT_EQ(EditSettings.MaxColumns, 2);  // below the setter's minimum, kept as it is
    }
}

}  // namespace
}  // namespace zin
