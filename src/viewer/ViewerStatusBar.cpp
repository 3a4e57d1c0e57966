#include "viewer/ViewerStatusBar.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

#include "editor/ZinEdit.h"
#include "viewer/QtBytes.h"
#include "viewer/StatusText.h"

TViewerStatusBar::TViewerStatusBar(int progressDelayMs, QWidget* parent)
    : QStatusBar(parent), FProgressDelayMs(progressDelayMs)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(true);
    // Each panel may shrink below its text (the text is cut), so that in a
    // narrow window they sit side by side rather than over one another.
    FStatusCaret = new QLabel(this);
    FStatusCaret->setObjectName(QStringLiteral("StatusPanel0"));
    FStatusCaret->setMinimumWidth(60);
    FStatusFile = new QLabel(this);
    FStatusFile->setObjectName(QStringLiteral("StatusPanel1"));
    FStatusFile->setMinimumWidth(60);
    FStatusWatch = new QLabel(this);
    FStatusWatch->setObjectName(QStringLiteral("StatusWatch"));
    FStatusBusy = new QLabel(this);
    FStatusBusy->setObjectName(QStringLiteral("StatusBusy"));
    FStatusBusy->setMinimumWidth(40);
    FProgressBar = new QProgressBar(this);
    FProgressBar->setObjectName(QStringLiteral("StatusProgress"));
    FProgressBar->setRange(0, 1000);
    FProgressBar->setTextVisible(false);
    FProgressBar->setMinimumWidth(60);
    FProgressBar->setMaximumWidth(180);
    addWidget(FStatusCaret);
    addWidget(FStatusFile, 1);
    addWidget(FStatusWatch);
    addPermanentWidget(FStatusBusy);
    addPermanentWidget(FProgressBar);
    FStatusBusy->hide();
    FStatusWatch->hide();
    FProgressBar->hide();
}

void TViewerStatusBar::ShowCaret(zin::TZinEdit& edit)
{
    const zin::TCaretPos& caret = edit.Caret();
    if (edit.EditMode() == zin::emHexMode)
        FStatusCaret->setText(zin::FromBytes(zin::HexCaretPanelText(edit.HexCaret(), edit.ByteAt(edit.HexCaret()))));
    else
        FStatusCaret->setText(
            zin::FromBytes(zin::CaretPanelText(caret.LineIndex, caret.SubRow, edit.CaretColumn(), caret.FilePos)));
    // At once, so that the panel keeps up with a held-down cursor key.
    if (FStatusCaret->isVisible() && !FInWork)
        FStatusCaret->repaint();
}

void TViewerStatusBar::ShowFile(zin::TZinEdit& edit)
{
    const zin::TZinLines& store = edit.LineStore();
    FStatusFile->setText(zin::FromBytes(
        zin::StatePanelText(store.FileSize(), store.LineCount(), store.RowCount(), edit.NewLineType())));
}

void TViewerStatusBar::ShowWatch(const QString& note, bool following)
{
    QString text = note;
    if (following)
        text += (text.isEmpty() ? QString() : QStringLiteral("  ")) + QStringLiteral("Following");
    FStatusWatch->setText(text);
    FStatusWatch->setVisible(!text.isEmpty());
}

QString TViewerStatusBar::WatchText() const { return FStatusWatch->text(); }

void TViewerStatusBar::BeginProgress()
{
    FInWork = true;
    FWorkTimer.start();
    FProgressShown = false;
}

bool TViewerStatusBar::Report(uint64_t done, uint64_t total, const QString& caption)
{
    ++FReports;
    if (!FProgressShown) {
        if (FWorkTimer.elapsed() < FProgressDelayMs)
            return false;
        FProgressShown = true;
        FStatusBusy->setText(caption);
        FStatusBusy->show();
        FProgressBar->show();
    }
    ++FShownReports;
    const int permille = total ? static_cast<int>(std::min<uint64_t>(done, total) * 1000 / total) : 0;
    FProgressBar->setValue(permille);
    return true;
}

void TViewerStatusBar::EndProgress()
{
    FInWork = false;
    if (FProgressShown) {
        FProgressBar->hide();
        FStatusBusy->hide();
        FProgressShown = false;
    }
}
