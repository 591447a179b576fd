#include "connection/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "base/text_case.h"

namespace varno {
namespace {

// A section header "[name]": the name, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    if (t.empty() || t.front() != '[') {
        return std::nullopt;
    }
    const auto close = t.find(']');
    return TrimBlanks(t.substr(1, close == std::string_view::npos ? t.size() - 1 : close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

// A "key=value" line; comments (";") and lines without "=" are not key lines.
std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') {
        return std::nullopt;
    }
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{TrimBlanks(line.substr(0, eq)), line.substr(eq + 1)};
}

void DropCr(std::string& line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
}

std::string_view WithoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// The lines of a file as they stand, each without its LF but with any CR before it, so that
// a rewrite gives every line back byte for byte. Lines added get the file's own line end.
struct IniLines {
    std::vector<std::string> lines;
    bool crLf = true;
};

bool LoadLines(const std::string& path, IniLines& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && (line.empty() || line.back() != '\r') && !in.eof()) {
            out.crLf = false;
        }
        first = false;
        out.lines.push_back(std::move(line));
    }
    return !in.bad();
}

// The file a write replaces: path itself or, when path is a symbolic link, the file its
// chain of links ends at, so that the links survive. Nothing for a chain that loops or
// can't be read.
std::optional<std::string> WriteTarget(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0) {
            return errno == ENOENT ? std::optional<std::string>(target.string()) : std::nullopt;
        }
        if (!S_ISLNK(st.st_mode)) {
            return target.string();
        }
        std::error_code error;
        const fs::path next = fs::read_symlink(target, error);
        if (error) {
            return std::nullopt;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return std::nullopt;
}

// Creates the temporary file for a write: never through a name planted there (O_EXCL and
// O_NOFOLLOW refuse any file or link in the way), and a leftover of an earlier write that
// was cut short is removed first, once.
int CreateTemp(const std::string& temp) {
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(temp.c_str(), flags, S_IRUSR | S_IWUSR);
    if (fd < 0 && errno == EEXIST && ::unlink(temp.c_str()) == 0) {
        fd = ::open(temp.c_str(), flags, S_IRUSR | S_IWUSR);
    }
    return fd;
}

}  // namespace

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReplaceFile(const std::string& path, const std::string& bytes) {
    const std::optional<std::string> target = WriteTarget(path);
    if (!target) {
        return false;
    }
    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat st {};
    if (::lstat(target->c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return false;
        }
        mode = st.st_mode & 07777;
    }
    const std::string temp = *target + ".tmp" + std::to_string(::getpid());
    const int fd = CreateTemp(temp);
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), target->c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

namespace {

// Sets key=value in section of the lines read from a file, adding the section or the key
// as needed; every other line stays byte for byte.
void SetValue(IniLines& ini, std::string_view section, std::string_view key,
              std::string_view value) {
    std::string clean;
    for (const char c : value) {
        if (c != '\r' && c != '\n') {
            clean.push_back(c);
        }
    }

    const std::string cr = ini.crLf ? "\r" : "";
    std::optional<std::size_t> sectionAt;
    std::size_t insertAt = ini.lines.size();
    bool replaced = false;
    for (std::size_t i = 0; i < ini.lines.size() && !replaced; ++i) {
        const std::string_view line = WithoutCr(ini.lines[i]);
        if (const auto name = SectionName(line)) {
            if (sectionAt) {
                break;  // the end of the section
            }
            if (EqualsIgnoreCase(*name, section)) {
                sectionAt = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (!sectionAt) {
            continue;
        }
        if (!TrimBlanks(line).empty()) {
            insertAt = i + 1;
        }
        const auto kv = ParseKeyLine(line);
        if (kv && EqualsIgnoreCase(kv->key, key)) {
            const bool endsInCr = line.size() < ini.lines[i].size();
            ini.lines[i] = std::string(kv->key) + "=" + clean + (endsInCr ? "\r" : "");
            replaced = true;
        }
    }
    if (!replaced) {
        std::string line = std::string(key) + "=" + clean + cr;
        if (!sectionAt) {
            ini.lines.push_back("[" + std::string(section) + "]" + cr);
            insertAt = ini.lines.size();
        }
        ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                         std::move(line));
    }
}

}  // namespace

std::string ReadIniValue(std::string_view section, std::string_view key, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        DropCr(line);
        if (const auto name = SectionName(line)) {
            inSection = EqualsIgnoreCase(*name, section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        const auto kv = ParseKeyLine(line);
        if (!kv || !EqualsIgnoreCase(kv->key, key)) {
            continue;
        }
        // Blanks around a value are the file's layout, not the value ("Delay = 500").
        const std::string_view value = TrimBlanks(kv->value);
        if (!value.empty() && value.front() == '\x01') {
            return {};
        }
        return std::string(value.substr(0, kIniValueMax));
    }
    return {};
}

bool WriteIniValues(std::string_view section, const std::vector<IniEntry>& entries,
                    const std::string& path) {
    IniLines ini;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !LoadLines(path, ini)) {
        return false;  // an existing file that can't be read is left alone
    }
    for (const IniEntry& e : entries) {
        SetValue(ini, section, e.key, e.value);
    }

    std::string bytes;
    for (const std::string& line : ini.lines) {
        bytes += line;
        bytes += '\n';
    }
    return ReplaceFile(path, bytes);
}

bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::string& path) {
    return WriteIniValues(section, {{key, value}}, path);
}

}  // namespace varno
