#include "support/notification_bus.h"

#include <QDBusMessage>
#include <QStandardPaths>
#include <QUuid>

namespace varno::test {

uint NotificationRecorder::Notify(const QString&, uint, const QString&, const QString& title,
                                  const QString& body, const QStringList& given, const QVariantMap&,
                                  int) {
    shown.append(title + "|" + body);
    actions.append(given);
    return static_cast<uint>(shown.size());
}

NotificationBus::NotificationBus() {
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
        unavailable_ = "dbus-daemon is not installed (scripts/setup installs it)";
        return;
    }
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!daemon_.waitForReadyRead(5000)) {
        unavailable_ = "dbus-daemon did not start: " + daemon_.readAllStandardError();
        return;
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

NotificationBus::~NotificationBus() {
    for (const QString& name : connections_) {
        QDBusConnection::disconnectFromBus(name);
    }
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
}

bool NotificationBus::click(uint n) {
    QDBusMessage signal = QDBusMessage::createSignal(
        "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
    signal << n << QStringLiteral("default");
    return QDBusConnection(serviceConnection_).send(signal);
}

bool NotificationBus::startService() {
    QDBusConnection bus = clientConnection();
    serviceConnection_ = connections_.back();
    return bus.registerObject("/org/freedesktop/Notifications", &recorder_,
                              QDBusConnection::ExportAllSlots) &&
           bus.registerService("org.freedesktop.Notifications");
}

QDBusConnection NotificationBus::clientConnection() {
    connections_.append(QUuid::createUuid().toString());
    return QDBusConnection::connectToBus(address_, connections_.back());
}

}  // namespace varno::test
