#pragma once

#include <string>

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

#include "tray/tray_controller.h"

namespace varno {

// The tray client's notification-area icon and the window-level handlers that go with it:
// it watches the main window's state changes and close, and drives the TrayController.
class TrayIcon : public QObject, public TrayPort {
    Q_OBJECT

public:
    TrayIcon(QWidget* window, const QIcon& icon, QObject* parent = nullptr);

    TrayController& controller() { return controller_; }
    const QSystemTrayIcon& icon() const { return icon_; }

    bool available() const override;
    void hideWindow() override;
    void showWindowNormal() override;
    void addIcon(const std::string& tip) override;
    void setTip(const std::string& tip) override;
    void deleteIcon() override;
    void showMenu() override;
    void quit() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    QSystemTrayIcon icon_;
    QMenu mnuSystray_;
    TrayController controller_;
};

}  // namespace varno
