#include "trust/release.h"

#include <filesystem>

#include "files/text_files.h"
#include "trust/signature.h"

namespace zorvane::trust {

namespace {

constexpr const char* kSystemKeyring = "/etc/zorvane/trusted.gpg";
constexpr const char* kKeyringName = "trusted.gpg";

// SHA256SUMS.gpg, else SHA256SUMS.sig, beside the manifest.
std::string signatureBeside(const std::string& manifest)
{
    for (const char* suffix : {".gpg", ".sig"})
        if (files::NameTaken(manifest + suffix))
            return manifest + suffix;
    return {};
}

struct Keyring {
    std::string file;      // the keyring to use
    std::string problem;   // or why there is none
};

Keyring keyringFor(const ReleaseOptions& options)
{
    if (!options.keyringFile.empty()) {
        if (!files::FileExists(options.keyringFile))
            return {{}, "the keyring " + options.keyringFile + " does not exist"};
        return {options.keyringFile, {}};
    }
    const std::string personal = (std::filesystem::path(options.settingsFolder) / kKeyringName).string();
    for (const std::string& candidate : {personal, std::string(kSystemKeyring)})
        if (files::FileExists(candidate))
            return {candidate, {}};
    return {{}, "no keyring of trusted release keys (--keyring, " + personal + " or " + kSystemKeyring + ")"};
}

} // namespace

std::variant<Release, std::string> LoadRelease(const ReleaseOptions& options)
{
    Release release;
    std::string manifestFile = options.manifestFile;
    if (manifestFile.empty() && files::NameTaken(files::InFolder(options.workingFolder, files::kManifestName)))
        manifestFile = files::kManifestName;
    if (manifestFile.empty()) {
        if (options.requireSignature)
            return std::string("no ") + files::kManifestName + " in the working folder, and a signed one is required";
        return release;
    }
    if (!files::NameTaken(files::InFolder(options.workingFolder, manifestFile)))
        return "the manifest " + manifestFile + " does not exist";

    std::variant<files::Manifest, std::string> read = files::ReadManifest(manifestFile, options.workingFolder);
    if (const std::string* refused = std::get_if<std::string>(&read))
        return *refused;
    auto manifest = std::make_shared<const files::Manifest>(std::get<files::Manifest>(std::move(read)));

    release.signatureFile = signatureBeside(files::InFolder(options.workingFolder, manifestFile));
    if (release.signatureFile.empty()) {
        if (options.requireSignature)
            return manifestFile + " is not signed (no " + manifestFile + ".gpg or " + manifestFile +
                   ".sig), and a signature is required";
        release.manifest = std::move(manifest);
        return release;
    }
    const Keyring keyring = keyringFor(options);
    if (keyring.file.empty())
        return release.signatureFile + ": " + keyring.problem;
    auto verdict = VerifyDetachedSignature(release.signatureFile, manifest->bytes, keyring.file, options.stop);
    if (const std::string* refused = std::get_if<std::string>(&verdict))
        return release.signatureFile + ": " + *refused;
    release.signedBy = std::get<GoodSignature>(verdict).fingerprint;
    release.signerId = std::get<GoodSignature>(verdict).userId;
    release.manifest = std::move(manifest);
    return release;
}

} // namespace zorvane::trust
