#include "commands/ZinEditCommand.h"

#include <gtest/gtest.h>

#include "platform/IniFile.h"
#include "support/TempDir.h"

namespace zin {
namespace {

TEST(KeyBinding, DefaultKeysAndKeysWithoutCommand)
{
    TKeyBinding keys;
    keys.LoadDefaultKeys();
    ASSERT_EQ(keys.Pairs().size(), 25u);
    EXPECT_EQ(keys.FindCommand(VK_LEFT, {}), 0x800001);
    EXPECT_EQ(keys.FindCommand(VK_LEFT, ssShift), 0x810001);
    EXPECT_EQ(keys.FindCommand(VK_HOME, ssCtrl | ssShift), 0x810007);
    EXPECT_EQ(keys.FindCommand(VK_NEXT, {}), 0x80000A);
    EXPECT_EQ(keys.FindCommand('A', ssCtrl), 0x810011);
    // Mouse buttons and double click are no part of a shortcut.
    EXPECT_EQ(keys.FindCommand(VK_END, ssShift | ssCtrl | ssLeft | ssRight | ssMiddle | ssDouble), ecSelTextEnd);

    EXPECT_EQ(keys.FindCommand(VK_LEFT, ssAlt), -1);
    EXPECT_EQ(ShortCut(VK_LEFT + 256, ssShift), 0);  // above 255: no shortcut at all
    EXPECT_EQ(keys.FindCommand(VK_LEFT + 256, {}), -1);
}

TEST(KeyBinding, EarlierPairWinsForTheSameShortCut)
{
    TKeyBinding keys;
    keys.Add(ecDown, ShortCut(VK_DOWN, {}));
    keys.Add(ecUp, ShortCut(VK_PRIOR, {}));
    keys.LoadDefaultKeys();
    EXPECT_EQ(keys.FindCommand(VK_DOWN, {}), ecDown);
    EXPECT_EQ(keys.FindCommand(VK_PRIOR, {}), ecUp);
    EXPECT_EQ(keys.FindCommand(VK_UP, {}), ecUp);
}

TEST(KeyBinding, LoadAndSaveLeaveBindingsAndFileAlone)
{
    test::TempDir dir;
    const std::string text = "[ZinEdit Keys]\necLeft=Ctrl+Q\n; a comment\n";
    const std::string path = dir.Write("ZinViewer.ini", text);
    TIniFile ini(path);
    TKeyBinding keys;
    keys.LoadDefaultKeys();
    const auto before = keys.Pairs();
    keys.LoadKeys(ini, "ZinEdit Keys");
    keys.SaveKeys(ini, "ZinEdit Keys");
    EXPECT_EQ(keys.Pairs(), before);
    EXPECT_EQ(test::ReadFileBytes(path), text);

    EXPECT_EQ(CommandNames.size(), 4u);
    EXPECT_EQ(CommandNames.at("ecDown"), ecDown);
}

}  // namespace
}  // namespace zin
