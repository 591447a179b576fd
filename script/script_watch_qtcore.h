#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

namespace varno {

// Watches the scripts' folder and every file in it, and reports once the folder has been
// quiet for kSettleMs after a change (a save of several steps is one report). A file
// added, removed, written or replaced by a rename is a change; what changed is the
// caller's to find out (it compares the files' bytes). A folder that is not there is
// watched for from the nearest folder above it, so that one made, or removed, after the
// start is a change too.
class ScriptWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 250;

    explicit ScriptWatch(std::function<void()> changed, QObject* parent = nullptr);

    // Watches folder from now on (empty: nothing), and reports a change: the files may have
    // changed before. The same folder again costs nothing.
    void setFolder(const std::string& folder);

private:
    // Watches the folder and the files it holds now.
    void Arm();

    std::string folder_;
    std::function<void()> changed_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

}  // namespace varno
