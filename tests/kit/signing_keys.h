// Throwaway OpenPGP release keys for tests: made with gpg in a GnuPG home
// of their own (ed25519, no passphrase, seconds to make), whose agent is
// ended when the object goes.
#pragma once

#include <filesystem>
#include <string>

namespace zorvane::testkit {

class SigningKeys {
public:
    explicit SigningKeys(const std::filesystem::path& folder);
    ~SigningKeys();
    SigningKeys(const SigningKeys&) = delete;
    SigningKeys& operator=(const SigningKeys&) = delete;

    // Makes a signing key and returns its fingerprint. An expired key was
    // made and valid for a day in 2020.
    std::string make(const std::string& name, bool expired = false);
    // Writes the public key as gpg --export does (binary, or armored).
    void exportKey(const std::string& fingerprint, const std::filesystem::path& file, bool armored = false);
    // A detached signature over file; an expired key signs in its own day.
    void sign(const std::string& fingerprint, const std::filesystem::path& file, const std::filesystem::path& signature,
              bool expired = false);
    // A detached signature over file made as if the clock said epochSeconds.
    void signAt(const std::string& fingerprint, const std::filesystem::path& file,
                const std::filesystem::path& signature, long long epochSeconds);

private:
    // Runs gpg in this home; returns its standard output.
    std::string gpg(const std::string& arguments);

    std::filesystem::path home_;
};

// SHA256SUMS lines for the files, as sha256sum writes them.
std::string Sha256SumsFor(const std::filesystem::path& folder, std::initializer_list<std::string> files);

} // namespace zorvane::testkit
