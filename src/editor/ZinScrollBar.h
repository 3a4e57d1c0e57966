#pragma once
// One of the window's two built-in scroll bars, driven by the editor
// control: it keeps range, page, position and step sizes, hands them to the
// window it is attached to, turns the window's scroll codes into a new
// position and reports each scroll to its owner before it takes effect.
#include <cstdint>
#include <functional>
#include <stdexcept>

#include "platform/ControlHost.h"

namespace zin {

// The error of an operation that the object's state does not allow.
class EInvalidOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Scroll codes of the window's scroll messages.
enum TScrollCode : int32_t {
    scLineUp = 0,
    scLineDown = 1,
    scPageUp = 2,
    scPageDown = 3,
    scPosition = 4,   // thumb released
    scTrack = 5,      // thumb dragged
    scTop = 6,
    scBottom = 7,
    scEndScroll = 8,
};

class TZinScrollBar {
public:
    // Called with the bar, the scroll code and the proposed position, which
    // the owner may change.
    using TScrollEvent = std::function<void(TZinScrollBar& bar, int32_t code, int32_t& position)>;

    void SetPosition(int32_t p);
    // Sets Min, Max, Position and PageSize and updates the window.
    void SetParams(int32_t min, int32_t max, int32_t page, int32_t position);
    // Keeps Position within Min .. Max - LargeChange and shows the values.
    // Throws EInvalidOperation when Max lies below Min (the values stay
    // stored; the window is not updated).
    void Update();
    // A scroll message from the window with this scroll code.
    void HandleScrollMessage(int32_t code);

    TScrollBarKind Kind = sbHorizontal;
    int32_t Min = 0;
    int32_t Max = 0;
    int32_t Position = 0;
    int32_t PageSize = 10;
    uint16_t SmallChange = 1;
    uint16_t LargeChange = 1;
    // The window whose bar this is; null while not attached.
    TControlHost* Handle = nullptr;
    TScrollEvent OnScroll;
};

}  // namespace zin
