#include <QApplication>
#include <QFile>

#include "apps/edition.h"
#include "apps/settings_folder.h"
#include "tray/tray_icon_qt.h"
#include "ui/main_window.h"

// Varno: the tray client, edition 2.00. Minimised, it waits in the notification area.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The program ends through the main window (close box, tray menu Exit, File > Exit),
    // never because its window is hidden in the notification area.
    QApplication::setQuitOnLastWindowClosed(false);
    const std::string folder = varno::SettingsFolderOf(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    varno::MainWindow window(varno::Edition::v200(), QFile::decodeName(folder.c_str()));
    varno::TrayIcon tray(&window, window.windowIcon());
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
