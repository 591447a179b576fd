#include "control/wire_text.h"

#include <array>
#include <cstdint>

#include "log/display_text.h"

namespace varno {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The value of each base64 character, or -1.
constexpr std::array<int, 256> Sextets() {
    std::array<int, 256> values{};
    values.fill(-1);
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
        values[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int>(i);
    }
    return values;
}
constexpr std::array<int, 256> kSextets = Sextets();

}  // namespace

std::string ToBase64(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
        }
        for (std::size_t k = 0; k < 4; ++k) {
            text += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return text;
}

std::optional<std::string> FromBase64(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        // Padding only at the end: "xx==" or "xxx=".
        const std::size_t pad = last ? (text[i + 3] == '=') + (text[i + 2] == '=' ? 1 : 0) : 0;
        if (pad == 1 && text[i + 2] == '=') {
            return std::nullopt;
        }
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const int value = k < 4 - pad ? kSextets[static_cast<unsigned char>(text[i + k])] : 0;
            if (value < 0) {
                return std::nullopt;
            }
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        for (std::size_t k = 0; k < 3 - pad; ++k) {
            bytes += static_cast<char>((group >> (16 - 8 * k)) & 0xFF);
        }
    }
    // The bits the padding leaves over are zero in the one way of writing these bytes.
    if (ToBase64(bytes) != text) {
        return std::nullopt;
    }
    return bytes;
}

void WriteBytes(json::Writer& out, std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        out.String(bytes.data(), static_cast<rapidjson::SizeType>(bytes.size()));
        return;
    }
    out.StartObject();
    out.Key(kBase64Key.data(), static_cast<rapidjson::SizeType>(kBase64Key.size()));
    const std::string text = ToBase64(bytes);
    out.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
    out.EndObject();
}

std::optional<std::string> ReadBytes(const json::Value& value) {
    if (value.IsString()) {
        return std::string(value.GetString(), value.GetStringLength());
    }
    if (!value.IsObject() || value.MemberCount() != 1) {
        return std::nullopt;
    }
    const auto member = value.FindMember(
        json::Value(kBase64Key.data(), static_cast<rapidjson::SizeType>(kBase64Key.size())));
    if (member == value.MemberEnd() || !member->value.IsString()) {
        return std::nullopt;
    }
    return FromBase64({member->value.GetString(), member->value.GetStringLength()});
}

}  // namespace varno
