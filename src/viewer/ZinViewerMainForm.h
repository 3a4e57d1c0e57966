#pragma once
// The viewer's main window: a file browser (drive box, directory list, file
// list) and the settings panel above the editor control, a two-panel status
// bar below it. Clicking a file opens it in the control; the settings file
// is read when the window is built and written when it is destroyed.
#include <QElapsedTimer>
#include <QIcon>
#include <QMainWindow>
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
class TZinEditWidget;

namespace zin {
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
        // A file to open or a folder to start in; empty: the current folder.
        QString StartPath;
        // Work lasting longer than this shows a progress bar.
        int ProgressDelayMs = 333;
    };

    explicit TZinViewerForm(const TOptions& options, QWidget* parent = nullptr);
    ~TZinViewerForm() override;

    TZinEditWidget& EditWidget() { return *FEditWidget; }
    zin::TZinEdit& ViewerEdit();
    const std::string& IniFileName() const { return FIniFileName; }

    // Opens a file in the control as a click in the file list does: the
    // caption "Loading..." meanwhile, "ZinViewer - " and the path after, or
    // the message "Cannot read this file!" and the caption as it was.
    bool OpenFile(const QString& path);
    // Shows a folder in the browser (the caption follows it).
    void SetDirectory(const QString& dir);
    const QString& CurrentDirectory() const { return FCurrentDir; }
    // Opens the start path given in the options: a folder is shown, a file
    // is shown selected in its folder and opened.
    void OpenStartPath();
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
    void PopupAt(QMenu* menu, QWidget* widget);

    std::string FIniFileName;
    QString FStartPath;
    bool FFormCreating = true;
    bool FShown = false;
    QIcon FFolderIcon, FFileIcon;  // the browser lists' icons, drawn once
    bool FStartPathDone = false;
    bool FSettingsSaved = false;  // or not to be saved
    QString FCurrentDir;

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

    // Layout.
    QWidget* FPanel1 = nullptr;
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
