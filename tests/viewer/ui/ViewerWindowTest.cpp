// The viewer window driven through its widgets, on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "editor/ZinEdit.h"
#include "editor/ZinEditSettings.h"
#include "encoding/CodePage.h"
#include "platform/Files.h"
#include "platform/SystemCodePage.h"
#include "platform/qt/ZinEditWidget.h"
#include "support/TempDir.h"
#include "syntax/ZinSyntax.h"
#include "viewer/ZinViewerApplication.h"
#include "viewer/ZinViewerMainForm.h"

// Failures show QStrings as text.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace zin {
namespace {

TZinViewerApplication& App()
{
    static int argc = 1;
    static char name[] = "viewer_ui_tests";
    static char* argv[] = {name, nullptr};
    static auto* app = new TZinViewerApplication(argc, argv);
    return *app;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Closes each modal message box as soon as it shows and keeps its caption
// and text.
class TBoxCloser {
public:
    TBoxCloser()
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Titles.push_back(box->windowTitle());
                Texts.push_back(box->text());
                box->done(QMessageBox::Ok);
            }
        });
        FTimer.start(5);
    }
    std::vector<QString> Titles, Texts;

private:
    QTimer FTimer;
};

class ViewerWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        ResetEditSettings();
        FOldCodePage = SetSystemCodePage(1252);
        LoadCodePageNames();
        SetSyntaxDir(ExecutableDir() + "syntax/");
    }
    void TearDown() override { SetSystemCodePage(FOldCodePage); }

    std::unique_ptr<TZinViewerForm> MakeForm(const QString& start, int progressDelayMs = 333)
    {
        TZinViewerForm::TOptions o;
        o.IniFileName = FDir.Path() + "config/ZinViewer.ini";
        o.StartPath = start;
        o.ProgressDelayMs = progressDelayMs;
        auto form = std::make_unique<TZinViewerForm>(o);
        form->show();
        QCoreApplication::processEvents();
        return form;
    }
    template <class T>
    static T* Child(QWidget& form, const char* name)
    {
        T* w = form.findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    static QString Panel(QWidget& form, const char* name) { return Child<QLabel>(form, name)->text(); }
    static void ClickItem(QListWidget* list, const QString& text)
    {
        const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << text.toStdString();
        list->scrollToItem(items[0]);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items[0]).center());
    }
    static QAction* FindAction(QMenu* menu, const QVariant& data)
    {
        for (QAction* a : menu->actions())
            if (a->data() == data)
                return a;
        return nullptr;
    }

    test::TempDir FDir;
    int32_t FOldCodePage = 0;
};

TEST_F(ViewerWindow, BrowsingAndOpeningWriteTheCaptionAndTheStatusBar)
{
    const QString dir = Q(FDir.Path()).chopped(1);
    FDir.Write("docs/a.txt", "hello\nworld\n");
    FDir.Write("docs/w.txt", std::string("\xFF\xFE" "h\0i\0", 6));
    FDir.Write("docs/sub/inner.txt", "x");
    auto form = MakeForm(dir);
    EXPECT_EQ(form->windowTitle(), "ZinViewer - " + dir);

    // Entering a folder from the directory list.
    auto* dirs = Child<QListWidget>(*form, "DirectoryListBox1");
    const QList<QListWidgetItem*> docs = dirs->findItems(QStringLiteral("docs"), Qt::MatchEndsWith);
    ASSERT_FALSE(docs.isEmpty());
    emit dirs->itemActivated(docs.last());
    EXPECT_EQ(form->windowTitle(), "ZinViewer - " + dir + "/docs");
    // Its ancestors stand above it, its subfolders below.
    EXPECT_EQ(dirs->item(0)->text(), "/");
    EXPECT_TRUE(dirs->item(dirs->count() - 1)->text().endsWith("sub"));

    auto* files = Child<QListWidget>(*form, "FileListBox1");
    ClickItem(files, "a.txt");
    EXPECT_EQ(form->windowTitle(), "ZinViewer - " + dir + "/docs/a.txt");
    EXPECT_EQ(Panel(*form, "StatusPanel1"), "FileSize: 12  Lines: 3  Wrapped-Lines: 3 [Unix]");
    EXPECT_EQ(Panel(*form, "StatusPanel0"), "  1(0):  0  FilePos: 0");
    EXPECT_EQ(Child<QPushButton>(*form, "ButtonChangeEncode")->text(), "Encode: (1252)ANSI - Latin I")
        << "the system code page 1252 with the name the table gives it";

    // Keys move the caret; the caret panel follows.
    QTest::keyClick(&form->EditWidget(), Qt::Key_Down);
    QTest::keyClick(&form->EditWidget(), Qt::Key_End);
    EXPECT_EQ(Panel(*form, "StatusPanel0"), "  2(0):  5  FilePos: 11");

    // A file that opens as UTF-16 by its content shows that code page.
    ClickItem(files, "w.txt");
    EXPECT_EQ(Child<QPushButton>(*form, "ButtonChangeEncode")->text(), "Encode: (1200)Unicode Little-Endian");
    EXPECT_EQ(Panel(*form, "StatusPanel1"), "FileSize: 6  Lines: 1  Wrapped-Lines: 1 [DOS]");

    // A file dropped on the window opens, and the browser moves to it.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dir + "/docs/sub/inner.txt")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(form.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    QTest::qWait(20);
    EXPECT_EQ(form->windowTitle(), "ZinViewer - " + dir + "/docs/sub/inner.txt");
    EXPECT_EQ(form->CurrentDirectory(), dir + "/docs/sub");
    ASSERT_TRUE(files->currentItem());
    EXPECT_EQ(files->currentItem()->text(), "inner.txt");
}

TEST_F(ViewerWindow, AStartFileIsShownSelectedAndOpened)
{
    FDir.Write("b.log", "one\r\ntwo\r\n");
    FDir.Write("a.log", "zzz");
    auto form = MakeForm(Q(FDir.Path() + "b.log"));
    form->OpenStartPath();
    EXPECT_EQ(form->windowTitle(), Q("ZinViewer - " + FDir.Path() + "b.log"));
    auto* files = Child<QListWidget>(*form, "FileListBox1");
    ASSERT_TRUE(files->currentItem());
    EXPECT_EQ(files->currentItem()->text(), "b.log");
    EXPECT_EQ(Panel(*form, "StatusPanel1"), "FileSize: 10  Lines: 3  Wrapped-Lines: 3 [DOS]");
}

TEST_F(ViewerWindow, AFileThatCannotBeReadShowsTheErrorAndKeepsTheCaption)
{
    FDir.Write("a.txt", "first\n");
    FDir.Write("gone.txt", "soon gone");
    auto form = MakeForm(Q(FDir.Path()).chopped(1));
    auto* files = Child<QListWidget>(*form, "FileListBox1");
    ClickItem(files, "a.txt");
    const QString caption = form->windowTitle();

    std::remove((FDir.Path() + "gone.txt").c_str());
    TBoxCloser boxes;
    ClickItem(files, "gone.txt");
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(boxes.Titles[0], "Error");
    EXPECT_EQ(boxes.Texts[0], "Cannot read this file!");
    EXPECT_EQ(form->windowTitle(), caption);
    // The control keeps the file it had.
    EXPECT_EQ(Panel(*form, "StatusPanel1"), "FileSize: 6  Lines: 2  Wrapped-Lines: 2 [Unix]");

    // A copy refused as too large gets a message, and the window goes on.
    emit form->EditWidget().CopyRefused();
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_TRUE(boxes.Texts[1].contains("too large")) << boxes.Texts[1].toStdString();
}

TEST_F(ViewerWindow, EachSettingsWidgetChangesItsProperty)
{
    auto form = MakeForm(Q(FDir.Path()));
    TZinEdit& edit = form->ViewerEdit();

    struct {
        const char* Name;
        bool (TZinEdit::*Get)() const;
    } const checks[] = {
        {"CheckBoxDisplayLineNumber", &TZinEdit::DisplayLineNumber},
        {"CheckBoxShowEndOfLine", &TZinEdit::ShowEndOfLine},
        {"CheckBoxShowSpaceChar", &TZinEdit::ShowSpaceChar},
        {"CheckBoxShowTabChar", &TZinEdit::ShowTabChar},
        {"CheckBoxMarkActiveLine", &TZinEdit::MarkActiveLine},
    };
    for (const auto& c : checks) {
        auto* box = Child<QCheckBox>(*form, c.Name);
        EXPECT_TRUE(box->isChecked()) << c.Name;
        EXPECT_TRUE((edit.*c.Get)()) << c.Name;
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
        EXPECT_FALSE((edit.*c.Get)()) << c.Name;
        EXPECT_TRUE(form->EditWidget().hasFocus() || !QApplication::focusWidget()) << c.Name;
    }

    Child<QSpinBox>(*form, "CSpinEditLineSpacing")->setValue(150);
    EXPECT_FLOAT_EQ(edit.LineSpacing(), 1.5f);

    // Columns while not wrapping by columns only set the count.
    Child<QSpinBox>(*form, "CSpinEditMaxColumns")->setValue(40);
    EXPECT_EQ(edit.MaxColumns(), 40);
    EXPECT_EQ(edit.WordWrapMode(), wwmNoWrap);
    Child<QRadioButton>(*form, "RadioButtonWordWrapByColumn")->click();
    EXPECT_EQ(edit.WordWrapMode(), wwmWrapByColumn);
    EXPECT_EQ(edit.MaxColumns(), 40);
    Child<QRadioButton>(*form, "RadioButtonWordWrapByWindow")->click();
    EXPECT_EQ(edit.WordWrapMode(), wwmWrapByWindow);
    Child<QRadioButton>(*form, "RadioButtonNoWrap")->click();
    EXPECT_EQ(edit.WordWrapMode(), wwmNoWrap);

    Child<QRadioButton>(*form, "RadioButtonColumnMode")->click();
    EXPECT_EQ(edit.EditMode(), emColumnMode);
    Child<QRadioButton>(*form, "RadioButtonHexMode")->click();
    EXPECT_EQ(edit.EditMode(), emHexMode);
    Child<QRadioButton>(*form, "RadioButtonTextMode")->click();
    EXPECT_EQ(edit.EditMode(), emTextMode);

    // The font size from the spin edit and from its menu; the menu has the
    // sizes 1 to 98.
    auto* size = Child<QSpinBox>(*form, "CSpinEditFontSize");
    EXPECT_EQ(size->value(), 16);
    size->setValue(12);
    EXPECT_EQ(edit.Font().Size(), 12);
    auto* sizes = Child<QMenu>(*form, "PopupMenuFontSizes");
    EXPECT_EQ(sizes->actions().size(), 98);
    FindAction(sizes, 30)->trigger();
    EXPECT_EQ(edit.Font().Size(), 30);
    EXPECT_EQ(size->value(), 30);
    EXPECT_EQ(form->windowTitle(), Q("ZinViewer - " + FDir.Path()).chopped(1)) << "the busy caption is gone";

    // The font menu: six groups, then names outside them.
    auto* fonts = Child<QMenu>(*form, "PopupMenuFonts");
    const QList<QAction*> top = fonts->actions();
    ASSERT_GE(top.size(), 6);
    EXPECT_EQ(top[1]->text(), "[ABCDE]");
    EXPECT_EQ(top[5]->text(), "[UVWXYZ]");
    QAction* dejavu = nullptr;
    for (QAction* a : top[1]->menu()->actions())
        if (a->data().toString() == "DejaVu Sans Mono")
            dejavu = a;
    ASSERT_TRUE(dejavu) << "fonts-dejavu-core provides DejaVu Sans Mono";
    dejavu->trigger();
    EXPECT_EQ(edit.Font().Name(), "DejaVu Sans Mono");
    EXPECT_EQ(Child<QPushButton>(*form, "ButtonChangeFont")->text(), "Font: DejaVu Sans Mono");
}

TEST_F(ViewerWindow, TheEncodingMenuSwitchesCodePageButtonAndFont)
{
    FDir.Write("t.txt", "caf\xC3\xA9\n");
    auto form = MakeForm(Q(FDir.Path()).chopped(1));
    TZinEdit& edit = form->ViewerEdit();
    EXPECT_EQ(edit.CodePage(), 1252);
    auto* encodes = Child<QMenu>(*form, "PopupMenuEncodes");
    ASSERT_EQ(encodes->actions().size(), CodePageCount);
    EXPECT_EQ(encodes->actions()[0]->text(), QString::fromLatin1(CodePageTable[0].Name));

    // The font chosen under 1252 stays with 1252; UTF-8 brings its own.
    SetNameField(FindCodePage(65001)->FixedWidthFont, "Liberation Mono");
    FindAction(Child<QMenu>(*form, "PopupMenuFonts")->actions()[1]->menu(), QString("DejaVu Sans Mono"))->trigger();
    FindAction(encodes, 65001)->trigger();
    EXPECT_EQ(edit.CodePage(), 65001);
    EXPECT_EQ(Child<QPushButton>(*form, "ButtonChangeEncode")->text(), "Encode: (65001)Unicode UTF-8");
    EXPECT_EQ(Child<QPushButton>(*form, "ButtonChangeFont")->text(), "Font: Liberation Mono");
    FindAction(encodes, 1252)->trigger();
    EXPECT_EQ(Child<QPushButton>(*form, "ButtonChangeFont")->text(), "Font: DejaVu Sans Mono");
    EXPECT_EQ(Child<QPushButton>(*form, "ButtonChangeEncode")->text(), "Encode: (1252)ANSI - Latin I");
}

TEST_F(ViewerWindow, SettingsAreWrittenAtCloseAndReadAtTheNextStart)
{
    const std::string ini = FDir.Path() + "config/ZinViewer.ini";
    {
        auto form = MakeForm(Q(FDir.Path()));
        Child<QSpinBox>(*form, "CSpinEditFontSize")->setValue(20);
        Child<QSpinBox>(*form, "CSpinEditLineSpacing")->setValue(150);
        Child<QRadioButton>(*form, "RadioButtonWordWrapByWindow")->click();
        Child<QCheckBox>(*form, "CheckBoxShowSpaceChar")->click();
        Child<QRadioButton>(*form, "RadioButtonColumnMode")->click();
        EXPECT_FALSE(FileExists(ini)) << "written only at close";
    }
    const std::string text = test::ReadFileBytes(ini);
    ASSERT_FALSE(text.empty()) << "the folder and the file are created at close";
    for (const char* line : {"[ZinEdit]", "FN1252=Courier New", "FontSize=20", "LineSpacing=150", "WordWrapMode=1",
                             "MaxColumns=80", "ShowSpaceChar=0", "ShowTabChar=1"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find("ZinEdit Keys"), std::string::npos);

    // A new process starts from the built-in values and reads the file.
    ResetEditSettings();
    auto form = MakeForm(Q(FDir.Path()));
    TZinEdit& edit = form->ViewerEdit();
    EXPECT_EQ(edit.Font().Size(), 20);
    EXPECT_EQ(Child<QSpinBox>(*form, "CSpinEditFontSize")->value(), 20);
    EXPECT_EQ(Child<QSpinBox>(*form, "CSpinEditLineSpacing")->value(), 150);
    EXPECT_FLOAT_EQ(edit.LineSpacing(), 1.5f) << "the whole percent comes back from the spin edit";
    EXPECT_TRUE(Child<QRadioButton>(*form, "RadioButtonWordWrapByWindow")->isChecked());
    EXPECT_EQ(edit.WordWrapMode(), wwmWrapByWindow);
    EXPECT_FALSE(Child<QCheckBox>(*form, "CheckBoxShowSpaceChar")->isChecked());
    EXPECT_FALSE(edit.ShowSpaceChar());
    // The edit mode is not kept.
    EXPECT_TRUE(Child<QRadioButton>(*form, "RadioButtonTextMode")->isChecked());
}

TEST_F(ViewerWindow, ALongLoadShowsProgressWhileTheControlStaysOut)
{
    // Larger than the 8 MiB kept in memory: read from disk in several
    // progress steps.
    std::string line = "2024-01-01 12:00:00 INFO some event happened here with a few words\n";
    std::string big;
    while (big.size() < 24u * 1024 * 1024)
        big += line;
    FDir.Write("big.log", big);
    auto form = MakeForm(Q(FDir.Path()).chopped(1), 0);
    TZinEdit& edit = form->ViewerEdit();
    TZinEditWidget& widget = form->EditWidget();
    auto* bar = Child<QProgressBar>(*form, "StatusProgress");
    auto* busyLabel = Child<QLabel>(*form, "StatusBusy");
    EXPECT_FALSE(bar->isVisible());

    struct TSeen {
        int Reports = 0;
        bool AlwaysBusy = true;
        bool AlwaysShown = true;
        bool Caption = true;
        int LastValue = -1;
        bool Rising = true;
        bool StillOpen = true;
    } seen;
    const int paintsBefore = edit.Paints();
    int paintsDuring = -1;
    auto formProgress = edit.OnProgress;
    edit.OnProgress = [&](uint64_t done, uint64_t total) {
        formProgress(done, total);  // shows the bar and lets the window paint
        ++seen.Reports;
        seen.AlwaysBusy &= widget.Busy() && form->Working();
        seen.AlwaysShown &= bar->isVisible() && busyLabel->isVisible();
        seen.Caption &= form->windowTitle() == "Loading..." && busyLabel->text() == "Loading...";
        seen.Rising &= bar->value() >= seen.LastValue;
        seen.LastValue = bar->value();
        // Paint requests, keys, the wheel and a click do not reach the
        // control while its store is half-built; closing waits.
        widget.viewport()->repaint();
        QTest::keyClick(&widget, Qt::Key_End, Qt::ControlModifier);
        QTest::mouseClick(widget.viewport(), Qt::LeftButton, {}, QPoint(50, 20));
        QCoreApplication::processEvents();
        paintsDuring = edit.Paints();
        if (seen.Reports == 1)
            form->close();
        seen.StillOpen &= form->isVisible();
    };
    ASSERT_TRUE(form->OpenFile(Q(FDir.Path() + "big.log")));
    EXPECT_GE(seen.Reports, 2);
    EXPECT_TRUE(seen.AlwaysBusy);
    EXPECT_TRUE(seen.AlwaysShown);
    EXPECT_TRUE(seen.Caption);
    EXPECT_TRUE(seen.Rising);
    EXPECT_TRUE(seen.StillOpen);
    EXPECT_EQ(paintsDuring, paintsBefore) << "the control painted while its store was half-built";
    EXPECT_EQ(edit.Caret().FilePos, 0u) << "a key reached the control during the load";

    // Done: the bar is gone, the control is back, and the close asked for
    // during the load happens.
    EXPECT_FALSE(widget.Busy());
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(edit.LineStore().FileSize(), big.size());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ViewerWindow, AnErrorEscapingAHandlerIsShownAndTheProgramGoesOn)
{
    TBoxCloser boxes;
    const int before = App().ErrorsShown();
    QTimer::singleShot(0, [] { throw std::runtime_error("Scrollbar property out of range"); });
    bool later = false;
    QTimer::singleShot(30, [&] { later = true; });
    QTest::qWait(100);
    EXPECT_EQ(App().ErrorsShown(), before + 1);
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(boxes.Texts[0], "Scrollbar property out of range");
    EXPECT_TRUE(later);
}

}  // namespace
}  // namespace zin
