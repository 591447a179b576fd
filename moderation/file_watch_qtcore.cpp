#include "moderation/file_watch_qtcore.h"

#include <sys/stat.h>

#include <QDir>

namespace varno {

FileWatch::FileWatch(const std::string& folder, std::vector<std::string> names, Changed changed,
                     QObject* parent)
    : QObject(parent),
      folder_(QString::fromStdString(folder)),
      names_(std::move(names)),
      written_(names_.size(), false),
      changed_(std::move(changed)) {
    for (const std::string& name : names_) {
        seen_.push_back(LookAt(name));
    }
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &FileWatch::Settle);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this](const QString& changed) {
        for (std::size_t i = 0; i < names_.size(); ++i) {
            if (changed == path(names_[i])) {
                written_[i] = true;
            }
        }
        settle_.start();
    });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
    if (QDir(folder_).exists()) {
        watcher_.addPath(folder_);
    }
    Arm();
}

QString FileWatch::path(const std::string& name) const {
    return QDir(folder_).filePath(QString::fromStdString(name));
}

FileWatch::Look FileWatch::LookAt(const std::string& name) const {
    struct stat st {};
    if (::stat(QFile::encodeName(path(name)).constData(), &st) != 0) {
        return {};
    }
    return {true, static_cast<std::uint64_t>(st.st_ino), static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Watches every file that exists now; one replaced by a rename is watched again here.
void FileWatch::Arm() {
    const QStringList watched = watcher_.files();
    for (const std::string& name : names_) {
        const QString file = path(name);
        if (!watched.contains(file) && QFileInfo::exists(file)) {
            watcher_.addPath(file);
        }
    }
}

void FileWatch::Settle() {
    std::vector<std::string> changed;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const Look now = LookAt(names_[i]);
        if (written_[i] || !(now == seen_[i])) {
            changed.push_back(names_[i]);
        }
        seen_[i] = now;
        written_[i] = false;
    }
    Arm();
    if (!changed.empty()) {
        changed_(changed);
    }
}

}  // namespace varno
