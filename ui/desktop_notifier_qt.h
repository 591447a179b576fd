#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace varno {

// Shows desktop notifications through the desktop's notification service on the session
// bus (org.freedesktop.Notifications). Calls never wait for the service: where none runs,
// the first failure is told once and later ones pass silently.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    // unavailable: told the reason when the first notification could not be shown.
    DesktopNotifier(QDBusConnection bus, std::function<void(const QString&)> unavailable,
                    QObject* parent = nullptr);

    // title and body are plain text: a service that reads markup is given them escaped.
    void notify(const QString& title, const QString& body);

private:
    void failed(const QString& reason);

    QDBusConnection bus_;
    std::function<void(const QString&)> unavailable_;
    bool told_ = false;
    bool askedMarkup_ = false;
    // Whether the service reads markup in a body; unknown until it answers.
    std::optional<bool> markup_;
};

}  // namespace varno
