#pragma once
// The window's status bar: the caret panel (line, row, column, file
// position), the file panel (size, lines, wrapped lines, newline
// convention), the watch panel (what became of the file shown, and
// "Following" in follow mode) and, once work has run longer than the
// progress delay, the work's caption and a progress bar.
#include <QElapsedTimer>
#include <QStatusBar>

#include <cstdint>

class QLabel;
class QProgressBar;

namespace zin {
class TZinEdit;
}

class TViewerStatusBar : public QStatusBar {
    Q_OBJECT
public:
    TViewerStatusBar(int progressDelayMs, QWidget* parent = nullptr);

    void ShowCaret(zin::TZinEdit& edit);
    void ShowFile(zin::TZinEdit& edit);
    // The watch panel: a note on the file ("File deleted"; empty: none) and
    // whether the control follows it.
    void ShowWatch(const QString& note, bool following);
    QString WatchText() const;

    // Work began: progress reports from now on count towards the delay.
    void BeginProgress();
    // A progress report of the work; the caption is shown beside the bar.
    // True when the bar is shown (the report's progress is drawn once the
    // window gets to paint).
    bool Report(uint64_t done, uint64_t total, const QString& caption);
    // Work ended: the caption and the bar are hidden.
    void EndProgress();
    bool ProgressShown() const { return FProgressShown; }

    // Progress reports so far, and those that came while the bar was shown.
    int Reports() const { return FReports; }
    int ShownReports() const { return FShownReports; }

private:
    QLabel* FStatusCaret = nullptr;
    QLabel* FStatusFile = nullptr;
    QLabel* FStatusWatch = nullptr;
    QLabel* FStatusBusy = nullptr;
    QProgressBar* FProgressBar = nullptr;

    int FProgressDelayMs;
    QElapsedTimer FWorkTimer;
    bool FProgressShown = false;
    bool FInWork = false;
    int FReports = 0;
    int FShownReports = 0;
};
