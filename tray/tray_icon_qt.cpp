#include "tray/tray_icon_qt.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QStringDecoder>
#include <QTimer>

namespace varno {
namespace {

TrayActivation ActivationFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            return TrayActivation::Trigger;
        case QSystemTrayIcon::Context:
            return TrayActivation::Context;
        case QSystemTrayIcon::DoubleClick:
            return TrayActivation::DoubleClick;
        case QSystemTrayIcon::MiddleClick:
            return TrayActivation::Middle;
        case QSystemTrayIcon::Unknown:
            break;
    }
    return TrayActivation::Unknown;
}

}  // namespace

TrayIcon::TrayIcon(QWidget* window, const QIcon& icon, QObject* parent)
    : QObject(parent), window_(window), icon_(icon), controller_(*this) {
    mnuSystray_.setObjectName(QStringLiteral("mnuSystray"));
    mnuSystray_.setTitle(QStringLiteral("Systray"));
    // Dismissing the menu while the window is hidden must not count as closing the program's
    // last window.
    mnuSystray_.setAttribute(Qt::WA_QuitOnClose, false);
    QAction* restore = mnuSystray_.addAction(QStringLiteral("Restore"));
    restore->setObjectName(QStringLiteral("mnuRestore"));
    mnuSystray_.addSeparator()->setObjectName(QStringLiteral("Spacer1"));
    QAction* exit = mnuSystray_.addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(restore, &QAction::triggered, this, [this] { controller_.mnuRestore_Click(); });
    connect(exit, &QAction::triggered, this, [this] { controller_.mnuExit_Click(); });

    // No context menu on the icon: every click comes through here, and only a left click
    // opens the menu.
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                controller_.Form_MouseMove(MouseMessageFor(ActivationFor(reason)));
            });
    if (window_ != nullptr) {
        window_->installEventFilter(this);
    }
}

bool TrayIcon::available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::hideWindow() {
    // Hidden once the state change has been handled, unless the window came back meanwhile.
    QTimer::singleShot(0, this, [this] {
        if (window_ != nullptr && window_->isMinimized()) {
            window_->hide();
        }
    });
}

void TrayIcon::showWindowNormal() {
    if (window_ != nullptr) {
        window_->showNormal();
        window_->activateWindow();
    }
}

void TrayIcon::addIcon(const std::string& tip) {
    setTip(tip);
    icon_.show();
}

void TrayIcon::setTip(const std::string& tip) {
    // The tip may end inside a character that was cut at the field width; a stateful decoder
    // leaves such an unfinished tail out.
    QStringDecoder decode(QStringDecoder::Utf8);
    icon_.setToolTip(decode(QByteArrayView(tip.data(), static_cast<qsizetype>(tip.size()))));
}

void TrayIcon::deleteIcon() {
    icon_.hide();
}

void TrayIcon::showMenu() {
    mnuSystray_.popup(QCursor::pos());
}

void TrayIcon::quit() {
    QCoreApplication::quit();
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && window_ != nullptr) {
        // Hiding a minimised window makes the window manager let go of it, which reports a
        // state that is no longer minimised: the window is still in the notification area
        // and keeps its icon until Restore shows it.
        const bool hiddenInTray = !window_->isVisible() && !window_->isMinimized();
        if (event->type() == QEvent::WindowStateChange && !hiddenInTray) {
            controller_.Form_Resize(window_->isMinimized(), window_->windowTitle().toStdString());
        } else if (event->type() == QEvent::Close) {
            controller_.Form_Unload();
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace varno
