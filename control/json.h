#pragma once

// The JSON library of the control protocol, with std::string support, and the one writer
// every line is written with.
#ifndef RAPIDJSON_HAS_STDSTRING
#define RAPIDJSON_HAS_STDSTRING 1
#endif
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstring>

namespace varno::json {

using Value = rapidjson::Value;
using Document = rapidjson::Document;
using Buffer = rapidjson::StringBuffer;

// The library's writer, with strings and keys that hold nothing to escape (no '"', '\\' or
// control byte), as nearly all do, copied whole rather than a byte at a time: every line the
// bot logs is written twice. The text written is the library's, byte for byte.
class Writer : public rapidjson::Writer<Buffer> {
public:
    using rapidjson::Writer<Buffer>::Writer;
    using rapidjson::Writer<Buffer>::Key;
    using rapidjson::Writer<Buffer>::String;

    bool String(const char* text, rapidjson::SizeType length, bool copy = false) {
        if (!Plain(text, length)) {
            return rapidjson::Writer<Buffer>::String(text, length, copy);
        }
        Prefix(rapidjson::kStringType);
        return EndValue(Quoted(text, length));
    }
    bool Key(const char* text, rapidjson::SizeType length, bool copy = false) {
        return String(text, length, copy);
    }

private:
    static bool Plain(const char* text, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c < 0x20 || c == '"' || c == '\\') {
                return false;
            }
        }
        return true;
    }
    bool Quoted(const char* text, std::size_t length) {
        char* to = os_->Push(length + 2);
        to[0] = '"';
        if (length > 0) {
            std::memcpy(to + 1, text, length);
        }
        to[length + 1] = '"';
        return true;
    }
};

}  // namespace varno::json
