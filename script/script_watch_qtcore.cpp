#include "script/script_watch_qtcore.h"

#include <QDir>
#include <QFileInfo>

namespace varno {

ScriptWatch::ScriptWatch(std::function<void()> changed, QObject* parent)
    : QObject(parent), changed_(std::move(changed)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        Arm();  // a file replaced by a rename is watched by its path no longer
        changed_();
    });
    const auto settle = [this] { settle_.start(); };
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, settle);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, settle);
}

void ScriptWatch::setFolder(const std::string& folder) {
    if (folder == folder_) {
        return;
    }
    folder_ = folder;
    Arm();
    changed_();  // what changed before the watch began is not missed
}

void ScriptWatch::Arm() {
    const QStringList watched = watcher_.files() + watcher_.directories();
    if (!watched.isEmpty()) {
        watcher_.removePaths(watched);
    }
    if (folder_.empty()) {
        return;
    }
    const QDir dir(QString::fromStdString(folder_));
    if (!dir.exists()) {
        // The folder may be made later: the nearest folder above it that is there tells.
        QString above = dir.absolutePath();
        while (!QDir(above).exists() && QFileInfo(above).path() != above) {
            above = QFileInfo(above).path();
        }
        if (QDir(above).exists()) {
            watcher_.addPath(above);
        }
        return;
    }
    watcher_.addPath(dir.path());
    for (const QString& name : dir.entryList({"*.lua"}, QDir::Files)) {
        watcher_.addPath(dir.filePath(name));
    }
}

}  // namespace varno
