#include "viewer/ZinViewerMainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QResizeEvent>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdio>

#include "editor/ZinEdit.h"
#include "editor/ZinEditSettings.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "viewer/FileWatch.h"
#include "viewer/FolderList.h"
#include "viewer/QtBytes.h"
#include "viewer/ViewerBrowser.h"
#include "viewer/ViewerFindBar.h"
#include "viewer/ViewerSettingsPanel.h"
#include "viewer/ViewerStatusBar.h"
#include "viewer/WindowPlacement.h"
#include "widget/ZinEditWidget.h"

using zin::FromBytes;

const char* const EditSectionName = "ZinEdit";
const char* const KeysSectionName = "ZinEdit Keys";

namespace {

const QString TitlePrefix = QStringLiteral("ZinViewer - ");

}  // namespace

// ---- Work in progress ----------------------------------------------------

class TZinViewerForm::TWork {
public:
    explicit TWork(TZinViewerForm& form) : FForm(form) { FForm.BeginWork(); }
    ~TWork() { FForm.EndWork(); }
    TWork(const TWork&) = delete;
    TWork& operator=(const TWork&) = delete;

private:
    TZinViewerForm& FForm;
};

class TZinViewerForm::TBusyCaption {
public:
    TBusyCaption(TZinViewerForm& form, const QString& caption) : FForm(form), FSaved(form.windowTitle())
    {
        FForm.setWindowTitle(caption);
    }
    ~TBusyCaption() { FForm.setWindowTitle(FSaved); }
    TBusyCaption(const TBusyCaption&) = delete;
    TBusyCaption& operator=(const TBusyCaption&) = delete;

private:
    TZinViewerForm& FForm;
    QString FSaved;
    TWork FWork{FForm};
};

void TZinViewerForm::RunWork(const QString& caption, const std::function<void()>& change)
{
    const int32_t codePage = ViewerEdit().CodePage();
    {
        TBusyCaption busy(*this, caption);
        change();
    }
    // Patterns were compiled for the code page the file was decoded in.
    if (ViewerEdit().CodePage() != codePage)
        FFindBar->ForgetFile();
}

bool TZinViewerForm::ProgressShown() const { return FStatusBar->ProgressShown(); }
int TZinViewerForm::ProgressReports() const { return FStatusBar->Reports(); }
int TZinViewerForm::ProgressShownReports() const { return FStatusBar->ShownReports(); }

void TZinViewerForm::BeginWork()
{
    if (FWorkDepth++ > 0)
        return;
    // A search reads the file's data while the work may replace it.
    FFindBar->CancelAll();
    FStatusBar->BeginProgress();
    FEditWidget->SetBusy(true);
    // The window system's size changes wait while the work runs (see
    // eventFilter).
    QWindow* window = windowHandle();
    if (window && window != FWatchedWindow) {
        window->installEventFilter(this);
        FWatchedWindow = window;
    }
}

void TZinViewerForm::EndWork()
{
    if (--FWorkDepth > 0)
        return;
    FStatusBar->EndProgress();
    FEditWidget->SetBusy(false);
    // The last size the window was given meanwhile; the control hears of
    // it from the event loop and rebuilds its rows then.
    if (FQueuedWindowSize.isValid()) {
        const QSize queued = FQueuedWindowSize;
        FQueuedWindowSize = QSize();
        if (queued != size())
            resize(queued);
    }
    if (FCloseRequested)
        QTimer::singleShot(0, this, &QWidget::close);
}

void TZinViewerForm::Progress(uint64_t done, uint64_t total)
{
    if (FWorkDepth == 0) {
        // The control rebuilds its rows on its own (after a resize of the
        // window with wrapping at its edge): the same guard as for our own
        // work, ended once the control is done.
        FUnannouncedWork = true;
        FUnannouncedCaption = windowTitle();
        setWindowTitle(QStringLiteral("Reformating..."));
        BeginWork();
        QTimer::singleShot(0, this, &TZinViewerForm::EndUnannouncedWork);
    }
    // Paint the progress bar and the caption; the control is busy and takes
    // no part, user input waits until the work is done, and a new size of
    // the window is kept for its end.
    if (FStatusBar->Report(done, total, windowTitle()))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TZinViewerForm::EndUnannouncedWork()
{
    if (!FUnannouncedWork)
        return;
    if (ViewerEdit().Working()) {
        QTimer::singleShot(20, this, &TZinViewerForm::EndUnannouncedWork);
        return;
    }
    FUnannouncedWork = false;
    setWindowTitle(FUnannouncedCaption);
    EndWork();
}

// ---- Construction and destruction --------------------------------------------

TZinViewerForm::TZinViewerForm(const TOptions& options, QWidget* parent)
    : QMainWindow(parent), FIniFileName(options.IniFileName), FStartPath(options.StartPath),
      FInteractive(options.Interactive), FRestorePlacement(options.RestorePlacement),
      FSettingsSaved(!options.SaveSettings), FStartLine(options.StartLine),
      FStartFollowing(options.StartFollowing)
{
    setObjectName(QStringLiteral("ZinViewerForm"));
    setWindowTitle(QStringLiteral("ZinViewer"));
    setAcceptDrops(true);
    resize(821, 640);

    // The settings are read before the control is made with them.
    if (zin::FileExists(FIniFileName)) {
        zin::TIniFile ini(FIniFileName);
        zin::LoadEditSettings(ini, EditSectionName, KeysSectionName, FStartSettings);
    }

    BuildLayout();
    BuildMenu();
    FStatusBar = new TViewerStatusBar(options.ProgressDelayMs, this);
    setStatusBar(FStatusBar);
    zin::TZinEdit& edit = ViewerEdit();
    edit.OnStateChange = [this](zin::TZinEdit&) { UpdateStatePanel(); };
    edit.OnSelectionChange = [this](zin::TZinEdit&) { UpdateCaretPanel(); };
    edit.OnProgress = [this](uint64_t done, uint64_t total) { Progress(done, total); };
    connect(FEditWidget, &TZinEditWidget::CopyRefused, this, &TZinViewerForm::CopyRefused);
    connect(FBrowser, &TViewerBrowser::FileActivated, this,
            [this](const QByteArray& path) { OpenFile(path.toStdString()); });
    connect(FBrowser, &TViewerBrowser::FolderActivated, this, &TZinViewerForm::FolderActivated);
    FWatch = new TFileWatch(this);
    connect(FWatch, &TFileWatch::Check, this, &TZinViewerForm::CheckShownFile);

    // The browser starts in the start path's folder (or the current one),
    // with the start file selected, as if it had been clicked; it is opened
    // by OpenStartPath.
    const std::string cwd = zin::CurrentFolder();
    std::string dir = cwd;
    std::string startFile;
    if (!FStartPath.empty()) {
        const std::string start = zin::CleanPath(FStartPath, cwd);
        if (zin::KindOfPath(start) == zin::TPathKind::Folder) {
            dir = start;
        } else {
            startFile = start;
            if (zin::KindOfPath(zin::ParentFolder(start)) == zin::TPathKind::Folder)
                dir = zin::ParentFolder(start);
        }
    }
    SetDirectory(dir);
    if (!startFile.empty())
        FBrowser->SelectFile(startFile);  // scrolled to at the first show

    FSettingsPanel->ShowSettings();
    FStatusBar->ShowFile(edit);
    UpdateCaretPanel();
    if (FRestorePlacement)
        RestorePlacement();
}

TZinViewerForm::~TZinViewerForm()
{
    // Nothing keeps reading the file the control is about to close.
    FFindBar->CancelAll();
    SaveSettings();
    // The control's notifications reach into this window's widgets.
    zin::TZinEdit& edit = ViewerEdit();
    edit.OnStateChange = nullptr;
    edit.OnSelectionChange = nullptr;
    edit.OnProgress = nullptr;
}

zin::TZinEdit& TZinViewerForm::ViewerEdit() { return FEditWidget->Edit(); }

void TZinViewerForm::BuildLayout()
{
    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    FPanelsEditSplitter = new QSplitter(Qt::Vertical, central);
    FPanelsEditSplitter->setObjectName(QStringLiteral("Splitter3"));
    FPanelsEditSplitter->setChildrenCollapsible(false);
    centralLayout->addWidget(FPanelsEditSplitter);
    setCentralWidget(central);

    auto* panels = new QWidget(FPanelsEditSplitter);
    panels->setObjectName(QStringLiteral("Panel1"));
    auto* panelsLayout = new QHBoxLayout(panels);
    panelsLayout->setContentsMargins(2, 2, 2, 2);
    FBrowserSettingsSplitter = new QSplitter(Qt::Horizontal, panels);
    FBrowserSettingsSplitter->setObjectName(QStringLiteral("Splitter1"));
    FBrowserSettingsSplitter->setChildrenCollapsible(false);
    panelsLayout->addWidget(FBrowserSettingsSplitter);

    FBrowser = new TViewerBrowser(FBrowserSettingsSplitter);
    FSettingsPanel = new TViewerSettingsPanel(*this, FBrowserSettingsSplitter);
    FBrowserSettingsSplitter->setStretchFactor(0, 0);
    FBrowserSettingsSplitter->setStretchFactor(1, 1);
    FBrowserSettingsSplitter->setSizes({360, 461});

    FEditWidget = new TZinEditWidget(FPanelsEditSplitter, FStartSettings);
    FEditWidget->setObjectName(QStringLiteral("ViewerEdit"));
    FPanelsEditSplitter->setStretchFactor(0, 0);
    FPanelsEditSplitter->setStretchFactor(1, 1);
    FPanelsEditSplitter->setSizes({225, 380});

    FFindBar = new TViewerFindBar(*this, central);
    FGoToBar = new TViewerGoToBar(*this, central);
    centralLayout->addWidget(FFindBar);
    centralLayout->addWidget(FGoToBar);
}

void TZinViewerForm::BuildMenu()
{
    QMenu* menu = nullptr;
    const auto addMenu = [&](const QString& text, const QString& name) {
        menu = menuBar()->addMenu(text);
        menu->setObjectName(name);
    };
    const auto add = [&](const QString& text, const QKeySequence& keys, auto&& handler) {
        QAction* action = menu->addAction(text);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    addMenu(QStringLiteral("&File"), QStringLiteral("FileMenu"));
    add(QStringLiteral("&Reload"), QKeySequence(Qt::Key_F5), [this] { ReloadFile(); });
    addMenu(QStringLiteral("&Edit"), QStringLiteral("EditMenu"));
    add(QStringLiteral("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F), [this] { OpenFind(); });
    add(QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3), [this] { FindNext(true); });
    add(QStringLiteral("Find &Previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { FindNext(false); });
    menu->addSeparator();
    add(QStringLiteral("&Go to Line..."), QKeySequence(Qt::CTRL | Qt::Key_G), [this] { OpenGoTo(); });
    addMenu(QStringLiteral("&View"), QStringLiteral("ViewMenu"));
    FFollowAction = add(QStringLiteral("&Follow"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                        [this](bool on) { SetFollowing(on); });
    FFollowAction->setCheckable(true);
}

void TZinViewerForm::OpenFind()
{
    if (Working())
        return;
    FGoToBar->hide();
    FFindBar->Open();
}

void TZinViewerForm::FindNext(bool forward)
{
    if (Working())
        return;
    if (FFindBar->isHidden())
        FFindBar->show();
    FFindBar->Find(forward);
}

void TZinViewerForm::OpenGoTo()
{
    if (Working())
        return;
    FGoToBar->Open();
}

// ---- Settings and placement ----------------------------------------------------

void TZinViewerForm::SaveSettings()
{
    if (FSettingsSaved || FIniFileName.empty())
        return;
    FSettingsSaved = true;
    const size_t slash = FIniFileName.rfind('/');
    if (slash != std::string::npos)
        zin::ForceDirectories(FIniFileName.substr(0, slash + 1));
    zin::TIniFile ini(FIniFileName);
    zin::SaveEditSettings(ini, EditSectionName, KeysSectionName, ViewerEdit().Settings());
    SavePlacement(ini);
}

void TZinViewerForm::RestorePlacement()
{
    if (FIniFileName.empty() || !zin::FileExists(FIniFileName))
        return;
    const zin::TIniFile ini(FIniFileName);
    const zin::TWindowPlacement p = zin::ReadWindowPlacement(ini);
    if (p.HasSize)
        resize(p.Width, p.Height);
    if (p.HasPosition) {
        // Only where a screen shows a good part of the window: a screen
        // that was there when the position was kept may be gone.
        const QRect r(QPoint(p.Left, p.Top), size());
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QRect seen = screen->availableGeometry() & r;
            if (seen.width() >= 100 && seen.height() >= 50) {
                setGeometry(r);
                break;
            }
        }
    }
    const auto restore = [](QSplitter* splitter, const std::vector<int>& sizes) {
        if (sizes.size() == 2)
            splitter->setSizes({sizes[0], sizes[1]});
        return sizes.size() == 2;
    };
    FBrowserSettingsRestored = restore(FBrowserSettingsSplitter, p.BrowserSettings);
    restore(FBrowser->FoldersFilesSplitter(), p.FoldersFiles);
    restore(FPanelsEditSplitter, p.PanelsEdit);
    if (p.Maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TZinViewerForm::SavePlacement(zin::TIniFile& ini)
{
    zin::TWindowPlacement p;
    // A maximised window keeps the place it goes back to.
    const QRect g = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen) ? normalGeometry() : geometry();
    if (g.isValid()) {
        p.HasPosition = p.HasSize = true;
        p.Left = g.left();
        p.Top = g.top();
        p.Width = g.width();
        p.Height = g.height();
    }
    p.Maximized = (windowState() & Qt::WindowMaximized) != 0;
    const auto keep = [](const QSplitter* splitter, std::vector<int>& sizes) {
        const QList<int> now = splitter->sizes();
        if (now.size() == 2)
            sizes = {now[0], now[1]};
    };
    keep(FBrowserSettingsSplitter, p.BrowserSettings);
    keep(FBrowser->FoldersFilesSplitter(), p.FoldersFiles);
    keep(FPanelsEditSplitter, p.PanelsEdit);
    zin::WriteWindowPlacement(ini, p);
}

// ---- The control's notifications -----------------------------------------------

void TZinViewerForm::FocusEdit() { FEditWidget->setFocus(); }

void TZinViewerForm::UpdateStatePanel()
{
    FSettingsPanel->ShowState();
    FStatusBar->ShowFile(ViewerEdit());
    ShowWatch();
}

void TZinViewerForm::UpdateCaretPanel() { FStatusBar->ShowCaret(ViewerEdit()); }

void TZinViewerForm::CopyRefused()
{
    if (!FInteractive)
        return;
    QMessageBox::warning(this, QStringLiteral("ZinViewer"),
                         QStringLiteral("The selection is too large to copy: the clipboard takes at most %1 MiB "
                                        "of text. Select less and copy again.")
                             .arg(zin::TZinEdit::MaxCopyBytes >> 20));
}

// ---- Browsing and opening ------------------------------------------------------

void TZinViewerForm::UpdateCaption()
{
    setWindowTitle(TitlePrefix + FromBytes(FShownFile.empty() ? CurrentDirectory() : FShownFile));
}

const std::string& TZinViewerForm::CurrentDirectory() const { return FBrowser->CurrentDirectory(); }

void TZinViewerForm::SetDirectory(const std::string& dir)
{
    FBrowser->SetDirectory(dir);
    UpdateCaption();
}

void TZinViewerForm::FolderActivated(const QByteArray& path)
{
    if (!Working())
        SetDirectory(path.toStdString());
}

bool TZinViewerForm::OpenFile(const std::string& path)
{
    if (Working())
        return false;
    setWindowTitle(QStringLiteral("Loading..."));
    bool ok;
    {
        TWork work(*this);
        QElapsedTimer t;
        t.start();
        ok = ViewerEdit().LoadFromFile(path);
        FLastLoadSeconds = t.nsecsElapsed() / 1e9;
    }
    const zin::TZinLines& store = ViewerEdit().LineStore();
    const zin::TLoadError error = store.LoadError();
    // A file that could not be opened leaves the previous one shown; a load
    // that had to stop (too many lines, too little memory) leaves an empty
    // page.
    if (ok)
        FShownFile = zin::CleanPath(path, zin::CurrentFolder());
    else if (error != zin::TLoadError::CannotOpen && error != zin::TLoadError::NotAFile)
        FShownFile.clear();
    // The caption and the file list tell what is shown before any message.
    if (ok)
        FFindBar->ForgetFile();
    if (ok || FShownFile.empty()) {
        FWatch->Watch(FShownFile);
        SetWatchNote(QString(), false);
    }
    UpdateCaption();
    FBrowser->SetShownFile(FShownFile);
    FSettingsPanel->ShowCodePage();
    if (!ok) {
        const std::string& reason = store.LoadErrorReason();
        if (FInteractive) {
            QString text = QStringLiteral("Cannot read this file!");
            if (!reason.empty())
                text += QLatin1Char('\n') + FromBytes(reason);
            QMessageBox::critical(this, QStringLiteral("Error"), text, QMessageBox::Ok);
        } else {
            std::fprintf(stderr, "zinviewer: cannot read %s: %s\n", path.c_str(),
                         reason.empty() ? "Cannot read this file!" : reason.c_str());
        }
    } else if (error == zin::TLoadError::Truncated) {
        // A file without a size read only up to the in-memory limit.
        const char* note = zin::LoadErrorMessage(error);
        if (FInteractive)
            QMessageBox::information(this, QStringLiteral("ZinViewer"), QString::fromUtf8(note), QMessageBox::Ok);
        else
            std::fprintf(stderr, "zinviewer: %s: %s\n", path.c_str(), note);
    }
    FocusEdit();
    return ok;
}

bool TZinViewerForm::OpenStartPath()
{
    if (FStartPathDone)
        return true;
    FStartPathDone = true;
    if (FStartPath.empty())
        return true;
    const std::string cwd = zin::CurrentFolder();
    if (zin::KindOfPath(zin::CleanPath(FStartPath, cwd)) == zin::TPathKind::Folder)
        return true;
    const bool ok = OpenFile(FStartPath[0] == '/' ? FStartPath : zin::JoinPath(cwd, FStartPath));
    if (ok && FStartLine > 0)
        ViewerEdit().GoToLine(FStartLine - 1);
    if (ok && FStartFollowing)
        SetFollowing(true);
    return ok;
}

// ---- Watching the file shown ------------------------------------------------------

bool TZinViewerForm::WatchingFile() const { return FWatch->Watching(); }

void TZinViewerForm::CheckShownFile()
{
    if (!FWatch->Watching())
        return;
    zin::TZinEdit& edit = ViewerEdit();
    // Work in progress and a search read the lines a change would alter:
    // the look waits for them (nothing is lost, it compares with the last).
    if (Working() || edit.Working() || FFindBar->Busy()) {
        FWatch->CheckSoon();
        return;
    }
    if (!edit.LineStore().FileLooksChanged())
        return;
    zin::TFileChange change;
    {
        TWork work(*this);  // a reload of a large file shows its progress
        change = edit.RefreshFile();
    }
    switch (change) {
    case zin::TFileChange::Grown:
        FFindBar->FileGrew();
        break;
    case zin::TFileChange::Replaced: {
        const zin::TLoadError error = edit.LineStore().LoadError();
        if (error == zin::TLoadError::None || error == zin::TLoadError::Truncated) {
            FFindBar->ForgetFile();
            SetWatchNote(QStringLiteral("File replaced: reloaded"), false);
        } else {
            ReloadFailed();
        }
        break;
    }
    case zin::TFileChange::Deleted:
        // Nothing more will come to follow.
        FWatch->Stop();
        edit.SetFollowing(false);
        SetWatchNote(QStringLiteral("File deleted"), true);
        break;
    case zin::TFileChange::None:
        break;
    }
    FWatch->Rearm();
}

bool TZinViewerForm::ReloadFile()
{
    if (Working() || FShownFile.empty())
        return false;
    bool ok;
    {
        TBusyCaption busy(*this, QStringLiteral("Loading..."));
        ok = ViewerEdit().Reload();
    }
    if (ok) {
        FFindBar->ForgetFile();
        FWatch->Watch(FShownFile);
        SetWatchNote(QString(), false);
    } else {
        ReloadFailed();
    }
    FocusEdit();
    return ok;
}

void TZinViewerForm::ReloadFailed()
{
    const zin::TZinLines& store = ViewerEdit().LineStore();
    const std::string& reason = store.LoadErrorReason();
    SetWatchNote(QStringLiteral("Cannot reload: ") +
                     (reason.empty() ? QStringLiteral("Cannot read this file!") : FromBytes(reason)),
                 true);
    // A file that cannot be opened leaves what is shown; a load that had to
    // stop leaves an empty page, as an open does.
    const zin::TLoadError error = store.LoadError();
    if (error != zin::TLoadError::CannotOpen && error != zin::TLoadError::NotAFile) {
        FFindBar->ForgetFile();
        FShownFile.clear();
        FWatch->Stop();
        UpdateCaption();
        FBrowser->SetShownFile(FShownFile);
    }
}

void TZinViewerForm::SetFollowing(bool on)
{
    ViewerEdit().SetFollowing(on);
    ShowWatch();
}

void TZinViewerForm::SetWatchNote(const QString& note, bool lasting)
{
    FWatchNote = note;
    const int serial = ++FWatchNoteSerial;
    ShowWatch();
    if (!lasting && !note.isEmpty())
        QTimer::singleShot(8000, this, [this, serial] {
            if (serial == FWatchNoteSerial)
                SetWatchNote(QString(), false);
        });
}

void TZinViewerForm::ShowWatch()
{
    const bool following = ViewerEdit().Following();
    if (FStatusBar)
        FStatusBar->ShowWatch(FWatchNote, following);
    if (FFollowAction)
        FFollowAction->setChecked(following);
}

QString TZinViewerForm::WatchText() const { return FStatusBar->WatchText(); }

void TZinViewerForm::OpenDropped(const std::string& path)
{
    // Work in progress comes first; the drop waits for it.
    if (Working()) {
        QTimer::singleShot(50, this, [this, path] { OpenDropped(path); });
        return;
    }
    const std::string clean = zin::CleanPath(path, zin::CurrentFolder());
    if (zin::KindOfPath(clean) == zin::TPathKind::Folder) {
        SetDirectory(clean);
        return;
    }
    SetDirectory(zin::ParentFolder(clean));
    OpenFile(path);
}

// ---- Window events ---------------------------------------------------------------

void TZinViewerForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!FShown) {
        FShown = true;
        // The settings panel whole (unscrolled) where the window's width
        // allows it, unless its splitter was placed by the user.
        const QList<int> sizes = FBrowserSettingsSplitter->sizes();
        const int need = FSettingsPanel->WholeWidth();
        if (!FBrowserSettingsRestored && sizes.size() == 2 && sizes[1] < need)
            FBrowserSettingsSplitter->setSizes({sizes[0] + sizes[1] - need, need});
        // The lists have their sizes now: the start file in the middle of
        // its list, with its neighbours around it.
        FBrowser->CenterSelectedFile();
    }
    FocusEdit();
}

void TZinViewerForm::closeEvent(QCloseEvent* e)
{
    // The work in progress runs inside this window's handlers: the window
    // closes once it is done.
    if (Working()) {
        FCloseRequested = true;
        e->ignore();
        return;
    }
    FFindBar->CancelAll();
    QMainWindow::closeEvent(e);
}

void TZinViewerForm::dragEnterEvent(QDragEnterEvent* e)
{
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) {
            e->acceptProposedAction();
            return;
        }
}

void TZinViewerForm::dropEvent(QDropEvent* e)
{
    for (const QUrl& url : e->mimeData()->urls()) {
        // The address as sent, escapes and all: its path's bytes come from
        // the escapes, whether they spell UTF-8 or not.
        const std::string path = zin::PathOfFileUrl(url.toEncoded().toStdString());
        if (!url.isLocalFile() || path.empty())
            continue;
        e->acceptProposedAction();
        // Opened once the drop is over: the source waits for its answer.
        QTimer::singleShot(0, this, [this, path] { OpenDropped(path); });
        return;
    }
}

bool TZinViewerForm::eventFilter(QObject* watched, QEvent* e)
{
    // While work runs and lets events through, a size the window system
    // gives the window is kept for the work's end: a layout now would
    // resize widgets under the work, or run inside a layout pass that
    // started it.
    if (FWorkDepth > 0 && watched == FWatchedWindow && e->type() == QEvent::Resize) {
        FQueuedWindowSize = static_cast<QResizeEvent*>(e)->size();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}
