#include "viewer/ZinViewerApplication.h"

#include <QMessageBox>

#include <cstdio>
#include <exception>

TZinViewerApplication::TZinViewerApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("ZinViewer"));
    setDesktopFileName(QStringLiteral("zinviewer"));
}

bool TZinViewerApplication::notify(QObject* receiver, QEvent* event)
{
    bool result = false;
    try {
        result = QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("An unknown error occurred."));
    }
    if (AfterEvent)
        AfterEvent(receiver, event);
    return result;
}

void TZinViewerApplication::ShowError(const QString& text)
{
    ++FErrorsShown;
    std::fprintf(stderr, "zinviewer: %s\n", text.toLocal8Bit().constData());
    // A second error while the first one's box is open goes to standard
    // error only, rather than stacking boxes.
    if (FShowingError || !Interactive)
        return;
    FShowingError = true;
    QMessageBox::critical(activeWindow(), applicationName(), text);
    FShowingError = false;
}
