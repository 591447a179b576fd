#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace varno {

// Watches some files of one folder and reports the names of those that changed on disk:
// written in place, replaced by a rename over them (as editors save), deleted, or created
// again. The folder is watched as well as the files, since a file replaced or deleted is
// no longer watched by its path; each report comes once the folder has been quiet for
// kSettleMs, so a save made of several steps is reported once.
class FileWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 250;
    using Changed = std::function<void(const std::vector<std::string>& names)>;

    FileWatch(const std::string& folder, std::vector<std::string> names, Changed changed,
              QObject* parent = nullptr);

private:
    // What a look at a file sees; a file written or replaced looks different afterwards.
    struct Look {
        bool exists = false;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t mtimeNs = 0;
        friend bool operator==(const Look&, const Look&) = default;
    };

    QString path(const std::string& name) const;
    Look LookAt(const std::string& name) const;
    void Arm();
    void Settle();

    QString folder_;
    std::vector<std::string> names_;
    std::vector<Look> seen_;
    std::vector<bool> written_;  // told by the watcher of the file itself
    Changed changed_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

}  // namespace varno
