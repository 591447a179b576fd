#include <fstream>
#include <random>
#include <sstream>

#include "support/fakes.h"

namespace varno::test {

TempFolder::TempFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("varno-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary) << bytes;
    return file(name);
}

std::string TempFolder::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace varno::test
