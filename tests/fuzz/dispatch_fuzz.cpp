// Feeds arbitrary bytes, cut into arbitrary reads, through the dispatcher of both editions.
//
// Input: byte 0 holds the number of cut lengths (low four bits) and whether each read holds
// its bytes 24 times over (bit 4, to grow lines past the framer's bound); then come the cut
// lengths, one byte each (0: the rest of the input); the rest is the byte stream.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/edition.h"
#include "connection/dispatcher.h"

namespace {

// Reads every byte of every argument, so that a view into freed memory is caught.
class TouchingSink : public varno::EventSink {
public:
    void OnUserInChannel(std::string_view n, std::string_view f, std::string_view p) override {
        touch(n, f, p);
    }
    void OnUserJoin(std::string_view n, std::string_view f, std::string_view p) override {
        touch(n, f, p);
    }
    void OnUserLeave(std::string_view n, std::string_view f) override { touch(n, f); }
    void OnWhisperReceived(std::string_view n, std::string_view f, std::string_view t) override {
        touch(n, f, t);
    }
    void OnUserTalk(std::string_view n, std::string_view f, std::string_view t) override {
        touch(n, f, t);
    }
    void OnChannelJoined(std::string_view c) override { touch(c); }
    void OnUserFlags(std::string_view n, std::string_view f) override { touch(n, f); }
    void OnWhisperSent(std::string_view n, std::string_view f, std::string_view t) override {
        touch(n, f, t);
    }
    void OnChannelFull(std::string_view t) override { touch(t); }
    void OnChannelNotFound(std::string_view t) override { touch(t); }
    void OnChannelRestricted(std::string_view t) override { touch(t); }
    void OnInfo(std::string_view t) override { touch(t); }
    void OnServerError(std::string_view t) override { touch(t); }
    void OnUserEmote(std::string_view n, std::string_view f, std::string_view t) override {
        touch(n, f, t);
    }
    void OnUniqueName(std::string_view n) override { touch(n); }
    void OnPlainText(std::string_view line) override { touch(line); }

    std::size_t sum = 0;

private:
    template <typename... Texts>
    void touch(Texts... texts) {
        for (const std::string_view text : {texts...}) {
            sum += text.size();
            for (const char c : text) {
                sum += static_cast<unsigned char>(c);
            }
        }
    }
};

volatile std::size_t observed;  // keeps the sink's reads from being optimised away

void FeedInReads(varno::Dispatcher& dispatcher, std::string_view stream,
                 const std::vector<std::size_t>& cuts, std::size_t repeats) {
    std::size_t next = 0;
    while (!stream.empty()) {
        const std::size_t cut = cuts.empty() ? 0 : cuts[next++ % cuts.size()];
        const std::size_t length = cut == 0 || cut > stream.size() ? stream.size() : cut;
        // Each read in a buffer of its own size, freed after the read.
        std::vector<char> read;
        read.reserve(length * repeats);
        for (std::size_t i = 0; i < repeats; ++i) {
            read.insert(read.end(), stream.begin(), stream.begin() + length);
        }
        dispatcher.ParseData(std::string_view(read.data(), read.size()));
        stream.remove_prefix(length);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t cutCount = data[0] & 0x0F;
    const std::size_t repeats = (data[0] & 0x10) != 0 ? 24 : 1;
    if (size < 1 + cutCount) {
        return 0;
    }
    const std::vector<std::size_t> cuts(data + 1, data + 1 + cutCount);
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1 + cutCount,
                                  size - 1 - cutCount);

    TouchingSink sink;
    for (const varno::Edition* edition : {&varno::Edition::v201(), &varno::Edition::v200()}) {
        varno::Dispatcher dispatcher(*edition, sink);
        FeedInReads(dispatcher, stream, cuts, repeats);
        dispatcher.reset();
        FeedInReads(dispatcher, stream, cuts, repeats);
    }
    observed = sink.sum;
    return 0;
}
