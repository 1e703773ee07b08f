// SHA-256 of a byte stream, for naming exactly which image a radio got.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zorvane::files {

class Sha256 {
public:
    Sha256();
    void update(std::span<const std::uint8_t> bytes);
    // The digest as 64 lower-case hex digits; the object is spent afterwards.
    std::string hexDigest();

private:
    void block(const std::uint8_t* chunk);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingBytes_ = 0;
    std::uint64_t totalBytes_ = 0;
};

struct FileDigest {
    std::uint64_t size = 0;
    std::string sha256;
};

// Size and SHA-256 of a file; nullopt when it cannot be read.
std::optional<FileDigest> DigestFile(const std::string& fileName);

} // namespace zorvane::files
