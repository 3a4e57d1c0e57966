#include "widget/ZinEditWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <string>

#include "commands/ZinEditCommand.h"
#include "editor/ZinEdit.h"
#include "editor/ZinEditSettings.h"
#include "widget/QtSurface.h"

using namespace zin;

namespace {

// Virtual-key codes of keys the command header does not name.
constexpr uint16_t VkBack = 8, VkReturn = 13, VkEscape = 27, VkSpace = 32, VkInsert = 45, VkDelete = 46,
                   VkF1 = 112;

// The virtual-key code of a Qt key; 0 for keys the control has no code for.
uint16_t VirtualKey(int key)
{
    switch (key) {
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Backspace: return VkBack;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VkReturn;
    case Qt::Key_Escape: return VkEscape;
    case Qt::Key_Space: return VkSpace;
    case Qt::Key_Insert: return VkInsert;
    case Qt::Key_Delete: return VkDelete;
    default: break;
    }
    // Letters and digits are their upper-case ASCII codes in both.
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<uint16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<uint16_t>(VkF1 + (key - Qt::Key_F1));
    return 0;
}

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState s{};
    if (modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    if (modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

bool ButtonOf(Qt::MouseButton button, TMouseButton& out)
{
    switch (button) {
    case Qt::LeftButton: out = mbLeft; return true;
    case Qt::RightButton: out = mbRight; return true;
    case Qt::MiddleButton: out = mbMiddle; return true;
    default: return false;
    }
}

// Ctrl+C and Ctrl+Insert copy.
bool IsCopyKey(const QKeyEvent* e)
{
    const Qt::KeyboardModifiers m = e->modifiers() & ~Qt::KeypadModifier;
    return m == Qt::ControlModifier && (e->key() == Qt::Key_C || e->key() == Qt::Key_Insert);
}

// Ctrl+Shift+C copies the selection as text in the code page (in hex mode
// the bytes decoded; Ctrl+C copies them in hexadecimal).
bool IsCopyTextKey(const QKeyEvent* e)
{
    const Qt::KeyboardModifiers m = e->modifiers() & ~Qt::KeypadModifier;
    return m == (Qt::ControlModifier | Qt::ShiftModifier) && e->key() == Qt::Key_C;
}

// Ctrl+A selects everything. The control's own command for the key moves
// nothing; the window adds what a desktop user expects of it.
bool IsSelectAllKey(const QKeyEvent* e)
{
    return (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier && e->key() == Qt::Key_A;
}

// The shift state of a key event (Backtab is Tab with Shift).
TShiftState KeyShift(const QKeyEvent* e)
{
    TShiftState s = ShiftOf(e->modifiers(), QGuiApplication::mouseButtons());
    if (e->key() == Qt::Key_Backtab)
        s |= ssShift;
    return s;
}

constexpr int WheelNotch = 120;

}  // namespace

TZinEditWidget::TZinEditWidget(QWidget* parent, const zin::TEditSettings& settings) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    Window_ = std::make_unique<TQtSurface>();

    // Qt moves a bar by itself for each action; the slots put it back and
    // let the control decide (it sets the position through SetScrollInfo).
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    connect(h, &QAbstractSlider::actionTriggered, this, [this](int action) { BarAction(sbHorizontal, action); });
    connect(v, &QAbstractSlider::actionTriggered, this, [this](int action) { BarAction(sbVertical, action); });
    connect(h, &QAbstractSlider::sliderReleased, this, [this] { BarReleased(sbHorizontal); });
    connect(v, &QAbstractSlider::sliderReleased, this, [this] { BarReleased(sbVertical); });

    Blink_.setTimerType(Qt::CoarseTimer);
    connect(&Blink_, &QTimer::timeout, this, [this] { BlinkCaret(); });

    Edit_ = std::make_unique<TZinEdit>(this, settings);
    Edit_->CreateWnd();
}

TZinEditWidget::~TZinEditWidget()
{
    Blink_.stop();
    Edit_.reset();
}

TZinEdit& TZinEditWidget::Edit() { return *Edit_; }

bool TZinEditWidget::Idle() const { return Edit_ && !Busy_ && !Edit_->Working(); }

void TZinEditWidget::SetBusy(bool busy)
{
    if (busy == Busy_)
        return;
    Busy_ = busy;
    UpdateCaretArea();
    if (!busy) {
        // What came meanwhile reaches the control from the event loop, not
        // from inside the code that ends the work.
        PostCatchUp();
        viewport()->update();
    }
}

bool TZinEditWidget::Busy() const { return Busy_; }

void TZinEditWidget::PostCatchUp()
{
    if (CatchUpPosted_)
        return;
    CatchUpPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            CatchUpPosted_ = false;
            if (!Idle())
                return;  // SetBusy(false) posts it again
            const bool resized = PendingResize_;
            CatchUp();
            if (resized)
                viewport()->update();
        },
        Qt::QueuedConnection);
}

void TZinEditWidget::CatchUp()
{
    if (!Idle())
        return;
    if (PendingResize_) {
        PendingResize_ = false;
        Edit_->Resize();
    }
    CatchUpFocus();
}

void TZinEditWidget::CatchUpFocus()
{
    if (!Idle())
        return;
    const bool focused = hasFocus();
    if (focused != EditFocused_) {
        EditFocused_ = focused;
        if (focused)
            Edit_->FocusIn();
        else
            Edit_->FocusOut();
    }
}

void TZinEditWidget::SelectAll()
{
    if (!Idle() || Edit_->EditMode() == emColumnMode)
        return;
    Edit_->ExecuteCommand(ecTextStart);
    Edit_->ExecuteCommand(ecSelTextEnd);
}

bool TZinEditWidget::CopySelection(bool decoded)
{
    if (!Idle())
        return false;
    std::u16string text;
    if (!(decoded ? Edit_->SelectedTextDecoded(text) : Edit_->SelectedText(text)))
        return false;
    // Without a selection the clipboard keeps what it holds.
    if (!text.empty())
        QGuiApplication::clipboard()->setText(QString::fromStdU16String(text));
    return true;
}

// ---- The control's host ----------------------------------------------------------

TRect TZinEditWidget::ClientRect() const
{
    const QSize s = viewport()->size();
    return TRect{0, 0, s.width(), s.height()};
}

void TZinEditWidget::Invalidate()
{
    NeedsPaint_ = true;
    viewport()->update();
}

bool TZinEditWidget::Focused() const { return hasFocus(); }

void TZinEditWidget::SetFocus()
{
    // The control goes on with its own focus handling; the focus event
    // that follows need not repeat it.
    EditFocused_ = true;
    setFocus(Qt::MouseFocusReason);
}

void TZinEditWidget::CreateCaret(int32_t width, int32_t height)
{
    UpdateCaretArea();
    CaretExists_ = true;
    CaretVisible_ = false;
    CaretWidth_ = std::max(width, 1);
    CaretHeight_ = std::max(height, 1);
    Blink_.stop();
}

void TZinEditWidget::SetCaretPos(int32_t x, int32_t y)
{
    if (x == CaretX_ && y == CaretY_)
        return;
    UpdateCaretArea();
    CaretX_ = x;
    CaretY_ = y;
    // A caret that moves shows at once.
    CaretOn_ = true;
    UpdateCaretArea();
    if (Blink_.isActive())
        Blink_.start();
}

void TZinEditWidget::ShowCaret()
{
    if (!CaretExists_ || CaretVisible_)
        return;
    CaretVisible_ = true;
    CaretOn_ = true;
    UpdateCaretArea();
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0) {
        Blink_.setInterval(flash / 2);
        Blink_.start();
    }
}

void TZinEditWidget::HideCaret()
{
    if (!CaretVisible_)
        return;
    UpdateCaretArea();
    CaretVisible_ = false;
    Blink_.stop();
}

void TZinEditWidget::BlinkCaret()
{
    CaretOn_ = !CaretOn_;
    UpdateCaretArea();
}

QRect TZinEditWidget::CaretRect() const { return QRect(CaretX_, CaretY_, CaretWidth_, CaretHeight_); }

void TZinEditWidget::UpdateCaretArea()
{
    if (!CaretExists_)
        return;
    const QRect r = CaretRect();
    // Inside a paint that covers the caret, the paint draws it anyway.
    if (InPaint_ && PaintRect_.contains(r))
        return;
    viewport()->update(r);
}

void TZinEditWidget::SetFrame(TBorderStyle border, TScrollStyle bars)
{
    // The viewport may change size here, while the control is halfway
    // through re-creating its window; it hears of the new size afterwards
    // (resizeEvent).
    setFrameStyle(border == bsSingle ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
    setHorizontalScrollBarPolicy((bars & ssHorizontal) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy((bars & ssVertical) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TZinEditWidget::SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info)
{
    TScrollInfo& s = Bars_[bar].Info;
    if (info.HasRange) {
        s.Min = info.Min;
        s.Max = info.Max;
    }
    if (info.HasPage)
        s.Page = info.Page;
    if (info.HasPosition)
        s.Position = info.Position;
    ApplyBar(bar);
}

void TZinEditWidget::ApplyBar(TScrollBarKind bar)
{
    const TScrollInfo& s = Bars_[bar].Info;
    QScrollBar* sb = bar == sbVertical ? verticalScrollBar() : horizontalScrollBar();
    // The control's range runs from Min to Max with a page of Page rows or
    // pixels, so the thumb's top goes from Min to Max - Page + 1; Qt's
    // range is of the thumb's top.
    const int64_t page = std::max(s.Page, 0);
    const int64_t top = std::max<int64_t>(page > 0 ? int64_t{s.Max} - page + 1 : s.Max, s.Min);
    sb->setRange(s.Min, static_cast<int>(std::min<int64_t>(top, INT_MAX)));
    sb->setPageStep(static_cast<int>(std::min<int64_t>(page, INT_MAX)));
    sb->setSingleStep(1);
    sb->setValue(static_cast<int>(std::clamp<int64_t>(s.Position, s.Min, top)));
    // A bar that cannot scroll is disabled, not hidden.
    sb->setEnabled(top > s.Min);
}

void TZinEditWidget::BarAction(TScrollBarKind bar, int action)
{
    QScrollBar* sb = bar == sbVertical ? verticalScrollBar() : horizontalScrollBar();
    int32_t code;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = scLineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: code = scLineDown; break;
    case QAbstractSlider::SliderPageStepSub: code = scPageUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = scPageDown; break;
    case QAbstractSlider::SliderToMinimum: code = scTop; break;
    case QAbstractSlider::SliderToMaximum: code = scBottom; break;
    case QAbstractSlider::SliderMove: code = scTrack; break;
    default: return;
    }
    if (code == scTrack)
        Bars_[bar].Track = sb->sliderPosition();
    // Undo Qt's own move; the control sets the bar where it decides.
    const TScrollInfo& s = Bars_[bar].Info;
    sb->setSliderPosition(std::clamp(s.Position, sb->minimum(), sb->maximum()));
    if (!Idle())
        return;
    if (bar == sbVertical)
        Edit_->VScroll(code);
    else
        Edit_->HScroll(code);
}

void TZinEditWidget::BarReleased(TScrollBarKind bar)
{
    QScrollBar* sb = bar == sbVertical ? verticalScrollBar() : horizontalScrollBar();
    Bars_[bar].Track = sb->sliderPosition();
    if (!Idle())
        return;
    if (bar == sbVertical)
        Edit_->VScroll(scPosition);
    else
        Edit_->HScroll(scPosition);
}

int32_t TZinEditWidget::ScrollTrackPosition(TScrollBarKind bar) const { return Bars_[bar].Track; }

int32_t TZinEditWidget::WheelScrollLines() const { return QApplication::wheelScrollLines(); }

void TZinEditWidget::SetCursor(TCursorShape shape)
{
    if (shape == Cursor_)
        return;
    Cursor_ = shape;
    viewport()->setCursor(shape == crArrow ? Qt::ArrowCursor : Qt::IBeamCursor);
}

std::unique_ptr<TDrawSurface> TZinEditWidget::CreateSurface() { return std::make_unique<TQtSurface>(); }

void TZinEditWidget::scrollContentsBy(int, int)
{
    // The control scrolls by repainting; Qt must not move the viewport's pixels.
}

// ---- Events -------------------------------------------------------------------------

bool TZinEditWidget::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::ShortcutOverride: {
        // Keys the control has a command for, and copying, are the
        // control's even where a menu or a button has the same shortcut.
        auto* k = static_cast<QKeyEvent*>(e);
        const uint16_t vk = VirtualKey(k->key());
        if (IsCopyKey(k) || IsCopyTextKey(k) || (vk && Edit_->Settings().KeyBindings.FindCommand(vk, KeyShift(k)) != ecNone)) {
            e->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress: {
        // Tab moves the focus on unless the control wants it.
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) &&
            !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && Edit_ && Edit_->WantsKey(VK_TAB)) {
            keyPressEvent(k);
            return true;
        }
        break;
    }
    default: break;
    }
    return QAbstractScrollArea::event(e);
}

void TZinEditWidget::paintEvent(QPaintEvent* e)
{
    const QRect area = e->rect();
    // A paint never resizes the control: that may rebuild its rows and let
    // events run inside the paint. Until the resize comes (PostCatchUp) the
    // last image is shown.
    if (Idle() && !PendingResize_) {
        CatchUpFocus();
        const QSize size = viewport()->size();
        if (Window_->Width() != size.width() || Window_->Height() != size.height()) {
            Window_->Resize(size.width(), size.height());
            NeedsPaint_ = true;
        }
        if (NeedsPaint_ && !Window_->Image().isNull()) {
            NeedsPaint_ = false;
            InPaint_ = true;
            PaintRect_ = area;
            Edit_->Paint(*Window_);
            InPaint_ = false;
            // Only part of the viewport is shown by this paint: show the rest too.
            if (!area.contains(viewport()->rect()))
                viewport()->update();
        }
    }
    QPainter p(viewport());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    const QImage& image = Window_->Image();
    p.drawImage(area.topLeft(), image, area);
    // Where the image does not reach (after a resize, until the control has
    // it): the base colour.
    if (!image.rect().contains(area)) {
        const QRegion rest = QRegion(area) - QRegion(image.rect());
        for (const QRect& r : rest)
            p.fillRect(r, palette().base());
    }
    if (CaretExists_ && CaretVisible_ && CaretOn_ && !Busy_ && hasFocus()) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(CaretRect(), QColor(255, 255, 255));
    }
}

void TZinEditWidget::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    // The control hears of it from the event loop: a resize comes inside a
    // layout pass, and the control's rebuild of its rows (wrapping at the
    // window's edge) may report progress and let events run, which must
    // not run layouts inside a layout. Input that comes first catches up
    // before it is handled.
    PendingResize_ = true;
    PostCatchUp();
    viewport()->update();
}

void TZinEditWidget::SendKey(QKeyEvent* e)
{
    const TShiftState shift = KeyShift(e);
    const uint16_t vk = VirtualKey(e->key());
    bool used = false;
    if (vk) {
        Edit_->KeyDown(vk, shift);
        used = vk == VK_TAB || Edit_->Settings().KeyBindings.FindCommand(vk, shift) != ecNone;
    }
    // Typed characters go to the control, which drops them.
    const QString text = e->text();
    for (const QChar c : text) {
        if (c.isPrint()) {
            Edit_->KeyPress(c.unicode());
            used = true;
        }
    }
    if (used)
        e->accept();
    else
        e->ignore();
}

void TZinEditWidget::keyPressEvent(QKeyEvent* e)
{
    if (!Idle()) {
        e->accept();  // no input while busy
        return;
    }
    CatchUp();
    if (IsCopyKey(e) || IsCopyTextKey(e)) {
        e->accept();
        if (!CopySelection(IsCopyTextKey(e)))
            emit CopyRefused();
        return;
    }
    if (IsSelectAllKey(e)) {
        e->accept();
        SelectAll();
        return;
    }
    SendKey(e);
}

void TZinEditWidget::mousePressEvent(QMouseEvent* e)
{
    SendMouseDown(e, TShiftState{});
}

void TZinEditWidget::mouseDoubleClickEvent(QMouseEvent* e)
{
    SendMouseDown(e, ssDouble);
}

void TZinEditWidget::SendMouseDown(QMouseEvent* e, TShiftState extra)
{
    TMouseButton button;
    if (!Idle() || !ButtonOf(e->button(), button))
        return;
    CatchUp();
    LastMouse_ = e->position().toPoint();
    if (button == mbLeft)
        LeftDown_ = true;
    Edit_->MouseDown(button, ShiftOf(e->modifiers(), e->buttons()) | extra, LastMouse_.x(), LastMouse_.y());
}

void TZinEditWidget::mouseMoveEvent(QMouseEvent* e)
{
    if (!Idle())
        return;
    CatchUp();
    LastMouse_ = e->position().toPoint();
    const TShiftState shift = ShiftOf(e->modifiers(), e->buttons());
    // A release the control did not see (it came while busy) ends the drag.
    if (LeftDown_ && !(e->buttons() & Qt::LeftButton)) {
        LeftDown_ = false;
        Edit_->MouseUp(mbLeft, shift, LastMouse_.x(), LastMouse_.y());
    }
    Edit_->MouseMove(shift, LastMouse_.x(), LastMouse_.y());
}

void TZinEditWidget::mouseReleaseEvent(QMouseEvent* e)
{
    TMouseButton button;
    if (!Idle() || !ButtonOf(e->button(), button))
        return;
    LastMouse_ = e->position().toPoint();
    if (button == mbLeft)
        LeftDown_ = false;
    Edit_->MouseUp(button, ShiftOf(e->modifiers(), e->buttons()), LastMouse_.x(), LastMouse_.y());
}

void TZinEditWidget::wheelEvent(QWheelEvent* e)
{
    e->accept();
    if (!Idle())
        return;
    CatchUp();
    const QPoint delta = e->angleDelta();
    // A touchpad sends many small steps: each full notch they add up to is
    // one scroll. A turn the other way drops what was left over.
    if (delta.y() != 0) {
        if (WheelAccumulator_ != 0 && (delta.y() > 0) != (WheelAccumulator_ > 0))
            WheelAccumulator_ = 0;
        WheelAccumulator_ += delta.y();
        while (WheelAccumulator_ >= WheelNotch) {
            WheelAccumulator_ -= WheelNotch;
            Edit_->WheelScroll(WheelNotch);
        }
        while (WheelAccumulator_ <= -WheelNotch) {
            WheelAccumulator_ += WheelNotch;
            Edit_->WheelScroll(-WheelNotch);
        }
    }
    // Sideways turns move the horizontal bar by the wheel's line count in
    // average character widths, as a dragged thumb would.
    if (delta.x() != 0) {
        if (HWheelAccumulator_ != 0 && (delta.x() > 0) != (HWheelAccumulator_ > 0))
            HWheelAccumulator_ = 0;
        HWheelAccumulator_ += delta.x();
        while (std::abs(HWheelAccumulator_) >= WheelNotch) {
            const int sign = HWheelAccumulator_ > 0 ? 1 : -1;
            HWheelAccumulator_ -= sign * WheelNotch;
            const int64_t step = int64_t{WheelScrollLines()} * Edit_->CharWidth();
            const int64_t target = int64_t{Edit_->HorzScrollBar().Position} - sign * step;
            Bars_[sbHorizontal].Track = static_cast<int32_t>(std::clamp<int64_t>(target, INT32_MIN, INT32_MAX));
            Edit_->HScroll(scTrack);
        }
    }
}

void TZinEditWidget::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    if (Idle() && !EditFocused_) {
        EditFocused_ = true;
        Edit_->FocusIn();
    }
    UpdateCaretArea();
}

void TZinEditWidget::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    if (Idle() && EditFocused_) {
        EditFocused_ = false;
        Edit_->FocusOut();
    }
    UpdateCaretArea();
}

void TZinEditWidget::inputMethodEvent(QInputMethodEvent* e)
{
    // A finished composition is fetched and handed over; the control drops it.
    if (Idle() && !e->commitString().isEmpty())
        Edit_->InputMethodResult(e->commitString().toStdU16String());
    e->accept();
}

QVariant TZinEditWidget::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return CaretRect().translated(viewport()->pos());
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}
