// The viewer window driven through its widgets, on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSet>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "editor/ZinEdit.h"
#include "editor/ZinEditSettings.h"
#include "encoding/CodePage.h"
#include "platform/Files.h"
#include "platform/SystemCodePage.h"
#include "widget/ZinEditWidget.h"
#include "support/TempDir.h"
#include "syntax/ZinSyntax.h"
#include "viewer/ZinViewerApplication.h"
#include "viewer/ViewerFindBar.h"
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
// and text, and the caption of the window it stands over.
class TBoxCloser {
public:
    TBoxCloser()
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Titles.push_back(box->windowTitle());
                Texts.push_back(box->text());
                Owners.push_back(box->parentWidget() ? box->parentWidget()->window()->windowTitle() : QString());
                box->done(QMessageBox::Ok);
            }
        });
        FTimer.start(5);
    }
    std::vector<QString> Titles, Texts, Owners;

private:
    QTimer FTimer;
};

class ViewerWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        FOldCodePage = SetSystemCodePage(1252);
        LoadCodePageNames();
        SetSyntaxDir(ExecutableDir() + "syntax/");
    }
    void TearDown() override { SetSystemCodePage(FOldCodePage); }

    std::unique_ptr<TZinViewerForm> MakeForm(const std::string& start, int progressDelayMs = 333)
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
    // A window that opens a start file, its settings file in the test's folder.
    TZinViewerForm::TOptions StartOptions(const std::string& path)
    {
        TZinViewerForm::TOptions o;
        o.IniFileName = FDir.Path() + "config/ZinViewer.ini";
        o.StartPath = path;
        return o;
    }
    static void ShowActive(QWidget& form)
    {
        form.show();
        form.activateWindow();
        QCoreApplication::processEvents();
    }
    // "line 1" to "line n", each with a line feed.
    static std::string NumberedLines(int n)
    {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += "line " + std::to_string(i + 1) + "\n";
        return text;
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
    const std::string dirBytes = FDir.Path().substr(0, FDir.Path().size() - 1);
    const QString dir = Q(dirBytes);
    FDir.Write("docs/a.txt", "hello\nworld\n");
    FDir.Write("docs/w.txt", std::string("\xFF\xFE" "h\0i\0", 6));
    FDir.Write("docs/sub/inner.txt", "x");
    auto form = MakeForm(dirBytes);
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
    // In hex mode the panel shows the caret's byte: its offset and value;
    // back in text mode the caret is where it was.
    Child<QRadioButton>(*form, "RadioButtonHexMode")->click();
    EXPECT_EQ(Panel(*form, "StatusPanel0"), "  Offset: 11 (0xB)  Byte: 0x0A (10)");
    QTest::keyClick(&form->EditWidget(), Qt::Key_Left);
    EXPECT_EQ(Panel(*form, "StatusPanel0"), "  Offset: 10 (0xA)  Byte: 0x64 (100)");
    Child<QRadioButton>(*form, "RadioButtonTextMode")->click();
    EXPECT_EQ(Panel(*form, "StatusPanel0"), "  2(0):  4  FilePos: 10");

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
    EXPECT_EQ(form->CurrentDirectory(), dirBytes + "/docs/sub");
    ASSERT_TRUE(files->currentItem());
    EXPECT_EQ(files->currentItem()->text(), "inner.txt");
}

TEST_F(ViewerWindow, AStartFileIsShownSelectedAndOpened)
{
    FDir.Write("b.log", "one\r\ntwo\r\n");
    FDir.Write("a.log", "zzz");
    auto form = MakeForm(FDir.Path() + "b.log");
    form->OpenStartPath();
    EXPECT_EQ(form->windowTitle(), Q("ZinViewer - " + FDir.Path() + "b.log"));
    auto* files = Child<QListWidget>(*form, "FileListBox1");
    ASSERT_TRUE(files->currentItem());
    EXPECT_EQ(files->currentItem()->text(), "b.log");
    EXPECT_EQ(Panel(*form, "StatusPanel1"), "FileSize: 10  Lines: 3  Wrapped-Lines: 3 [DOS]");
}

TEST_F(ViewerWindow, AFileThatCannotBeReadShowsWhyAndKeepsWhatIsShown)
{
    FDir.Write("a.txt", "first\n");
    FDir.Write("gone.txt", "soon gone");
    auto form = MakeForm(FDir.Path().substr(0, FDir.Path().size() - 1));
    auto* files = Child<QListWidget>(*form, "FileListBox1");
    ClickItem(files, "a.txt");
    const QString caption = form->windowTitle();

    std::remove((FDir.Path() + "gone.txt").c_str());
    TBoxCloser boxes;
    ClickItem(files, "gone.txt");
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(boxes.Titles[0], "Error");
    EXPECT_EQ(boxes.Texts[0], "Cannot read this file!\nNo such file or directory");
    EXPECT_EQ(boxes.Owners[0], caption) << "the caption while the message is up";
    EXPECT_EQ(form->windowTitle(), caption);
    // The control keeps the file it had, and the list selects it again.
    EXPECT_EQ(Panel(*form, "StatusPanel1"), "FileSize: 6  Lines: 2  Wrapped-Lines: 2 [Unix]");
    ASSERT_TRUE(files->currentItem());
    EXPECT_EQ(files->currentItem()->text(), "a.txt");

    // A pipe, a device and a dangling link say why too.
    const std::string fifo = FDir.Path() + "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink("nowhere", (FDir.Path() + "dangling").c_str()), 0);
    const std::pair<std::string, QString> cases[] = {
        {fifo, "It is a pipe or a device"},
        {"/dev/zero", "It is a pipe or a device"},
        {FDir.Path() + "dangling", "No such file or directory"},
    };
    for (const auto& [path, reason] : cases) {
        boxes.Texts.clear();
        EXPECT_FALSE(form->OpenFile(path)) << path;
        ASSERT_EQ(boxes.Texts.size(), 1u) << path;
        EXPECT_EQ(boxes.Texts[0], "Cannot read this file!\n" + reason) << path;
        EXPECT_EQ(form->windowTitle(), caption) << path;
    }

    // A copy refused as too large gets a message, and the window goes on.
    boxes.Texts.clear();
    emit form->EditWidget().CopyRefused();
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_TRUE(boxes.Texts[0].contains("too large")) << boxes.Texts[0].toStdString();
}

// A path whose bytes are not UTF-8 opens from the command line, the file
// list, the directory list and a drop alike; it shows with a replacement
// character.
TEST_F(ViewerWindow, PathsThatAreNotUtf8OpenByTheirBytes)
{
    const std::string latin = "caf\xE9.txt";  // a Latin-1 name
    FDir.Write(latin, "bytes\n");
    FDir.Write("plain.txt", "p\n");
    FDir.Write("d\xFF/in.txt", "inner file\n");
    const QString shown = Q(FDir.Path()) + QString::fromUtf8("caf\xEF\xBF\xBD.txt");

    auto form = MakeForm(FDir.Path() + latin);
    EXPECT_TRUE(form->OpenStartPath());
    EXPECT_EQ(form->ShownFile(), FDir.Path() + latin);
    EXPECT_EQ(form->windowTitle(), "ZinViewer - " + shown);
    EXPECT_EQ(Panel(*form, "StatusPanel1"), "FileSize: 6  Lines: 2  Wrapped-Lines: 2 [Unix]");
    auto* files = Child<QListWidget>(*form, "FileListBox1");
    ASSERT_TRUE(files->currentItem());
    EXPECT_EQ(files->currentItem()->text(), QString::fromUtf8("caf\xEF\xBF\xBD.txt"));

    ClickItem(files, "plain.txt");
    ClickItem(files, QString::fromUtf8("caf\xEF\xBF\xBD.txt"));
    EXPECT_EQ(form->ShownFile(), FDir.Path() + latin);
    EXPECT_EQ(Panel(*form, "StatusPanel1"), "FileSize: 6  Lines: 2  Wrapped-Lines: 2 [Unix]");

    auto* dirs = Child<QListWidget>(*form, "DirectoryListBox1");
    const QList<QListWidgetItem*> odd = dirs->findItems(QString::fromUtf8("d\xEF\xBF\xBD"), Qt::MatchEndsWith);
    ASSERT_EQ(odd.size(), 1);
    emit dirs->itemActivated(odd[0]);
    EXPECT_EQ(form->CurrentDirectory(), FDir.Path() + "d\xFF");
    ClickItem(files, "in.txt");
    EXPECT_EQ(form->ShownFile(), FDir.Path() + "d\xFF/in.txt");
    EXPECT_EQ(Panel(*form, "StatusPanel1"), "FileSize: 11  Lines: 2  Wrapped-Lines: 2 [Unix]");

    // Dropped: the address carries the bytes as escapes.
    QMimeData mime;
    mime.setUrls({QUrl::fromEncoded("file://" + QByteArray::fromStdString(FDir.Path() + latin).toPercentEncoding("/"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(form.get(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(form.get(), &drop);
    QTest::qWait(20);
    EXPECT_EQ(form->ShownFile(), FDir.Path() + latin);
    EXPECT_EQ(form->CurrentDirectory(), FDir.Path().substr(0, FDir.Path().size() - 1));
    EXPECT_EQ(Panel(*form, "StatusPanel1"), "FileSize: 6  Lines: 2  Wrapped-Lines: 2 [Unix]");
}

// Entering a folder shows its files from the top, whatever was selected or
// scrolled to before; the caption keeps naming the file still shown, and
// the list selects it only in its own folder.
TEST_F(ViewerWindow, EnteringAFolderShowsItsFilesFromTheTop)
{
    for (const char* folder : {"one", "two"})
        for (int i = 0; i < 200; ++i)
            FDir.Write(std::string(folder) + "/f" + std::to_string(1000 + i) + ".txt", "x\n");
    auto form = MakeForm(FDir.Path() + "one");
    auto* files = Child<QListWidget>(*form, "FileListBox1");
    ClickItem(files, "f1199.txt");
    const QString caption = Q("ZinViewer - " + FDir.Path() + "one/f1199.txt");
    EXPECT_EQ(form->windowTitle(), caption);
    ASSERT_GT(files->verticalScrollBar()->value(), 0);

    form->SetDirectory(FDir.Path() + "two");
    QCoreApplication::processEvents();
    EXPECT_EQ(form->CurrentDirectory(), FDir.Path() + "two");
    EXPECT_EQ(form->windowTitle(), caption);
    EXPECT_EQ(files->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(files->currentItem()) << "two/f1199.txt is not the file shown";

    form->SetDirectory(FDir.Path() + "one");
    QCoreApplication::processEvents();
    EXPECT_EQ(form->windowTitle(), caption);
    EXPECT_EQ(files->verticalScrollBar()->value(), 0);
    ASSERT_TRUE(files->currentItem());
    EXPECT_EQ(files->currentItem()->text(), "f1199.txt");
}

TEST_F(ViewerWindow, EachSettingsWidgetChangesItsProperty)
{
    auto form = MakeForm(FDir.Path());
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
    // The settings file gives UTF-8 a font of its own.
    FDir.Write("config/ZinViewer.ini", "[ZinEdit]\nFN65001=Liberation Mono\n");
    auto form = MakeForm(FDir.Path().substr(0, FDir.Path().size() - 1));
    TZinEdit& edit = form->ViewerEdit();
    EXPECT_EQ(edit.CodePage(), 1252);
    auto* encodes = Child<QMenu>(*form, "PopupMenuEncodes");
    ASSERT_EQ(encodes->actions().size(), CodePageCount);
    EXPECT_EQ(encodes->actions()[0]->text(), QString::fromLatin1(CodePageTable[0].Name));

    // The font chosen under 1252 stays with 1252; UTF-8 brings its own.
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
        auto form = MakeForm(FDir.Path());
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

    // The next start reads the file.
    auto form = MakeForm(FDir.Path());
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
    auto form = MakeForm(FDir.Path().substr(0, FDir.Path().size() - 1), 0);
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
    ASSERT_TRUE(form->OpenFile(FDir.Path() + "big.log"));
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

// Counts the resize events that reach widgets while the window works.
class TResizeWatch : public QObject {
public:
    explicit TResizeWatch(const TZinViewerForm& form) : FForm(form) {}
    int DuringWork = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Resize && FForm.Working())
            ++DuringWork;
        return false;
    }

private:
    const TZinViewerForm& FForm;
};

// The window system resizes the window again and again while the rows are
// rebuilt with progress (wrapping at the window's edge, after a click and
// after a resize): nothing is laid out or resized while the work runs; the
// last size is taken when it ends, and the control's rows follow it. In a
// window as narrow as 520 pixels the progress bar stands beside the status
// texts, not over them.
TEST_F(ViewerWindow, ResizingWhileRowsAreRebuiltWaitsForTheWork)
{
    std::string big;
    while (big.size() < 12u * 1024 * 1024)
        big += "2024-01-01 12:00:00 INFO an event with enough words to wrap in a narrow window\n";
    FDir.Write("big.log", big);
    auto form = MakeForm(FDir.Path(), 0);
    ASSERT_TRUE(form->OpenFile(FDir.Path() + "big.log"));
    TZinEdit& edit = form->ViewerEdit();
    TZinEditWidget& widget = form->EditWidget();
    QWindow* window = form->windowHandle();
    ASSERT_TRUE(window);
    TResizeWatch watch(*form);
    form->installEventFilter(&watch);
    widget.installEventFilter(&watch);
    auto* statusBar = form->statusBar();
    auto* bar = Child<QProgressBar>(*form, "StatusProgress");

    // Each progress report after the first of a rebuild asks for the next size.
    const QSize sizes[] = {{1000, 700}, {700, 600}, {520, 600}, {900, 650}, {640, 480}, {520, 640}};
    size_t next = 0;
    int reports = 0, narrowReports = 0;
    QStringList captions;
    auto formProgress = edit.OnProgress;
    edit.OnProgress = [&](uint64_t done, uint64_t total) {
        formProgress(done, total);
        ++reports;
        if (!captions.contains(form->windowTitle()))
            captions << form->windowTitle();
        if (form->width() == 520 && bar->isVisible()) {
            ++narrowReports;
            const QRect progress = bar->geometry();
            for (const char* name : {"StatusPanel0", "StatusPanel1", "StatusBusy"}) {
                const QRect r = Child<QLabel>(*form, name)->geometry();
                EXPECT_FALSE(r.intersects(progress)) << name;
                EXPECT_GT(r.width(), 0) << name;
            }
            EXPECT_FALSE(Child<QLabel>(*form, "StatusPanel0")->geometry().intersects(
                Child<QLabel>(*form, "StatusPanel1")->geometry()));
            EXPECT_TRUE(statusBar->rect().contains(progress));
        }
        if (next < std::size(sizes)) {
            window->resize(sizes[next++]);
            QCoreApplication::processEvents();
        }
    };
    const int linesNoWrap = edit.LineStore().RowCount();
    Child<QRadioButton>(*form, "RadioButtonWordWrapByWindow")->click();
    // The last size, and the rebuilds each size taken at a work's end starts.
    auto settled = [&] {
        return next == std::size(sizes) && !form->Working() && form->size() == sizes[5] &&
               edit.ClientRect().Width() == widget.viewport()->width() &&
               edit.ClientRect().Height() == widget.viewport()->height();
    };
    for (int i = 0; i < 1000 && !settled(); ++i)
        QTest::qWait(10);
    EXPECT_EQ(next, std::size(sizes));
    EXPECT_EQ(watch.DuringWork, 0) << "a layout ran inside the work";
    EXPECT_FALSE(form->Working());
    EXPECT_EQ(form->size(), sizes[5]);
    EXPECT_GT(reports, 6);
    EXPECT_GT(narrowReports, 0);
    EXPECT_TRUE(captions.contains("Reformating...")) << captions.join('|').toStdString();
    EXPECT_EQ(edit.ClientRect().Width(), widget.viewport()->width());
    // The rows are those of the width now: a fresh rebuild gives the same.
    const int rows = edit.LineStore().RowCount();
    EXPECT_GT(rows, linesNoWrap);
    edit.OnProgress = nullptr;
    edit.SetWordWrapMode(wwmNoWrap);
    edit.SetWordWrapMode(wwmWrapByWindow);
    EXPECT_EQ(edit.LineStore().RowCount(), rows);
    edit.OnProgress = formProgress;
}

// A configured font that is not installed: the button names the family
// drawn in its place. The menus list each family once, mark what is in use
// and open below their buttons.
TEST_F(ViewerWindow, TheFontButtonAndTheMenusShowWhatIsInUse)
{
    FDir.Write("config/ZinViewer.ini", "[ZinEdit]\nFN1252=Zin Missing Mono\n");
    auto form = MakeForm(FDir.Path());
    ASSERT_EQ(form->ViewerEdit().Font().Name(), "Zin Missing Mono");
    auto* fontButton = Child<QPushButton>(*form, "ButtonChangeFont");
    const QString drawn = fontButton->text().mid(6);
    EXPECT_NE(drawn, "Zin Missing Mono");
    EXPECT_TRUE(QFontDatabase::families().contains(drawn)) << drawn.toStdString();

    auto* fonts = Child<QMenu>(*form, "PopupMenuFonts");
    auto checked = [](QMenu* menu) {
        QStringList on;
        for (QAction* a : menu->actions()) {
            const QList<QAction*> entries = a->menu() ? a->menu()->actions() : QList<QAction*>{a};
            for (QAction* e : entries)
                if (e->isChecked())
                    on << e->data().toString();
        }
        return on;
    };
    QStringList names;
    for (QAction* a : fonts->actions())
        for (QAction* e : a->menu() ? a->menu()->actions() : QList<QAction*>{a})
            names << e->data().toString().toLower();
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size()) << "a family listed twice";

    // Each menu below its button (where the screen has room for it), the
    // current value marked.
    auto open = [&](QMenu* menu, QWidget* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_TRUE(menu->isVisible()) << menu->objectName().toStdString();
        const QPoint below = button->mapToGlobal(QPoint(0, button->height()));
        if (below.y() + menu->height() <= button->screen()->availableGeometry().bottom())
            EXPECT_EQ(menu->geometry().topLeft(), below) << menu->objectName().toStdString();
        menu->hide();
    };
    open(fonts, fontButton);
    EXPECT_EQ(checked(fonts), QStringList{drawn});
    auto* encodes = Child<QMenu>(*form, "PopupMenuEncodes");
    open(encodes, Child<QPushButton>(*form, "ButtonChangeEncode"));
    EXPECT_EQ(checked(encodes), QStringList{"1252"});
    auto* sizes = Child<QMenu>(*form, "PopupMenuFontSizes");
    FindAction(sizes, 20)->trigger();
    QTest::mouseClick(Child<QSpinBox>(*form, "CSpinEditFontSize")->findChild<QLineEdit*>(), Qt::LeftButton);
    EXPECT_TRUE(sizes->isVisible());
    sizes->hide();
    EXPECT_EQ(checked(sizes), QStringList{"20"});
}

// The window's size, place and splitters are kept in the settings file
// and taken at the next start; values that are not numbers, or out of
// range, leave the built-in ones. The window goes down to 520 pixels wide.
TEST_F(ViewerWindow, TheWindowsPlaceAndSplittersAreKept)
{
    const std::string ini = FDir.Path() + "config/ZinViewer.ini";
    QList<int> kept[3];
    {
        auto form = MakeForm(FDir.Path());
        form->resize(520, 500);
        EXPECT_EQ(form->width(), 520) << "the narrowest window";
        form->setGeometry(QRect(40, 30, 760, 560));
        QCoreApplication::processEvents();
        const char* names[3] = {"Splitter1", "Splitter2", "Splitter3"};
        const QList<int> wanted[3] = {{300, 452}, {100, 196}, {180, 340}};
        for (int i = 0; i < 3; ++i) {
            auto* splitter = Child<QSplitter>(*form, names[i]);
            splitter->setSizes(wanted[i]);
            kept[i] = splitter->sizes();
        }
        EXPECT_EQ(kept[0].value(0), 300);
    }
    const std::string text = test::ReadFileBytes(ini);
    for (const char* line : {"[ZinViewer Window]", "Left=40", "Top=30", "Width=760", "Height=560", "Maximized=0"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    // Each splitter under the key that files already written hold for it.
    for (int i = 0; i < 3; ++i) {
        const std::string line = "Splitter" + std::to_string(i + 1) + "=" + std::to_string(kept[i].value(0)) + "," +
                                 std::to_string(kept[i].value(1));
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
    {
        auto form = MakeForm(FDir.Path());
        EXPECT_EQ(form->geometry(), QRect(40, 30, 760, 560));
        const char* names[3] = {"Splitter1", "Splitter2", "Splitter3"};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Child<QSplitter>(*form, names[i])->sizes(), kept[i]) << names[i];
    }

    // Malformed values: the built-in size and splitters.
    FDir.Write("config/ZinViewer.ini", "[ZinViewer Window]\nLeft=x\nTop=10\nWidth=99999\nHeight=500\n"
                                       "Splitter1=1,2,3\nSplitter2=-5,10\nSplitter3=abc\nMaximized=maybe\n");
    auto form = MakeForm(FDir.Path());
    EXPECT_EQ(form->size(), QSize(821, 640));
    EXPECT_FALSE(form->isMaximized());
    EXPECT_GT(Child<QSplitter>(*form, "Splitter2")->sizes().value(0), 0);
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

// Lets the find bar's worker and its polling timer finish (no time limit is
// asserted: a slow machine only waits longer).
void WaitForFind(TViewerFindBar& bar)
{
    while (bar.Busy())
        QTest::qWait(5);
}

TEST_F(ViewerWindow, TheFindBarFindsWrapsCountsAndClosesBackToTheText)
{
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += "x needle " + std::to_string(i % 10) + "\n";  // 11 bytes a line
    const std::string path = FDir.Write("n.log", text);
    auto form = MakeForm(path);
    form->activateWindow();
    ASSERT_TRUE(form->OpenStartPath());
    TZinEdit& edit = form->ViewerEdit();
    TViewerFindBar& bar = form->FindBar();
    EXPECT_TRUE(bar.isHidden());
    EXPECT_TRUE(Child<QMenu>(*form, "EditMenu"));

    QTest::keyClick(&form->EditWidget(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar.isVisible());
    // Keys go to the combo box, which has the focus, as a keyboard's do.
    QComboBox* field = bar.Field();
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClicks(field, "NEEDLE");
    QTest::keyClick(field, Qt::Key_Return);
    WaitForFind(bar);
    ASSERT_TRUE(edit.Selecting());
    EXPECT_EQ(edit.SelAnchor().FilePos, 2u);
    EXPECT_EQ(edit.Caret().FilePos, 8u);
    EXPECT_TRUE(edit.HasMarkPattern());
    EXPECT_EQ(bar.StatusText(), "");
    EXPECT_EQ(bar.CountText(), "1 of 1,500");

    // Backward from the first match: around to the last.
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    WaitForFind(bar);
    EXPECT_EQ(edit.SelAnchor().FilePos, 1499u * 11 + 2);
    EXPECT_EQ(bar.StatusText(), "Passed the top, continued from the end");
    EXPECT_EQ(bar.CountText(), "1,500 of 1,500");
    QTest::keyClick(&form->EditWidget(), Qt::Key_F3);
    WaitForFind(bar);
    EXPECT_EQ(edit.SelAnchor().FilePos, 2u);
    EXPECT_EQ(bar.StatusText(), "Passed the end, continued from the top");
    EXPECT_EQ(bar.CountText(), "1 of 1,500");
    QTest::keyClick(&form->EditWidget(), Qt::Key_F3);
    WaitForFind(bar);
    EXPECT_EQ(edit.SelAnchor().FilePos, 13u);
    EXPECT_EQ(bar.StatusText(), "");
    EXPECT_EQ(bar.CountText(), "2 of 1,500");
    // The caret moved elsewhere: the next match's place is counted anew.
    edit.GoToLine(700);
    QTest::keyClick(&form->EditWidget(), Qt::Key_F3);
    WaitForFind(bar);
    EXPECT_EQ(edit.SelAnchor().FilePos, 700u * 11 + 2);
    EXPECT_EQ(bar.CountText(), "701 of 1,500");
    EXPECT_EQ(Panel(*form, "StatusPanel0"), "  701(0):  8  FilePos: 7708");

    // Nothing found: nothing moves.
    field->setFocus();
    field->lineEdit()->selectAll();
    QTest::keyClicks(field, "zebra");
    QTest::keyClick(field, Qt::Key_Return);
    WaitForFind(bar);
    EXPECT_EQ(bar.StatusText(), "Not found");
    EXPECT_EQ(edit.SelAnchor().FilePos, 700u * 11 + 2);
    EXPECT_EQ(edit.Caret().FilePos, 700u * 11 + 8);

    // A pattern that does not compile: the engine's message, nothing else.
    Child<QCheckBox>(bar, "FindRegex")->setChecked(true);
    field->lineEdit()->selectAll();
    QTest::keyClicks(field, "ne(edle");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(bar.Busy());
    EXPECT_TRUE(bar.StatusText().contains("parenthesis")) << bar.StatusText().toStdString();
    EXPECT_EQ(edit.Caret().FilePos, 700u * 11 + 8);
    // The patterns tried are offered again, the last first.
    ASSERT_GE(bar.Field()->count(), 2);
    EXPECT_EQ(bar.Field()->itemText(0), "zebra");
    EXPECT_EQ(bar.Field()->itemText(1), "NEEDLE");

    // Esc with nothing running closes the bar and gives the keys back.
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(bar.isHidden());
    EXPECT_TRUE(form->EditWidget().hasFocus());
    EXPECT_FALSE(edit.HasMarkPattern());
}

TEST_F(ViewerWindow, GoToAndTheStartLinePutTheCaretOnALine)
{
    TZinViewerForm::TOptions o = StartOptions(FDir.Write("g.txt", NumberedLines(300)));
    o.StartLine = 250;
    TZinViewerForm form(o);
    ShowActive(form);
    ASSERT_TRUE(form.OpenStartPath());
    TZinEdit& edit = form.ViewerEdit();
    EXPECT_EQ(edit.Caret().LineIndex, 249);
    EXPECT_LE(edit.TopRow(), 249);
    EXPECT_GT(edit.TopRow() + edit.FullRows(), 249);

    QTest::keyClick(&form.EditWidget(), Qt::Key_G, Qt::ControlModifier);
    TViewerGoToBar& bar = form.GoToBar();
    ASSERT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.Field()->text(), "250");
    QTest::keyClicks(bar.Field(), "12:3");
    QTest::keyClick(bar.Field(), Qt::Key_Return);
    EXPECT_EQ(edit.Caret().LineIndex, 11);
    EXPECT_EQ(edit.Caret().LinePos, 2u);
    EXPECT_TRUE(bar.isHidden());
    EXPECT_TRUE(form.EditWidget().hasFocus());

    // Past the end: the last line, and the bar says so.
    QTest::keyClick(&form.EditWidget(), Qt::Key_G, Qt::ControlModifier);
    QTest::keyClicks(bar.Field(), "5000");
    QTest::keyClick(bar.Field(), Qt::Key_Return);
    EXPECT_EQ(edit.Caret().LineIndex, 300);  // the empty line after the last newline
    EXPECT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.StatusText(), "Out of range: went to line 301 of 301");
    bar.Field()->selectAll();
    QTest::keyClicks(bar.Field(), "lots");
    QTest::keyClick(bar.Field(), Qt::Key_Return);
    EXPECT_EQ(edit.Caret().LineIndex, 300);
    EXPECT_FALSE(bar.StatusText().isEmpty());
    QTest::keyClick(bar.Field(), Qt::Key_Escape);
    EXPECT_TRUE(bar.isHidden());
}

// The window watches the file it shows: lines written to it appear (by the
// watcher's own signs, not only by a check the test asks for), Follow and
// its key keep the end in sight until a key takes the caret up, F5 and a
// replaced file load it again with the caret on its line, and a deleted
// file stays shown with a note.
TEST_F(ViewerWindow, AWatchedFileIsFollowedReloadedAndKeptWhenDeleted)
{
    const std::string text = NumberedLines(200);
    TZinViewerForm::TOptions o = StartOptions(FDir.Write("w.log", text));
    o.StartFollowing = true;
    TZinViewerForm form(o);
    ShowActive(form);
    ASSERT_TRUE(form.OpenStartPath());
    TZinEdit& edit = form.ViewerEdit();
    auto* follow = form.findChild<QMenu*>(QStringLiteral("ViewMenu"))->actions().value(0);
    ASSERT_TRUE(follow);
    EXPECT_TRUE(edit.Following());
    EXPECT_TRUE(follow->isChecked());
    EXPECT_EQ(form.WatchText(), "Following");
    EXPECT_TRUE(form.WatchingFile());

    auto append = [&](const std::string& more) {
        FILE* f = std::fopen(o.StartPath.c_str(), "ab");
        ASSERT_TRUE(f);
        std::fputs(more.c_str(), f);
        std::fclose(f);
    };
    append("line 201\nline 202\n");
    QTRY_COMPARE_WITH_TIMEOUT(edit.LineStore().LineCount(), 203, 5000);
    EXPECT_EQ(edit.Caret().LineIndex, 202);
    EXPECT_EQ(Panel(form, "StatusPanel1"), "FileSize: " + QString::number(text.size() + 18) +
                                                "  Lines: 203  Wrapped-Lines: 203 [Unix]");

    // A key that takes the caret up ends following; the next lines leave
    // the caret where it is.
    QTest::keyClick(&form.EditWidget(), Qt::Key_Up);
    EXPECT_FALSE(edit.Following());
    EXPECT_FALSE(follow->isChecked());
    EXPECT_EQ(form.WatchText(), "");
    append("line 203\n");
    form.CheckShownFile();
    EXPECT_EQ(edit.LineStore().LineCount(), 204);
    EXPECT_EQ(edit.Caret().LineIndex, 201);
    // Its shortcut turns it on again.
    QTest::keyClick(&form.EditWidget(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(edit.Following());
    EXPECT_EQ(edit.Caret().LineIndex, 203);

    // F5 with the caret on line 51 and the file rewritten: the caret stays
    // on line 51. A file replaced under the window is loaded again and says so.
    follow->trigger();
    EXPECT_FALSE(edit.Following());
    edit.GoToLine(50);
    FDir.Write("w.log", "changed\n" + text);
    QTest::keyClick(&form.EditWidget(), Qt::Key_F5);
    EXPECT_EQ(edit.LineStore().LineCount(), 202);
    EXPECT_EQ(edit.Caret().LineIndex, 50);
    FDir.Write("w.log.new", "short\n");
    ASSERT_EQ(std::rename((o.StartPath + ".new").c_str(), o.StartPath.c_str()), 0);
    form.CheckShownFile();
    EXPECT_EQ(edit.LineStore().LineCount(), 2);
    EXPECT_EQ(form.WatchText(), "File replaced: reloaded");

    // Deleted: what is shown stays, the note says so, the watch and
    // following end.
    follow->trigger();
    ASSERT_EQ(std::remove(o.StartPath.c_str()), 0);
    form.CheckShownFile();
    EXPECT_EQ(edit.LineStore().LineCount(), 2);
    EXPECT_EQ(form.WatchText(), "File deleted");
    EXPECT_FALSE(form.WatchingFile());
    EXPECT_FALSE(edit.Following());
    EXPECT_FALSE(form.ReloadFile());
    EXPECT_TRUE(form.WatchText().startsWith("Cannot reload: "));
    EXPECT_EQ(edit.LineStore().LineCount(), 2);
}

}  // namespace
}  // namespace zin
