// Which release manifest a run is held to, and whether its signature counts.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <variant>

#include "files/manifest.h"

namespace zorvane::trust {

// Where a machine's benches keep their trusted release keys.
inline constexpr const char* kSystemKeyring = "/etc/zorvane/trusted.gpg";

struct ReleaseOptions {
    std::string manifestFile;     // --manifest; empty: SHA256SUMS in the working folder, if there is one
    std::string keyringFile;      // --keyring; empty: the settings folder's trusted.gpg, else /etc/zorvane's
    std::string settingsFolder;   // where the per-user settings live (~/.config/ZORVANE)
    bool requireSignature = false;
    std::filesystem::path workingFolder{};   // where SHA256SUMS is looked for; empty: the current folder
    std::stop_token stop{};                  // cancels the signature's check
    // An installed keyring demands a signed manifest unless this allows an unsigned one.
    bool allowUnsigned = false;
    std::string systemKeyring = kSystemKeyring;   // looked for after the settings folder's
};

struct Release {
    std::shared_ptr<const files::Manifest> manifest;   // none: no manifest in play
    std::string signatureFile;                         // empty: the manifest is not signed
    std::string signedBy;                              // the signing key's fingerprint
    std::string signerId;                              // its user id
};

// A keyring of trusted release keys is installed: one is given, or one lies
// where one is looked for. Nothing is verified.
bool KeyringInstalled(const ReleaseOptions& options);

// The manifest in play and its signature, or why the run is refused.
std::variant<Release, std::string> LoadRelease(const ReleaseOptions& options);

// What a run is held to, as its start says: "Released files: SHA256SUMS,
// signed by FPR (uid)", "Released files: SHA256SUMS, not signed", or
// "Released files: not checked"; control characters written out.
std::string ReleasedFilesLine(const Release& release);

} // namespace zorvane::trust
