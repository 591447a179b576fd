#include <QApplication>
#include <QFile>

#include "apps/settings_folder.h"
#include "tray/tray_program_qt.h"

// Varno: the tray client, edition 2.00. Minimised, it waits in the notification area.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string folder = varno::SettingsFolderOf(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    varno::TrayProgram program(QFile::decodeName(folder.c_str()));
    program.start();
    return QApplication::exec();
}
