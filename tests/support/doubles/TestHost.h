#pragma once
// A control host that records what the control asks of its window: repaint
// requests, the caret, the scroll bars, the frame and the cursor. Its client
// size, focus, thumb positions and wheel setting are set by the test.
#include <memory>

#include "platform/ControlHost.h"

namespace zin::test {

class TTestHost : public TControlHost {
public:
    TRect ClientRect() const override { return Client; }
    void Invalidate() override { ++Invalidates; }
    bool Focused() const override { return HasFocus; }
    void SetFocus() override { HasFocus = true; }

    void CreateCaret(int32_t width, int32_t height) override;
    void SetCaretPos(int32_t x, int32_t y) override;
    void ShowCaret() override { CaretVisible = true; }
    void HideCaret() override { CaretVisible = false; }

    void SetFrame(TBorderStyle border, TScrollStyle bars) override;
    void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override;
    int32_t ScrollTrackPosition(TScrollBarKind bar) const override { return TrackPosition[bar]; }

    int32_t WheelScrollLines() const override { return WheelLines; }
    void SetCursor(TCursorShape shape) override { Cursor = shape; }
    std::unique_ptr<TDrawSurface> CreateSurface() override;

    // What the test sets. The client area starts at the control's default
    // size of 250 x 150.
    TRect Client{0, 0, 250, 150};
    bool HasFocus = false;
    int32_t TrackPosition[2] = {0, 0};
    int32_t WheelLines = 3;
    bool WideCJK = false;
    // Surfaces that draw into pixels (for page images) rather than only
    // recording calls.
    bool Raster = false;

    // What the control did.
    int32_t Invalidates = 0;
    int32_t CaretWidth = 0, CaretHeight = 0, CaretCreates = 0;
    int32_t CaretX = 0, CaretY = 0;
    bool CaretVisible = false;
    TBorderStyle Border = bsNone;
    TScrollStyle Bars = ssNone;
    int32_t FrameChanges = 0;
    TScrollInfo Info[2];
    int32_t ScrollInfoCalls[2] = {0, 0};
    TCursorShape Cursor = crIBeam;
};

}  // namespace zin::test
