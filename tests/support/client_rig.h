#pragma once

#include <map>
#include <memory>
#include <string>

#include "base/edition.h"
#include "client/client.h"
#include "support/fakes.h"

namespace varno::test {

// A client over fake ports on a folder of its own with the files given (name to bytes),
// started as the window programs start it.
struct ClientRig {
    using Files = std::map<std::string, std::string>;

    explicit ClientRig(const Files& files, const Edition& edition = Edition::v201()) {
        for (const auto& [name, bytes] : files) {
            folder.write(name, bytes);
        }
        client = std::make_unique<Client>(edition, folder.path().string(),
                                          Client::Ports{link, r, retry, send, clock, window});
        client->Form_Load();
    }

    TempFolder folder;
    FakeLink link;
    FakeTimer r, retry, send;
    FakeClock clock;
    FakeWindow window;
    std::unique_ptr<Client> client;
};

}  // namespace varno::test
