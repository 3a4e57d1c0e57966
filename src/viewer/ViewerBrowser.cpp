#include "viewer/ViewerBrowser.h"

#include <QCollator>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QStorageInfo>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "viewer/BrowserIcons.h"
#include "viewer/FolderList.h"
#include "viewer/QtBytes.h"

using zin::FromBytes;

namespace {

// The role of a browser item's path or name bytes.
constexpr int BytesRole = Qt::UserRole;

std::string ItemBytes(const QListWidgetItem* item) { return item->data(BytesRole).toByteArray().toStdString(); }

// Names in the order of the folder lists: by their text, letter case and
// the locale's rules considered, then by their bytes.
void SortNames(std::vector<std::string>& names)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::vector<std::pair<QString, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& n : names)
        keyed.emplace_back(FromBytes(n), std::move(n));
    std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        const int c = collator.compare(a.first, b.first);
        return c != 0 ? c < 0 : a.second < b.second;
    });
    names.clear();
    for (auto& k : keyed)
        names.push_back(std::move(k.second));
}

}  // namespace

TViewerBrowser::TViewerBrowser(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel2"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FFoldersFilesSplitter = new QSplitter(Qt::Horizontal, this);
    FFoldersFilesSplitter->setObjectName(QStringLiteral("Splitter2"));
    FFoldersFilesSplitter->setChildrenCollapsible(false);
    layout->addWidget(FFoldersFilesSplitter);

    auto* folders = new QWidget(FFoldersFilesSplitter);
    folders->setObjectName(QStringLiteral("Panel4"));
    auto* foldersLayout = new QVBoxLayout(folders);
    foldersLayout->setContentsMargins(0, 0, 0, 0);
    foldersLayout->setSpacing(2);
    FDriveComboBox = new QComboBox(folders);
    FDriveComboBox->setObjectName(QStringLiteral("DriveComboBox1"));
    FDriveComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    FDriveComboBox->setMinimumContentsLength(8);
    FDriveComboBox->setToolTip(QStringLiteral("Mounted file systems"));
    FDirectoryList = new QListWidget(folders);
    FDirectoryList->setObjectName(QStringLiteral("DirectoryListBox1"));
    FDirectoryList->setToolTip(QStringLiteral("Double-click a folder to enter it"));
    foldersLayout->addWidget(FDriveComboBox);
    foldersLayout->addWidget(FDirectoryList, 1);

    auto* files = new QWidget(FFoldersFilesSplitter);
    files->setObjectName(QStringLiteral("Panel5"));
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->setSpacing(2);
    FButtonRefresh = new QPushButton(QStringLiteral("Refresh File List"), files);
    FButtonRefresh->setObjectName(QStringLiteral("ButtonRefreshFileList"));
    FFileList = new QListWidget(files);
    FFileList->setObjectName(QStringLiteral("FileListBox1"));
    filesLayout->addWidget(FButtonRefresh);
    filesLayout->addWidget(FFileList, 1);
    FFoldersFilesSplitter->setSizes({152, 208});

    connect(FDriveComboBox, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (index >= 0)
            emit FolderActivated(QFile::encodeName(FDriveComboBox->itemData(index).toString()));
    });
    connect(FDirectoryList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (item)
            emit FolderActivated(item->data(BytesRole).toByteArray());
    });
    connect(FButtonRefresh, &QPushButton::clicked, this, [this] { RefreshFileList(); });
    connect(FFileList, &QListWidget::itemClicked, this, &TViewerBrowser::FileListClick);
    // Enter on a file opens it as a click does.
    FFileList->installEventFilter(this);
}

void TViewerBrowser::SetDirectory(const std::string& dir)
{
    FCurrentDir = zin::CleanPath(dir, zin::CurrentFolder());
    RefreshDrives();
    RefreshDirectoryList();
    RefreshFileList();
    // A folder entered shows its files from the top, even where the shown
    // file is among them.
    FFileList->scrollToTop();
}

void TViewerBrowser::SetShownFile(const std::string& path)
{
    FShownFile = path;
    SelectShownFile();
}

void TViewerBrowser::SelectFile(const std::string& path)
{
    if (zin::ParentFolder(path) != FCurrentDir)
        return;
    const std::string name = zin::LastPart(path);
    for (int i = 0; i < FFileList->count(); ++i)
        if (ItemBytes(FFileList->item(i)) == name) {
            FFileList->setCurrentItem(FFileList->item(i));
            return;
        }
}

void TViewerBrowser::CenterSelectedFile()
{
    if (QListWidgetItem* item = FFileList->currentItem())
        FFileList->scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

void TViewerBrowser::RefreshDrives()
{
    // The mounted file systems; the one holding the current folder is shown.
    QList<QStorageInfo> volumes;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
        if (v.isValid() && v.isReady())
            volumes.append(v);
    std::sort(volumes.begin(), volumes.end(),
              [](const QStorageInfo& a, const QStorageInfo& b) { return a.rootPath() < b.rootPath(); });
    const QString current = FromBytes(FCurrentDir);
    QString best;
    for (const QStorageInfo& v : volumes) {
        const QString root = v.rootPath();
        const bool holds =
            root == QLatin1String("/") || current == root || current.startsWith(root + QLatin1Char('/'));
        if (holds && root.size() > best.size())
            best = root;
    }
    if (best.isEmpty())
        best = QStringLiteral("/");
    FDriveComboBox->clear();
    int index = -1;
    for (const QStorageInfo& v : volumes) {
        const QString root = v.rootPath();
        const QString name = v.displayName();
        FDriveComboBox->addItem(name == root || name.isEmpty() ? root : root + QStringLiteral("  [") + name + ']',
                                root);
        if (root == best)
            index = FDriveComboBox->count() - 1;
    }
    if (index < 0) {
        FDriveComboBox->insertItem(0, best, best);
        index = 0;
    }
    FDriveComboBox->setCurrentIndex(index);
}

void TViewerBrowser::RefreshDirectoryList()
{
    // The folder's ancestors from the root down, the folder itself, then its
    // subfolders, each level indented further.
    if (FFolderIcon.isNull())
        FFolderIcon = zin::FolderIcon();
    const QIcon& folderIcon = FFolderIcon;
    FDirectoryList->clear();
    auto add = [&](const std::string& caption, const std::string& full, int depth) {
        auto* item =
            new QListWidgetItem(folderIcon, QString(depth * 2, QLatin1Char(' ')) + FromBytes(caption), FDirectoryList);
        item->setData(BytesRole, QByteArray::fromStdString(full));
        return item;
    };
    QListWidgetItem* current = add("/", "/", 0);
    std::string path = "/";
    int depth = 0;
    for (size_t i = 1; i < FCurrentDir.size();) {
        size_t j = FCurrentDir.find('/', i);
        if (j == std::string::npos)
            j = FCurrentDir.size();
        const std::string part = FCurrentDir.substr(i, j - i);
        path = zin::JoinPath(path, part);
        current = add(part, path, ++depth);
        i = j + 1;
    }
    zin::TFolderEntries entries = zin::ListFolder(FCurrentDir);
    SortNames(entries.Folders);
    for (const std::string& sub : entries.Folders)
        add(sub, zin::JoinPath(FCurrentDir, sub), depth + 1);
    FDirectoryList->setCurrentItem(current);
    FDirectoryList->scrollToItem(current);
}

void TViewerBrowser::RefreshFileList()
{
    if (FFileIcon.isNull())
        FFileIcon = zin::FileIcon();
    const QIcon& fileIcon = FFileIcon;
    FFileList->clear();
    zin::TFolderEntries entries = zin::ListFolder(FCurrentDir);
    SortNames(entries.Files);
    for (const std::string& name : entries.Files) {
        auto* item = new QListWidgetItem(fileIcon, FromBytes(name), FFileList);
        item->setData(BytesRole, QByteArray::fromStdString(name));
    }
    SelectShownFile();
}

void TViewerBrowser::SelectShownFile()
{
    QListWidgetItem* shown = nullptr;
    if (!FShownFile.empty() && zin::ParentFolder(FShownFile) == FCurrentDir) {
        const std::string name = zin::LastPart(FShownFile);
        for (int i = 0; i < FFileList->count() && !shown; ++i)
            if (ItemBytes(FFileList->item(i)) == name)
                shown = FFileList->item(i);
    }
    FFileList->setCurrentItem(shown);
}

void TViewerBrowser::FileListClick(QListWidgetItem* item)
{
    if (item)
        emit FileActivated(QByteArray::fromStdString(zin::JoinPath(FCurrentDir, ItemBytes(item))));
}

bool TViewerBrowser::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == FFileList && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && FFileList->currentItem()) {
            FileListClick(FFileList->currentItem());
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}
