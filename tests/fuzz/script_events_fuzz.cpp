// Feeds a random stream of channel events to the example scripts (examples/scripts/*.lua),
// copied into a folder of their own where their stores are written.
//
// Input: steps of one control byte and its operands. The low four bits pick the event; the
// rest picks among the names of a small cast (so scripts meet the same users again), and a
// text is a length byte and that many bytes of the input. The users present follow the
// joins and leaves; time moves on with the ticks, now and then by days. Some steps load the
// scripts again, afresh or not, or change what the ports answer. Each input starts with no
// store. The examples are made never to fail: a red line ends the run.
//
// The same events go to a second host whose scripts are hostile: they use the texts as
// patterns, say and ban with whatever bytes come, and run at the edge of their limits. They
// may turn themselves off (a load brings them back); they must not crash or hang the host.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>

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

// Scripts that try what a careless or hostile author would.
constexpr std::pair<const char*, const char*> kHostile[] = {
    {"patterns.lua",
     "function on_talk(name, text) pcall(string.find, text, text) pcall(string.match, name, text)\n"
     "  pcall(string.gsub, text, text, name) pcall(string.find, text, name, 1, true)\n"
     "  pcall(function() for _ in text:gmatch(text) do end end) end\n"
     "function on_emote(_, text) pcall(string.find, text:rep(300), text .. 'x') end\n"},
    {"actions.lua",
     "function on_talk(name, text) varno.say(text) varno.emote(name .. text)\n"
     "  varno.whisper(name, text) varno.ban(name, text) varno.kick(text, name)\n"
     "  varno.unban(text) print(name, text) varno.set(text, text) end\n"
     "function on_deed(action, name, done, text) varno.ban(name, text) end\n"},
    {"limits.lua",
     "function on_tick(now) local n = now % 1000003 for i = 1, n do end end\n"
     "function on_whisper(_, text) local t = {} for i = 1, #text do t[i] = text:rep(i * 999) end\n"
     "  pcall(table.concat, t, text) pcall(string.rep, text, #text * 99999) end\n"
     "function on_command(_, command) local t = {} for i = 1, #command * 300 do t[i] = command "
     "end\n"
     "  table.sort(t) table.insert(t, 1, command) table.remove(t, 1) end\n"},
};

// The example scripts (or the hostile ones), copied once into a folder of this process's own.
struct ScriptFolder {
    explicit ScriptFolder(bool hostile)
        : path(
              (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
              std::string(hostile ? "/varno_hostile_scripts_fuzz_" : "/varno_script_events_fuzz_") +
              std::to_string(::getpid())) {
        fs::create_directories(path);
        if (hostile) {
            for (const auto& [name, code] : kHostile) {
                std::ofstream(path / name) << code;
            }
            return;
        }
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

// The two hosts as one: each call goes to both.
class Both {
public:
    Both(varno::ScriptHost& a, varno::ScriptHost& b, std::string folderA, std::string folderB)
        : a_(a), b_(b), folderA_(std::move(folderA)), folderB_(std::move(folderB)) {}
    template <typename... Args>
    void Each(void (varno::ScriptHost::*event)(Args...), Args... args) {
        (a_.*event)(args...);
        (b_.*event)(args...);
    }
    void Channel(std::string_view n) { Each(&varno::ScriptHost::Channel, n); }
    void Join(std::string_view n, std::string_view f, std::string_view p) {
        Each(&varno::ScriptHost::Join, n, f, p);
    }
    void Leave(std::string_view n) { Each(&varno::ScriptHost::Leave, n); }
    void Flags(std::string_view n, std::string_view f) { Each(&varno::ScriptHost::Flags, n, f); }
    void Talk(std::string_view n, std::string_view t) { Each(&varno::ScriptHost::Talk, n, t); }
    void Emote(std::string_view n, std::string_view t) { Each(&varno::ScriptHost::Emote, n, t); }
    void Whisper(std::string_view n, std::string_view t) {
        Each(&varno::ScriptHost::Whisper, n, t);
    }
    void Tick() { Each(&varno::ScriptHost::Tick); }
    void Command(std::string_view n, std::string_view c, bool listed) {
        Each(&varno::ScriptHost::Command, n, c, listed);
    }
    void DeedEnded(std::string_view s, std::string_view a, std::string_view n, bool done,
                   std::string_view t) {
        a_.DeedEnded(s, a, n, done, t);
        b_.DeedEnded(s == "none" ? "actions" : s, a, n, done, t);
    }
    void Load(bool force) {
        a_.Load(folderA_, force);
        b_.Load(folderB_, force);
    }

private:
    varno::ScriptHost& a_;
    varno::ScriptHost& b_;
    std::string folderA_, folderB_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScriptFolder folder(false);
    static const ScriptFolder hostileFolder(true);
    folder.RemoveStores();
    hostileFolder.RemoveStores();
    varno::test::FakeScriptPorts ports;
    ports.trusted = {"bob"};
    ports.listed = {"eve"};
    varno::ScriptHost examples(ports.ports());
    examples.Load(folder.path.string(), false);
    varno::test::FakeScriptPorts hostilePorts;
    varno::ScriptHost hostile(hostilePorts.ports());
    hostile.Load(hostileFolder.path.string(), false);
    // Every event reaches both hosts, the examples' first.
    Both host(examples, hostile, folder.path.string(), hostileFolder.path.string());
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
                host.Load((control & 0x10) != 0);
                break;
            case 14:
                ports.sendAnswer = (control & 0x10) != 0;
                ports.refusal = (control & 0x20) ? "a trusted user" : "";
                break;
            default:
                ports.channel = std::string(in.Text());
                break;
        }
        hostilePorts.now = ports.now;
        hostilePorts.users = ports.users;
        if (!ports.errors.empty()) {
            __builtin_trap();
        }
    }
    return 0;
}
