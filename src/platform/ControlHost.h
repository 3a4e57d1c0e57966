#pragma once
// What the editor control asks of the window that hosts it: its client
// area, repaint requests, the focus, the system caret, the window's two
// built-in scroll bars, the frame, the mouse cursor and the wheel setting,
// and off-screen surfaces to draw on. The Qt side implements this on a
// scroll-area widget; the tests use a double that records every call.
#include <cstdint>
#include <memory>

#include "platform/DrawSurface.h"

namespace zin {

enum TScrollBarKind : uint8_t {
    sbHorizontal = 0,
    sbVertical = 1,
};

// What a built-in scroll bar shows; each Has... flag says whether the
// fields after it are to be applied. A bar that cannot scroll is disabled
// rather than hidden.
struct TScrollInfo {
    bool HasRange = true;
    bool HasPage = true;
    bool HasPosition = true;
    int32_t Min = 0;
    int32_t Max = 0;
    int32_t Page = 0;
    int32_t Position = 0;
    friend bool operator==(const TScrollInfo&, const TScrollInfo&) = default;
};

enum TBorderStyle : uint8_t {
    bsNone = 0,
    bsSingle = 1,
};

enum TScrollStyle : uint8_t {
    ssNone = 0,
    ssHorizontal = 1,
    ssVertical = 2,
    ssBoth = 3,
};

enum TCursorShape : uint8_t {
    crIBeam = 0,
    crArrow = 1,
};

class TControlHost {
public:
    virtual ~TControlHost() = default;

    // The client area (left and top are 0).
    virtual TRect ClientRect() const = 0;
    // Asks for a paint of the whole client area.
    virtual void Invalidate() = 0;
    virtual bool Focused() const = 0;
    virtual void SetFocus() = 0;

    // The system caret: created with a size, placed in client coordinates,
    // shown and hidden. Creating it again replaces the old one (hidden).
    virtual void CreateCaret(int32_t width, int32_t height) = 0;
    virtual void SetCaretPos(int32_t x, int32_t y) = 0;
    virtual void ShowCaret() = 0;
    virtual void HideCaret() = 0;

    // The window's frame and the scroll bars it shows; called when the
    // control's window is (re)created.
    virtual void SetFrame(TBorderStyle border, TScrollStyle bars) = 0;
    // Sets what a built-in scroll bar shows.
    virtual void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) = 0;
    // Where the user holds the bar's thumb while dragging it.
    virtual int32_t ScrollTrackPosition(TScrollBarKind bar) const = 0;

    // Rows one wheel notch scrolls.
    virtual int32_t WheelScrollLines() const = 0;
    virtual void SetCursor(TCursorShape shape) = 0;

    // A new off-screen surface, empty (0 x 0).
    virtual std::unique_ptr<TDrawSurface> CreateSurface() = 0;
};

}  // namespace zin
