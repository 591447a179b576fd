#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

#include "demo/demo_server_qtcore.h"

// DemoGateway: a local chat gateway with a lively demo channel, for trying Varno anywhere.
namespace {

constexpr char kUsage[] =
    "Usage: DemoGateway [--listen ADDRESS:PORT] [--pace N] [--seed N] [--admin NAME]...\n"
    "  --listen  where to listen (default 127.0.0.1:6112)\n"
    "  --pace    run the demo channel's cast N times as fast (default 1)\n"
    "  --seed    seed of the cast's choices (default 1)\n"
    "  --admin   an account operator: flags 0008, may moderate any channel\n"
    "Any name logs in with the password name + \"pw\".\n";

bool ParseListen(const QString& text, varno::demo::DemoServerOptions& options) {
    const int colon = text.lastIndexOf(':');
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    QHostAddress address;
    if (colon <= 0 || !ok || port == 0 || port > 65535 || !address.setAddress(text.left(colon))) {
        return false;
    }
    options.address = address;
    options.port = static_cast<quint16>(port);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    varno::demo::DemoServerOptions options;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = hasValue;
        if (arg == "--listen" && hasValue) {
            ok = ParseListen(args[++i], options);
        } else if (arg == "--pace" && hasValue) {
            const int pace = args[++i].toInt(&ok);
            ok = ok && pace >= 1;
            options.timing = varno::demo::CastTiming{}.Faster(pace);
        } else if (arg == "--seed" && hasValue) {
            options.seed = args[++i].toULongLong(&ok);
        } else if (arg == "--admin" && hasValue) {
            options.gateway.admins.push_back(args[++i].toStdString());
        } else {
            ok = false;
        }
        if (!ok) {
            std::fputs(kUsage, stderr);
            return arg == "--help" ? 0 : 2;
        }
    }
    varno::demo::DemoServer server(options);
    if (!server.listen()) {
        std::fprintf(stderr, "DemoGateway: cannot listen on %s:%u: %s\n",
                     qPrintable(options.address.toString()), options.port,
                     qPrintable(server.errorString()));
        return 1;
    }
    std::fprintf(stderr, "DemoGateway listening on %s:%u\n", qPrintable(options.address.toString()),
                 options.port);
    return QCoreApplication::exec();
}
