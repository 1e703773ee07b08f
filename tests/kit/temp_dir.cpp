#include "kit/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace zorvane::testkit {

TempDir::TempDir() : previous_(std::filesystem::current_path())
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zorvane-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary directory");
    path_ = pattern;
    std::filesystem::current_path(path_);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, std::string_view content) const
{
    std::ofstream out(path_ / name, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

} // namespace zorvane::testkit

#include <unistd.h>

namespace zorvane::testkit {

namespace {
constexpr uid_t kNobody = 65534;
}

Unprivileged::Unprivileged()
{
    if (::geteuid() != 0) {
        active_ = true;
        return;
    }
    // The temporary directory is private to its owner; let the other user in.
    std::error_code ec;
    std::filesystem::permissions(std::filesystem::current_path(), std::filesystem::perms::all, ec);
    switched_ = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
    active_ = switched_;
}

Unprivileged::~Unprivileged()
{
    if (switched_) {
        if (::seteuid(0) != 0 || ::setegid(0) != 0)
            std::abort();
    }
}

} // namespace zorvane::testkit
