#include "commands/ZinEditCommand.h"

#include <gtest/gtest.h>
#include <string>

#include "platform/IniFile.h"
#include "support/TempDir.h"

namespace zin {
namespace {

TKeyBinding Defaults()
{
    TKeyBinding keys;
    keys.LoadDefaultKeys();
    return keys;
}

TEST(KeyBinding, DefaultKeysFindTheirCommands)
{
    const TKeyBinding keys = Defaults();
    ASSERT_EQ(keys.Pairs().size(), 25u);
    EXPECT_EQ(keys.Pairs().front(), (TCmdKeyPair{ecLeft, VK_LEFT}));
    EXPECT_EQ(keys.Pairs()[12], (TCmdKeyPair{ecSelLeft, VK_LEFT | scShift}));
    EXPECT_EQ(keys.Pairs().back(), (TCmdKeyPair{ecCtrlA, 'A' | scCtrl}));

    EXPECT_EQ(keys.FindCommand(VK_LEFT, ssNone), 0x800001);
    EXPECT_EQ(keys.FindCommand(VK_LEFT, ssShift), 0x810001);
    EXPECT_EQ(keys.FindCommand(VK_HOME, ssCtrl | ssShift), 0x810007);
    EXPECT_EQ(keys.FindCommand(VK_NEXT, ssNone), 0x80000A);
    EXPECT_EQ(keys.FindCommand(VK_RIGHT, ssCtrl | ssShift), 0x81000C);
    EXPECT_EQ(keys.FindCommand('A', ssCtrl), 0x810011);

    // Every one of the 25 keys leads back to its own pair.
    for (const TCmdKeyPair& pair : keys.Pairs()) {
        TShiftState shift = ssNone;
        if (pair.ShortCut & scShift) shift |= ssShift;
        if (pair.ShortCut & scCtrl) shift |= ssCtrl;
        EXPECT_EQ(keys.FindCommand(pair.ShortCut & 0xFF, shift), pair.Command) << pair.ShortCut;
    }
}

TEST(KeyBinding, KeysWithoutABindingGiveNoCommand)
{
    const TKeyBinding keys = Defaults();
    EXPECT_EQ(keys.FindCommand(VK_LEFT, ssAlt), -1);
    EXPECT_EQ(keys.FindCommand(VK_LEFT, ssAlt | ssShift), -1);
    EXPECT_EQ(keys.FindCommand('A', ssNone), -1);
    EXPECT_EQ(keys.FindCommand(VK_TAB, ssNone), -1);
    // A key code above 255 has no shortcut (0), whatever its shift state.
    EXPECT_EQ(ShortCut(VK_LEFT + 256, ssShift), 0);
    EXPECT_EQ(keys.FindCommand(VK_LEFT + 256, ssNone), -1);
    EXPECT_EQ(keys.FindCommand(0xFFFF, ssCtrl), -1);
    EXPECT_EQ(TKeyBinding().FindCommand(VK_LEFT, ssNone), -1);
}

TEST(KeyBinding, MouseButtonsAndDoubleClickDoNotChangeTheKey)
{
    const TKeyBinding keys = Defaults();
    const TShiftState mouse = ssLeft | ssRight | ssMiddle | ssDouble;
    EXPECT_EQ(ShortCut(VK_UP, mouse), ShortCut(VK_UP, ssNone));
    EXPECT_EQ(keys.FindCommand(VK_UP, mouse), ecUp);
    EXPECT_EQ(keys.FindCommand(VK_END, mouse | ssShift | ssCtrl), ecSelTextEnd);
}

TEST(KeyBinding, EarlierPairWinsForTheSameShortCut)
{
    TKeyBinding keys;
    keys.Add(ecDown, ShortCut(VK_DOWN, ssNone));
    keys.Add(ecUp, ShortCut(VK_UP, ssNone));
    keys.Add(ecPageDown, ShortCut(VK_DOWN, ssNone));
    keys.Add(ecUp, ShortCut(VK_PRIOR, ssNone));  // one command on two keys
    EXPECT_EQ(keys.FindCommand(VK_DOWN, ssNone), ecDown);
    EXPECT_EQ(keys.FindCommand(VK_PRIOR, ssNone), ecUp);
    EXPECT_EQ(keys.FindCommand(VK_UP, ssNone), ecUp);

    // Appending the defaults behind existing pairs keeps the earlier ones in force.
    keys.LoadDefaultKeys();
    EXPECT_EQ(keys.Pairs().size(), 29u);
    EXPECT_EQ(keys.FindCommand(VK_PRIOR, ssNone), ecUp);
}

TEST(KeyBinding, LoadAndSaveLeaveBindingsAndFileAlone)
{
    test::TempDir dir;
    const std::string text =
        "[ZinEdit Keys]\n"
        "ecLeft=Ctrl+Q\n"
        "0x800003=38\n"
        "; a comment\n";
    const std::string path = dir.Write("ZinViewer.ini", text);
    TIniFile ini(path);
    TKeyBinding keys = Defaults();
    const auto before = keys.Pairs();

    keys.LoadKeys(ini, "ZinEdit Keys");
    keys.SaveKeys(ini, "ZinEdit Keys");
    EXPECT_EQ(keys.Pairs(), before);
    EXPECT_EQ(keys.FindCommand('Q', ssCtrl), -1);
    EXPECT_EQ(test::ReadFileBytes(path), text);

    // An empty list stays empty: nothing is filled in from the file.
    TKeyBinding empty;
    empty.LoadKeys(ini, "ZinEdit Keys");
    EXPECT_TRUE(empty.Empty());
}

TEST(CommandNames, HoldsTheFourMovementNames)
{
    EXPECT_EQ(CommandNames.size(), 4u);
    EXPECT_EQ(CommandNames.at("ecLeft"), ecLeft);
    EXPECT_EQ(CommandNames.at("ecUp"), ecUp);
    EXPECT_EQ(CommandNames.at("ecRight"), ecRight);
    EXPECT_EQ(CommandNames.at("ecDown"), ecDown);
    EXPECT_EQ(CommandNames.count("ecleft"), 0u);  // names match byte for byte
}

}  // namespace
}  // namespace zin
