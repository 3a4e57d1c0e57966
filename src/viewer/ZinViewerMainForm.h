#pragma once
// The viewer's main window: the file browser (TViewerBrowser) and the
// settings panel (TViewerSettingsPanel) above the editor control, the
// status bar (TViewerStatusBar) below it. The window opens what the browser
// activates, runs the work on the control (a load, a change that rebuilds
// rows) and keeps its place; the settings file is read when the window is
// built and written when it is destroyed.
#include <QByteArray>
#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

#include "editor/ZinEditSettings.h"

#include "viewer/ViewerControl.h"

class QAction;
class QSplitter;
class TFileWatch;
class QWindow;
class TViewerBrowser;
class TViewerFindBar;
class TViewerGoToBar;
class TViewerSettingsPanel;
class TViewerStatusBar;
class TZinEditWidget;

namespace zin {
class TIniFile;
class TZinEdit;
}

// The settings file's two section names.
extern const char* const EditSectionName;  // "ZinEdit"
extern const char* const KeysSectionName;  // "ZinEdit Keys"

class TZinViewerForm : public QMainWindow, public TViewerControl {
    Q_OBJECT
public:
    struct TOptions {
        // The settings file, read at construction when it exists and written
        // at destruction (its folder created first).
        std::string IniFileName;
        // False for one-off runs (a screenshot, a benchmark): the settings
        // are read but not written back.
        bool SaveSettings = true;
        // A file to open or a folder to start in, as the bytes of its path;
        // empty: the current folder.
        std::string StartPath;
        // Work lasting longer than this shows a progress bar.
        int ProgressDelayMs = 333;
        // False when no one is there to answer a message box (a screenshot,
        // a benchmark, a run without a display): messages go to standard
        // error instead.
        bool Interactive = true;
        // Whether the window takes the size, place and splitter positions
        // kept in the settings file.
        bool RestorePlacement = true;
        // The line (1-based) the caret goes to once the start file is
        // open; 0: the file's start.
        int StartLine = 0;
        // Whether the start file is followed as it grows.
        bool StartFollowing = false;
    };

    explicit TZinViewerForm(const TOptions& options, QWidget* parent = nullptr);
    ~TZinViewerForm() override;

    TZinEditWidget& EditWidget() { return *FEditWidget; }
    zin::TZinEdit& ViewerEdit() override;
    const std::string& IniFileName() const { return FIniFileName; }

    // Opens a file (the bytes of its path) in the control as a click in the
    // file list does: the caption "Loading..." meanwhile, "ZinViewer - "
    // and the path after; or the message "Cannot read this file!" with the
    // reason under it, the caption and the file list's selection back on
    // the file still shown.
    bool OpenFile(const std::string& path);
    // Shows a folder in the browser, its file list from the top. The
    // caption names the file shown, or the folder while there is none.
    void SetDirectory(const std::string& dir);
    const std::string& CurrentDirectory() const;
    // The file the control shows (empty: none).
    const std::string& ShownFile() const { return FShownFile; }
    // Opens the start path given in the options: a folder is shown, a file
    // is shown selected in its folder and opened. False when the file could
    // not be loaded.
    bool OpenStartPath();
    bool StartPathDone() const { return FStartPathDone; }

    // Work in progress (a load or a settings change that rebuilds rows).
    bool Working() const override { return FWorkDepth > 0; }
    // Progress reports so far, and those that came while the progress bar
    // was shown.
    int ProgressReports() const;
    int ProgressShownReports() const;
    double LastLoadSeconds() const { return FLastLoadSeconds; }

    // The control's notifications: its state changed (the file panel, and
    // the font, its size and the edit mode in the settings panel), the
    // caret moved (the caret panel).
    void UpdateStatePanel();
    void UpdateCaretPanel();

    // Find and go to (the Edit menu's commands).
    TViewerFindBar& FindBar() { return *FFindBar; }
    TViewerGoToBar& GoToBar() { return *FGoToBar; }
    void OpenFind();
    void FindNext(bool forward);
    void OpenGoTo();

    // Watching the file shown (TFileWatch): growth is shown as it comes, a
    // file replaced or shrunk is loaded again ("File replaced: reloaded"),
    // a file deleted stays shown ("File deleted") and is watched no more.
    // CheckShownFile is what each sign of a change runs; a check that meets
    // work or a search under way waits for it.
    void CheckShownFile();
    bool WatchingFile() const;
    // The File menu's Reload (F5): the file shown loaded again as it is
    // now, keeping the caret's line, the top row's line, the code page,
    // the wrap and the edit mode. False when there is none or it cannot be
    // read (the status bar says why).
    bool ReloadFile();
    // The View menu's Follow (Ctrl+Shift+F).
    void SetFollowing(bool on);
    QString WatchText() const;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // While alive: the control is busy (takes no events, does not paint)
    // and progress reports may show the progress bar.
    class TWork;
    // TWork plus a caption that stands in the title meanwhile.
    class TBusyCaption;

    // The window's parts as the settings panel sees them.
    bool ProgressShown() const override;
    void RunWork(const QString& caption, const std::function<void()>& change) override;
    void FocusEdit() override;

    void BuildLayout();
    void BuildMenu();
    void SaveSettings();

    void BeginWork();
    void EndWork();
    void Progress(uint64_t done, uint64_t total);
    void EndUnannouncedWork();

    void UpdateCaption();
    void RestorePlacement();
    void SavePlacement(zin::TIniFile& ini);

    // Handlers.
    void FolderActivated(const QByteArray& path);
    void CopyRefused();
    // Opens a dropped file (or shows a dropped folder) by its path's bytes.
    void OpenDropped(const std::string& path);

    std::string FIniFileName;
    // The settings read at start, for the control the window makes; the
    // control keeps its own afterwards.
    zin::TEditSettings FStartSettings;
    std::string FStartPath;
    bool FInteractive = true;
    bool FRestorePlacement = true;
    bool FShown = false;
    bool FStartPathDone = false;
    bool FSettingsSaved = false;  // or not to be saved
    std::string FShownFile;       // the file the control shows

    // Work and progress.
    int FWorkDepth = 0;
    bool FUnannouncedWork = false;  // work the control began on its own (a resize)
    QString FUnannouncedCaption;
    bool FCloseRequested = false;
    double FLastLoadSeconds = 0;
    // A new size of the window the window system gave while work was in
    // progress: applied (the last one) when the work ends, so that no
    // layout runs inside the work.
    QPointer<QWindow> FWatchedWindow;
    QSize FQueuedWindowSize;

    // Layout: the browser and the settings panel side by side above the
    // control, the status bar below. The splitters' sizes are kept in the
    // settings file (the browser's own splitter, between its folders and
    // its files, too).
    QSplitter* FPanelsEditSplitter = nullptr;        // the browser and settings row | the control
    QSplitter* FBrowserSettingsSplitter = nullptr;   // the browser | the settings panel
    bool FBrowserSettingsRestored = false;           // its sizes came from the settings file
    TViewerBrowser* FBrowser = nullptr;
    TViewerSettingsPanel* FSettingsPanel = nullptr;
    TZinEditWidget* FEditWidget = nullptr;
    TViewerStatusBar* FStatusBar = nullptr;
    // Under the text: the find bar and the go-to bar, hidden until asked for.
    TViewerFindBar* FFindBar = nullptr;
    TViewerGoToBar* FGoToBar = nullptr;
    int FStartLine = 0;
    bool FStartFollowing = false;

    // Watching the file shown; the note the status bar shows about it
    // (cleared after a while unless it is "File deleted").
    TFileWatch* FWatch = nullptr;
    QAction* FFollowAction = nullptr;
    QString FWatchNote;
    int FWatchNoteSerial = 0;
    void SetWatchNote(const QString& note, bool lasting);
    // A reload that failed: the status bar says why; a load that had to
    // stop leaves no file shown.
    void ReloadFailed();
    void ShowWatch();
};
