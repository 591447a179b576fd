#include "tray/tray_controller.h"

#include "tray/tray_tip.h"

namespace varno {

int MouseMessageFor(TrayActivation activation) {
    switch (activation) {
        case TrayActivation::Trigger:
            return kLeftButtonDown;
        case TrayActivation::Context:
            return kRightButtonDown;
        case TrayActivation::DoubleClick:
            return kLeftButtonDoubleClick;
        case TrayActivation::Middle:
            return kMiddleButtonDown;
        case TrayActivation::Unknown:
            break;
    }
    return kMouseMove;
}

TrayController::TrayController(TrayPort& port) : port_(port) {}

void TrayController::Form_Resize(bool minimised, std::string_view caption) {
    if (!minimised) {
        DeleteIcon();
        return;
    }
    // Without a notification area the window would be hidden with no way back: it stays
    // minimised the ordinary way.
    if (!port_.available()) {
        return;
    }
    port_.hideWindow();
    if (!iconShown_) {
        tip_ = TrayTipText(caption);
        port_.addIcon(tip_);
        iconShown_ = true;
        if (unseen_ > 0) {
            Unseen(unseen_);
        }
    }
}

void TrayController::Unseen(int count) {
    unseen_ = count;
    if (iconShown_) {
        port_.setTip(count > 0 ? tip_ + "\n" + std::to_string(count) + " new" : tip_);
    }
}

void TrayController::Form_MouseMove(int mouseMessage) {
    if (mouseMessage == kLeftButtonDown) {
        port_.showMenu();
    }
}

void TrayController::mnuRestore_Click() {
    port_.showWindowNormal();
    // The state change normally removes the icon already; a platform that reports it late
    // or not at all for a hidden window must not leave the icon behind.
    DeleteIcon();
}

void TrayController::mnuExit_Click() {
    Form_Unload();
}

void TrayController::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    DeleteIcon();
    port_.quit();
}

void TrayController::DeleteIcon() {
    if (iconShown_) {
        port_.deleteIcon();
        iconShown_ = false;
    }
}

}  // namespace varno
