#include <QApplication>
#include <QFile>
#include <csignal>

#include "apps/settings_folder.h"
#include "base/edition.h"
#include "client/signal_pipe_qtcore.h"
#include "ui/main_window.h"

// Varno1: the full client, edition 2.01.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string folder = varno::SettingsFolderOf(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    // A logout, kill or closed terminal ends the program as File > Exit does, so that the
    // window keeps its place on the way out. Made before the window and so gone after it: a
    // second signal while the window is being taken down still finds the pipe.
    varno::SignalPipe signalPipe({SIGTERM, SIGINT, SIGHUP}, [](int) { QCoreApplication::exit(0); });
    varno::MainWindow window(varno::Edition::v201(), QFile::decodeName(folder.c_str()));
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
