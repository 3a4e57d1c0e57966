#include "viewer/ZinViewerMainForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCollator>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStorageInfo>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cstdio>

#include "editor/ZinEdit.h"
#include "editor/ZinEditSettings.h"
#include "encoding/CodePage.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "widget/QtSurface.h"
#include "widget/ZinEditWidget.h"
#include "viewer/BrowserIcons.h"
#include "viewer/FolderList.h"
#include "viewer/StatusText.h"
#include "viewer/WindowPlacement.h"

const char* const EditSectionName = "ZinEdit";
const char* const KeysSectionName = "ZinEdit Keys";

namespace {

const QString TitlePrefix = QStringLiteral("ZinViewer - ");

// Bytes as text; a sequence that is not UTF-8 shows as replacement
// characters (paths are shown so, and used by their bytes).
QString FromBytes(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

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

// A menu entry shows its caption as given: '&' would otherwise mark an
// accelerator.
QString MenuCaption(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return s;
}

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

void TZinViewerForm::BeginWork()
{
    if (FWorkDepth++ > 0)
        return;
    FWorkTimer.start();
    FProgressShown = false;
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
    if (FProgressShown) {
        FProgressBar->hide();
        FStatusBusy->hide();
        FProgressShown = false;
    }
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
    ++FProgressReports;
    if (!FProgressShown) {
        if (FWorkTimer.elapsed() < FProgressDelayMs)
            return;
        FProgressShown = true;
        FStatusBusy->setText(windowTitle());
        FStatusBusy->show();
        FProgressBar->show();
    }
    ++FProgressShownReports;
    const int permille = total ? static_cast<int>(std::min<uint64_t>(done, total) * 1000 / total) : 0;
    FProgressBar->setValue(permille);
    // Paint the progress bar and the caption; the control is busy and takes
    // no part, user input waits until the work is done, and a new size of
    // the window is kept for its end.
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
      FSettingsSaved(!options.SaveSettings), FProgressDelayMs(options.ProgressDelayMs)
{
    FFormCreating = true;
    setObjectName(QStringLiteral("ZinViewerForm"));
    setWindowTitle(QStringLiteral("ZinViewer"));
    setAcceptDrops(true);
    resize(821, 640);

    // The settings go into EditSettings before the control copies them.
    if (zin::FileExists(FIniFileName)) {
        zin::TIniFile ini(FIniFileName);
        zin::LoadEditSettings(ini, EditSectionName, KeysSectionName);
    }

    BuildLayout();
    zin::TZinEdit& edit = ViewerEdit();
    edit.OnStateChange = [this](zin::TZinEdit&) { UpdateStatePanel(); };
    edit.OnSelectionChange = [this](zin::TZinEdit&) { UpdateCaretPanel(); };
    edit.OnProgress = [this](uint64_t done, uint64_t total) { Progress(done, total); };
    connect(FEditWidget, &TZinEditWidget::CopyRefused, this, &TZinViewerForm::CopyRefused);

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
    if (!startFile.empty() && zin::ParentFolder(startFile) == FCurrentDir) {
        const std::string name = zin::LastPart(startFile);
        for (int i = 0; i < FFileList->count(); ++i)
            if (ItemBytes(FFileList->item(i)) == name) {
                FFileList->setCurrentItem(FFileList->item(i));  // scrolled to at the first show
                break;
            }
    }

    FillFontMenu();
    FillEncodingMenu();
    SetEncodeCaption();
    SetInitialPanelState();
    FillFontSizeMenu();
    UpdateStatePanel();
    UpdateCaretPanel();
    if (FRestorePlacement)
        RestorePlacement();
    FFormCreating = false;
}

TZinViewerForm::~TZinViewerForm()
{
    SaveSettings();
    // The control's notifications reach into this window's widgets.
    zin::TZinEdit& edit = ViewerEdit();
    edit.OnStateChange = nullptr;
    edit.OnSelectionChange = nullptr;
    edit.OnProgress = nullptr;
}

zin::TZinEdit& TZinViewerForm::ViewerEdit() { return FEditWidget->Edit(); }

void TZinViewerForm::SaveSettings()
{
    if (FSettingsSaved || FIniFileName.empty())
        return;
    FSettingsSaved = true;
    const size_t slash = FIniFileName.rfind('/');
    if (slash != std::string::npos)
        zin::ForceDirectories(FIniFileName.substr(0, slash + 1));
    zin::TIniFile ini(FIniFileName);
    zin::SaveEditSettings(ini, EditSectionName, KeysSectionName);
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
    QSplitter* splitters[3] = {FSplitter1, FSplitter2, FSplitter3};
    for (int i = 0; i < 3; ++i)
        if (p.Splitters[i].size() == 2)
            splitters[i]->setSizes({p.Splitters[i][0], p.Splitters[i][1]});
    FSplitter1Restored = p.Splitters[0].size() == 2;
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
    QSplitter* splitters[3] = {FSplitter1, FSplitter2, FSplitter3};
    for (int i = 0; i < 3; ++i) {
        const QList<int> sizes = splitters[i]->sizes();
        if (sizes.size() == 2)
            p.Splitters[i] = {sizes[0], sizes[1]};
    }
    zin::WriteWindowPlacement(ini, p);
}

void TZinViewerForm::BuildLayout()
{
    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    FSplitter3 = new QSplitter(Qt::Vertical, central);
    FSplitter3->setObjectName(QStringLiteral("Splitter3"));
    FSplitter3->setChildrenCollapsible(false);
    centralLayout->addWidget(FSplitter3);
    setCentralWidget(central);

    FPanel1 = new QWidget(FSplitter3);
    FPanel1->setObjectName(QStringLiteral("Panel1"));
    auto* panel1Layout = new QHBoxLayout(FPanel1);
    panel1Layout->setContentsMargins(2, 2, 2, 2);
    FSplitter1 = new QSplitter(Qt::Horizontal, FPanel1);
    FSplitter1->setObjectName(QStringLiteral("Splitter1"));
    FSplitter1->setChildrenCollapsible(false);
    panel1Layout->addWidget(FSplitter1);

    // The file browser.
    auto* panel2 = new QWidget(FSplitter1);
    panel2->setObjectName(QStringLiteral("Panel2"));
    auto* panel2Layout = new QHBoxLayout(panel2);
    panel2Layout->setContentsMargins(0, 0, 0, 0);
    FSplitter2 = new QSplitter(Qt::Horizontal, panel2);
    FSplitter2->setObjectName(QStringLiteral("Splitter2"));
    FSplitter2->setChildrenCollapsible(false);
    panel2Layout->addWidget(FSplitter2);

    auto* panel4 = new QWidget(FSplitter2);
    panel4->setObjectName(QStringLiteral("Panel4"));
    auto* panel4Layout = new QVBoxLayout(panel4);
    panel4Layout->setContentsMargins(0, 0, 0, 0);
    panel4Layout->setSpacing(2);
    FDriveComboBox = new QComboBox(panel4);
    FDriveComboBox->setObjectName(QStringLiteral("DriveComboBox1"));
    FDriveComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    FDriveComboBox->setMinimumContentsLength(8);
    FDriveComboBox->setToolTip(QStringLiteral("Mounted file systems"));
    FDirectoryList = new QListWidget(panel4);
    FDirectoryList->setObjectName(QStringLiteral("DirectoryListBox1"));
    FDirectoryList->setToolTip(QStringLiteral("Double-click a folder to enter it"));
    panel4Layout->addWidget(FDriveComboBox);
    panel4Layout->addWidget(FDirectoryList, 1);

    auto* panel5 = new QWidget(FSplitter2);
    panel5->setObjectName(QStringLiteral("Panel5"));
    auto* panel5Layout = new QVBoxLayout(panel5);
    panel5Layout->setContentsMargins(0, 0, 0, 0);
    panel5Layout->setSpacing(2);
    FButtonRefresh = new QPushButton(QStringLiteral("Refresh File List"), panel5);
    FButtonRefresh->setObjectName(QStringLiteral("ButtonRefreshFileList"));
    FFileList = new QListWidget(panel5);
    FFileList->setObjectName(QStringLiteral("FileListBox1"));
    panel5Layout->addWidget(FButtonRefresh);
    panel5Layout->addWidget(FFileList, 1);
    FSplitter2->setSizes({152, 208});

    // The settings panel scrolls when the window is too small for it.
    auto* settingsArea = new QScrollArea(FSplitter1);
    settingsArea->setObjectName(QStringLiteral("SettingsArea"));
    settingsArea->setFrameShape(QFrame::NoFrame);
    settingsArea->setWidgetResizable(true);
    FPanel3 = new QWidget;
    FPanel3->setObjectName(QStringLiteral("Panel3"));
    BuildSettingsPanel(FPanel3);
    settingsArea->setWidget(FPanel3);
    FSplitter1->setStretchFactor(0, 0);
    FSplitter1->setStretchFactor(1, 1);
    FSplitter1->setSizes({360, 461});

    FEditWidget = new TZinEditWidget(FSplitter3);
    FEditWidget->setObjectName(QStringLiteral("ViewerEdit"));
    FSplitter3->setStretchFactor(0, 0);
    FSplitter3->setStretchFactor(1, 1);
    FSplitter3->setSizes({225, 380});

    // The status bar: the caret panel, the file panel, and while long work
    // runs its caption and a progress bar. Each may shrink below its text
    // (the text is cut), so that in a narrow window they sit side by side
    // rather than over one another.
    FStatusCaret = new QLabel(this);
    FStatusCaret->setObjectName(QStringLiteral("StatusPanel0"));
    FStatusCaret->setMinimumWidth(60);
    FStatusFile = new QLabel(this);
    FStatusFile->setObjectName(QStringLiteral("StatusPanel1"));
    FStatusFile->setMinimumWidth(60);
    FStatusBusy = new QLabel(this);
    FStatusBusy->setObjectName(QStringLiteral("StatusBusy"));
    FStatusBusy->setMinimumWidth(40);
    FProgressBar = new QProgressBar(this);
    FProgressBar->setObjectName(QStringLiteral("StatusProgress"));
    FProgressBar->setRange(0, 1000);
    FProgressBar->setTextVisible(false);
    FProgressBar->setMinimumWidth(60);
    FProgressBar->setMaximumWidth(180);
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    bar->addWidget(FStatusCaret);
    bar->addWidget(FStatusFile, 1);
    bar->addPermanentWidget(FStatusBusy);
    bar->addPermanentWidget(FProgressBar);
    FStatusBusy->hide();
    FProgressBar->hide();

    connect(FDriveComboBox, qOverload<int>(&QComboBox::activated), this, &TZinViewerForm::DriveActivated);
    connect(FDirectoryList, &QListWidget::itemActivated, this, &TZinViewerForm::DirectoryListActivated);
    connect(FButtonRefresh, &QPushButton::clicked, this, [this] { RefreshFileList(); });
    connect(FFileList, &QListWidget::itemClicked, this, &TZinViewerForm::FileListClick);
    // Enter on a file opens it as a click does.
    FFileList->installEventFilter(this);
}

void TZinViewerForm::BuildSettingsPanel(QWidget* panel)
{
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(4, 2, 2, 2);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);

    FPopupMenuFonts = new QMenu(this);
    FPopupMenuFonts->setObjectName(QStringLiteral("PopupMenuFonts"));
    FPopupMenuEncodes = new QMenu(this);
    FPopupMenuEncodes->setObjectName(QStringLiteral("PopupMenuEncodes"));
    FPopupMenuFontSizes = new QMenu(this);
    FPopupMenuFontSizes->setObjectName(QStringLiteral("PopupMenuFontSizes"));

    // A button opens its menu below itself, on a left or a right click.
    auto menuButton = [this, panel](const char* name, QMenu* menu) {
        auto* button = new QPushButton(panel);
        button->setObjectName(QLatin1String(name));
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        button->setMinimumWidth(120);
        button->setStyleSheet(QStringLiteral("text-align: left; padding: 3px 6px;"));
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QPushButton::clicked, this, [this, button, menu] { PopupAt(menu, button); });
        connect(button, &QWidget::customContextMenuRequested, this, [this, button, menu] { PopupAt(menu, button); });
        return button;
    };
    FButtonChangeFont = menuButton("ButtonChangeFont", FPopupMenuFonts);
    FButtonChangeEncode = menuButton("ButtonChangeEncode", FPopupMenuEncodes);

    auto* label1 = new QLabel(QStringLiteral("Font Size: "), panel);
    label1->setObjectName(QStringLiteral("Label1"));
    FSpinFontSize = new QSpinBox(panel);
    FSpinFontSize->setObjectName(QStringLiteral("CSpinEditFontSize"));
    FSpinFontSize->setRange(1, 99);
    FSpinFontSize->setContextMenuPolicy(Qt::CustomContextMenu);
    FSpinFontSize->setToolTip(QStringLiteral("Click for a list of sizes"));
    // A click into the number shows the sizes below it; a right click too.
    FSpinFontSize->findChild<QLineEdit*>()->installEventFilter(this);
    connect(FSpinFontSize, &QWidget::customContextMenuRequested, this,
            [this] { PopupAt(FPopupMenuFontSizes, FSpinFontSize); });

    auto* label2 = new QLabel(QStringLiteral("Line Spacing (%)"), panel);
    label2->setObjectName(QStringLiteral("Label2"));
    FSpinLineSpacing = new QSpinBox(panel);
    FSpinLineSpacing->setObjectName(QStringLiteral("CSpinEditLineSpacing"));
    FSpinLineSpacing->setRange(100, 500);

    auto check = [panel](const char* name, const char* caption) {
        auto* box = new QCheckBox(QLatin1String(caption), panel);
        box->setObjectName(QLatin1String(name));
        return box;
    };
    FCheckDisplayLineNumber = check("CheckBoxDisplayLineNumber", "Display Line Number");
    FCheckShowEndOfLine = check("CheckBoxShowEndOfLine", "Show End Of Line");
    FCheckShowSpaceChar = check("CheckBoxShowSpaceChar", "Show Space Char");
    FCheckShowTabChar = check("CheckBoxShowTabChar", "Show Tab Char");
    FCheckMarkActiveLine = check("CheckBoxMarkActiveLine", "Mark Active Line");

    auto* group1 = new QGroupBox(QStringLiteral("WordWrap"), panel);
    group1->setObjectName(QStringLiteral("GroupBox1"));
    auto* g1 = new QVBoxLayout(group1);
    g1->setContentsMargins(6, 2, 6, 4);
    g1->setSpacing(2);
    auto radio = [](QWidget* parent, const char* name, const char* caption) {
        auto* r = new QRadioButton(QLatin1String(caption), parent);
        r->setObjectName(QLatin1String(name));
        return r;
    };
    FRadioNoWrap = radio(group1, "RadioButtonNoWrap", "No WordWrap");
    FRadioWrapByWindow = radio(group1, "RadioButtonWordWrapByWindow", "By Window");
    FRadioWrapByColumn = radio(group1, "RadioButtonWordWrapByColumn", "By Columns");
    FSpinMaxColumns = new QSpinBox(group1);
    FSpinMaxColumns->setObjectName(QStringLiteral("CSpinEditMaxColumns"));
    FSpinMaxColumns->setRange(5, 9999);
    g1->addWidget(FRadioNoWrap);
    g1->addWidget(FRadioWrapByWindow);
    auto* columnsRow = new QHBoxLayout;
    columnsRow->addWidget(FRadioWrapByColumn);
    columnsRow->addWidget(FSpinMaxColumns);
    g1->addLayout(columnsRow);
    g1->addStretch(1);

    auto* group2 = new QGroupBox(QStringLiteral("Edit Mode"), panel);
    group2->setObjectName(QStringLiteral("GroupBox2"));
    auto* g2 = new QVBoxLayout(group2);
    g2->setContentsMargins(6, 2, 6, 4);
    g2->setSpacing(2);
    FRadioTextMode = radio(group2, "RadioButtonTextMode", "Text Mode");
    FRadioColumnMode = radio(group2, "RadioButtonColumnMode", "Column Mode");
    FRadioHexMode = radio(group2, "RadioButtonHexMode", "Hex Mode");
    g2->addWidget(FRadioTextMode);
    g2->addWidget(FRadioColumnMode);
    g2->addWidget(FRadioHexMode);
    g2->addStretch(1);

    auto* checks = new QVBoxLayout;
    checks->setSpacing(2);
    for (QCheckBox* box : {FCheckDisplayLineNumber, FCheckShowEndOfLine, FCheckShowSpaceChar, FCheckShowTabChar,
                           FCheckMarkActiveLine})
        checks->addWidget(box);
    checks->addStretch(1);

    grid->addWidget(FButtonChangeFont, 0, 0, 1, 2);
    grid->addWidget(FButtonChangeEncode, 0, 2, 1, 2);
    grid->addWidget(label1, 1, 0);
    grid->addWidget(FSpinFontSize, 1, 1);
    grid->addWidget(label2, 1, 2);
    grid->addWidget(FSpinLineSpacing, 1, 3);
    auto* lower = new QHBoxLayout;
    lower->addLayout(checks);
    lower->addWidget(group1);
    lower->addWidget(group2);
    grid->addLayout(lower, 2, 0, 1, 4);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 0);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 0);
    grid->setColumnStretch(3, 1);

    // Each widget writes its property at once; programmatic changes run the
    // same handlers as a user's.
    connect(FSpinFontSize, qOverload<int>(&QSpinBox::valueChanged), this, &TZinViewerForm::FontSizeChange);
    connect(FSpinLineSpacing, qOverload<int>(&QSpinBox::valueChanged), this, &TZinViewerForm::LineSpacingChange);
    connect(FSpinMaxColumns, qOverload<int>(&QSpinBox::valueChanged), this, &TZinViewerForm::MaxColumnsChange);
    auto checkHandler = [this](QCheckBox* box, void (zin::TZinEdit::*setter)(bool)) {
        connect(box, &QCheckBox::toggled, this, [this, setter](bool on) {
            if (Working())
                return;
            (ViewerEdit().*setter)(on);
        });
        connect(box, &QCheckBox::clicked, this, [this] { FocusEdit(); });
    };
    checkHandler(FCheckDisplayLineNumber, &zin::TZinEdit::SetDisplayLineNumber);
    checkHandler(FCheckShowEndOfLine, &zin::TZinEdit::SetShowEndOfLine);
    checkHandler(FCheckShowSpaceChar, &zin::TZinEdit::SetShowSpaceChar);
    checkHandler(FCheckShowTabChar, &zin::TZinEdit::SetShowTabChar);
    checkHandler(FCheckMarkActiveLine, &zin::TZinEdit::SetMarkActiveLine);
    for (QRadioButton* r : {FRadioNoWrap, FRadioWrapByWindow, FRadioWrapByColumn})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                WordWrapClick();
        });
    for (QRadioButton* r : {FRadioTextMode, FRadioColumnMode, FRadioHexMode})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                EditModeClick();
        });
}

void TZinViewerForm::PopupAt(QMenu* menu, QWidget* widget)
{
    if (Working())
        return;
    MarkMenus();
    menu->popup(widget->mapToGlobal(QPoint(0, widget->height())));
}

void TZinViewerForm::MarkMenus()
{
    // Each menu marks the current value: the font by its configured name,
    // or when no entry has that name (it is not installed) by the family
    // drawn instead; the size; the code page.
    zin::TZinEdit& edit = ViewerEdit();
    std::vector<QAction*> fonts;
    for (QAction* a : FPopupMenuFonts->actions()) {
        if (QMenu* sub = a->menu()) {
            for (QAction* b : sub->actions())
                fonts.push_back(b);
        } else {
            fonts.push_back(a);
        }
    }
    auto markFonts = [&](const std::string& name) {
        bool any = false;
        for (QAction* a : fonts) {
            const bool on = zin::SameFontName(a->data().toString().toStdString(), name);
            a->setChecked(on);
            any |= on;
        }
        return any;
    };
    if (!markFonts(edit.Font().Name()))
        markFonts(TQtSurface::DrawnFamily(edit.Font().Name()).toStdString());
    for (QAction* a : FPopupMenuFontSizes->actions())
        a->setChecked(a->data().toInt() == edit.Font().Size());
    for (QAction* a : FPopupMenuEncodes->actions())
        a->setChecked(a->data().toInt() == edit.CodePage());
}

// ---- Menus ---------------------------------------------------------------------

void TZinViewerForm::FillFontMenu()
{
    zin::TFontMenuModel model;
    for (const QString& family : QFontDatabase::families())
        model.Add(family.toStdString());
    auto addEntry = [this](QMenu* menu, const std::string& name) {
        const QString caption = FromBytes(name);
        QAction* a = menu->addAction(MenuCaption(caption));
        a->setData(caption);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, caption] { FontMenuItemClick(caption); });
    };
    for (int g = 0; g < zin::FontGroupCount; ++g) {
        QMenu* sub = FPopupMenuFonts->addMenu(MenuCaption(QLatin1String(zin::FontGroupCaptions[g])));
        for (const std::string& name : model.Groups[g])
            addEntry(sub, name);
    }
    for (const std::string& name : model.Others)
        addEntry(FPopupMenuFonts, name);
}

void TZinViewerForm::FillEncodingMenu()
{
    for (const zin::TCodePageInfo& info : zin::CodePageTable) {
        const int32_t cp = info.CodePage;
        QAction* a = FPopupMenuEncodes->addAction(MenuCaption(QString::fromLatin1(info.Name)));
        a->setData(cp);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, cp] { EncodingMenuItemClick(cp); });
    }
}

void TZinViewerForm::FillFontSizeMenu()
{
    for (int size = 1; size <= 98; ++size) {
        QAction* a = FPopupMenuFontSizes->addAction(QString::number(size));
        a->setData(size);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, size] { FontSizeMenuItemClick(size); });
    }
}

void TZinViewerForm::SetInitialPanelState()
{
    zin::TZinEdit& edit = ViewerEdit();
    FSpinLineSpacing->setValue(static_cast<int>(edit.LineSpacing() * 100));
    FCheckDisplayLineNumber->setChecked(edit.DisplayLineNumber());
    switch (edit.WordWrapMode()) {
    case zin::wwmWrapByWindow:
        FRadioWrapByWindow->setChecked(true);
        break;
    case zin::wwmWrapByColumn:
        FRadioWrapByColumn->setChecked(true);
        break;
    default:
        FRadioNoWrap->setChecked(true);
        break;
    }
    FSpinMaxColumns->setValue(edit.MaxColumns());
    FCheckShowEndOfLine->setChecked(edit.ShowEndOfLine());
    FCheckShowSpaceChar->setChecked(edit.ShowSpaceChar());
    FCheckShowTabChar->setChecked(edit.ShowTabChar());
    FCheckMarkActiveLine->setChecked(edit.MarkActiveLine());
}

// ---- Handlers ------------------------------------------------------------------

void TZinViewerForm::FocusEdit() { FEditWidget->setFocus(); }

void TZinViewerForm::FontMenuItemClick(const QString& name)
{
    if (Working())
        return;
    {
        TBusyCaption busy(*this, QStringLiteral("Repainting..."));
        zin::TFont font = ViewerEdit().Font();
        font.OnChange = nullptr;  // the copy must not notify the control
        font.SetName(name.toStdString());
        ViewerEdit().SetFont(font);
    }
    UpdateFontCaption();
    FocusEdit();
}

void TZinViewerForm::FontSizeMenuItemClick(int size)
{
    if (Working())
        return;
    {
        TBusyCaption busy(*this, QStringLiteral("Resizing..."));
        FSpinFontSize->setValue(size);
    }
    FocusEdit();
}

void TZinViewerForm::FontSizeChange(int size)
{
    // Inside other work (a menu entry sets the value) the change goes on;
    // only work that the control is doing refuses it.
    if (FProgressShown)
        return;
    zin::TZinEdit& edit = ViewerEdit();
    if (edit.Font().Size() == size)
        return;
    TBusyCaption busy(*this, QStringLiteral("Resizing..."));
    zin::TFont font = edit.Font();
    font.OnChange = nullptr;
    font.SetSize(size);
    edit.SetFont(font);
}

void TZinViewerForm::EncodingMenuItemClick(int32_t codePage)
{
    if (Working())
        return;
    {
        TBusyCaption busy(*this, QStringLiteral("Reformating..."));
        ViewerEdit().SetCodePage(codePage);
    }
    SetEncodeCaption();
    FocusEdit();
}

void TZinViewerForm::LineSpacingChange(int percent)
{
    if (Working())
        return;
    ViewerEdit().SetLineSpacing(static_cast<float>(percent * 0.01));
}

void TZinViewerForm::WordWrapClick()
{
    if (Working())
        return;
    zin::TWordWrapMode mode;
    if (FRadioNoWrap->isChecked())
        mode = zin::wwmNoWrap;
    else if (FRadioWrapByWindow->isChecked())
        mode = zin::wwmWrapByWindow;
    else if (FRadioWrapByColumn->isChecked())
        mode = zin::wwmWrapByColumn;
    else
        return;
    if (mode != ViewerEdit().WordWrapMode()) {
        TBusyCaption busy(*this, QStringLiteral("Reformating..."));
        ViewerEdit().SetWordWrapMode(mode);
    }
    if (!FFormCreating)
        FocusEdit();
}

void TZinViewerForm::MaxColumnsChange(int columns)
{
    if (Working())
        return;
    zin::TZinEdit& edit = ViewerEdit();
    if (columns == edit.MaxColumns())
        return;
    TBusyCaption busy(*this, QStringLiteral("Reformating..."));
    edit.SetMaxColumns(columns);
}

void TZinViewerForm::EditModeClick()
{
    if (Working())
        return;
    zin::TEditMode mode;
    if (FRadioTextMode->isChecked())
        mode = zin::emTextMode;
    else if (FRadioColumnMode->isChecked())
        mode = zin::emColumnMode;
    else if (FRadioHexMode->isChecked())
        mode = zin::emHexMode;
    else
        return;
    ViewerEdit().SetEditMode(mode);
    if (!FFormCreating)
        FocusEdit();
}

void TZinViewerForm::SetEncodeCaption()
{
    FButtonChangeEncode->setText(FromBytes(zin::EncodeCaption(ViewerEdit().CodePage())));
}

void TZinViewerForm::CopyRefused()
{
    if (!FInteractive)
        return;
    QMessageBox::warning(this, QStringLiteral("ZinViewer"),
                         QStringLiteral("The selection is too large to copy: the clipboard takes at most %1 MiB "
                                        "of text. Select less and copy again.")
                             .arg(zin::TZinEdit::MaxCopyBytes >> 20));
}

// ---- Status bar ------------------------------------------------------------------

void TZinViewerForm::UpdateStatePanel()
{
    zin::TZinEdit& edit = ViewerEdit();
    UpdateFontCaption();
    FSpinFontSize->setValue(edit.Font().Size());
    switch (edit.EditMode()) {
    case zin::emColumnMode:
        FRadioColumnMode->setChecked(true);
        break;
    case zin::emHexMode:
        FRadioHexMode->setChecked(true);
        break;
    default:
        FRadioTextMode->setChecked(true);
        break;
    }
    const zin::TZinLines& store = edit.LineStore();
    FStatusFile->setText(FromBytes(
        zin::StatePanelText(store.FileSize(), store.LineCount(), store.RowCount(), edit.NewLineType())));
}

void TZinViewerForm::UpdateFontCaption()
{
    // The family drawn: the configured one, or the one the font system
    // takes in its place when it is not installed.
    const std::string& name = ViewerEdit().Font().Name();
    if (name == FFontCaptionName && !FButtonChangeFont->text().isEmpty())
        return;
    FFontCaptionName = name;
    FButtonChangeFont->setText(QStringLiteral("Font: ") + TQtSurface::DrawnFamily(name));
}

void TZinViewerForm::UpdateCaretPanel()
{
    zin::TZinEdit& edit = ViewerEdit();
    const zin::TCaretPos& caret = edit.Caret();
    FStatusCaret->setText(
        FromBytes(zin::CaretPanelText(caret.LineIndex, caret.SubRow, edit.CaretColumn(), caret.FilePos)));
    // At once, so that the panel keeps up with a held-down cursor key.
    if (FStatusCaret->isVisible() && !FWorkDepth)
        FStatusCaret->repaint();
}

// ---- Browsing ------------------------------------------------------------------

void TZinViewerForm::UpdateCaption()
{
    setWindowTitle(TitlePrefix + FromBytes(FShownFile.empty() ? FCurrentDir : FShownFile));
}

void TZinViewerForm::SetDirectory(const std::string& dir)
{
    FCurrentDir = zin::CleanPath(dir, zin::CurrentFolder());
    RefreshDrives();
    RefreshDirectoryList();
    RefreshFileList();
    // A folder entered shows its files from the top, even where the shown
    // file is among them.
    FFileList->scrollToTop();
    UpdateCaption();
}

void TZinViewerForm::RefreshDrives()
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

void TZinViewerForm::RefreshDirectoryList()
{
    // The folder's ancestors from the root down, the folder itself, then its
    // subfolders, each level indented further. Each item keeps its path's
    // bytes; its text shows them.
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

void TZinViewerForm::RefreshFileList()
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

void TZinViewerForm::SelectShownFile()
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

void TZinViewerForm::DirectoryListActivated(QListWidgetItem* item)
{
    if (item && !Working())
        SetDirectory(ItemBytes(item));
}

void TZinViewerForm::DriveActivated(int index)
{
    if (index >= 0 && !Working())
        SetDirectory(QFile::encodeName(FDriveComboBox->itemData(index).toString()).toStdString());
}

void TZinViewerForm::FileListClick(QListWidgetItem* item)
{
    if (item)
        OpenFile(zin::JoinPath(FCurrentDir, ItemBytes(item)));
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
    UpdateCaption();
    SelectShownFile();
    SetEncodeCaption();
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
    return OpenFile(FStartPath[0] == '/' ? FStartPath : zin::JoinPath(cwd, FStartPath));
}

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
        // The lists have their sizes now: the start file in the middle of
        // its list, with its neighbours around it.
        FShown = true;
        // The settings panel whole (unscrolled) where the window's width
        // allows it, unless its splitter was placed by the user.
        const QList<int> sizes = FSplitter1->sizes();
        const int need = FPanel3->minimumSizeHint().width();
        if (!FSplitter1Restored && sizes.size() == 2 && sizes[1] < need)
            FSplitter1->setSizes({sizes[0] + sizes[1] - need, need});
        if (QListWidgetItem* item = FFileList->currentItem())
            FFileList->scrollToItem(item, QAbstractItemView::PositionAtCenter);
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
    if (watched == FFileList && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && FFileList->currentItem()) {
            FileListClick(FFileList->currentItem());
            return true;
        }
    } else if (FSpinFontSize && watched == FSpinFontSize->findChild<QLineEdit*>() &&
               e->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        PopupAt(FPopupMenuFontSizes, FSpinFontSize);
    }
    return QMainWindow::eventFilter(watched, e);
}
