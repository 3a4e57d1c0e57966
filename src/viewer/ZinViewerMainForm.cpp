#include "viewer/ZinViewerMainForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
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
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStorageInfo>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "editor/ZinEdit.h"
#include "editor/ZinEditSettings.h"
#include "encoding/CodePage.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/qt/ZinEditWidget.h"
#include "viewer/BrowserIcons.h"
#include "viewer/StatusText.h"

const char* const EditSectionName = "ZinEdit";
const char* const KeysSectionName = "ZinEdit Keys";

namespace {

const QString TitlePrefix = QStringLiteral("ZinViewer - ");

QString FromBytes(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A path as the file routines take it: the bytes of the file name.
std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A menu entry shows its caption as given: '&' would otherwise mark an
// accelerator.
QString MenuCaption(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return s;
}

QString CleanDir(const QString& dir)
{
    QString d = QDir::cleanPath(QDir(dir).absolutePath());
    return d.isEmpty() ? QStringLiteral("/") : d;
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
    // no part, and user input waits until the work is done.
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
    QString dir = QDir::currentPath();
    const QFileInfo start(FStartPath);
    if (!FStartPath.isEmpty()) {
        if (start.isDir())
            dir = start.absoluteFilePath();
        else if (start.absoluteDir().exists())
            dir = start.absolutePath();
    }
    SetDirectory(dir);
    if (!FStartPath.isEmpty() && !start.isDir()) {
        const QList<QListWidgetItem*> found = FFileList->findItems(start.fileName(), Qt::MatchExactly);
        if (!found.isEmpty())
            FFileList->setCurrentItem(found.first());  // scrolled to at the first show
    }

    FillFontMenu();
    FillEncodingMenu();
    SetEncodeCaption();
    SetInitialPanelState();
    FillFontSizeMenu();
    UpdateStatePanel();
    UpdateCaretPanel();
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

    auto* panel3 = new QWidget(FSplitter1);
    panel3->setObjectName(QStringLiteral("Panel3"));
    BuildSettingsPanel(panel3);
    FSplitter1->setStretchFactor(0, 0);
    FSplitter1->setStretchFactor(1, 1);
    FSplitter1->setSizes({360, 461});

    FEditWidget = new TZinEditWidget(FSplitter3);
    FEditWidget->setObjectName(QStringLiteral("ViewerEdit"));
    FSplitter3->setStretchFactor(0, 0);
    FSplitter3->setStretchFactor(1, 1);
    FSplitter3->setSizes({225, 380});

    // The status bar: the caret panel, the file panel, and while long work
    // runs its caption and a progress bar.
    FStatusCaret = new QLabel(this);
    FStatusCaret->setObjectName(QStringLiteral("StatusPanel0"));
    FStatusCaret->setMinimumWidth(150);
    FStatusFile = new QLabel(this);
    FStatusFile->setObjectName(QStringLiteral("StatusPanel1"));
    FStatusFile->setMinimumWidth(150);
    FStatusBusy = new QLabel(this);
    FStatusBusy->setObjectName(QStringLiteral("StatusBusy"));
    FProgressBar = new QProgressBar(this);
    FProgressBar->setObjectName(QStringLiteral("StatusProgress"));
    FProgressBar->setRange(0, 1000);
    FProgressBar->setTextVisible(false);
    FProgressBar->setFixedWidth(180);
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

    // A button opens its menu at its top-left corner, on a left or a right
    // click.
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
    // A click into the number shows the sizes; a right click too.
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
    menu->popup(widget->mapToGlobal(QPoint(0, 0)));
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
        connect(a, &QAction::triggered, this, [this, cp] { EncodingMenuItemClick(cp); });
    }
}

void TZinViewerForm::FillFontSizeMenu()
{
    for (int size = 1; size <= 98; ++size) {
        QAction* a = FPopupMenuFontSizes->addAction(QString::number(size));
        a->setData(size);
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
    FButtonChangeFont->setText(QStringLiteral("Font: ") + name);
    {
        TBusyCaption busy(*this, QStringLiteral("Repainting..."));
        zin::TFont font = ViewerEdit().Font();
        font.OnChange = nullptr;  // the copy must not notify the control
        font.SetName(name.toStdString());
        ViewerEdit().SetFont(font);
    }
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
    QMessageBox::warning(this, QStringLiteral("ZinViewer"),
                         QStringLiteral("The selection is too large to copy: the clipboard takes at most %1 MiB "
                                        "of text. Select less and copy again.")
                             .arg(zin::TZinEdit::MaxCopyBytes >> 20));
}

// ---- Status bar ------------------------------------------------------------------

void TZinViewerForm::UpdateStatePanel()
{
    zin::TZinEdit& edit = ViewerEdit();
    FButtonChangeFont->setText(QStringLiteral("Font: ") + FromBytes(edit.Font().Name()));
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

void TZinViewerForm::SetDirectory(const QString& dir)
{
    FCurrentDir = CleanDir(dir);
    RefreshDrives();
    RefreshDirectoryList();
    RefreshFileList();
    setWindowTitle(TitlePrefix + QDir::toNativeSeparators(FCurrentDir));
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
    QString best;
    for (const QStorageInfo& v : volumes) {
        const QString root = v.rootPath();
        const bool holds = root == QLatin1String("/") || FCurrentDir == root ||
                           FCurrentDir.startsWith(root + QLatin1Char('/'));
        if (holds && root.size() > best.size())
            best = root;
    }
    if (best.isEmpty())
        best = QStringLiteral("/");
    FDriveComboBox->clear();
    int current = -1;
    for (const QStorageInfo& v : volumes) {
        const QString root = v.rootPath();
        const QString name = v.displayName();
        FDriveComboBox->addItem(name == root || name.isEmpty() ? root : root + QStringLiteral("  [") + name + ']',
                                root);
        if (root == best)
            current = FDriveComboBox->count() - 1;
    }
    if (current < 0) {
        FDriveComboBox->insertItem(0, best, best);
        current = 0;
    }
    FDriveComboBox->setCurrentIndex(current);
}

void TZinViewerForm::RefreshDirectoryList()
{
    // The folder's ancestors from the root down, the folder itself, then its
    // subfolders, each level indented further.
    if (FFolderIcon.isNull())
        FFolderIcon = zin::FolderIcon();
    const QIcon& folderIcon = FFolderIcon;
    FDirectoryList->clear();
    QStringList parts = FCurrentDir.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path = QStringLiteral("/");
    auto add = [&](const QString& caption, const QString& full, int depth) {
        auto* item = new QListWidgetItem(folderIcon, QString(depth * 2, QLatin1Char(' ')) + caption, FDirectoryList);
        item->setData(Qt::UserRole, full);
        return item;
    };
    QListWidgetItem* current = add(QStringLiteral("/"), path, 0);
    int depth = 0;
    for (const QString& part : parts) {
        path = path == QLatin1String("/") ? path + part : path + QLatin1Char('/') + part;
        current = add(part, path, ++depth);
    }
    const QDir dir(FCurrentDir);
    const QStringList subdirs = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                              QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& sub : subdirs)
        add(sub, dir.filePath(sub), depth + 1);
    FDirectoryList->setCurrentItem(current);
    FDirectoryList->scrollToItem(current);
}

void TZinViewerForm::RefreshFileList()
{
    if (FFileIcon.isNull())
        FFileIcon = zin::FileIcon();
    const QIcon& fileIcon = FFileIcon;
    const QString selected = FFileList->currentItem() ? FFileList->currentItem()->text() : QString();
    FFileList->clear();
    const QDir dir(FCurrentDir);
    const QStringList files =
        dir.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : files) {
        auto* item = new QListWidgetItem(fileIcon, name, FFileList);
        if (name == selected)
            FFileList->setCurrentItem(item);
    }
}

void TZinViewerForm::DirectoryListActivated(QListWidgetItem* item)
{
    if (item && !Working())
        SetDirectory(item->data(Qt::UserRole).toString());
}

void TZinViewerForm::DriveActivated(int index)
{
    if (index >= 0 && !Working())
        SetDirectory(FDriveComboBox->itemData(index).toString());
}

void TZinViewerForm::FileListClick(QListWidgetItem* item)
{
    const QString name = item ? item->text() : QString();
    OpenFile(name.isEmpty() ? QString() : QDir(FCurrentDir).filePath(name));
}

bool TZinViewerForm::OpenFile(const QString& path)
{
    if (Working())
        return false;
    const QString saved = windowTitle();
    setWindowTitle(QStringLiteral("Loading..."));
    bool ok;
    {
        TWork work(*this);
        QElapsedTimer t;
        t.start();
        ok = ViewerEdit().LoadFromFile(PathBytes(path));
        FLastLoadSeconds = t.nsecsElapsed() / 1e9;
    }
    const zin::TLoadError reason = ViewerEdit().LineStore().LoadError();
    if (ok) {
        setWindowTitle(TitlePrefix + QDir::toNativeSeparators(path));
        // A file without a size read only up to the in-memory limit.
        if (reason == zin::TLoadError::Truncated)
            QMessageBox::information(this, QStringLiteral("ZinViewer"),
                                     QString::fromUtf8(zin::LoadErrorMessage(reason)), QMessageBox::Ok);
    } else {
        // A file that could not be opened leaves the previous one shown; a
        // load that had to stop (too many lines, too little memory) leaves an
        // empty page, and the caption says no file.
        const bool kept = reason == zin::TLoadError::CannotOpen || reason == zin::TLoadError::NotAFile;
        const char* message = reason == zin::TLoadError::NoMemory ? zin::LoadErrorMessage(reason)
                                                                   : "Cannot read this file!";
        QMessageBox::critical(this, QStringLiteral("Error"), QString::fromUtf8(message), QMessageBox::Ok);
        setWindowTitle(kept ? saved : QStringLiteral("ZinViewer"));
    }
    SetEncodeCaption();
    FocusEdit();
    return ok;
}

void TZinViewerForm::OpenStartPath()
{
    if (FStartPathDone)
        return;
    FStartPathDone = true;
    const QFileInfo start(FStartPath);
    if (!FStartPath.isEmpty() && !start.isDir())
        OpenFile(start.absoluteFilePath());
}

// ---- Window events ---------------------------------------------------------------

void TZinViewerForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!FShown) {
        // The lists have their sizes now: the start file in the middle of
        // its list, with its neighbours around it.
        FShown = true;
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
        if (!url.isLocalFile())
            continue;
        e->acceptProposedAction();
        const QFileInfo info(url.toLocalFile());
        // Opened once the drop is over: the source waits for its answer.
        QTimer::singleShot(0, this, [this, info] {
            if (Working())
                return;
            if (info.isDir()) {
                SetDirectory(info.absoluteFilePath());
                return;
            }
            SetDirectory(info.absolutePath());
            const QList<QListWidgetItem*> found = FFileList->findItems(info.fileName(), Qt::MatchExactly);
            if (!found.isEmpty())
                FFileList->setCurrentItem(found.first());
            OpenFile(info.absoluteFilePath());
        });
        return;
    }
}

bool TZinViewerForm::eventFilter(QObject* watched, QEvent* e)
{
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
