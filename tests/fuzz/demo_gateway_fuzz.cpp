// Feeds arbitrary client bytes to the demo gateway's model, over several connections.
//
// Input: steps of one control byte and then, for a read, a length byte and that many bytes.
// The control byte's low two bits pick one of four connections; the rest picks what happens:
// a read, the connection opening or closing, or time passing with a tick. Nothing is sent to
// a connection the gateway closed or that is not open, and before a login no single write
// is longer than the banner and an echoed 64-byte name.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

#include "demo/gateway_model.h"
#include "tests/demo/unit/demo_fakes.h"

namespace {

using varno::demo::GatewayModel;
using varno::demo::SessionId;

// The banner with a long peer address, or a name line echoed with the password prompt.
constexpr std::size_t kLongestPreLoginWrite = 200;

// Checks each write as it is made.
class CheckedSessions : public varno::demo::test::FakeSessions {
public:
    void send(SessionId id, std::string_view bytes) override {
        if (!open.contains(id) || closed.contains(id)) {
            __builtin_trap();
        }
        if (bytes.find("2010 NAME ") != std::string_view::npos) {
            loggedIn.insert(id);
        }
        if (!loggedIn.contains(id) && bytes.size() > kLongestPreLoginWrite) {
            __builtin_trap();
        }
    }
    std::set<SessionId> open;
    std::set<SessionId> loggedIn;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckedSessions port;
    varno::demo::test::FakeClock clock;
    GatewayModel model(port, clock);
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t control = data[i++];
        const SessionId id = 1 + (control & 3);
        switch ((control >> 2) % 4) {
            case 0:
            case 1: {
                const std::size_t length = i < size ? data[i++] : 0;
                const std::size_t take = length < size - i ? length : size - i;
                if (port.open.contains(id) && !port.closed.contains(id)) {
                    model.receive(id,
                                  std::string_view(reinterpret_cast<const char*>(data + i), take));
                }
                i += take;
                break;
            }
            case 2:
                if (!port.open.contains(id)) {
                    port.open.insert(id);
                    model.open(id, "127.0.0.1");
                }
                break;
            case 3:
                if (port.open.contains(id) && (control & 0x10) && !port.closed.contains(id)) {
                    port.closed.insert(id);
                    model.closed(id);
                } else {
                    clock.ms += 1000 * (control >> 5);
                    model.tick();
                }
                break;
        }
    }
    return 0;
}
