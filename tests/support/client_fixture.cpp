#include "support/client_fixture.h"

#include <QFile>
#include <QFileInfo>

#include "client/client.h"

namespace varno::test {

std::string EditionName(const ::testing::TestParamInfo<const Edition*>& info) {
    return info.param->tray ? "Tray" : "Full";
}

ClientFixture::ClientFixture(const Edition& edition, int salt)
    : edition_(edition), server_(OwnLoopbackAddress(salt)) {}

void ClientFixture::writeSettings(const std::string& keyLines) {
    std::string ini = "[Varno]\n";
    if (keyLines.find("Server=") == std::string::npos) {
        ini += "Server=" + server_.host().toStdString() + "\n";
    }
    ini += keyLines;
    writeFile("Varno.ini", QByteArray::fromStdString(ini));
}

void ClientFixture::writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = QDir(dir_.path()).filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(bytes);
    }
}

void ClientFixture::start() {
    window_.reset();  // a restart: the window before ends first, as its program would
    window_ = std::make_unique<MainWindow>(edition_, dir_.path());
    window_->Form_Load();
    window_->show();
}

void ClientFixture::stop() {
    window_.reset();
}

bool ClientFixture::startLoggedIn(const std::string& extraSettings) {
    if (!server_.listen()) {
        return false;
    }
    writeSettings(kAliceSettings + extraSettings);
    start();
    // Returns as soon as the login arrives; the long bound is for a machine loaded by tests
    // running beside this one (and the sanitizer builds).
    return server_.waitForReceived(kAliceLogin, 15000);
}

std::string ClientFixture::mainLog() {
    return window_->client().logs().main().text();
}

std::string ClientFixture::whisperLog() {
    return window_->client().logs().whisper().text();
}

bool ClientFixture::waitForLog(const std::string& text, int ms) {
    return GatewayServer::waitUntil([&] { return mainLog().find(text) != std::string::npos; }, ms);
}

QString ClientFixture::screenshot(const QString& name) {
    QDir().mkpath(VARNO_SHOTS);
    const QString path = QDir(VARNO_SHOTS).filePath(name + ".png");
    window_->grab().save(path);
    return path;
}

}  // namespace varno::test
