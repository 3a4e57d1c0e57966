#pragma once
// The application object: an error that escapes an event handler is shown
// in a message box with its text, and the program goes on.
#include <QApplication>

#include <functional>

class TZinViewerApplication : public QApplication {
    Q_OBJECT
public:
    TZinViewerApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Called after every event has been delivered (the start benchmark
    // watches for the first paint).
    using TEventHook = std::function<void(QObject* receiver, QEvent* event)>;
    TEventHook AfterEvent;

    // Messages shown for escaped errors so far.
    int ErrorsShown() const { return FErrorsShown; }

    // False when no one is there to close a message box (a screenshot, a
    // benchmark, no display): escaped errors go to standard error only.
    bool Interactive = true;

private:
    void ShowError(const QString& text);
    int FErrorsShown = 0;
    bool FShowingError = false;
};
