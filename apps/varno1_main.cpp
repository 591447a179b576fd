#include <QApplication>
#include <QFile>

#include "apps/settings_folder.h"
#include "base/edition.h"
#include "ui/main_window.h"

// Varno1: the full client, edition 2.01.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string folder = varno::SettingsFolderOf(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    varno::MainWindow window(varno::Edition::v201(), QFile::decodeName(folder.c_str()));
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
