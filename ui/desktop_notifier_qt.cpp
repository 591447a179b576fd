#include "ui/desktop_notifier_qt.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace varno {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

}  // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus,
                                 std::function<void(const QString&)> unavailable, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), unavailable_(std::move(unavailable)) {}

void DesktopNotifier::notify(const QString& title, const QString& body) {
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
    call << QStringLiteral("Varno") << 0U << QStringLiteral("varno") << title << shownBody
         << QStringList() << QVariantMap{{QStringLiteral("category"), "im.received"}} << -1;
    auto* sent = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(sent, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* c) {
        if (c->isError()) {
            failed(c->error().message());
        }
        c->deleteLater();
    });
}

void DesktopNotifier::failed(const QString& reason) {
    if (!told_) {
        told_ = true;
        unavailable_(reason);
    }
}

}  // namespace varno
