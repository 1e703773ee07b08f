// A fresh directory that is the current directory for the test's lifetime:
// every file the tool reads is a bare name looked up there.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zorvane::testkit {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes a file byte for byte (no line-ending translation).
    void write(const std::string& name, std::string_view content) const;

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

} // namespace zorvane::testkit

namespace zorvane::testkit {

// For the life of this object the process acts as an unprivileged user, so
// that permission checks apply even when the tests run as root. Only for
// single-threaded tests.
class Unprivileged {
public:
    Unprivileged();
    ~Unprivileged();
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;
    bool active() const { return active_; }
#ifdef _WIN32
    static constexpr bool kPossible = false;
#else
    static constexpr bool kPossible = true;
#endif

private:
    bool active_ = false;
    bool switched_ = false;
};

} // namespace zorvane::testkit
