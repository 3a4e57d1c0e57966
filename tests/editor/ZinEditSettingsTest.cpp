#include "editor/ZinEditSettings.h"

#include <gtest/gtest.h>
#include <string>

#include "encoding/CodePage.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

namespace zin {
namespace {

// Each test reads into and writes from its own settings value.
class EditSettingsTest : public ::testing::Test {
protected:
    void Restore() { EditSettings = TEditSettings{}; }
    std::string Font(int32_t codePage) const { return EditSettings.FontOf(codePage); }
    void Load(const std::string& text)
    {
        TIniFile ini(FDir.Write("load.ini", text));
        LoadEditSettings(ini, "ZinEdit", "ZinEdit Keys", EditSettings);
    }
    TEditSettings EditSettings;
    test::TempDir FDir;
};

TEST_F(EditSettingsTest, FileWithoutTheSectionOrKeysKeepsStartValuesAndFonts)
{
    Load("[Other]\nFontSize=30\nFN1252=Wrong\n[ZinEdit]\nFN1252=\nFN932=Mono CJK\n");
    EXPECT_EQ(EditSettings.FontSize, 16);
    EXPECT_EQ(EditSettings.LineSpacing, 1.0f);
    EXPECT_TRUE(EditSettings.MarkActiveLine);
    EXPECT_TRUE(EditSettings.KeyBindings.Empty());
    EXPECT_EQ(Font(1252), "Courier New");  // an empty name keeps the font
    EXPECT_EQ(Font(932), "Mono CJK");
    EXPECT_EQ(Font(4242), "");  // no such code page
    // A long name keeps 63 bytes, never part of a UTF-8 character.
    Load("[ZinEdit]\nFN1251=" + std::string(62, 'n') + "\xC3\xA9" + "tail\n");
    EXPECT_EQ(Font(1251), std::string(62, 'n'));
}

TEST_F(EditSettingsTest, SavedSettingsLoadBackTheSame)
{
    EditSettings.FontSize = 11;
    EditSettings.WordWrapMode = wwmWrapByColumn;
    EditSettings.MaxColumns = 132;
    EditSettings.ShowTabChar = false;
    EditSettings.SetFontOf(1251, "Cyrillic Mono");
    EditSettings.SetFontOf(866, "");
    const std::string path = FDir.Path() + "config/ZinViewer.ini";
    {
        TIniFile ini(path);
        SaveEditSettings(ini, "ZinEdit", "ZinEdit Keys", EditSettings);
    }
    Restore();
    TIniFile ini(path);
    LoadEditSettings(ini, "ZinEdit", "ZinEdit Keys", EditSettings);
    EXPECT_EQ(EditSettings.FontSize, 11);
    EXPECT_EQ(EditSettings.WordWrapMode, wwmWrapByColumn);
    EXPECT_EQ(EditSettings.MaxColumns, 132);
    EXPECT_FALSE(EditSettings.ShowTabChar);
    EXPECT_EQ(Font(1251), "Cyrillic Mono");
    EXPECT_EQ(ini.ReadString("ZinEdit", "FN866", "absent"), "");  // written though empty
    EXPECT_EQ(ini.ReadSection("ZinEdit").size(), CodePageCount + 9u);  // fonts, then the nine settings
    EXPECT_FALSE(ini.SectionExists("ZinEdit Keys"));
}

TEST_F(EditSettingsTest, LineSpacingPercentSurvivesLoadAndSave)
{
    TIniFile ini(FDir.Path() + "percent.ini");
    // 112 loads exactly on the half (1.125), 107 just above it (1.075).
    for (int32_t percent : {100, 107, 112, 150, 333, 500}) {
        ini.WriteInteger("ZinEdit", "LineSpacing", percent);
        LoadEditSettings(ini, "ZinEdit", "ZinEdit Keys", EditSettings);
        if (percent == 150) {
            EXPECT_FLOAT_EQ(EditSettings.LineSpacing, 1.505f);
        }
        SaveEditSettings(ini, "ZinEdit", "ZinEdit Keys", EditSettings);
        EXPECT_EQ(ini.ReadInteger("ZinEdit", "LineSpacing", 0), percent);
    }
    EditSettings.LineSpacing = 1.07f;  // as set in the control
    SaveEditSettings(ini, "ZinEdit", "ZinEdit Keys", EditSettings);
    EXPECT_EQ(ini.ReadInteger("ZinEdit", "LineSpacing", 0), 107);
}

TEST_F(EditSettingsTest, OutOfRangeValuesAreBroughtIntoRange)
{
    struct TCase {
        const char* Text;
        int32_t FontSize;
        float LineSpacing;
        TWordWrapMode Mode;
    } const cases[] = {
        {"FontSize=0\nLineSpacing=0\nWordWrapMode=3\n", 1, 1.005f, wwmNoWrap},
        {"FontSize=-5\nLineSpacing=-20\nWordWrapMode=255\n", 1, 1.005f, wwmNoWrap},
        {"FontSize=1000\nLineSpacing=10000\nWordWrapMode=-1\n", 99, 5.005f, wwmNoWrap},
        {"FontSize=99\nLineSpacing=500\nWordWrapMode=2\n", 99, 5.005f, wwmWrapByColumn},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        Load(std::string("[ZinEdit]\nMaxColumns=2\n") + c.Text);
        EXPECT_EQ(EditSettings.FontSize, c.FontSize);
        EXPECT_FLOAT_EQ(EditSettings.LineSpacing, c.LineSpacing);
        EXPECT_EQ(EditSettings.WordWrapMode, c.Mode);
        EXPECT_EQ(EditSettings.MaxColumns, 2);  // kept below the setter's minimum
    }
}

}  // namespace
}  // namespace zin
