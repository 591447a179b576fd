#pragma once

#include "base/edition.h"
#include "connection/connection.h"
#include "connection/settings.h"
#include "log/log_writer.h"
#include "support/fakes.h"

namespace varno::test {

// A connection over fake ports, with the settings and the log writer it reads: what a test
// of anything that sends or logs through the connection needs. It starts disconnected;
// settings are read when used, so a test may change them after construction.
struct ConnectionRig {
    explicit ConnectionRig(const Edition& edition = Edition::v201())
        : writer(edition, clock, settings.Clear),
          connection(edition, settings, writer, {link, r, retry, send, clock, window}) {}

    Settings settings;
    FakeLink link;
    FakeTimer r;
    FakeTimer retry;
    FakeTimer send;
    FakeClock clock;
    FakeWindow window;
    LogWriter writer;
    Connection connection;
};

}  // namespace varno::test
