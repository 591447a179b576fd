#include "tray/tray_program_qt.h"

#include <QApplication>

#include "base/edition.h"

namespace varno {

TrayProgram::TrayProgram(const QString& appFolder)
    : window_(Edition::v200(), appFolder), tray_(&window_, window_.windowIcon()) {
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&window_, &MainWindow::unseenChanged, &tray_,
                     [this](int unseen) { tray_.controller().Unseen(unseen); });
}

void TrayProgram::start() {
    window_.Form_Load();
    window_.show();
}

}  // namespace varno
