#include "script/script_store.h"

#include <charconv>
#include <optional>
#include <utility>

#include "connection/ini_file.h"
#include "moderation/text_file.h"

namespace varno {
namespace {

// Bytes that need no escape go over in runs: a store of a few hundred names is written
// whole at every save.
void AppendEscaped(std::string& out, std::string_view bytes) {
    std::size_t run = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char* escape = nullptr;
        switch (bytes[i]) {
            case '\\':
                escape = "\\\\";
                break;
            case '\t':
                escape = "\\t";
                break;
            case '\r':
                escape = "\\r";
                break;
            case '\n':
                escape = "\\n";
                break;
            default:
                continue;
        }
        out.append(bytes.substr(run, i - run)).append(escape);
        run = i + 1;
    }
    out.append(bytes.substr(run));
}

// The bytes an escaped field stands for; nothing when it holds a raw tab or CR, or a
// backslash that starts no escape.
std::optional<std::string> Unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\t' || c == '\r') {
            return std::nullopt;
        }
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (++i == field.size()) {
            return std::nullopt;
        }
        switch (field[i]) {
            case '\\':
                out.push_back('\\');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'n':
                out.push_back('\n');
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

template <typename Number>
std::optional<Number> ReadNumber(std::string_view text) {
    Number number{};
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, number);
    if (error != std::errc() || at != end) {
        return std::nullopt;
    }
    return number;
}

std::optional<ScriptStore::Value> ReadValue(std::string_view field) {
    if (field.empty()) {
        return std::nullopt;
    }
    const std::string_view text = field.substr(1);
    switch (field[0]) {
        case 's':
            if (auto bytes = Unescape(text)) {
                return ScriptStore::Value(std::move(*bytes));
            }
            return std::nullopt;
        case 'i':
            if (const auto number = ReadNumber<std::int64_t>(text)) {
                return ScriptStore::Value(*number);
            }
            return std::nullopt;
        case 'f':
            if (const auto number = ReadNumber<double>(text)) {
                return ScriptStore::Value(*number);
            }
            return std::nullopt;
        case 'b':
            if (text == "1" || text == "0") {
                return ScriptStore::Value(text == "1");
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

template <typename Number>
void AppendNumber(std::string& out, Number number) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, number);
    out.append(text, error == std::errc() ? end : text);
}

}  // namespace

ScriptStore::ScriptStore(std::string path) : path_(std::move(path)) {
    values_ = Parse(ReadTextFile(path_).bytes, bytes_);
}

std::size_t ScriptStore::Bytes(std::string_view key, const Value& value) {
    const auto* text = std::get_if<std::string>(&value);
    return key.size() + (text ? text->size() : kNumberBytes);
}

const ScriptStore::Value* ScriptStore::Get(std::string_view key) const {
    const auto it = values_.find(key);
    return it == values_.end() ? nullptr : &it->second;
}

bool ScriptStore::Set(std::string_view key, Value value) {
    const auto it = values_.find(key);
    const std::size_t old = it == values_.end() ? 0 : Bytes(key, it->second);
    const std::size_t counted = bytes_ - old + Bytes(key, value);
    if (counted > kMaxBytes) {
        return false;
    }
    bytes_ = counted;
    if (it == values_.end()) {
        values_.emplace(std::string(key), std::move(value));
    } else if (it->second != value) {
        it->second = std::move(value);
    } else {
        return true;
    }
    changed_ = true;
    return true;
}

void ScriptStore::Erase(std::string_view key) {
    const auto it = values_.find(key);
    if (it == values_.end()) {
        return;
    }
    bytes_ -= Bytes(key, it->second);
    values_.erase(it);
    changed_ = true;
}

bool ScriptStore::Save() {
    if (changed_ && ReplaceFile(path_, Format(values_))) {
        changed_ = false;
    }
    return !changed_;
}

ScriptStore::Values ScriptStore::Parse(std::string_view bytes, std::size_t& counted) {
    Values values;
    counted = 0;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);  // saved again by an editor with CR LF line ends
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            continue;
        }
        std::optional<std::string> key = Unescape(line.substr(0, tab));
        std::optional<Value> value = ReadValue(line.substr(tab + 1));
        if (!key || !value || key->empty() || key->size() > kMaxKeyBytes) {
            continue;
        }
        const auto it = values.find(*key);
        const std::size_t old = it == values.end() ? 0 : Bytes(*key, it->second);
        const std::size_t now = counted - old + Bytes(*key, *value);
        if (now > kMaxBytes) {
            continue;
        }
        counted = now;
        values.insert_or_assign(std::move(*key), std::move(*value));
    }
    return values;
}

std::string ScriptStore::Format(const Values& values) {
    std::string out;
    for (const auto& [key, value] : values) {
        AppendEscaped(out, key);
        out.push_back('\t');
        if (const auto* text = std::get_if<std::string>(&value)) {
            out.push_back('s');
            AppendEscaped(out, *text);
        } else if (const auto* integer = std::get_if<std::int64_t>(&value)) {
            out.push_back('i');
            AppendNumber(out, *integer);
        } else if (const auto* real = std::get_if<double>(&value)) {
            out.push_back('f');
            AppendNumber(out, *real);
        } else {
            out += std::get<bool>(value) ? "b1" : "b0";
        }
        out.push_back('\n');
    }
    return out;
}

}  // namespace varno
