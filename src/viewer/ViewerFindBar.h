#pragma once
// The find bar under the text and the go-to bar beside it.
//
// The find bar: a field with the recent patterns, the toggles Match case,
// Whole word and Regular expression, a status text, the match count and,
// while a search runs, a progress bar and a stop button. Searches run on a
// worker (TSearchTask) that a timer polls, so the window stays usable; a
// second worker counts the matches and the bar shows "17 of 2,041" once it
// is done. A found match becomes the control's selection and every match on
// the rows in view is marked.
//
// The go-to bar: a field for a line (1-based), line:column or a 0x offset.
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

#include "search/ZinSearch.h"
#include "search/ZinSearchTask.h"
#include "viewer/MatchCounter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTimer;
class QToolButton;
class TViewerControl;

class TViewerFindBar : public QWidget {
    Q_OBJECT
public:
    TViewerFindBar(TViewerControl& control, QWidget* parent = nullptr);
    ~TViewerFindBar() override;

    // Shows the bar with the keyboard in its field, the text selected (a
    // short selection of one line in the control becomes the pattern).
    void Open();
    // Finds the next match after the caret (the previous one before it),
    // wrapping around the file's ends. Without a pattern the bar opens.
    void Find(bool forward);
    // Stops the search and the count under way (before the file is
    // replaced, reloaded or re-decoded, and at close): nothing stays
    // running.
    void CancelAll();
    // A file was opened anew: its marks, its last match and its count are
    // forgotten.
    void ForgetFile();
    // The file grew: its match count is no longer known (the last match and
    // the marks hold).
    void FileGrew();
    // A search or a count runs.
    bool Busy() const;

    // What the bar shows (tests).
    QString StatusText() const;
    QString CountText() const;
    QComboBox* Field() const { return FField; }

    // Matches counted as "17 of 2,041".
    static QString CountCaption(uint64_t index, uint64_t total);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Poll();
    void Escape();
    void Close();
    void SetStatus(const QString& text);
    void Remember(const QString& pattern);
    void UpdateProgress();
    std::shared_ptr<zin::TSearchSource> MakeSource() const;
    // Whether two patterns find the same matches.
    static bool SamePattern(const zin::TSearchPattern& a, const zin::TSearchPattern& b);

    TViewerControl& FControl;
    QComboBox* FField = nullptr;
    QCheckBox* FMatchCase = nullptr;
    QCheckBox* FWholeWord = nullptr;
    QCheckBox* FRegex = nullptr;
    QLabel* FStatus = nullptr;
    QLabel* FCount = nullptr;
    QProgressBar* FProgress = nullptr;
    QToolButton* FStop = nullptr;
    QTimer* FTimer = nullptr;

    zin::TSearchTask FTask;
    zin::TMatchCounter FCounter;
    uint64_t FSearchId = 0;
    bool FSearching = false;
    bool FForward = true;
    bool FFromLastMatch = false;  // the search began at the last match's end (start)
    zin::TSearchPattern FPattern;  // of the search under way (or the last)

    // The last match found and what is known of its place among all.
    bool FHaveMatch = false;
    zin::TSearchMatch FLastMatch;
    zin::TSearchPattern FMatchPattern;
    bool FCounting = false;
    bool FTotalKnown = false;
    uint64_t FTotal = 0;
    uint64_t FIndex = 0;  // 1-based
};

class TViewerGoToBar : public QWidget {
    Q_OBJECT
public:
    TViewerGoToBar(TViewerControl& control, QWidget* parent = nullptr);

    // Shows the bar with the caret's line in the field, selected.
    void Open();
    // Goes where the field says: an answer within the file closes the bar
    // and gives the keyboard back to the text; one out of range goes to the
    // nearest end and the bar says so; one that is no place says what it
    // takes.
    void Go();
    QString StatusText() const;
    QLineEdit* Field() const { return FField; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Close();

    TViewerControl& FControl;
    QLineEdit* FField = nullptr;
    QLabel* FStatus = nullptr;
};
