#include <QApplication>
#include <QFile>
#include <QPointer>
#include <csignal>

#include "apps/settings_folder.h"
#include "client/signal_pipe_qtcore.h"
#include "tray/tray_program_qt.h"

// Varno: the tray client, edition 2.00. Minimised, it waits in the notification area.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string folder = varno::SettingsFolderOf(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    // A logout, kill or closed terminal ends the program as the tray menu's Exit does: the
    // icon leaves the notification area while the event loop still runs, rather than with
    // the process, then the window keeps its place on the way out. The pipe is made before
    // the program and so outlives it: a second signal while the program is being taken down
    // finds the pipe, not the default action, and no tray to end again.
    QPointer<varno::TrayIcon> tray;
    varno::SignalPipe signalPipe({SIGTERM, SIGINT, SIGHUP}, [&tray](int) {
        if (tray) {
            tray->controller().mnuExit_Click();
        }
    });
    varno::TrayProgram program(QFile::decodeName(folder.c_str()));
    tray = &program.tray();
    program.start();
    return QApplication::exec();
}
