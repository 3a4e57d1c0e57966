// zinviewer: a viewer for text files of any size. Without options it opens
// its window (on a file or a folder given as argument); --info describes a
// file without a window; --screenshot paints the window into a PNG file;
// --bench-start measures the start.
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QPixmap>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "editor/ZinEdit.h"
#include "encoding/CodePage.h"
#include "platform/Files.h"
#include "widget/ZinEditWidget.h"
#include "syntax/ZinSyntax.h"
#include "viewer/FileInfo.h"
#include "viewer/ViewerArgs.h"
#include "viewer/ZinViewerApplication.h"
#include "viewer/ZinViewerMainForm.h"

namespace {

int RunInfo(const std::string& path)
{
    const zin::TFileInfo info = zin::GatherFileInfo(path);
    if (!info.Opened) {
        std::cerr << "zinviewer: cannot open " << path << ": " << info.Error << '\n';
        return 1;
    }
    zin::PrintFileInfo(info, std::cout);
    return std::cout.good() ? 0 : 1;
}

// Resident memory of this process in bytes (0 when unknown).
uint64_t ResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtoull(line.c_str() + 6, nullptr, 10) * 1024;
    return 0;
}

int64_t RealtimeNs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    std::vector<std::string> args(argv + 1, argv + argc);
    const zin::TViewerArgs a = zin::ParseViewerArgs(args);
    switch (a.Mode) {
    case zin::TViewerMode::Help:
        std::cout << zin::ViewerUsage;
        return 0;
    case zin::TViewerMode::Error:
        std::cerr << "zinviewer: " << a.Error << '\n' << zin::ViewerUsage;
        return 2;
    case zin::TViewerMode::Info:
        zin::LoadCodePageNames();
        return RunInfo(a.Path);
    default:
        break;
    }

    // Start-up before any window: code-page names, the syntax folder (next
    // to the program, or in the installed share folder).
    zin::LoadCodePageNames();
    const std::string exeDir = zin::ExecutableDir();
    zin::SetSyntaxDir(zin::ChooseSyntaxDir(exeDir));

    bool platformGiven = false;
    for (const std::string& t : a.ToolkitArgs)
        platformGiven |= t == "-platform";
    if (a.Mode == zin::TViewerMode::Screenshot && !platformGiven)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::vector<std::string> qtArgs{argv[0]};
    qtArgs.insert(qtArgs.end(), a.ToolkitArgs.begin(), a.ToolkitArgs.end());
    std::vector<char*> qtArgv;
    for (std::string& s : qtArgs)
        qtArgv.push_back(s.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArgs.size());
    TZinViewerApplication app(qtArgc, qtArgv.data());
    // A message box needs someone to close it: one-off runs and runs
    // without a display write their messages to standard error instead, and
    // a start file that cannot be loaded ends them with status 1.
    const QString platform = QGuiApplication::platformName();
    const bool interactive = a.Mode == zin::TViewerMode::Window && platform != QLatin1String("offscreen") &&
                             platform != QLatin1String("minimal");
    app.Interactive = interactive;

    TZinViewerForm::TOptions options;
    options.IniFileName = zin::ChooseIniFileName(exeDir, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"),
                                                 zin::PathWritable);
    options.StartPath = a.Path;  // the bytes as given
    options.StartLine = a.Line;
    options.StartFollowing = a.Follow;
    options.SaveSettings = a.Mode == zin::TViewerMode::Window;
    options.RestorePlacement = a.Mode == zin::TViewerMode::Window;
    options.Interactive = interactive;
    TZinViewerForm form(options);

    if (a.Mode == zin::TViewerMode::Screenshot) {
        form.resize(a.Width, a.Height);
        form.show();
        QCoreApplication::processEvents();
        if (!form.OpenStartPath())
            return 1;
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        const QPixmap shot = form.grab();
        if (!shot.save(QFile::decodeName(a.Output.c_str()), "PNG")) {
            std::cerr << "zinviewer: cannot write " << a.Output << '\n';
            return 1;
        }
        return 0;
    }

    if (a.Mode == zin::TViewerMode::BenchStart) {
        // The first paint of the control after the start file is open ends
        // the run (a start file that cannot be loaded ends it at once).
        QObject* viewport = form.EditWidget().viewport();
        auto done = std::make_shared<bool>(false);
        app.AfterEvent = [&form, &app, &sinceMain, viewport, done](QObject* receiver, QEvent* e) {
            if (*done || receiver != viewport || e->type() != QEvent::Paint || !form.StartPathDone() ||
                form.EditWidget().Busy() || form.ViewerEdit().Paints() == 0)
                return;
            *done = true;
            const zin::TZinLines& store = form.ViewerEdit().LineStore();
            std::printf("first-paint-epoch-ns: %lld\n", static_cast<long long>(RealtimeNs()));
            std::printf("first-paint-since-main-s: %.3f\n", sinceMain.nsecsElapsed() / 1e9);
            std::printf("load-s: %.3f\n", form.LastLoadSeconds());
            std::printf("rss-bytes: %llu\n", static_cast<unsigned long long>(ResidentBytes()));
            std::printf("lines: %d\n", store.LineCount());
            std::printf("file-bytes: %llu\n", static_cast<unsigned long long>(store.FileSize()));
            std::fflush(stdout);
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        };
    }

    // A small start file opens before the window shows, so that the first
    // painted window shows it; a large one, or one that cannot be read,
    // once the window is painted, so that the load shows its progress and
    // the message its window.
    struct stat st{};
    const bool small = !a.Path.empty() && stat(a.Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                       access(a.Path.c_str(), R_OK) == 0 &&
                       static_cast<uint64_t>(st.st_size) <= zin::DefaultMaxMemFileSize;
    if (small && !form.OpenStartPath() && !interactive)
        return 1;
    form.show();
    if (!form.StartPathDone()) {
        QObject* viewport = form.EditWidget().viewport();
        TZinViewerApplication::TEventHook previous = app.AfterEvent;
        auto scheduled = std::make_shared<bool>(false);
        app.AfterEvent = [&form, viewport, previous, scheduled, interactive](QObject* receiver, QEvent* e) {
            if (previous)
                previous(receiver, e);
            if (receiver == viewport && e->type() == QEvent::Paint && !*scheduled) {
                *scheduled = true;
                QTimer::singleShot(0, &form, [&form, interactive] {
                    if (!form.OpenStartPath() && !interactive)
                        QCoreApplication::exit(1);
                });
            }
        };
    }
    return app.exec();
}
