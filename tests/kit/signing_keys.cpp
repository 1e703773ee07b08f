#include "kit/signing_keys.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "files/sha256.h"
#include "files/text_files.h"

namespace zorvane::testkit {

namespace {
constexpr const char* kExpiredDay = "20200101T000000";
constexpr const char* kWithinExpiredDay = "20200101T060000";
}

SigningKeys::SigningKeys(const std::filesystem::path& folder) : home_(folder / "gnupg")
{
    std::filesystem::create_directories(home_);
    std::filesystem::permissions(home_, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
}

SigningKeys::~SigningKeys()
{
    const std::string kill = "gpgconf --homedir '" + home_.string() + "' --kill all >/dev/null 2>&1";
    [[maybe_unused]] const int ended = std::system(kill.c_str());
}

std::string SigningKeys::gpg(const std::string& arguments)
{
    const std::string command = "gpg --homedir '" + home_.string() +
                                "' --batch --yes --quiet --pinentry-mode loopback --passphrase '' " + arguments +
                                " 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr) << command;
    if (pipe == nullptr)
        return {};
    std::string out;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        out.append(chunk, got);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return out;
}

std::string SigningKeys::make(const std::string& name, bool expired)
{
    const std::string uid = name + " <" + name + "@example.invalid>";
    gpg(std::string(expired ? "--faked-system-time " + std::string(kExpiredDay) + " " : "") + "--quick-gen-key '" +
        uid + "' ed25519 sign " + (expired ? "1d" : "1y"));
    std::istringstream listing(gpg("--with-colons --list-keys '" + uid + "'"));
    for (std::string line; std::getline(listing, line);)
        if (line.rfind("fpr:", 0) == 0)
            return line.substr(12, line.find(':', 12) - 12);
    ADD_FAILURE() << "no key made for " << uid;
    return {};
}

void SigningKeys::exportKey(const std::string& fingerprint, const std::filesystem::path& file, bool armored)
{
    gpg(std::string(armored ? "--armor " : "") + "--output '" + file.string() + "' --export " + fingerprint);
}

void SigningKeys::sign(const std::string& fingerprint, const std::filesystem::path& file,
                       const std::filesystem::path& signature, bool expired)
{
    gpg(std::string(expired ? "--faked-system-time " + std::string(kWithinExpiredDay) + " " : "") + "--local-user " +
        fingerprint + " --output '" + signature.string() + "' --detach-sign '" + file.string() + "'");
}

void SigningKeys::signAt(const std::string& fingerprint, const std::filesystem::path& file,
                         const std::filesystem::path& signature, long long epochSeconds)
{
    gpg("--faked-system-time " + std::to_string(epochSeconds) + " --local-user " + fingerprint + " --output '" +
        signature.string() + "' --detach-sign '" + file.string() + "'");
}

std::string Sha256SumsFor(const std::filesystem::path& folder, std::initializer_list<std::string> files)
{
    std::string sums;
    for (const std::string& name : files) {
        sums += files::Sha256Hex(files::ReadFileBytes((folder / name).string())) + "  " + name + "\n";
    }
    return sums;
}

} // namespace zorvane::testkit
