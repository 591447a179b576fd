#pragma once

#include <QString>

#include "tray/tray_icon_qt.h"
#include "ui/main_window.h"

namespace varno {

// The tray client as it runs: the main window of edition 2.00 and its notification-area
// icon. The program ends through the main window (close box, tray menu Exit, File > Exit),
// never because its window is hidden in the notification area.
class TrayProgram {
public:
    // appFolder: where Varno.ini, shitlist.txt and database.txt are read. Needs the
    // QApplication.
    explicit TrayProgram(const QString& appFolder);

    // The start-up sequence, then the window is shown.
    void start();

    MainWindow& window() { return window_; }
    TrayIcon& tray() { return tray_; }

private:
    MainWindow window_;
    TrayIcon tray_;
};

}  // namespace varno
