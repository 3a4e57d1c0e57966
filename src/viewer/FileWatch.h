#pragma once
// Watches the file the window shows for changes: the desktop's file-change
// notifications (inotify, through QFileSystemWatcher) and a look about once
// a second for file systems that send none. Each sign asks the window to
// look at the file (Check); signs that come in a burst (a log written line
// by line) ask once per CoalesceMs.
#include <QObject>

#include <string>

class QFileSystemWatcher;
class QTimer;

class TFileWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int PollMs = 1000;
    static constexpr int CoalesceMs = 100;

    explicit TFileWatch(QObject* parent = nullptr);

    // Watches the file a path (its bytes) names, whichever file that is
    // from now on; an empty path stops watching.
    void Watch(const std::string& path);
    void Stop() { Watch(std::string()); }
    bool Watching() const { return !FPath.empty(); }
    // Asks for a look soon (a check that had to wait).
    void CheckSoon();
    // The notifications follow a file, not its name: after a look, the
    // file now at the path is watched (a rotated log's successor).
    void Rearm();

signals:
    void Check();

private:
    QFileSystemWatcher* FWatcher = nullptr;
    QTimer* FPoll = nullptr;
    QTimer* FSoon = nullptr;
    std::string FPath;
};
