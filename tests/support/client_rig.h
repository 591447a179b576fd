#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/edition.h"
#include "client/client.h"
#include "support/fakes.h"

namespace varno::test {

// A client over fake ports on a folder of its own, started as the window programs start it:
// files (by name, "scripts/x.lua" included) are written first, then Form_Load runs.
struct ClientRig {
    using Files = std::map<std::string, std::string>;

    explicit ClientRig(const Files& files, const Edition& edition = Edition::v201()) {
        for (const auto& [name, bytes] : files) {
            std::filesystem::create_directories(
                std::filesystem::path(folder.file(name)).parent_path());
            folder.write(name, bytes);
        }
        client = std::make_unique<Client>(edition, folder.path().string(),
                                          Client::Ports{link, r, retry, send, clock, window});
        client->Form_Load();
        client->ReloadFiles({"database.txt"});
    }

    // Connects, and the server lets the client in as own, in channel: the name and channel
    // lines, then the users (whole "1001 USER ..." lines). What is sent from then on (the
    // login block aside) is left for sent().
    void enter(const std::string& own = "alice", const std::string& users = "") {
        link.connectNow();
        client->sck_connect();
        link.written.clear();
        client->sck_dataarrival("2010 NAME " + own + "\r\n1007 CHANNEL \"Lobby\"\r\n" + users);
    }

    // The lines written since the last look, each without its CR LF (a write may hold
    // several).
    std::vector<std::string> sent() {
        std::vector<std::string> lines;
        std::string all = link.allWritten();
        link.written.clear();
        for (std::size_t end = all.find("\r\n"); end != std::string::npos; end = all.find("\r\n")) {
            lines.push_back(all.substr(0, end));
            all.erase(0, end + 2);
        }
        return lines;
    }

    // The texts of the main log's lines in colour since the last look at that colour.
    std::vector<std::string> logged(Colour colour) {
        std::vector<std::string> texts;
        const auto& runs = client->logs().main().runs();
        for (std::size_t& i = seen[colour]; i < runs.size(); ++i) {
            if (runs[i].colour == colour) {
                const std::string& text = runs[i].text;
                texts.push_back(text.ends_with("\r\n") ? text.substr(0, text.size() - 2) : text);
            }
        }
        return texts;
    }

    TempFolder folder;
    FakeLink link;
    FakeTimer r, retry, send;
    FakeClock clock;
    FakeWindow window;
    std::unique_ptr<Client> client;
    std::map<Colour, std::size_t> seen;  // runs of each colour looked at
};

}  // namespace varno::test
