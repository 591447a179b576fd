#include <QApplication>

#include "apps/edition.h"
#include "ui/main_window.h"

// Varno: the tray client, edition 2.00.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    varno::MainWindow window(varno::Edition::v200(), QCoreApplication::applicationDirPath());
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
