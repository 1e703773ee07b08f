#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <variant>

#include "files/manifest.h"
#include "files/text_files.h"
#include "kit/signing_keys.h"
#include "kit/temp_dir.h"
#include "trust/release.h"

namespace zorvane {
namespace {

const std::string kHash = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";   // of "test"

TEST(Manifest, LinesAsSha256sumWritesThem)
{
    const std::string upper = "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08";
    const auto read = files::ParseManifest("SHA256SUMS", "# released 2026-12-01\n\n" + kHash + "  pellamar.s19\n" +
                                                             upper + " *./boot.s19\n" + "\\" + kHash +
                                                             "  odd\\\\name\n" + kHash + "  sub//./ee.s19\n");
    ASSERT_TRUE(std::holds_alternative<files::Manifest>(read)) << std::get<std::string>(read);
    const files::Manifest& manifest = std::get<files::Manifest>(read);
    for (const char* listed : {"pellamar.s19", "./pellamar.s19", "boot.s19", "odd\\name", "sub/ee.s19"})
        EXPECT_EQ(manifest.problemWith(listed, kHash), std::nullopt) << listed;
    EXPECT_EQ(manifest.problemWith("main.s19", kHash)->text, "main.s19: not listed in SHA256SUMS");
    EXPECT_STREQ(manifest.problemWith("main.s19", kHash)->reason, "unlisted");
    EXPECT_STREQ(manifest.problemWith("boot.s19", std::string(64, '0'))->reason, "changed");
    EXPECT_EQ(manifest.problemWith("boot.s19", std::string(64, '0'))->text,
              "boot.s19: SHA-256 " + std::string(64, '0') + " read, SHA256SUMS line 4 lists " + kHash);
    const auto twice = files::ParseManifest("SHA256SUMS", kHash + "  a.s19\n" + std::string(64, '1') + "  ./a.s19\n");
    EXPECT_EQ(std::get<files::Manifest>(twice).problemWith("a.s19", kHash)->text,
              "a.s19: SHA-256 " + kHash + " read, SHA256SUMS line 2 lists " + std::string(64, '1'))
        << "a name listed twice must match both lines";

    for (const auto& [text, fault] : std::vector<std::pair<std::string, std::string>>{
             {kHash + "  a\n" + kHash + " a\n", "SHA256SUMS line 2: not a line of a SHA-256 hash"},
             {kHash.substr(1) + "  a\n", "SHA256SUMS line 1: not a line of a SHA-256 hash"},
             {"SHA256 (a) = " + kHash + "\n", "SHA256SUMS line 1: not a line of a SHA-256 hash"},
             {"\n" + kHash.substr(0, 63) + "g  a\n", "SHA256SUMS line 2: the SHA-256 holds a character"},
         }) {
        const auto refused = files::ParseManifest("SHA256SUMS", text);
        ASSERT_TRUE(std::holds_alternative<std::string>(refused)) << text;
        EXPECT_EQ(std::get<std::string>(refused).rfind(fault, 0), 0u) << std::get<std::string>(refused);
    }
}

// Trust is the keyring: a good signature by one of its keys that is neither
// expired nor revoked, and nothing else.
TEST(Release, ASignatureCountsOnlyByALiveKeyOfTheKeyring)
{
    testkit::TempDir dir;
    testkit::SigningKeys keys(dir.path());
    const std::string release = keys.make("release");
    const std::string stranger = keys.make("stranger");
    const std::string old = keys.make("old", true);
    keys.exportKey(release, dir.path() / "trusted.gpg");
    keys.exportKey(release, dir.path() / "trusted.asc", true);
    keys.exportKey(old, dir.path() / "old.gpg");

    const auto load = [&](const std::string& keyring, bool require = false) {
        trust::ReleaseOptions options{"", keyring, (dir.path() / "settings").string(), require};
        options.systemKeyring = (dir.path() / "no-system.gpg").string();   // whatever the machine has
        return trust::LoadRelease(options);
    };
    const auto refusal = [](const std::variant<trust::Release, std::string>& loaded) {
        return std::holds_alternative<std::string>(loaded) ? std::get<std::string>(loaded) : "(accepted)";
    };

    EXPECT_EQ(load("").index(), 0u) << "no manifest: nothing in play";
    EXPECT_EQ(refusal(load("", true)), "no SHA256SUMS in the working folder, and a signed one is required");

    dir.write("SHA256SUMS", kHash + "  pellamar.s19\n");
    ASSERT_EQ(load("").index(), 0u) << refusal(load(""));
    EXPECT_TRUE(std::get<trust::Release>(load("")).manifest) << "an unsigned manifest is in play";
    EXPECT_EQ(refusal(load("", true)).rfind("SHA256SUMS is not signed", 0), 0u) << refusal(load("", true));

    keys.sign(release, dir.path() / "SHA256SUMS", dir.path() / "SHA256SUMS.gpg");
    for (const char* keyring : {"trusted.gpg", "trusted.asc"}) {
        const auto good = load(keyring, true);
        ASSERT_EQ(good.index(), 0u) << keyring << ": " << refusal(good);
        EXPECT_EQ(std::get<trust::Release>(good).signedBy, release);
        EXPECT_EQ(std::get<trust::Release>(good).signerId, "release <release@example.invalid>");
    }
    EXPECT_EQ(refusal(load("")).rfind("SHA256SUMS.gpg: no keyring of trusted release keys", 0), 0u)
        << "no keyring where one is looked for";

    dir.write("SHA256SUMS", kHash + "  pellamar.s19\n" + kHash + "  main.s19\n");
    EXPECT_EQ(refusal(load("trusted.gpg")), "SHA256SUMS.gpg: bad signature by key " + release +
                                                ": SHA256SUMS is not what was signed");

    keys.sign(stranger, dir.path() / "SHA256SUMS", dir.path() / "SHA256SUMS.gpg");
    EXPECT_EQ(refusal(load("trusted.gpg")).rfind("SHA256SUMS.gpg: signed by key ", 0), 0u);
    EXPECT_NE(refusal(load("trusted.gpg")).find("which is not in the keyring of trusted release keys"),
              std::string::npos);

    keys.sign(old, dir.path() / "SHA256SUMS", dir.path() / "SHA256SUMS.gpg", true);
    EXPECT_EQ(refusal(load("old.gpg")), "SHA256SUMS.gpg: signed by key " + old + ", which expired on 2020-01-02");

    dir.write("SHA256SUMS", "not a manifest\n");
    EXPECT_EQ(refusal(load("trusted.gpg")).rfind("SHA256SUMS line 1: not a line of a SHA-256 hash", 0), 0u);
}

// A bench that trusts release keys programs only signed releases: a keyring
// beside the settings, the machine's, or one given, demands a signature of
// a missing or unsigned manifest unless unsigned files are allowed; the
// start line says what the run is held to.
TEST(Release, AnInstalledKeyringDemandsASignedManifest)
{
    testkit::TempDir dir;
    testkit::SigningKeys keys(dir.path());
    const std::string release = keys.make("release");
    keys.exportKey(release, dir.path() / "keys.gpg");
    enum class Keyring { None, Personal, System, Given, GivenMissing };
    enum class Files { Missing, Unsigned, Signed };
    const std::string notSigned = "SHA256SUMS is not signed (no SHA256SUMS.gpg or SHA256SUMS.sig), and a "
                                  "signature is required";
    const std::string noManifest = "no SHA256SUMS in the working folder, and a signed one is required";
    const std::string signedLine =
        "Released files: SHA256SUMS, signed by " + release + " (release <release@example.invalid>)";
    const struct Row {
        Keyring keyring;
        Files files;
        bool allowUnsigned, requireSignature;
        std::string said;   // the refusal, or the start line
    } rows[] = {
        {Keyring::None, Files::Missing, false, false, "Released files: not checked"},
        {Keyring::None, Files::Unsigned, false, false, "Released files: SHA256SUMS, not signed"},
        {Keyring::None, Files::Missing, false, true, noManifest},
        {Keyring::None, Files::Unsigned, false, true, notSigned},
        {Keyring::Personal, Files::Missing, false, false, noManifest},
        {Keyring::Personal, Files::Unsigned, false, false, notSigned},
        {Keyring::Personal, Files::Signed, false, false, signedLine},
        {Keyring::System, Files::Unsigned, false, false, notSigned},
        {Keyring::System, Files::Signed, false, false, signedLine},
        {Keyring::Given, Files::Missing, false, false, noManifest},
        {Keyring::GivenMissing, Files::Unsigned, false, false, notSigned},
        {Keyring::Given, Files::Unsigned, true, false, "Released files: SHA256SUMS, not signed"},
        {Keyring::System, Files::Missing, true, false, "Released files: not checked"},
        {Keyring::Personal, Files::Signed, true, false, signedLine},
        {Keyring::Personal, Files::Unsigned, true, true, notSigned},
    };
    for (const Row& row : rows) {
        const std::string what = "keyring " + std::to_string(int(row.keyring)) + ", files " +
                                 std::to_string(int(row.files)) + (row.allowUnsigned ? ", allowed" : "") +
                                 (row.requireSignature ? ", required" : "");
        for (const char* name : {"settings/trusted.gpg", "system.gpg", "SHA256SUMS", "SHA256SUMS.gpg"})
            std::filesystem::remove(dir.path() / name);
        std::filesystem::create_directories(dir.path() / "settings");
        if (row.keyring == Keyring::Personal)
            std::filesystem::copy_file(dir.path() / "keys.gpg", dir.path() / "settings/trusted.gpg");
        if (row.keyring == Keyring::System)
            std::filesystem::copy_file(dir.path() / "keys.gpg", dir.path() / "system.gpg");
        if (row.files != Files::Missing)
            dir.write("SHA256SUMS", kHash + "  pellamar.s19\n");
        if (row.files == Files::Signed)
            keys.sign(release, dir.path() / "SHA256SUMS", dir.path() / "SHA256SUMS.gpg");

        trust::ReleaseOptions options;
        options.keyringFile = row.keyring == Keyring::Given          ? "keys.gpg"
                              : row.keyring == Keyring::GivenMissing ? "absent.gpg"
                                                                     : "";
        options.settingsFolder = (dir.path() / "settings").string();
        options.systemKeyring = (dir.path() / "system.gpg").string();
        options.allowUnsigned = row.allowUnsigned;
        options.requireSignature = row.requireSignature;
        EXPECT_EQ(trust::KeyringInstalled(options), row.keyring != Keyring::None) << what;
        const auto loaded = trust::LoadRelease(options);
        const std::string said = std::holds_alternative<std::string>(loaded)
                                     ? std::get<std::string>(loaded)
                                     : trust::ReleasedFilesLine(std::get<trust::Release>(loaded));
        EXPECT_EQ(said, row.said) << what;
    }
}

// A file of several signatures counts only when each of them would count
// alone: a forged, foreign or future one beside a good one refuses it,
// whichever comes first.
TEST(Release, EverySignatureInTheFileMustCount)
{
    testkit::TempDir dir;
    testkit::SigningKeys keys(dir.path());
    const std::string release = keys.make("release");
    const std::string second = keys.make("second");
    const std::string stranger = keys.make("stranger");
    keys.exportKey(release + " " + second, dir.path() / "trusted.gpg");
    const std::string manifest = kHash + "  pellamar.s19\n";
    dir.write("SHA256SUMS", manifest);
    dir.write("other", manifest + kHash + "  main.s19\n");
    const long long now = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::system_clock::now().time_since_epoch()).count();

    const std::map<std::string, std::function<void(const std::filesystem::path&)>> signatures{
        {"good", [&](const auto& to) { keys.sign(release, dir.path() / "SHA256SUMS", to); }},
        {"second", [&](const auto& to) { keys.sign(second, dir.path() / "SHA256SUMS", to); }},
        {"bad", [&](const auto& to) { keys.sign(release, dir.path() / "other", to); }},
        {"foreign", [&](const auto& to) { keys.sign(stranger, dir.path() / "SHA256SUMS", to); }},
        {"tomorrow", [&](const auto& to) { keys.signAt(release, dir.path() / "SHA256SUMS", to, now + 86400); }},
        {"in a minute", [&](const auto& to) { keys.signAt(release, dir.path() / "SHA256SUMS", to, now + 60); }},
    };
    struct Row {
        std::vector<std::string> signed_;
        std::string refusal;   // how it begins; empty: accepted, signed by the first
    };
    for (const Row& row : std::vector<Row>{
             {{"good", "second"}, ""},
             {{"good", "in a minute"}, ""},
             {{"good", "bad"}, "SHA256SUMS.sig: bad signature by key " + release},
             {{"bad", "good"}, "SHA256SUMS.sig: bad signature by key " + release},
             {{"good", "foreign"}, "SHA256SUMS.sig: signed by key "},
             {{"foreign", "good"}, "SHA256SUMS.sig: signed by key "},
             {{"tomorrow"}, "SHA256SUMS.sig: signature by key " + release + " dated "},
             {{"good", "tomorrow"}, "SHA256SUMS.sig: signature by key " + release + " dated "},
         }) {
        std::string joined;
        for (const std::string& name : row.signed_) {
            signatures.at(name)(dir.path() / "one.sig");
            joined += files::ReadFileBytes((dir.path() / "one.sig").string());
        }
        std::ofstream(dir.path() / "SHA256SUMS.sig", std::ios::binary | std::ios::trunc) << joined;
        const auto loaded = trust::LoadRelease({"", "trusted.gpg", (dir.path() / "settings").string(), true});
        const std::string what = row.signed_.front() + (row.signed_.size() > 1 ? " + " + row.signed_.back() : "");
        if (row.refusal.empty()) {
            ASSERT_EQ(loaded.index(), 0u) << what << ": " << std::get<std::string>(loaded);
            EXPECT_EQ(std::get<trust::Release>(loaded).signedBy, release) << what;
        } else {
            ASSERT_EQ(loaded.index(), 1u) << what;
            EXPECT_EQ(std::get<std::string>(loaded).rfind(row.refusal, 0), 0u) << what << ": " << std::get<std::string>(loaded);
        }
    }
}

} // namespace
} // namespace zorvane

namespace zorvane {
namespace {

// A manifest or signature name taken by something that is not a file is
// refused, never taken as no manifest or no signature.
TEST(Release, ANameThatIsNoFileIsRefusedNotIgnored)
{
    testkit::TempDir dir;
    const trust::ReleaseOptions options{"", "", (dir.path() / "settings").string(), false};
    std::filesystem::create_directory("SHA256SUMS");
    const auto folder = trust::LoadRelease(options);
    ASSERT_TRUE(std::holds_alternative<std::string>(folder));
    EXPECT_EQ(std::get<std::string>(folder), "SHA256SUMS is a folder, not a file");

    std::filesystem::remove("SHA256SUMS");
    dir.write("SHA256SUMS", kHash + "  pellamar.s19\n");
    std::filesystem::create_directory("SHA256SUMS.sig");
    EXPECT_TRUE(std::holds_alternative<std::string>(trust::LoadRelease(options))) << "a signature that is no file";
}

} // namespace
} // namespace zorvane
