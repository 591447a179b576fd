#include <QApplication>

#include "tray/tray_program_qt.h"

// Varno: the tray client, edition 2.00. Minimised, it waits in the notification area.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    varno::TrayProgram program(QCoreApplication::applicationDirPath());
    program.start();
    return QApplication::exec();
}
