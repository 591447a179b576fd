// Feeds a random stream of channel events to the example scripts (examples/scripts/*.lua),
// copied into a folder of their own where their stores are written.
//
// Input: steps of one control byte and its operands. The low four bits pick the event; the
// rest picks among the names of a small cast (so scripts meet the same users again), and a
// text is a length byte and that many bytes of the input. The users present follow the
// joins and leaves; time moves on with the ticks, now and then by days. Some steps load the
// scripts again, afresh or not, or change what the ports answer. Each input starts with no
// store. The examples are made never to fail: a red line ends the run.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "script/script_host.h"
#include "tests/support/fake_script_ports.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCast[] = {"bob",     "Ann", "ANN", "eve",       "VarnoBot",
                                      "[clan]x", "",    "a b", "\xc3\xa4li"};
constexpr std::string_view kFlags[] = {"0000", "0010", "0002", "0020", ""};
constexpr std::string_view kProducts[] = {"CHAT", "SEXP", "STAR", "W2BN", ""};
constexpr std::string_view kScripts[] = {"greet", "lockdown", "productban", "seen", "none"};
constexpr std::string_view kActions[] = {"ban", "kick", "unban"};

// The example scripts, copied once into a folder of this process's own.
struct ScriptFolder {
    ScriptFolder()
        : path((::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
               std::string("/varno_script_events_fuzz_") + std::to_string(::getpid())) {
        fs::create_directories(path);
        for (const fs::directory_entry& entry : fs::directory_iterator(VARNO_EXAMPLE_SCRIPTS)) {
            if (entry.path().extension() == ".lua") {
                fs::copy_file(entry.path(), path / entry.path().filename(),
                              fs::copy_options::overwrite_existing);
            }
        }
    }
    ~ScriptFolder() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    void RemoveStores() const {
        for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
            if (entry.path().extension() == ".store") {
                fs::remove(entry.path());
            }
        }
    }
    const fs::path path;
};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool more() const { return at_ < size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    template <std::size_t N>
    std::string_view Pick(const std::string_view (&from)[N]) {
        return from[Byte() % N];
    }
    std::string_view Text() {
        const std::size_t length = std::min<std::size_t>(Byte(), size_ - at_);
        const std::string_view text(reinterpret_cast<const char*>(data_ + at_), length);
        at_ += length;
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void Join(varno::test::FakeScriptPorts& ports, std::string_view name, std::string_view flags,
          std::string_view product) {
    std::erase_if(ports.users, [&](const varno::ScriptUser& u) { return u.name == name; });
    ports.users.push_back({std::string(name), std::string(flags), std::string(product)});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScriptFolder folder;
    folder.RemoveStores();
    varno::test::FakeScriptPorts ports;
    ports.trusted = {"bob"};
    ports.listed = {"eve"};
    varno::ScriptHost host(ports.ports());
    host.Load(folder.path.string(), false);
    Input in(data, size);
    while (in.more()) {
        const std::uint8_t control = in.Byte();
        switch (control & 15) {
            case 0:
                host.Channel(in.Text());
                break;
            case 1: {
                const std::string_view name = in.Pick(kCast);
                const std::string_view flags = in.Pick(kFlags);
                const std::string_view product = in.Pick(kProducts);
                Join(ports, name, flags, product);
                host.Join(name, flags, product);
                break;
            }
            case 2: {
                const std::string_view name = in.Pick(kCast);
                std::erase_if(ports.users,
                              [&](const varno::ScriptUser& u) { return u.name == name; });
                host.Leave(name);
                break;
            }
            case 3: {
                const std::string_view name = in.Pick(kCast);
                host.Flags(name, in.Pick(kFlags));
                break;
            }
            case 4:
            case 5: {
                const std::string_view name = in.Pick(kCast);
                host.Talk(name, in.Text());
                break;
            }
            case 6: {
                const std::string_view name = in.Pick(kCast);
                host.Emote(name, in.Text());
                break;
            }
            case 7: {
                const std::string_view name = in.Pick(kCast);
                host.Whisper(name, in.Text());
                break;
            }
            case 8:
            case 9:
                ports.now += (control & 0x80) ? 86400 * (control >> 4 & 7) : 1;
                host.Tick();
                break;
            case 10:
            case 11: {
                const std::string_view name = in.Pick(kCast);
                host.Command(name, in.Text(), (control & 0x10) != 0);
                break;
            }
            case 12: {
                const std::string_view script = in.Pick(kScripts);
                const std::string_view action = in.Pick(kActions);
                const std::string_view name = in.Pick(kCast);
                host.DeedEnded(script, action, name, (control & 0x10) != 0, in.Text());
                break;
            }
            case 13:
                host.Load(folder.path.string(), (control & 0x10) != 0);
                break;
            case 14:
                ports.sendAnswer = (control & 0x10) != 0;
                ports.refusal = (control & 0x20) ? "a trusted user" : "";
                break;
            default:
                ports.channel = std::string(in.Text());
                break;
        }
        if (!ports.errors.empty()) {
            __builtin_trap();
        }
    }
    return 0;
}
