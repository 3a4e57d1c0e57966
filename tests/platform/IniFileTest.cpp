#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/stat.h>

#include "platform/Files.h"
#include "support/TempDir.h"

namespace zin {
namespace {

TEST(IniFile, MissingFileReadsDefaultsAndIsCreatedByTheFirstWrite)
{
    test::TempDir dir;
    const std::string path = dir.Path() + "config/deeper/ZinViewer.ini";
    TIniFile ini(path);
    EXPECT_TRUE(ini.Readable());
    EXPECT_FALSE(ini.SectionExists("ZinEdit"));
    EXPECT_EQ(ini.ReadString("ZinEdit", "FN1252", "none"), "none");
    EXPECT_EQ(ini.ReadInteger("ZinEdit", "FontSize", 16), 16);
    EXPECT_TRUE(ini.ReadBool("ZinEdit", "ShowTabChar", true));
    EXPECT_FALSE(FileExists(path));  // reading creates nothing

    EXPECT_TRUE(ini.WriteInteger("ZinEdit", "FontSize", 12));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(test::ReadFileBytes(path), "[ZinEdit]\nFontSize=12\n");
}

TEST(IniFile, WrittenAndReadBackInTheOrderWritten)
{
    test::TempDir dir;
    const std::string path = dir.Path() + "a.ini";
    {
        TIniFile ini(path);
        ASSERT_TRUE(ini.WriteString("ZinEdit", "FN1252", "Courier New"));
        ASSERT_TRUE(ini.WriteInteger("ZinEdit", "LineSpacing", 150));
        ASSERT_TRUE(ini.WriteBool("ZinEdit", "ShowEndOfLine", false));
        ASSERT_TRUE(ini.WriteString("Other", "x", ""));
        ASSERT_TRUE(ini.WriteInteger("ZinEdit", "MaxColumns", -3));
        ASSERT_TRUE(ini.WriteString("zinedit", "fn1252", "Liberation Mono"));  // same key, new value
    }
    EXPECT_EQ(test::ReadFileBytes(path),
              "[ZinEdit]\nFN1252=Liberation Mono\nLineSpacing=150\nShowEndOfLine=0\nMaxColumns=-3\n"
              "[Other]\nx=\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"ZinEdit", "Other"}));
    EXPECT_EQ(ini.ReadSection("ZINEDIT"),
              (std::vector<std::string>{"FN1252", "LineSpacing", "ShowEndOfLine", "MaxColumns"}));
    EXPECT_EQ(ini.ReadString("ZinEdit", "FN1252", ""), "Liberation Mono");
    EXPECT_EQ(ini.ReadInteger("ZinEdit", "LineSpacing", 100), 150);
    EXPECT_EQ(ini.ReadInteger("ZinEdit", "MaxColumns", 80), -3);
    EXPECT_FALSE(ini.ReadBool("ZinEdit", "ShowEndOfLine", true));
    EXPECT_TRUE(ini.ValueExists("Other", "X"));
    EXPECT_EQ(ini.ReadString("Other", "x", "def"), "");  // present but empty

    EXPECT_TRUE(ini.DeleteKey("ZinEdit", "LineSpacing"));
    EXPECT_TRUE(ini.EraseSection("Other"));
    EXPECT_FALSE(ini.DeleteKey("ZinEdit", "NoSuchKey"));
    EXPECT_EQ(test::ReadFileBytes(path), "[ZinEdit]\nFN1252=Liberation Mono\nShowEndOfLine=0\nMaxColumns=-3\n");
}

TEST(IniFile, MalformedLinesAndOddBytesAreReadSafelyAndKept)
{
    test::TempDir dir;
    const std::string text = std::string("\xEF\xBB\xBF; settings\r\n"
                                         "orphan=before any section\r\n"
                                         "[ZinEdit]\r\n"
                                         "  FontSize =  14  \r"
                                         "garbage line\n"
                                         "=no key\n"
                                         "[unclosed\n"
                                         "Quoted=\"  spaced  \"\n"
                                         "Hex=0x1F\n"
                                         "Big=99999999999\n"
                                         "Word=abc\n"
                                         "Yes=yes\n"
                                         "Two=2\n"
                                         "Nul=a") + std::string(1, '\0') + "b\n"
                             + "FontSize=99\n"  // a repeated key: the first one counts
                             + "[]\n"
                             + "\n"
                             + "[Next] trailing\n"
                             + "k=v=w";
    const std::string path = dir.Write("odd.ini", text);
    TIniFile ini(path);
    ASSERT_TRUE(ini.Readable());
    EXPECT_EQ(ini.ReadInteger("ZinEdit", "FontSize", 0), 14);
    EXPECT_EQ(ini.ReadString("ZinEdit", "Quoted", ""), "  spaced  ");
    EXPECT_EQ(ini.ReadInteger("ZinEdit", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("ZinEdit", "Big", 7), 7);
    EXPECT_EQ(ini.ReadInteger("ZinEdit", "Word", 7), 7);
    EXPECT_FALSE(ini.ReadBool("ZinEdit", "Word", false));
    EXPECT_TRUE(ini.ReadBool("ZinEdit", "Yes", false));
    EXPECT_TRUE(ini.ReadBool("ZinEdit", "Two", false));
    EXPECT_EQ(ini.ReadString("ZinEdit", "Nul", ""), std::string("a\0b", 3));
    EXPECT_FALSE(ini.SectionExists("unclosed"));
    EXPECT_FALSE(ini.ValueExists("ZinEdit", "orphan"));
    EXPECT_EQ(ini.ReadString("Next", "k", ""), "v=w");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"ZinEdit", "Next"}));

    // A write keeps every line it did not change.
    ASSERT_TRUE(ini.WriteInteger("ZinEdit", "FontSize", 10));
    ASSERT_TRUE(ini.WriteString("ZinEdit", "New", "value"));
    const std::string after = test::ReadFileBytes(path);
    EXPECT_EQ(after.substr(0, 3), "\xEF\xBB\xBF");
    for (const char* kept : {"; settings\n", "orphan=before any section\n", "garbage line\n", "=no key\n",
                             "[unclosed\n", "Quoted=\"  spaced  \"\n", "[]\n", "[Next]\n", "k=v=w\n"})
        EXPECT_NE(after.find(kept), std::string::npos) << kept;
    EXPECT_NE(after.find(std::string("Nul=a\0b\n", 8)), std::string::npos);
    EXPECT_NE(after.find("FontSize=10\n"), std::string::npos);
    EXPECT_NE(after.find("FontSize=99\n"), std::string::npos);
    // The new key follows the section's last setting, before the blank line.
    EXPECT_NE(after.find("FontSize=99\nNew=value\n[]\n\n[Next]"), std::string::npos);
    TIniFile again(path);
    EXPECT_EQ(again.ReadInteger("zinedit", "fontsize", 0), 10);
    EXPECT_EQ(again.ReadString("ZinEdit", "New", ""), "value");
}

TEST(IniFile, NamesTheFormatCannotHoldAreRefused)
{
    test::TempDir dir;
    const std::string path = dir.Path() + "n.ini";
    TIniFile ini(path);
    EXPECT_FALSE(ini.WriteString("", "k", "v"));
    EXPECT_FALSE(ini.WriteString("a]b", "k", "v"));
    EXPECT_FALSE(ini.WriteString("a\nb", "k", "v"));
    EXPECT_FALSE(ini.WriteString("S", "", "v"));
    EXPECT_FALSE(ini.WriteString("S", "a=b", "v"));
    EXPECT_FALSE(ini.WriteString("S", "[k", "v"));
    EXPECT_FALSE(ini.WriteString("S", ";k", "v"));
    EXPECT_FALSE(ini.WriteString("S", "k\rx", "v"));
    EXPECT_FALSE(FileExists(path));

    ASSERT_TRUE(ini.WriteString("S", "k", "two\r\nlines"));
    EXPECT_EQ(test::ReadFileBytes(path), "[S]\nk=two  lines\n");
}

TEST(IniFile, ValuesReadBackAsTheyWereWritten)
{
    // Blanks around a value and quotes around it would be taken off by the
    // reader: such values are written in quotes.
    test::TempDir dir;
    const std::string path = dir.Path() + "z.ini";
    const std::string values[] = {"Courier ", " lead", "\tboth\t", "\"quoted\"", "'single'", "\"", "plain",
                                  "in \"the\" middle", ""};
    {
        TIniFile ini(path);
        for (size_t i = 0; i < std::size(values); ++i)
            ASSERT_TRUE(ini.WriteString("S", "k" + std::to_string(i), values[i]));
        for (size_t i = 0; i < std::size(values); ++i)
            EXPECT_EQ(ini.ReadString("S", "k" + std::to_string(i), "none"), values[i]) << i;
    }
    TIniFile again(path);
    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(again.ReadString("S", "k" + std::to_string(i), "none"), values[i]) << i;
    EXPECT_NE(test::ReadFileBytes(path).find("k6=plain\n"), std::string::npos);
}

TEST(IniFile, AnUnreadableFileIsNeverReplaced)
{
    test::TempDir dir;
    TIniFile onDirectory(dir.Path());
    EXPECT_FALSE(onDirectory.Readable());
    EXPECT_FALSE(onDirectory.WriteString("S", "k", "v"));

    const std::string path = dir.Write("locked.ini", "[S]\nk=old\n");
    if (::chmod(path.c_str(), 0) == 0 && ::geteuid() != 0) {
        TIniFile locked(path);
        EXPECT_FALSE(locked.Readable());
        EXPECT_FALSE(locked.WriteString("S", "k", "new"));
        ::chmod(path.c_str(), 0644);
        EXPECT_EQ(test::ReadFileBytes(path), "[S]\nk=old\n");
    }
}

}  // namespace
}  // namespace zin
