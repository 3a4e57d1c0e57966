#pragma once
// The editor control on a Qt widget: a scroll area whose viewport shows the
// control's painting and whose two scroll bars are the control's bars. The
// widget is the control's host (client area, caret, bars, frame, cursor,
// surfaces) and forwards the toolkit's events to it: paint, keys,
// characters, mouse, wheel, resize, focus and the input method.
#include <QAbstractScrollArea>
#include <QTimer>

#include <cstdint>
#include <memory>

#include "commands/ZinEditCommand.h"
#include "editor/ZinEditSettings.h"
#include "platform/ControlHost.h"

namespace zin {
class TZinEdit;
}

class TQtSurface;

class TZinEditWidget : public QAbstractScrollArea, public zin::TControlHost {
    Q_OBJECT
public:
    // Creates the control with this widget as its host and the settings
    // the user chose, then its window.
    explicit TZinEditWidget(QWidget* parent = nullptr, const zin::TEditSettings& settings = zin::TEditSettings());
    ~TZinEditWidget() override;

    zin::TZinEdit& Edit();

    // While busy (a load, a re-decode or a rebuild of rows in progress) the
    // control is neither painted nor given any event; the widget shows the
    // last painted image. A new size reaches the control from the event
    // loop once it is idle, never inside a layout pass or a paint.
    void SetBusy(bool busy);
    bool Busy() const;

    // Copies the selection's text to the clipboard (in hex mode the bytes
    // in hexadecimal, or with `decoded` as text in the code page); false,
    // with the clipboard unchanged, when it is too large.
    bool CopySelection(bool decoded = false);
    // Selects the whole text (Ctrl+A): the caret goes to the start, then
    // selects to the end, as Ctrl+Home and Ctrl+Shift+End would; in hex
    // mode every byte. Not in column mode: a column selection is a block
    // between two pixel columns, which "everything" does not fit.
    void SelectAll();

signals:
    // Ctrl+C / Ctrl+Insert found the selection too large to copy.
    void CopyRefused();

    // ---- zin::TControlHost
public:
    zin::TRect ClientRect() const override;
    void Invalidate() override;
    bool Focused() const override;
    void SetFocus() override;
    void CreateCaret(int32_t width, int32_t height) override;
    void SetCaretPos(int32_t x, int32_t y) override;
    void ShowCaret() override;
    void HideCaret() override;
    void SetFrame(zin::TBorderStyle border, zin::TScrollStyle bars) override;
    void SetScrollInfo(zin::TScrollBarKind bar, const zin::TScrollInfo& info) override;
    int32_t ScrollTrackPosition(zin::TScrollBarKind bar) const override;
    int32_t WheelScrollLines() const override;
    void SetCursor(zin::TCursorShape shape) override;
    std::unique_ptr<zin::TDrawSurface> CreateSurface() override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct TBarState {
        zin::TScrollInfo Info;      // what the control last set (its min, max, page, position)
        int32_t Track = 0;          // where the user holds the thumb while dragging
    };

    // Neither busy nor inside a store operation: the control may be painted
    // and given events.
    bool Idle() const;
    // Hands the control what happened while it could not be told: a new
    // size, a change of focus.
    void CatchUp();
    void CatchUpFocus();
    // CatchUp from the event loop, once.
    void PostCatchUp();
    void ApplyBar(zin::TScrollBarKind bar);
    void BarAction(zin::TScrollBarKind bar, int action);
    void BarReleased(zin::TScrollBarKind bar);
    void BlinkCaret();
    void UpdateCaretArea();
    QRect CaretRect() const;
    void SendKey(QKeyEvent* e);
    // A button press (a double click adds ssDouble) for the control.
    void SendMouseDown(QMouseEvent* e, zin::TShiftState extra);

    std::unique_ptr<zin::TZinEdit> Edit_;
    std::unique_ptr<TQtSurface> Window_;   // what the control paints the viewport on
    TBarState Bars_[2];
    bool Busy_ = false;
    bool NeedsPaint_ = true;        // the control asked to be painted
    bool InPaint_ = false;          // inside the control's Paint
    QRect PaintRect_;               // what that paint shows
    bool PendingResize_ = false;    // the viewport changed size; the control has not heard of it
    bool CatchUpPosted_ = false;
    bool EditFocused_ = false;      // what the control was last told of the focus
    bool LeftDown_ = false;         // the control saw the left button go down, not yet up
    QPoint LastMouse_;
    int WheelAccumulator_ = 0;      // vertical wheel angle not yet a full notch
    int HWheelAccumulator_ = 0;
    zin::TCursorShape Cursor_ = zin::crIBeam;

    // The caret the widget draws over the painted image.
    QTimer Blink_;
    int32_t CaretWidth_ = 0;
    int32_t CaretHeight_ = 0;
    int32_t CaretX_ = 0;
    int32_t CaretY_ = 0;
    bool CaretExists_ = false;
    bool CaretVisible_ = false;     // shown by the control
    bool CaretOn_ = false;          // the blink phase
};
