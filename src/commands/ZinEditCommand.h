#pragma once
// Edit commands and the key table that maps keys to them.
//
// A command is a signed 32-bit number: 0x800000 + a base number for a plain
// movement, + 0x10000 on top of that for the same movement extending the
// selection, -1 for no command. A key arrives as a virtual-key code plus a
// shift state; TKeyBinding turns the pair into a command, and the editor
// control carries the command out.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace zin {

class TIniFile;

// Command numbers.
constexpr int32_t ecNone = -1;
constexpr int32_t ecCommandBase = 0x800000;
constexpr int32_t ecSelectOffset = 0x10000;  // plain command -> selecting variant

constexpr int32_t ecLeft = ecCommandBase + 1;
constexpr int32_t ecRight = ecCommandBase + 2;
constexpr int32_t ecUp = ecCommandBase + 3;
constexpr int32_t ecDown = ecCommandBase + 4;
constexpr int32_t ecHome = ecCommandBase + 5;
constexpr int32_t ecEnd = ecCommandBase + 6;
constexpr int32_t ecTextStart = ecCommandBase + 7;
constexpr int32_t ecTextEnd = ecCommandBase + 8;
constexpr int32_t ecPageUp = ecCommandBase + 9;
constexpr int32_t ecPageDown = ecCommandBase + 10;
constexpr int32_t ecCtrlLeft = ecCommandBase + 11;
constexpr int32_t ecCtrlRight = ecCommandBase + 12;

constexpr int32_t ecSelLeft = ecLeft + ecSelectOffset;
constexpr int32_t ecSelRight = ecRight + ecSelectOffset;
constexpr int32_t ecSelUp = ecUp + ecSelectOffset;
constexpr int32_t ecSelDown = ecDown + ecSelectOffset;
constexpr int32_t ecSelHome = ecHome + ecSelectOffset;
constexpr int32_t ecSelEnd = ecEnd + ecSelectOffset;
constexpr int32_t ecSelTextStart = ecTextStart + ecSelectOffset;
constexpr int32_t ecSelTextEnd = ecTextEnd + ecSelectOffset;
constexpr int32_t ecSelPageUp = ecPageUp + ecSelectOffset;
constexpr int32_t ecSelPageDown = ecPageDown + ecSelectOffset;
constexpr int32_t ecSelCtrlLeft = ecCtrlLeft + ecSelectOffset;
constexpr int32_t ecSelCtrlRight = ecCtrlRight + ecSelectOffset;
constexpr int32_t ecCtrlA = ecCommandBase + ecSelectOffset + 17;  // select all; has no plain variant

// Virtual-key codes of the keys the window layer hands over. Letters and
// digits are their upper-case ASCII codes ('A' is 65).
constexpr uint16_t VK_TAB = 9;
constexpr uint16_t VK_SHIFT = 16;
constexpr uint16_t VK_CONTROL = 17;
constexpr uint16_t VK_MENU = 18;  // Alt
constexpr uint16_t VK_PRIOR = 33;  // Page Up
constexpr uint16_t VK_NEXT = 34;   // Page Down
constexpr uint16_t VK_END = 35;
constexpr uint16_t VK_HOME = 36;
constexpr uint16_t VK_LEFT = 37;
constexpr uint16_t VK_UP = 38;
constexpr uint16_t VK_RIGHT = 39;
constexpr uint16_t VK_DOWN = 40;

// The modifier keys and mouse buttons held during a key or mouse event;
// TShiftState{} when none is. Only Shift, Alt and Ctrl take part in
// shortcuts.
enum TShiftState : uint8_t {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,    // left mouse button
    ssRight = 0x10,   // right mouse button
    ssMiddle = 0x20,  // middle mouse button
    ssDouble = 0x40,  // double click
};

constexpr TShiftState operator|(TShiftState a, TShiftState b)
{
    return static_cast<TShiftState>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b));
}
constexpr TShiftState operator&(TShiftState a, TShiftState b)
{
    return static_cast<TShiftState>(static_cast<uint8_t>(a) & static_cast<uint8_t>(b));
}
constexpr TShiftState& operator|=(TShiftState& a, TShiftState b) { return a = a | b; }

// A key with its modifiers: the key code in the low byte, plus scShift,
// scCtrl and scAlt.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// The shortcut of a key code and shift state; 0 for a key code above 255.
// Mouse buttons and double click in the shift state are ignored.
constexpr TShortCut ShortCut(uint16_t key, TShiftState shift)
{
    if (key > 255)
        return 0;
    TShortCut result = key;
    if (shift & ssShift)
        result |= scShift;
    if (shift & ssCtrl)
        result |= scCtrl;
    if (shift & ssAlt)
        result |= scAlt;
    return result;
}

// One binding of a key to a command.
struct TCmdKeyPair {
    int32_t Command;
    TShortCut ShortCut;

    friend bool operator==(const TCmdKeyPair&, const TCmdKeyPair&) = default;
};

// The list of key bindings, in the order they were added. Several pairs may
// name one command; of two pairs with the same shortcut the earlier wins.
class TKeyBinding {
public:
    const std::vector<TCmdKeyPair>& Pairs() const { return FPairs; }
    bool Empty() const { return FPairs.empty(); }
    void Clear() { FPairs.clear(); }
    void Add(int32_t command, TShortCut shortCut) { FPairs.push_back({command, shortCut}); }

    // Appends the 25 built-in bindings: the twelve plain movements, their
    // twelve selecting variants (the same keys with Shift), then Ctrl+A.
    void LoadDefaultKeys();

    // The command of the first pair whose shortcut is that of the key and
    // shift state, or ecNone.
    int32_t FindCommand(uint16_t key, TShiftState shift) const;

    // Key bindings have no text form in the settings file yet: loading and
    // saving leave both the list and the file as they are, so the built-in
    // bindings stay in force whatever the section holds.
    void LoadKeys(const TIniFile& ini, const std::string& section);
    void SaveKeys(TIniFile& ini, const std::string& section) const;

private:
    std::vector<TCmdKeyPair> FPairs;
};

// Command names to numbers: "ecLeft", "ecUp", "ecRight" and "ecDown". Built
// when the program starts and emptied when it ends; kept for a text form of
// key bindings, which nothing reads yet.
extern std::unordered_map<std::string, int32_t> CommandNames;

}  // namespace zin
