#pragma once
// The window's file browser: the drive box (the mounted file systems), the
// directory list (the current folder's ancestors, the folder, its
// subfolders) and, beside them, the "Refresh File List" button over the
// file list. Every item keeps the bytes of its path or name; its text shows
// them. The browser shows folders; what is opened, and when, the window
// decides on its signals.
#include <QByteArray>
#include <QIcon>
#include <QWidget>

#include <string>

class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSplitter;

class TViewerBrowser : public QWidget {
    Q_OBJECT
public:
    explicit TViewerBrowser(QWidget* parent = nullptr);

    // Shows a folder (made clean and absolute): the drive holding it, its
    // folder list, its files from the top, the shown file selected when it
    // is among them.
    void SetDirectory(const std::string& dir);
    const std::string& CurrentDirectory() const { return FCurrentDir; }
    // The file the control shows (the bytes of its clean path; empty:
    // none): selected in the file list whenever its folder is listed, no
    // file otherwise.
    void SetShownFile(const std::string& path);
    // Selects a file of the current folder once, without it being shown
    // (the start file before it is opened); nothing when it is elsewhere.
    void SelectFile(const std::string& path);
    // The selected file in the middle of the list, with its neighbours
    // around it (once the list has its size).
    void CenterSelectedFile();
    // Reads the current folder's files again.
    void RefreshFileList();

    // The splitter between the drive box and directory list and the file
    // list.
    QSplitter* FoldersFilesSplitter() const { return FFoldersFilesSplitter; }

signals:
    // A file clicked, or Enter on it: its full path's bytes.
    void FileActivated(const QByteArray& path);
    // A folder entered in the directory list, or a drive chosen.
    void FolderActivated(const QByteArray& path);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void RefreshDrives();
    void RefreshDirectoryList();
    void SelectShownFile();
    void FileListClick(QListWidgetItem* item);

    std::string FCurrentDir;  // clean and absolute
    std::string FShownFile;
    QIcon FFolderIcon, FFileIcon;  // drawn once, at the first listing

    QSplitter* FFoldersFilesSplitter = nullptr;
    QComboBox* FDriveComboBox = nullptr;
    QListWidget* FDirectoryList = nullptr;
    QPushButton* FButtonRefresh = nullptr;
    QListWidget* FFileList = nullptr;
};
