#pragma once
// The window's settings panel: the font (a button with a menu of the
// installed families grouped by first letter), the font size (typed, or a
// click on the number for a menu of sizes), the encoding (a button with a
// menu of the code pages), the line spacing, the switches for line numbers,
// end-of-line, space and tab marks and the framed active line, word wrap
// and the edit mode. Each widget sets its property of the control at once;
// a change that rebuilds rows runs as the window's work. The panel scrolls
// when the window is too small for it.
#include <QScrollArea>
#include <QString>

#include <cstdint>
#include <string>

class QCheckBox;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TViewerControl;

class TViewerSettingsPanel : public QScrollArea {
    Q_OBJECT
public:
    TViewerSettingsPanel(TViewerControl& control, QWidget* parent = nullptr);

    // Shows every setting of the control (at the window's start; the
    // control is not focused meanwhile).
    void ShowSettings();
    // Shows what the control may change of itself: the font (as drawn),
    // its size and the edit mode (a file opened in hex mode).
    void ShowState();
    // Shows the control's code page on the encoding button.
    void ShowCodePage();
    // The width that shows the panel whole, without scrolling.
    int WholeWidth() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildPanel(QWidget* panel);
    void FillFontMenu();
    void FillEncodingMenu();
    void FillFontSizeMenu();
    void UpdateFontCaption();
    void MarkMenus();
    void PopupAt(QMenu* menu, QWidget* widget);

    // Handlers.
    void FontMenuItemClick(const QString& name);
    void FontSizeMenuItemClick(int size);
    void FontSizeChange(int size);
    void EncodingMenuItemClick(int32_t codePage);
    void LineSpacingChange(int percent);
    void WordWrapClick();
    void MaxColumnsChange(int columns);
    void EditModeClick();

    TViewerControl& FControl;
    bool FShowingSettings = false;
    std::string FFontCaptionName;  // the configured font the font button was set for

    QWidget* FPanel = nullptr;
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
