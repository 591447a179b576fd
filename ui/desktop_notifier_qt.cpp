#include "ui/desktop_notifier_qt.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>

namespace varno {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr std::size_t kClicksKept = 32;

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

}  // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus,
                                 std::function<void(const QString&)> unavailable, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), unavailable_(std::move(unavailable)) {
    bus_.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                 SLOT(actionInvoked(uint, QString)));
    bus_.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                 SLOT(notificationClosed(uint, uint)));
}

void DesktopNotifier::notify(const QString& title, const QString& body,
                             std::function<void()> clicked) {
    if (!bus_.isConnected()) {
        failed(QStringLiteral("no session bus"));
        return;
    }
    if (!askedMarkup_) {
        askedMarkup_ = true;
        auto* asked = new QDBusPendingCallWatcher(bus_.asyncCall(Call("GetCapabilities")), this);
        connect(asked, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* call) {
                    const QDBusPendingReply<QStringList> reply = *call;
                    if (!reply.isError()) {
                        markup_ = reply.value().contains(QStringLiteral("body-markup"));
                    }
                    call->deleteLater();
                });
    }
    // Until the service has said it reads no markup, the body is escaped: a name like
    // "<b>x</b>" must show as it is.
    const QString shownBody = markup_.value_or(true) ? body.toHtmlEscaped() : body;
    QDBusMessage call = Call("Notify");
    // The default action is what a click on the notification does.
    const QStringList actions =
        clicked ? QStringList{QStringLiteral("default"), QStringLiteral("Show")} : QStringList();
    call << QStringLiteral("Varno") << 0U << QStringLiteral("varno") << title << shownBody
         << actions << QVariantMap{{QStringLiteral("category"), "im.received"}} << -1;
    auto* sent = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(sent, &QDBusPendingCallWatcher::finished, this,
            [this, clicked = std::move(clicked)](QDBusPendingCallWatcher* c) {
                const QDBusPendingReply<uint> reply = *c;
                if (reply.isError()) {
                    failed(reply.error().message());
                } else if (clicked) {
                    if (clicks_.size() >= kClicksKept) {
                        clicks_.pop_front();
                    }
                    clicks_.emplace_back(reply.value(), clicked);
                }
                c->deleteLater();
            });
}

void DesktopNotifier::actionInvoked(uint id, const QString& action) {
    const auto click =
        std::find_if(clicks_.begin(), clicks_.end(), [id](const auto& c) { return c.first == id; });
    if (click != clicks_.end() && action == QStringLiteral("default")) {
        const std::function<void()> clicked = click->second;
        clicks_.erase(click);
        clicked();
    }
}

void DesktopNotifier::notificationClosed(uint id, uint) {
    std::erase_if(clicks_, [id](const auto& c) { return c.first == id; });
}

void DesktopNotifier::failed(const QString& reason) {
    if (!told_) {
        told_ = true;
        unavailable_(reason);
    }
}

}  // namespace varno
