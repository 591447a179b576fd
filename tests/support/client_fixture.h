#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "base/edition.h"
#include "support/gateway_server.h"
#include "ui/main_window.h"

namespace varno::test {

// The settings most end-to-end tests log in with, and the login block they give.
inline constexpr char kAliceSettings[] = "Username=alice\nPassword=pw\nHome=Lobby\nDelay=1000\n";
inline const QByteArray kAliceLogin = QByteArray("\x03") + "alice\r\npw\r\n/join Lobby\r\n";

// Test names for suites run once per edition.
std::string EditionName(const ::testing::TestParamInfo<const Edition*>& info);

#define VARNO_FOR_BOTH_EDITIONS(Suite)                                              \
    INSTANTIATE_TEST_SUITE_P(Editions, Suite,                                       \
                             ::testing::Values(&Edition::v201(), &Edition::v200()), \
                             ::varno::test::EditionName)

// A real main window on the offscreen platform with its own application folder and a
// scripted gateway server on a loopback address of its own.
class ClientFixture {
public:
    explicit ClientFixture(const Edition& edition, int salt = 0);

    // Writes Varno.ini (Server set to the gateway's address unless the text names one).
    void writeSettings(const std::string& keyLines);
    // Writes a file of the settings folder (name may lead through folders, made as needed).
    void writeFile(const QString& name, const QByteArray& bytes);
    // Creates the window, runs the start-up sequence and shows it; again: a restart.
    void start();
    // The window goes, as its program ends.
    void stop();
    // Listens, starts with kAliceSettings (and extra lines) and waits for the login block.
    bool startLoggedIn(const std::string& extraSettings = "");

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
