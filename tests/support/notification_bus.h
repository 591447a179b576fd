#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>
#include <memory>

namespace varno::test {

// A desktop notification service of the test's own: it owns org.freedesktop.Notifications
// and records every notification it is given, as "title|body".
class NotificationRecorder : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList shown;
    QList<QStringList> actions;  // each notification's

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& title,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout);
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
};

// A session bus of the test's own (a dbus-daemon it starts and ends), optionally with the
// recording service on it.
class NotificationBus {
public:
    NotificationBus();
    ~NotificationBus();

    // Empty when the bus runs; otherwise why it could not be started.
    QString unavailable() const { return unavailable_; }
    // Puts the recording service on the bus.
    bool startService();
    // A connection for the program under test.
    QDBusConnection clientConnection();
    const QStringList& shown() const { return recorder_.shown; }
    const QList<QStringList>& actions() const { return recorder_.actions; }
    // The operator clicks the n-th notification shown (1 for the first).
    bool click(uint n);

private:
    QProcess daemon_;
    QString address_;
    QString unavailable_;
    QStringList connections_;
    QString serviceConnection_;
    NotificationRecorder recorder_;
};

}  // namespace varno::test
