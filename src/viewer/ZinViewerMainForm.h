#pragma once
// The viewer's main window: a file browser (drive box, directory list, file
// list) and the settings panel above the editor control, a two-panel status
// bar below it. Clicking a file opens it in the control; the settings file
// is read when the window is built and written when it is destroyed.
#include <QElapsedTimer>
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QString>

#include <cstdint>
#include <string>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QWindow;
class TZinEditWidget;

namespace zin {
class TIniFile;
class TZinEdit;
}

// The settings file's two section names.
extern const char* const EditSectionName;  // "ZinEdit"
extern const char* const KeysSectionName;  // "ZinEdit Keys"

class TZinViewerForm : public QMainWindow {
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
    };

    explicit TZinViewerForm(const TOptions& options, QWidget* parent = nullptr);
    ~TZinViewerForm() override;

    TZinEditWidget& EditWidget() { return *FEditWidget; }
    zin::TZinEdit& ViewerEdit();
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
    const std::string& CurrentDirectory() const { return FCurrentDir; }
    // The file the control shows (empty: none).
    const std::string& ShownFile() const { return FShownFile; }
    // Opens the start path given in the options: a folder is shown, a file
    // is shown selected in its folder and opened. False when the file could
    // not be loaded.
    bool OpenStartPath();
    bool StartPathDone() const { return FStartPathDone; }

    // Work in progress (a load or a settings change that rebuilds rows).
    bool Working() const { return FWorkDepth > 0; }
    // Progress reports so far, and those that came while the progress bar
    // was shown.
    int ProgressReports() const { return FProgressReports; }
    int ProgressShownReports() const { return FProgressShownReports; }
    double LastLoadSeconds() const { return FLastLoadSeconds; }

    // The status bar's handlers; the control's notifications call them.
    void UpdateStatePanel();
    void UpdateCaretPanel();

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

    void BuildLayout();
    void BuildSettingsPanel(QWidget* panel);
    void FillFontMenu();
    void FillEncodingMenu();
    void FillFontSizeMenu();
    void SetInitialPanelState();
    void RefreshDrives();
    void RefreshDirectoryList();
    void RefreshFileList();
    void SetEncodeCaption();
    void FocusEdit();
    void SaveSettings();

    void BeginWork();
    void EndWork();
    void Progress(uint64_t done, uint64_t total);
    void EndUnannouncedWork();

    void UpdateCaption();
    void UpdateFontCaption();
    // Selects the shown file in the file list when it is in the current
    // folder, nothing otherwise.
    void SelectShownFile();
    void RestorePlacement();
    void SavePlacement(zin::TIniFile& ini);
    void MarkMenus();

    // Handlers.
    void FontMenuItemClick(const QString& name);
    void FontSizeMenuItemClick(int size);
    void FontSizeChange(int size);
    void EncodingMenuItemClick(int32_t codePage);
    void LineSpacingChange(int percent);
    void WordWrapClick();
    void MaxColumnsChange(int columns);
    void EditModeClick();
    void FileListClick(QListWidgetItem* item);
    void DirectoryListActivated(QListWidgetItem* item);
    void DriveActivated(int index);
    void CopyRefused();
    // Opens a dropped file (or shows a dropped folder) by its path's bytes.
    void OpenDropped(const std::string& path);
    void PopupAt(QMenu* menu, QWidget* widget);

    std::string FIniFileName;
    std::string FStartPath;
    bool FInteractive = true;
    bool FRestorePlacement = true;
    bool FFormCreating = true;
    bool FShown = false;
    QIcon FFolderIcon, FFileIcon;  // the browser lists' icons, drawn once
    bool FStartPathDone = false;
    bool FSettingsSaved = false;  // or not to be saved
    std::string FCurrentDir;  // the browser's folder, clean and absolute
    std::string FShownFile;   // the file the control shows
    std::string FFontCaptionName;  // the configured font the font button was set for

    // Work and progress.
    int FWorkDepth = 0;
    bool FUnannouncedWork = false;  // work the control began on its own (a resize)
    QString FUnannouncedCaption;
    bool FProgressShown = false;
    bool FCloseRequested = false;
    int FProgressDelayMs = 333;
    QElapsedTimer FWorkTimer;
    int FProgressReports = 0;
    int FProgressShownReports = 0;
    double FLastLoadSeconds = 0;
    // A new size of the window the window system gave while work was in
    // progress: applied (the last one) when the work ends, so that no
    // layout runs inside the work.
    QPointer<QWindow> FWatchedWindow;
    QSize FQueuedWindowSize;

    // Layout.
    QWidget* FPanel1 = nullptr;
    QWidget* FPanel3 = nullptr;  // the settings panel, in a scroll area
    bool FSplitter1Restored = false;
    QSplitter* FSplitter1 = nullptr;
    QSplitter* FSplitter2 = nullptr;
    QSplitter* FSplitter3 = nullptr;
    QComboBox* FDriveComboBox = nullptr;
    QListWidget* FDirectoryList = nullptr;
    QPushButton* FButtonRefresh = nullptr;
    QListWidget* FFileList = nullptr;
    TZinEditWidget* FEditWidget = nullptr;
    QLabel* FStatusCaret = nullptr;
    QLabel* FStatusFile = nullptr;
    QLabel* FStatusBusy = nullptr;
    QProgressBar* FProgressBar = nullptr;

    // Settings panel.
    QPushButton* FButtonChangeFont = nullptr;
    QSpinBox* FSpinFontSize = nullptr;
    QPushButton* FButtonChangeEncode = nullptr;
    QSpinBox* FSpinLineSpacing = nullptr;
    QCheckBox* FCheckDisplayLineNumber = nullptr;
    QCheckBox* FCheckShowEndOfLine = nullptr;
    QCheckBox* FCheckShowSpaceChar = nullptr;
    QCheckBox* FCheckShowTabChar = nullptr;
    QCheckBox* FCheckMarkActiveLine = nullptr;
    QRadioButton* FRadioNoWrap = nullptr;
    QRadioButton* FRadioWrapByWindow = nullptr;
    QRadioButton* FRadioWrapByColumn = nullptr;
    QSpinBox* FSpinMaxColumns = nullptr;
    QRadioButton* FRadioTextMode = nullptr;
    QRadioButton* FRadioColumnMode = nullptr;
    QRadioButton* FRadioHexMode = nullptr;
    QMenu* FPopupMenuFonts = nullptr;
    QMenu* FPopupMenuEncodes = nullptr;
    QMenu* FPopupMenuFontSizes = nullptr;
};
