#include <QApplication>

#include "apps/edition.h"
#include "ui/main_window.h"

// Varno1: the full client, edition 2.01.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    varno::MainWindow window(varno::Edition::v201(), QCoreApplication::applicationDirPath());
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
