// The editor widget driven by QTest events on the offscreen platform: keys
// and drags move the caret and select, the scroll bar's thumb scrolls the
// view, copying fills the clipboard, the wheel counts notches, and a page
// shows its colours.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <memory>
#include <string>

#include "QtTestApp.h"
#include "editor/ZinEdit.h"
#include "editor/ZinEditSettings.h"
#include "encoding/CodePage.h"
#include "platform/SystemCodePage.h"
#include "widget/QtSurface.h"
#include "widget/ZinEditWidget.h"
#include "support/TempDir.h"
#include "syntax/ZinSyntax.h"

namespace zin::test {
namespace {

class EditWidgetTest : public ::testing::Test {
protected:
    EditWidgetTest()
    {
        QtApp();
        LoadCodePageNames();
        SetSystemCodePage(1252);
        Window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(Window.get());
        W = new TZinEditWidget;
        Other = new QLineEdit;
        layout->addWidget(W);
        layout->addWidget(Other);
        Window->resize(800, 600);
        Window->show();
        QApplication::setActiveWindow(Window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        W->setFocus();
        QApplication::processEvents();
    }
    ~EditWidgetTest() override
    {
        Window.reset();
        SetSystemCodePage(0);
    }

    TZinEdit& Edit() { return W->Edit(); }
    void Load(const std::string& bytes, const std::string& name = "test.txt")
    {
        ASSERT_TRUE(Edit().LoadFromFile(Dir.Write(name, bytes)));
        QApplication::processEvents();
    }
    // The viewport point of row r (from the top of the window), x pixels
    // into its text.
    QPoint At(int32_t row, int32_t x) const
    {
        TZinEdit& e = W->Edit();
        return QPoint(e.GutterWidth() + e.LeftMargin() + x, row * e.RowHeight() + e.RowHeight() / 2);
    }
    std::string Selected()
    {
        std::u16string text;
        EXPECT_TRUE(Edit().SelectedText(text));
        return QString::fromStdU16String(text).toStdString();
    }
    void Wheel(QPoint angle)
    {
        const QPointF pos(100, 100);
        QWheelEvent e(pos, W->viewport()->mapToGlobal(pos), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(W->viewport(), &e);
    }
    // What the viewport shows.
    QImage Shown() { return W->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    TempDir Dir;
    std::unique_ptr<QWidget> Window;
    TZinEditWidget* W = nullptr;
    QLineEdit* Other = nullptr;
};

std::string Lines(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "line " + std::to_string(i) + "\n";
    return s;
}

// Arrows, Shift and End reach the control as its key codes; Tab stays with
// it; a drag with the left button selects from the press to the release.
TEST_F(EditWidgetTest, KeysAndADragMoveTheCaretAndSelect)
{
    Load("abcdef\nsecond line\nthird\n");
    QTest::keyClick(W, Qt::Key_Right);
    QTest::keyClick(W, Qt::Key_Right);
    QTest::keyClick(W, Qt::Key_Down);
    EXPECT_EQ(Edit().Caret().Row, 1);
    EXPECT_EQ(Edit().CaretCharIndex(), 2);
    QTest::keyClick(W, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_TRUE(Edit().Selecting());
    EXPECT_EQ(Selected(), "cond line");
    QTest::keyClick(W, Qt::Key_Left);
    EXPECT_FALSE(Edit().Selecting());
    // Letters are typed into nothing; Tab does not move the focus away.
    QTest::keyClicks(W, "xyz");
    QTest::keyClick(W, Qt::Key_Tab);
    EXPECT_TRUE(W->hasFocus());
    EXPECT_EQ(Edit().LineStore().FileSize(), 25u);

    const int32_t cw = Edit().GetCharWidth(u'a');
    QTest::mousePress(W->viewport(), Qt::LeftButton, {}, At(0, cw + 1));
    QTest::mouseMove(W->viewport(), At(1, 3 * cw + 1));
    QTest::mouseMove(W->viewport(), At(2, 2 * cw + 1));
    QTest::mouseRelease(W->viewport(), Qt::LeftButton, {}, At(2, 2 * cw + 1));
    EXPECT_TRUE(Edit().Selecting());
    EXPECT_EQ(Edit().Caret().Row, 2);
    EXPECT_EQ(Selected(), "bcdef\nsecond line\nth");
    // Moving afterwards, with the button up, selects no further.
    QTest::mouseMove(W->viewport(), At(0, 0));
    EXPECT_EQ(Selected(), "bcdef\nsecond line\nth");
}

// The thumb dragged with the mouse scrolls the view as it goes; line steps
// scroll by a row; the bar's range leaves room for the page; Qt moves the
// thumb only where the control puts it (to the bottom: the bar, not the view).
TEST_F(EditWidgetTest, TheScrollBarDrivesTheViewThroughTheControl)
{
    Load(Lines(1000));
    QScrollBar* sb = W->verticalScrollBar();
    const TZinScrollBar& bar = Edit().VertScrollBar();
    EXPECT_EQ(sb->minimum(), bar.Min);
    EXPECT_EQ(sb->maximum(), bar.Max - bar.PageSize + 1);
    EXPECT_EQ(sb->pageStep(), bar.PageSize);
    EXPECT_TRUE(sb->isEnabled());

    sb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Edit().TopRow(), 1);
    EXPECT_EQ(sb->value(), 1);
    sb->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Edit().TopRow(), 1 + bar.LargeChange);
    sb->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Edit().TopRow(), 1 + bar.LargeChange) << "to the bottom moves the bar only";
    // The control keeps its last position a row below where the thumb can go.
    EXPECT_EQ(sb->value(), sb->maximum());
    EXPECT_EQ(bar.Position, bar.Max - bar.LargeChange);
    sb->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(sb->value(), 0);

    // Drag the thumb down with the mouse.
    QStyleOptionSlider opt;
    opt.initFrom(sb);
    opt.subControls = QStyle::SC_All;
    opt.orientation = Qt::Vertical;
    opt.minimum = sb->minimum();
    opt.maximum = sb->maximum();
    opt.sliderPosition = opt.sliderValue = sb->value();
    opt.singleStep = sb->singleStep();
    opt.pageStep = sb->pageStep();
    const QRect thumb = sb->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, sb);
    ASSERT_TRUE(thumb.isValid());
    const int top = Edit().TopRow();
    QTest::mousePress(sb, Qt::LeftButton, {}, thumb.center());
    QTest::mouseMove(sb, thumb.center() + QPoint(0, 40));
    const int during = Edit().TopRow();
    EXPECT_GT(during, top + 10);
    EXPECT_EQ(sb->value(), during);
    QTest::mouseMove(sb, thumb.center() + QPoint(0, 80));
    EXPECT_GT(Edit().TopRow(), during);
    QTest::mouseRelease(sb, Qt::LeftButton, {}, thumb.center() + QPoint(0, 80));
    EXPECT_EQ(sb->value(), Edit().TopRow());
    EXPECT_EQ(bar.Position, Edit().TopRow());
}

// Ctrl+C and Ctrl+Insert put the selection on the clipboard; without a
// selection the clipboard keeps what it had. Ctrl+A selects everything.
TEST_F(EditWidgetTest, CopyingPutsTheSelectionOnTheClipboard)
{
    Load("first\r\nsecond\r\n");
    QClipboard* clip = QGuiApplication::clipboard();
    clip->setText("before");
    QSignalSpy refused(W, &TZinEditWidget::CopyRefused);
    QTest::keyClick(W, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clip->text().toStdString(), "before");
    QTest::keyClick(W, Qt::Key_Right);
    QTest::keyClick(W, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(W, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clip->text().toStdString(), "irst\r\ns");
    QTest::keyClick(W, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(W, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(W, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(clip->text().toStdString(), "first\r\nsecond\r\n");
    // Ctrl+A selects everything, wherever the caret stood.
    QTest::keyClick(W, Qt::Key_Up);
    clip->setText("before");
    QTest::keyClick(W, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(W, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clip->text().toStdString(), "first\r\nsecond\r\n");
    EXPECT_EQ(refused.count(), 0);

    // Hex mode: Ctrl+C copies the selected bytes in hexadecimal, Ctrl+Shift+C
    // as text; Tab stays with the control and takes the caret to the
    // characters; Ctrl+A selects every byte.
    Edit().SetEditMode(emHexMode);
    QTest::keyClick(W, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(W, Qt::Key_Right);
    QTest::keyClick(W, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(W, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clip->text().toStdString(), "69 72");
    QTest::keyClick(W, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clip->text().toStdString(), "ir");
    QTest::keyClick(W, Qt::Key_Tab);
    EXPECT_TRUE(Edit().HexInChars());
    EXPECT_TRUE(W->hasFocus());
    QTest::keyClick(W, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(W, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clip->text().toStdString(), "first\r\nsecond\r\n");
}

// One notch scrolls the system's line count, whatever the sign says about
// the direction; a touchpad's ten steps of 12 make one notch; sideways
// motion never scrolls vertically.
TEST_F(EditWidgetTest, TheWheelScrollsOncePerNotch)
{
    Load(Lines(500));
    const int lines = QApplication::wheelScrollLines();
    ASSERT_GT(lines, 0);
    Wheel(QPoint(0, -120));
    EXPECT_EQ(Edit().TopRow(), lines);
    Wheel(QPoint(0, -120));
    Wheel(QPoint(0, 120));
    EXPECT_EQ(Edit().TopRow(), lines);
    for (int i = 0; i < 9; ++i)
        Wheel(QPoint(0, -12));
    EXPECT_EQ(Edit().TopRow(), lines);
    Wheel(QPoint(0, -12));
    EXPECT_EQ(Edit().TopRow(), 2 * lines);
    // Half a notch down then a turn up: the half is dropped, not added.
    Wheel(QPoint(0, -60));
    Wheel(QPoint(0, 120));
    EXPECT_EQ(Edit().TopRow(), lines);
    Wheel(QPoint(-120, 0));
    Wheel(QPoint(240, 0));
    EXPECT_EQ(Edit().TopRow(), lines);
}

// While busy, and while the control works inside a load (its progress
// reports let the application run events), the control is neither painted
// nor given input, and Qt does not move a bar by itself; afterwards all
// goes to the control again.
TEST_F(EditWidgetTest, NothingReachesTheControlWhileItIsBusy)
{
    Load(Lines(200));
    QScrollBar* sb = W->verticalScrollBar();
    W->SetBusy(true);
    EXPECT_TRUE(W->Busy());
    const int paints = Edit().Paints();
    QTest::keyClick(W, Qt::Key_Down);
    Wheel(QPoint(0, -120));
    sb->triggerAction(QAbstractSlider::SliderPageStepAdd);
    W->resize(W->width() - 50, W->height() - 50);
    W->viewport()->repaint();
    EXPECT_EQ(Edit().Caret().Row, 0);
    EXPECT_EQ(Edit().TopRow(), 0);
    EXPECT_EQ(sb->value(), 0);
    EXPECT_EQ(Edit().Paints(), paints);
    W->SetBusy(false);
    QApplication::processEvents();  // the new size comes from the event loop
    W->viewport()->repaint();
    EXPECT_GT(Edit().Paints(), paints);
    EXPECT_EQ(Edit().ClientRect().Width(), W->viewport()->width()) << "the new size reaches the control";
    QTest::keyClick(W, Qt::Key_Down);
    EXPECT_EQ(Edit().Caret().Row, 1);

    int reports = 0;
    Edit().OnProgress = [&](uint64_t, uint64_t) {
        ++reports;
        const int before = Edit().Paints();
        W->viewport()->repaint();
        QTest::keyClick(W, Qt::Key_Down);
        Wheel(QPoint(0, -120));
        EXPECT_EQ(Edit().Paints(), before);
    };
    std::string big;
    while (big.size() < (size_t{12} << 20))
        big += "a line of a long file\n";
    Load(big);
    EXPECT_GT(reports, 0);
    EXPECT_EQ(Edit().Caret().Row, 0);
    EXPECT_EQ(Edit().TopRow(), 0);
}

// The painted page: a keyword in its colour, the active-line frame, and a
// selection as inverted pixels; and the widget shows what the control
// painted.
TEST_F(EditWidgetTest, APageShowsItsColours)
{
    Load("return 0;\n\nplain words here\n", "page.cpp");
    W->clearFocus();  // no caret over the pixels
    QApplication::processEvents();
    TZinEdit& e = Edit();
    const TZinSyntax* syntax = e.LineStore().Syntax();
    ASSERT_NE(syntax, nullptr);
    const QImage page = Shown();
    const int32_t cw = e.GetCharWidth(u'r');
    const int32_t x0 = e.GutterWidth() + e.LeftMargin() + 1;
    const int32_t y0 = e.ExtraSpacing() / 2;

    // "return" is blue (0000ff in the definition), the plain words are not.
    auto countColour = [&](int row, int chars, QRgb c) {
        int n = 0;
        for (int y = row * e.RowHeight() + y0; y < row * e.RowHeight() + y0 + e.CharHeight(); ++y)
            for (int x = x0; x < x0 + chars * cw; ++x)
                n += (page.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF);
        return n;
    };
    EXPECT_GT(countColour(0, 6, qRgb(0, 0, 255)), 10);
    EXPECT_EQ(countColour(2, 16, qRgb(0, 0, 255)), 0);

    // The active-line frame around the caret's row, in the "activeline" colour.
    const QRgb frame = TQtSurface::ToRgb(syntax->SelectStyle(0, syntax->Styles[seActiveLine]).Foreground);
    int32_t fx = e.GutterWidth() + e.LeftMargin() - e.HorzOffset() - 1;
    if (fx <= e.GutterWidth())
        fx = e.GutterWidth() > 0 ? e.GutterWidth() + 1 : 0;
    const int32_t fw = e.ClientRect().Width() - fx - 1;
    EXPECT_EQ(page.pixel(fx + fw / 2, y0) & 0xFFFFFF, frame & 0xFFFFFF);
    EXPECT_EQ(page.pixel(fx + fw / 2, y0 + e.CharHeight()) & 0xFFFFFF, frame & 0xFFFFFF);
    EXPECT_EQ(page.pixel(fx, y0 + e.CharHeight() / 2) & 0xFFFFFF, frame & 0xFFFFFF);

    // Select "plain" on row 2 with Shift+Right: exactly those pixels are
    // inverted over the character height.
    W->setFocus();
    QTest::keyClick(W, Qt::Key_Down);
    QTest::keyClick(W, Qt::Key_Down);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(W, Qt::Key_Right, Qt::ShiftModifier);
    e.SetMarkActiveLine(false);
    W->clearFocus();
    QApplication::processEvents();
    const QImage selected = Shown();
    const int32_t top = 2 * e.RowHeight() + y0;
    const int32_t left = e.GutterWidth() + e.LeftMargin();
    int inverted = 0, other = 0;
    for (int y = top; y < top + e.CharHeight(); ++y) {
        for (int x = left; x < left + 8 * cw; ++x) {
            const QRgb before = page.pixel(x, y) & 0xFFFFFF, after = selected.pixel(x, y) & 0xFFFFFF;
            if (x < left + 5 * cw)
                inverted += after == (before ^ 0xFFFFFF);
            else
                other += after != before;
        }
    }
    EXPECT_EQ(inverted, 5 * cw * e.CharHeight());
    EXPECT_EQ(other, 0);
}

}  // namespace
}  // namespace zin::test
