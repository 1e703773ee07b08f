#include "trust/release.h"

#include <filesystem>

#include "files/shown_text.h"
#include "files/text_files.h"
#include "trust/signature.h"

namespace zorvane::trust {

namespace {

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
    for (const std::string& candidate : {personal, options.systemKeyring})
        if (files::FileExists(candidate))
            return {candidate, {}};
    return {{}, "no keyring of trusted release keys (--keyring, " + personal + " or " + options.systemKeyring + ")"};
}

// A bench that trusts release keys programs only what they signed, unless
// it is told to take unsigned files as well.
bool signatureDemanded(const ReleaseOptions& options)
{
    return options.requireSignature || (!options.allowUnsigned && KeyringInstalled(options));
}

} // namespace

bool KeyringInstalled(const ReleaseOptions& options)
{
    return !options.keyringFile.empty() || !keyringFor(options).file.empty();
}

std::variant<Release, std::string> LoadRelease(const ReleaseOptions& options)
{
    Release release;
    std::string manifestFile = options.manifestFile;
    if (manifestFile.empty() && files::NameTaken(files::InFolder(options.workingFolder, files::kManifestName)))
        manifestFile = files::kManifestName;
    const bool demanded = signatureDemanded(options);
    if (manifestFile.empty()) {
        if (demanded)
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
        if (demanded)
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

std::string ReleasedFilesLine(const Release& release)
{
    if (!release.manifest)
        return "Released files: not checked";
    const std::string line = "Released files: " + files::ShownText(release.manifest->fileName);
    if (release.signatureFile.empty())
        return line + ", not signed";
    return line + ", signed by " + release.signedBy + " (" + files::ShownText(release.signerId) + ")";
}

} // namespace zorvane::trust
