#include "viewer/FileWatch.h"

#include <QFileSystemWatcher>
#include <QTimer>

#include "viewer/QtBytes.h"

TFileWatch::TFileWatch(QObject* parent) : QObject(parent)
{
    FWatcher = new QFileSystemWatcher(this);
    FPoll = new QTimer(this);
    FPoll->setInterval(PollMs);
    FSoon = new QTimer(this);
    FSoon->setSingleShot(true);
    FSoon->setInterval(CoalesceMs);
    connect(FWatcher, &QFileSystemWatcher::fileChanged, this, [this] { CheckSoon(); });
    connect(FPoll, &QTimer::timeout, this, &TFileWatch::Check);
    connect(FSoon, &QTimer::timeout, this, &TFileWatch::Check);
}

void TFileWatch::Watch(const std::string& path)
{
    const QStringList files = FWatcher->files();
    if (!files.isEmpty())
        FWatcher->removePaths(files);
    FSoon->stop();
    FPath = path;
    if (FPath.empty()) {
        FPoll->stop();
        return;
    }
    FWatcher->addPath(zin::FromBytes(FPath));
    FPoll->start();
}

void TFileWatch::CheckSoon()
{
    if (Watching() && !FSoon->isActive())
        FSoon->start();
}

void TFileWatch::Rearm()
{
    if (!Watching())
        return;
    // A file renamed away or deleted takes its watch with it; the file the
    // name names now (if any) gets one.
    const QString path = zin::FromBytes(FPath);
    if (!FWatcher->files().contains(path))
        FWatcher->addPath(path);
}
