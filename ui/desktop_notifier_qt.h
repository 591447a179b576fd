#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <deque>
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
    // clicked, when given, runs when the notification is clicked.
    void notify(const QString& title, const QString& body, std::function<void()> clicked = {});

private slots:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    void failed(const QString& reason);

    QDBusConnection bus_;
    std::function<void(const QString&)> unavailable_;
    bool told_ = false;
    bool askedMarkup_ = false;
    // Whether the service reads markup in a body; unknown until it answers.
    std::optional<bool> markup_;
    // What a click on each notification shown does, by the service's number for it; only
    // the latest kClicksKept are kept.
    std::deque<std::pair<uint, std::function<void()>>> clicks_;
};

}  // namespace varno
