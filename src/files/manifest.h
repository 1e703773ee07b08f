// A release manifest: the SHA256SUMS file a maker publishes beside released
// firmware, in the form sha256sum writes and sha256sum -c checks. A run in
// the presence of one programs only files it lists with the SHA-256 of the
// bytes the run read.
#pragma once

#include <optional>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace zorvane::files {

inline constexpr const char* kManifestName = "SHA256SUMS";

struct ManifestEntry {
    std::string sha256;   // 64 lower-case hex digits
    std::string name;     // as written, "./" prefixes removed
    long line = 0;
};

// Why a manifest does not vouch for a file.
struct ManifestProblem {
    const char* reason;   // "unlisted" or "changed"
    std::string text;     // "pellamar.s19: not listed in SHA256SUMS"
};

struct Manifest {
    std::string fileName;
    std::string sha256;   // of the manifest's own bytes
    std::string bytes;    // as read, for the signature check
    std::string folder;   // the absolute folder it lies in: a full path there names the same file as its name
    std::vector<ManifestEntry> entries;

    // What is wrong with a file the run read, or nothing when the manifest
    // lists it with that SHA-256: "pellamar.s19: not listed in SHA256SUMS".
    std::optional<ManifestProblem> problemWith(const std::string& fileName, const std::string& sha256) const;
    // The entry for a file, when the manifest lists it.
    const ManifestEntry* find(const std::string& fileName) const;
};

// Parses a manifest: "HASH  NAME" (text) or "HASH *NAME" (binary) lines,
// "#" comment lines and blank lines; a name escaped as sha256sum escapes it
// (a leading backslash, then \\ and \n). Any other line refuses the file,
// with its line number.
std::variant<Manifest, std::string> ParseManifest(std::string fileName, std::string bytes);

// Reads and parses a manifest file; what is wrong, when it cannot be used.
std::variant<Manifest, std::string> ReadManifest(const std::string& fileName, const std::filesystem::path& folder = {});

} // namespace zorvane::files
