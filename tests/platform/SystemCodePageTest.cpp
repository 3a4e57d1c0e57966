#include "platform/SystemCodePage.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace zin {
namespace {

TEST(SystemCodePage, CharsetNamesMapToTableCodePages)
{
    struct {
        const char* Charset;
        int32_t CodePage;
    } const cases[] = {
        {"UTF-8", 65001},     {"utf8", 65001},         {"ISO-8859-1", 28591}, {"ISO-8859-8", 28598},
        {"iso_8859-5", 28595}, {"KOI8-R", 20866},      {"KOI8-U", 21866},     {"CP1251", 1251},
        {"windows-1250", 1250}, {"EUC-JP", 20932},     {"SHIFT_JIS", 932},    {"GB2312", 20936},
        {"GBK", 936},         {"EUC-KR", 20949},       {"BIG5", 950},         {"TIS-620", 874},
        {"IBM866", 866},
        // Not in the table: no answer.
        {"ISO-8859-15", 0},   {"ANSI_X3.4-1968", 0},   {"UTF-16", 0},         {"", 0},
        {"UTF-88", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodePageOfCharset(c.Charset), c.CodePage) << c.Charset;
}

// Sets the locale variables for one test and restores them afterwards.
class LocaleEnvironment : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i) {
            const char* v = std::getenv(Names[i]);
            FSaved[i] = v ? std::string(v) : std::string();
            FHad[i] = v != nullptr;
            unsetenv(Names[i]);
        }
    }
    void TearDown() override
    {
        SetSystemCodePage(0);
        for (int i = 0; i < 3; ++i) {
            if (FHad[i])
                setenv(Names[i], FSaved[i].c_str(), 1);
            else
                unsetenv(Names[i]);
        }
    }
    static constexpr const char* Names[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::string FSaved[3];
    bool FHad[3] = {};
};

TEST_F(LocaleEnvironment, FollowsTheLocaleAndFallsBackTo1252)
{
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(SystemCodePage(), 1252);  // ASCII maps to no table code page
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(SystemCodePage(), 65001);
    // A locale that is not installed still names its character set.
    setenv("LC_ALL", "xx_YY.KOI8-R@test", 1);
    EXPECT_EQ(SystemCodePage(), 20866);
    setenv("LC_ALL", "xx_YY", 1);
    EXPECT_EQ(SystemCodePage(), 1252);
}

TEST_F(LocaleEnvironment, AFixedValueWinsUntilCleared)
{
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(SetSystemCodePage(866), 0);
    EXPECT_EQ(SystemCodePage(), 866);
    EXPECT_EQ(SetSystemCodePage(0), 866);
    EXPECT_EQ(SystemCodePage(), 65001);
}

}  // namespace
}  // namespace zin
