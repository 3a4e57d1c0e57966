#include "viewer/ViewerFindBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

#include "editor/ZinEdit.h"
#include "search/ZinGoTo.h"
#include "viewer/ViewerControl.h"

namespace {

// How often a running search is looked at.
constexpr int PollMs = 30;
// Patterns the field's list keeps.
constexpr int MaxRecent = 20;

QString Thousands(uint64_t n)
{
    QString digits = QString::number(n);
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

}  // namespace

// ---- The find bar ------------------------------------------------------------------

QString TViewerFindBar::CountCaption(uint64_t index, uint64_t total)
{
    return Thousands(index) + QStringLiteral(" of ") + Thousands(total);
}

TViewerFindBar::TViewerFindBar(TViewerControl& control, QWidget* parent) : QWidget(parent), FControl(control)
{
    setObjectName(QStringLiteral("FindBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(6);
    auto* caption = new QLabel(QStringLiteral("Find:"), this);
    FField = new QComboBox(this);
    FField->setObjectName(QStringLiteral("FindField"));
    FField->setEditable(true);
    FField->setInsertPolicy(QComboBox::NoInsert);
    FField->setMinimumContentsLength(24);
    FField->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    FField->lineEdit()->setPlaceholderText(QStringLiteral("Text or pattern"));
    // The combo box takes the keys while its field shows the caret.
    FField->installEventFilter(this);
    FField->lineEdit()->installEventFilter(this);
    caption->setBuddy(FField);
    FMatchCase = new QCheckBox(QStringLiteral("Match case"), this);
    FMatchCase->setObjectName(QStringLiteral("FindMatchCase"));
    FWholeWord = new QCheckBox(QStringLiteral("Whole word"), this);
    FWholeWord->setObjectName(QStringLiteral("FindWholeWord"));
    FRegex = new QCheckBox(QStringLiteral("Regular expression"), this);
    FRegex->setObjectName(QStringLiteral("FindRegex"));
    FCount = new QLabel(this);
    FCount->setObjectName(QStringLiteral("FindCount"));
    FStatus = new QLabel(this);
    FStatus->setObjectName(QStringLiteral("FindStatus"));
    FStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FProgress = new QProgressBar(this);
    FProgress->setObjectName(QStringLiteral("FindProgress"));
    FProgress->setRange(0, 1000);
    FProgress->setTextVisible(false);
    FProgress->setFixedWidth(100);
    FProgress->hide();
    FStop = new QToolButton(this);
    FStop->setObjectName(QStringLiteral("FindStop"));
    FStop->setText(QStringLiteral("Stop"));
    FStop->setToolTip(QStringLiteral("Stop searching (Esc)"));
    FStop->hide();
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("FindClose"));
    close->setText(QStringLiteral("\u2715"));
    close->setToolTip(QStringLiteral("Close the find bar (Esc)"));
    close->setAutoRaise(true);

    layout->addWidget(caption);
    layout->addWidget(FField);
    layout->addWidget(FMatchCase);
    layout->addWidget(FWholeWord);
    layout->addWidget(FRegex);
    layout->addWidget(FCount);
    layout->addWidget(FStatus, 1);
    layout->addWidget(FProgress);
    layout->addWidget(FStop);
    layout->addWidget(close);

    FTimer = new QTimer(this);
    FTimer->setInterval(PollMs);
    connect(FTimer, &QTimer::timeout, this, &TViewerFindBar::Poll);
    connect(FStop, &QToolButton::clicked, this, [this] {
        CancelAll();
        SetStatus(QStringLiteral("Stopped"));
    });
    connect(close, &QToolButton::clicked, this, &TViewerFindBar::Close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &TViewerFindBar::Escape);
    hide();
}

TViewerFindBar::~TViewerFindBar() { CancelAll(); }

void TViewerFindBar::Open()
{
    zin::TZinEdit& edit = FControl.ViewerEdit();
    // A short selection on one line is what the user wants to find (in hex
    // mode the selected bytes as text).
    const bool hex = edit.EditMode() == zin::emHexMode;
    if (hex ? edit.HexSelecting() : edit.Selecting() && edit.SelAnchor().LineIndex == edit.Caret().LineIndex) {
        std::u16string text;
        if (edit.SelectedTextDecoded(text, 1024) && !text.empty() && text.size() <= 200 &&
            text.find_first_of(u"\r\n") == std::u16string::npos)
            FField->setEditText(QString::fromStdU16String(text));
    }
    show();
    FField->setFocus(Qt::ShortcutFocusReason);
    FField->lineEdit()->selectAll();
}

std::shared_ptr<zin::TSearchSource> TViewerFindBar::MakeSource() const
{
    const zin::TZinLines& store = FControl.ViewerEdit().LineStore();
    if (!store.Lines().Source)
        return nullptr;
    return std::make_shared<zin::TDataSearchSource>(*store.Lines().Source, store.FileSize());
}

bool TViewerFindBar::SamePattern(const zin::TSearchPattern& a, const zin::TSearchPattern& b)
{
    if (!a.Valid() || !b.Valid())
        return false;
    const zin::TSearchOptions& x = a.Options();
    const zin::TSearchOptions& y = b.Options();
    return x.Pattern == y.Pattern && x.MatchCase == y.MatchCase && x.WholeWord == y.WholeWord &&
           x.Regex == y.Regex && x.Bytes == y.Bytes && a.CodePage() == b.CodePage();
}

void TViewerFindBar::Find(bool forward)
{
    if (FControl.Working())
        return;
    const QString text = FField->currentText();
    if (text.isEmpty()) {
        Open();
        return;
    }
    zin::TZinEdit& edit = FControl.ViewerEdit();
    zin::TSearchOptions options;
    options.Pattern = text.toStdString();
    options.MatchCase = FMatchCase->isChecked();
    options.WholeWord = FWholeWord->isChecked();
    options.Regex = FRegex->isChecked();
    options.Bytes = edit.EditMode() == zin::emHexMode;
    zin::TSearchPattern pattern;
    if (!pattern.Compile(options, edit.CodePage())) {
        // The engine's message, and nothing else changes.
        SetStatus(QString::fromStdString(pattern.Error()));
        return;
    }
    std::shared_ptr<zin::TSearchSource> source = MakeSource();
    if (!source)
        return;
    Remember(text);

    // Forward from the end of the selection (the caret after a find),
    // backward from its start, so that the match shown is not found again;
    // after an empty match one byte on.
    uint64_t from = edit.SearchFrom(forward);
    const bool onLast = FHaveMatch && SamePattern(pattern, FMatchPattern) &&
                        from == (forward ? FLastMatch.Pos + FLastMatch.Length : FLastMatch.Pos);
    if (onLast && forward && FLastMatch.Length == 0)
        ++from;
    FFromLastMatch = onLast;
    FForward = forward;
    FPattern = pattern;
    zin::TSearchRequest request;
    request.Kind = forward ? zin::TSearchKind::Next : zin::TSearchKind::Previous;
    request.From = from;
    request.Wrap = true;
    FSearchId = FTask.Start(pattern, std::move(source), request);
    FSearching = true;
    SetStatus(QStringLiteral("Searching..."));
    FTimer->start();
    UpdateProgress();
}

void TViewerFindBar::Poll()
{
    zin::TSearchResult r;
    if (FSearching && FTask.TakeResult(r) && r.Id == FSearchId) {
        FSearching = false;
        zin::TZinEdit& edit = FControl.ViewerEdit();
        switch (r.Status) {
        case zin::TSearchStatus::Found: {
            edit.SelectMatch(r.Match.Pos, r.Match.Length);
            edit.SetMarkPattern(FPattern);
            SetStatus(!r.Wrapped ? QString()
                      : FForward ? QStringLiteral("Passed the end, continued from the top")
                                 : QStringLiteral("Passed the top, continued from the end"));
            const bool sameSet = FHaveMatch && SamePattern(FPattern, FMatchPattern);
            FHaveMatch = true;
            FLastMatch = r.Match;
            FMatchPattern = FPattern;
            if (sameSet && FFromLastMatch && FTotalKnown && FTotal > 0) {
                // The next (previous) match of the same set: its place
                // follows from the last one's without counting again.
                if (FForward)
                    FIndex = r.Wrapped ? 1 : std::min(FIndex + 1, FTotal);
                else
                    FIndex = r.Wrapped ? FTotal : std::max<uint64_t>(FIndex - 1, 1);
                FCount->setText(CountCaption(FIndex, FTotal));
            } else {
                FTotalKnown = false;
                FCount->clear();
                if (std::shared_ptr<zin::TSearchSource> source = MakeSource()) {
                    FCounter.Start(FPattern, std::move(source), r.Match.Pos);
                    FCounting = true;
                }
            }
            break;
        }
        case zin::TSearchStatus::NotFound:
            SetStatus(QStringLiteral("Not found"));
            break;
        case zin::TSearchStatus::Cancelled:
            SetStatus(QStringLiteral("Stopped"));
            break;
        case zin::TSearchStatus::Failed:
            SetStatus(QString::fromStdString(r.Message));
            break;
        }
    }
    if (FCounting && !FCounter.Busy()) {
        FCounting = false;
        if (FCounter.Complete() && FCounter.Total() > 0) {
            FTotalKnown = true;
            FTotal = FCounter.Total();
            FIndex = FCounter.Before() + 1;
            FCount->setText(CountCaption(FIndex, FTotal));
        } else {
            FCount->clear();
        }
    } else if (FCounting) {
        FCount->setText(QStringLiteral("%1 so far").arg(Thousands(FCounter.Total())));
    }
    UpdateProgress();
    if (!Busy())
        FTimer->stop();
}

void TViewerFindBar::UpdateProgress()
{
    const bool busy = Busy();
    if (busy) {
        uint64_t done, total;
        if (FSearching) {
            done = FTask.Done();
            total = FTask.Total();
        } else {
            done = FCounter.Done();
            total = FCounter.Size();
        }
        FProgress->setValue(total ? static_cast<int>(std::min<uint64_t>(done, total) * 1000 / total) : 0);
    }
    FProgress->setVisible(busy);
    FStop->setVisible(busy);
}

bool TViewerFindBar::Busy() const { return FSearching || FCounting; }

void TViewerFindBar::CancelAll()
{
    FTask.Cancel();
    FCounter.Cancel();
    if (FSearching)
        SetStatus(QString());
    if (FCounting)
        FCount->clear();
    FSearching = false;
    FCounting = false;
    FTimer->stop();
    UpdateProgress();
}

void TViewerFindBar::ForgetFile()
{
    CancelAll();
    FControl.ViewerEdit().ClearMarkPattern();
    FHaveMatch = false;
    FTotalKnown = false;
    FCount->clear();
    SetStatus(QString());
}

void TViewerFindBar::FileGrew()
{
    FTotalKnown = false;
    FCount->clear();
}

void TViewerFindBar::Escape()
{
    if (Busy()) {
        CancelAll();
        SetStatus(QStringLiteral("Stopped"));
        return;
    }
    Close();
}

void TViewerFindBar::Close()
{
    CancelAll();
    FControl.ViewerEdit().ClearMarkPattern();
    hide();
    FControl.FocusEdit();
}

void TViewerFindBar::SetStatus(const QString& text)
{
    FStatus->setText(text);
    FStatus->setToolTip(text);
}

QString TViewerFindBar::StatusText() const { return FStatus->text(); }
QString TViewerFindBar::CountText() const { return FCount->text(); }

void TViewerFindBar::Remember(const QString& pattern)
{
    const int at = FField->findText(pattern, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at == 0)
        return;
    if (at > 0)
        FField->removeItem(at);
    FField->insertItem(0, pattern);
    while (FField->count() > MaxRecent)
        FField->removeItem(FField->count() - 1);
    FField->setCurrentIndex(0);
}

bool TViewerFindBar::eventFilter(QObject* watched, QEvent* e)
{
    if ((watched == FField || watched == FField->lineEdit()) && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            Find(!(k->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

// ---- The go-to bar --------------------------------------------------------------------

TViewerGoToBar::TViewerGoToBar(TViewerControl& control, QWidget* parent) : QWidget(parent), FControl(control)
{
    setObjectName(QStringLiteral("GoToBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(6);
    auto* caption = new QLabel(QStringLiteral("Go to line:"), this);
    FField = new QLineEdit(this);
    FField->setObjectName(QStringLiteral("GoToField"));
    FField->setPlaceholderText(QStringLiteral("line, line:column or 0x offset"));
    FField->setMaximumWidth(220);
    FField->installEventFilter(this);
    caption->setBuddy(FField);
    FStatus = new QLabel(this);
    FStatus->setObjectName(QStringLiteral("GoToStatus"));
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("\u2715"));
    close->setToolTip(QStringLiteral("Close (Esc)"));
    close->setAutoRaise(true);
    layout->addWidget(caption);
    layout->addWidget(FField);
    layout->addWidget(FStatus, 1);
    layout->addWidget(close);
    connect(close, &QToolButton::clicked, this, &TViewerGoToBar::Close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &TViewerGoToBar::Close);
    hide();
}

void TViewerGoToBar::Open()
{
    FField->setText(QString::number(FControl.ViewerEdit().Caret().LineIndex + 1));
    FStatus->clear();
    show();
    FField->setFocus(Qt::ShortcutFocusReason);
    FField->selectAll();
}

void TViewerGoToBar::Go()
{
    if (FControl.Working())
        return;
    zin::TZinEdit& edit = FControl.ViewerEdit();
    const zin::TZinLines& store = edit.LineStore();
    const std::string text = FField->text().toStdString();
    const zin::TGoTo g = zin::ParseGoTo(text, std::max(1, store.LineCount()), store.FileSize());
    if (g.Kind == zin::TGoTo::TKind::Invalid) {
        FStatus->setText(QStringLiteral("Type a line number, line:column or a 0x offset"));
        return;
    }
    if (g.Kind == zin::TGoTo::TKind::Line)
        edit.GoToLine(g.Line, g.HasColumn ? g.Column : 0);
    else
        edit.GoToFilePos(g.Offset);
    if (g.Clamped) {
        // Still open, to say where the caret went.
        FStatus->setText(g.Kind == zin::TGoTo::TKind::Line
                             ? QStringLiteral("Out of range: went to line %1 of %2")
                                   .arg(Thousands(uint64_t(edit.Caret().LineIndex) + 1), Thousands(store.LineCount()))
                             : QStringLiteral("Out of range: went to offset 0x%1 (the end)")
                                   .arg(QString::number(edit.EditMode() == zin::emHexMode ? edit.HexCaret()
                                                                                          : edit.Caret().FilePos,
                                                        16)
                                            .toUpper()));
        FField->selectAll();
        return;
    }
    FStatus->clear();
    hide();
    FControl.FocusEdit();
}

QString TViewerGoToBar::StatusText() const { return FStatus->text(); }

void TViewerGoToBar::Close()
{
    hide();
    FControl.FocusEdit();
}

bool TViewerGoToBar::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == FField && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            Go();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}
