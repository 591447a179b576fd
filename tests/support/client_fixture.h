#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "apps/edition.h"
#include "support/gateway_server.h"
#include "ui/main_window.h"

namespace varno::test {

// A real main window on the offscreen platform with its own application folder and a
// scripted gateway server on a loopback address of its own.
class ClientFixture {
public:
    explicit ClientFixture(const Edition& edition, int salt = 0);

    // Writes Varno.ini (Server set to the gateway's address unless the text names one).
    void writeSettings(const std::string& keyLines);
    void writeFile(const QString& name, const QByteArray& bytes);
    // Creates the window, runs the start-up sequence and shows it.
    void start();

    MainWindow& window() { return *window_; }
    GatewayServer& server() { return server_; }
    QString folder() const { return dir_.path(); }
    std::string mainLog();
    std::string whisperLog();
    bool waitForLog(const std::string& text, int ms = 5000);
    // Saves a picture of the window under the build folder's screenshots/.
    QString screenshot(const QString& name);

private:
    const Edition& edition_;
    QTemporaryDir dir_;
    GatewayServer server_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace varno::test
