#include "kit/temp_dir.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace zorvane::testkit {

namespace {
constexpr int kNameTries = 100;
}

TempDir::TempDir() : previous_(std::filesystem::current_path())
{
    // A name nobody holds yet: create_directory says whether it made it.
    std::random_device seed;
    std::mt19937_64 names(seed());
    for (int i = 0; i < kNameTries && path_.empty(); ++i) {
        std::filesystem::path candidate =
            std::filesystem::temp_directory_path() / ("zorvane-test-" + std::to_string(names()));
        if (std::filesystem::create_directory(candidate))
            path_ = std::move(candidate);
    }
    if (path_.empty())
        throw std::runtime_error("cannot make a temporary directory");
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

#ifdef _WIN32

namespace zorvane::testkit {

// Windows has no user to switch to, and no file mode that refuses reading.
Unprivileged::Unprivileged() = default;
Unprivileged::~Unprivileged() = default;

} // namespace zorvane::testkit

#else

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

#endif
