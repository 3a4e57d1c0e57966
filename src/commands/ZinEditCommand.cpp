#include "commands/ZinEditCommand.h"

#include <iterator>

namespace zin {

std::unordered_map<std::string, int32_t> CommandNames = {
    {"ecLeft", ecLeft},
    {"ecUp", ecUp},
    {"ecRight", ecRight},
    {"ecDown", ecDown},
};

void TKeyBinding::LoadDefaultKeys()
{
    struct TDefaultKey {
        int32_t Command;
        uint16_t Key;
        TShiftState Shift;
    };
    static constexpr TDefaultKey Plain[] = {
        {ecLeft, VK_LEFT, {}},
        {ecRight, VK_RIGHT, {}},
        {ecUp, VK_UP, {}},
        {ecDown, VK_DOWN, {}},
        {ecHome, VK_HOME, {}},
        {ecEnd, VK_END, {}},
        {ecTextStart, VK_HOME, ssCtrl},
        {ecTextEnd, VK_END, ssCtrl},
        {ecPageUp, VK_PRIOR, {}},
        {ecPageDown, VK_NEXT, {}},
        {ecCtrlLeft, VK_LEFT, ssCtrl},
        {ecCtrlRight, VK_RIGHT, ssCtrl},
    };
    FPairs.reserve(FPairs.size() + 2 * std::size(Plain) + 1);
    for (const TDefaultKey& k : Plain)
        Add(k.Command, ShortCut(k.Key, k.Shift));
    // Each selecting variant: the plain command's key with Shift added.
    for (const TDefaultKey& k : Plain)
        Add(k.Command + ecSelectOffset, ShortCut(k.Key, k.Shift | ssShift));
    Add(ecCtrlA, ShortCut('A', ssCtrl));
}

int32_t TKeyBinding::FindCommand(uint16_t key, TShiftState shift) const
{
    const TShortCut sc = ShortCut(key, shift);
    for (const TCmdKeyPair& pair : FPairs)
        if (pair.ShortCut == sc)
            return pair.Command;
    return ecNone;
}

void TKeyBinding::LoadKeys(const TIniFile&, const std::string&) {}

void TKeyBinding::SaveKeys(TIniFile&, const std::string&) const {}

}  // namespace zin
