#include "viewer/ViewerSettingsPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <vector>

#include "editor/ZinEdit.h"
#include "encoding/CodePage.h"
#include "viewer/QtBytes.h"
#include "viewer/StatusText.h"
#include "viewer/ViewerControl.h"
#include "widget/QtSurface.h"

using zin::FromBytes;

namespace {

// A menu entry shows its caption as given: '&' would otherwise mark an
// accelerator.
QString MenuCaption(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return s;
}

}  // namespace

TViewerSettingsPanel::TViewerSettingsPanel(TViewerControl& control, QWidget* parent)
    : QScrollArea(parent), FControl(control)
{
    setObjectName(QStringLiteral("SettingsArea"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    FPanel = new QWidget;
    FPanel->setObjectName(QStringLiteral("Panel3"));
    BuildPanel(FPanel);
    setWidget(FPanel);
    FillFontMenu();
    FillEncodingMenu();
    FillFontSizeMenu();
}

int TViewerSettingsPanel::WholeWidth() const { return FPanel->minimumSizeHint().width(); }

void TViewerSettingsPanel::BuildPanel(QWidget* panel)
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
    connect(FSpinFontSize, qOverload<int>(&QSpinBox::valueChanged), this, &TViewerSettingsPanel::FontSizeChange);
    connect(FSpinLineSpacing, qOverload<int>(&QSpinBox::valueChanged), this,
            &TViewerSettingsPanel::LineSpacingChange);
    connect(FSpinMaxColumns, qOverload<int>(&QSpinBox::valueChanged), this,
            &TViewerSettingsPanel::MaxColumnsChange);
    auto checkHandler = [this](QCheckBox* box, void (zin::TZinEdit::*setter)(bool)) {
        connect(box, &QCheckBox::toggled, this, [this, setter](bool on) {
            if (FControl.Working())
                return;
            (FControl.ViewerEdit().*setter)(on);
        });
        connect(box, &QCheckBox::clicked, this, [this] { FControl.FocusEdit(); });
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

// ---- Menus ---------------------------------------------------------------------

void TViewerSettingsPanel::FillFontMenu()
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

void TViewerSettingsPanel::FillEncodingMenu()
{
    for (const zin::TCodePageInfo& info : zin::CodePageTable) {
        const int32_t cp = info.CodePage;
        QAction* a = FPopupMenuEncodes->addAction(MenuCaption(QString::fromLatin1(info.Name)));
        a->setData(cp);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, cp] { EncodingMenuItemClick(cp); });
    }
}

void TViewerSettingsPanel::FillFontSizeMenu()
{
    for (int size = 1; size <= 98; ++size) {
        QAction* a = FPopupMenuFontSizes->addAction(QString::number(size));
        a->setData(size);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, size] { FontSizeMenuItemClick(size); });
    }
}

void TViewerSettingsPanel::PopupAt(QMenu* menu, QWidget* widget)
{
    if (FControl.Working())
        return;
    MarkMenus();
    menu->popup(widget->mapToGlobal(QPoint(0, widget->height())));
}

void TViewerSettingsPanel::MarkMenus()
{
    // Each menu marks the current value: the font by its configured name,
    // or when no entry has that name (it is not installed) by the family
    // drawn instead; the size; the code page.
    zin::TZinEdit& edit = FControl.ViewerEdit();
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

// ---- What the panel shows ------------------------------------------------------

void TViewerSettingsPanel::ShowSettings()
{
    FShowingSettings = true;
    zin::TZinEdit& edit = FControl.ViewerEdit();
    ShowCodePage();
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
    ShowState();
    FShowingSettings = false;
}

void TViewerSettingsPanel::ShowState()
{
    zin::TZinEdit& edit = FControl.ViewerEdit();
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
}

void TViewerSettingsPanel::ShowCodePage()
{
    FButtonChangeEncode->setText(FromBytes(zin::EncodeCaption(FControl.ViewerEdit().CodePage())));
}

void TViewerSettingsPanel::UpdateFontCaption()
{
    // The family drawn: the configured one, or the one the font system
    // takes in its place when it is not installed.
    const std::string& name = FControl.ViewerEdit().Font().Name();
    if (name == FFontCaptionName && !FButtonChangeFont->text().isEmpty())
        return;
    FFontCaptionName = name;
    FButtonChangeFont->setText(QStringLiteral("Font: ") + TQtSurface::DrawnFamily(name));
}

// ---- Handlers ------------------------------------------------------------------

void TViewerSettingsPanel::FontMenuItemClick(const QString& name)
{
    if (FControl.Working())
        return;
    FControl.RunWork(QStringLiteral("Repainting..."), [&] {
        zin::TZinEdit& edit = FControl.ViewerEdit();
        zin::TFont font = edit.Font();
        font.OnChange = nullptr;  // the copy must not notify the control
        font.SetName(name.toStdString());
        edit.SetFont(font);
    });
    UpdateFontCaption();
    FControl.FocusEdit();
}

void TViewerSettingsPanel::FontSizeMenuItemClick(int size)
{
    if (FControl.Working())
        return;
    FControl.RunWork(QStringLiteral("Resizing..."), [&] { FSpinFontSize->setValue(size); });
    FControl.FocusEdit();
}

void TViewerSettingsPanel::FontSizeChange(int size)
{
    // Inside other work (a menu entry sets the value) the change goes on;
    // only work that the control is doing refuses it.
    if (FControl.ProgressShown())
        return;
    zin::TZinEdit& edit = FControl.ViewerEdit();
    if (edit.Font().Size() == size)
        return;
    FControl.RunWork(QStringLiteral("Resizing..."), [&] {
        zin::TFont font = edit.Font();
        font.OnChange = nullptr;
        font.SetSize(size);
        edit.SetFont(font);
    });
}

void TViewerSettingsPanel::EncodingMenuItemClick(int32_t codePage)
{
    if (FControl.Working())
        return;
    FControl.RunWork(QStringLiteral("Reformating..."), [&] { FControl.ViewerEdit().SetCodePage(codePage); });
    ShowCodePage();
    FControl.FocusEdit();
}

void TViewerSettingsPanel::LineSpacingChange(int percent)
{
    if (FControl.Working())
        return;
    FControl.ViewerEdit().SetLineSpacing(static_cast<float>(percent * 0.01));
}

void TViewerSettingsPanel::WordWrapClick()
{
    if (FControl.Working())
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
    zin::TZinEdit& edit = FControl.ViewerEdit();
    if (mode != edit.WordWrapMode())
        FControl.RunWork(QStringLiteral("Reformating..."), [&] { edit.SetWordWrapMode(mode); });
    if (!FShowingSettings)
        FControl.FocusEdit();
}

void TViewerSettingsPanel::MaxColumnsChange(int columns)
{
    if (FControl.Working())
        return;
    zin::TZinEdit& edit = FControl.ViewerEdit();
    if (columns == edit.MaxColumns())
        return;
    FControl.RunWork(QStringLiteral("Reformating..."), [&] { edit.SetMaxColumns(columns); });
}

void TViewerSettingsPanel::EditModeClick()
{
    if (FControl.Working())
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
    FControl.ViewerEdit().SetEditMode(mode);
    if (!FShowingSettings)
        FControl.FocusEdit();
}

bool TViewerSettingsPanel::eventFilter(QObject* watched, QEvent* e)
{
    if (FSpinFontSize && watched == FSpinFontSize->findChild<QLineEdit*>() &&
        e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
        PopupAt(FPopupMenuFontSizes, FSpinFontSize);
    return QScrollArea::eventFilter(watched, e);
}
