#include "trust/signature.h"

#include <gpgme.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>

#include "files/text_files.h"
#include "os/run_program.h"

namespace zorvane::trust {

namespace {

namespace fs = std::filesystem;

// A GnuPG home that lives as long as the check: made private, and its agent
// (should gpg have started one) ended before the folder goes.
class ThrowawayHome {
public:
    ThrowawayHome()
    {
        std::random_device random;
        std::error_code ec;
        for (int attempt = 0; attempt < 8 && path_.empty(); ++attempt) {
            const fs::path candidate = fs::temp_directory_path() / ("zorvane-gnupg-" + std::to_string(random()));
            if (fs::create_directory(candidate, ec)) {
                fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
                path_ = candidate;
            }
        }
    }
    ~ThrowawayHome()
    {
        if (path_.empty())
            return;
        // What is left of gpg's agent and its sockets goes with the home;
        // neither matters to the verdict, so their statuses are not kept.
        os::RunQuietly("gpgconf", {"--homedir", path_.string(), "--kill", "all"});
        os::RunQuietly("gpgconf", {"--homedir", path_.string(), "--remove-socketdir"});
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ThrowawayHome(const ThrowawayHome&) = delete;
    ThrowawayHome& operator=(const ThrowawayHome&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

struct ContextDeleter {
    void operator()(gpgme_ctx_t ctx) const { gpgme_release(ctx); }
};
struct DataDeleter {
    void operator()(gpgme_data_t data) const { gpgme_data_release(data); }
};
struct KeyDeleter {
    void operator()(gpgme_key_t key) const { gpgme_key_unref(key); }
};
using Context = std::unique_ptr<gpgme_context, ContextDeleter>;
using Data = std::unique_ptr<gpgme_data, DataDeleter>;
using Key = std::unique_ptr<_gpgme_key, KeyDeleter>;

std::string errorText(gpgme_error_t error)
{
    return gpgme_strerror(error);
}

std::optional<Data> dataFrom(const std::string& bytes)
{
    gpgme_data_t data = nullptr;
    // Copied: the buffer need not outlive the call.
    if (gpgme_data_new_from_mem(&data, bytes.data(), bytes.size(), 1) != 0)
        return std::nullopt;
    return Data(data);
}

// A day as YYYY-MM-DD, in UTC.
std::string dateText(long seconds)
{
    const std::chrono::year_month_day day{
        std::chrono::floor<std::chrono::days>(std::chrono::sys_seconds(std::chrono::seconds(seconds)))};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return text;
}

// GnuPG names the signer of a bad signature by its key id alone: the
// keyring's (sub)key with that id gives the whole fingerprint.
std::string fullFingerprint(gpgme_ctx_t ctx, const std::string& id)
{
    gpgme_key_t found = nullptr;
    if (id.empty() || gpgme_get_key(ctx, id.c_str(), &found, 0) != 0 || found == nullptr)
        return id;
    const Key key(found);
    for (gpgme_subkey_t sub = key->subkeys; sub != nullptr; sub = sub->next)
        if (sub->fpr != nullptr && std::string(sub->fpr).ends_with(id))
            return sub->fpr;
    return id;
}

// A signature dated further ahead than this is not believed: clocks drift,
// but a release is not signed in the future.
constexpr long kClockSlack = 5 * 60;

// The keyring's (sub)key with that fingerprint, and whether it counted when
// it signed (at signedAt) and counts now.
std::optional<std::string> keyProblem(gpgme_ctx_t ctx, const std::string& fingerprint, long signedAt,
                                      std::string& userId)
{
    gpgme_key_t found = nullptr;
    if (gpgme_get_key(ctx, fingerprint.c_str(), &found, 0) != 0 || found == nullptr)
        return "signed by key " + fingerprint + ", which is not in the keyring of trusted release keys";
    const Key key(found);
    if (key->uids != nullptr && key->uids->uid != nullptr)
        userId = key->uids->uid;
    if (key->revoked)
        return "signed by key " + fingerprint + ", which is revoked";
    for (gpgme_subkey_t sub = key->subkeys; sub != nullptr; sub = sub->next) {
        if (sub->fpr == nullptr || fingerprint != sub->fpr)
            continue;
        if (sub->revoked)
            return "signed by key " + fingerprint + ", which is revoked";
        if (sub->expired || (sub->expires > 0 && sub->expires <= std::time(nullptr)))
            return "signed by key " + fingerprint + ", which expired on " + dateText(sub->expires);
        if (signedAt < sub->timestamp)
            return "signed by key " + fingerprint + " on " + dateText(signedAt) + ", before the key was made (" +
                   dateText(sub->timestamp) + ")";
    }
    if (key->expired)
        return "signed by key " + fingerprint + ", whose primary key has expired";
    return std::nullopt;
}

} // namespace

namespace {

// Why this one signature does not count, or none.
std::optional<std::string> signatureProblem(gpgme_ctx_t ctx, gpgme_signature_t s, const std::string& fingerprint,
                                            std::string& userId)
{
    if (gpg_err_code(s->status) == GPG_ERR_NO_PUBKEY || (s->summary & GPGME_SIGSUM_KEY_MISSING))
        return "signed by key " + fingerprint + ", which is not in the keyring of trusted release keys";
    if (gpg_err_code(s->status) == GPG_ERR_BAD_SIGNATURE || (s->summary & GPGME_SIGSUM_RED))
        return "bad signature by key " + fingerprint + ": SHA256SUMS is not what was signed";
    if (static_cast<long>(s->timestamp) > std::time(nullptr) + kClockSlack)
        return "signature by key " + fingerprint + " dated " + dateText(static_cast<long>(s->timestamp)) +
               ", after this machine's clock";
    // GnuPG calls a signature by an expired key good; the keyring's
    // trust ends when the key expires.
    if (std::optional<std::string> problem = keyProblem(ctx, fingerprint, static_cast<long>(s->timestamp), userId))
        return problem;
    if (gpg_err_code(s->status) != GPG_ERR_NO_ERROR)
        return "signature by key " + fingerprint + " not good: " + errorText(s->status);
    return std::nullopt;
}

// The first signer when every signature counts, or why one does not: a
// forged or foreign signature beside a good one refuses the file.
std::variant<GoodSignature, std::string> everySignatureGood(gpgme_ctx_t ctx, gpgme_signature_t signatures)
{
    std::optional<GoodSignature> first;
    for (gpgme_signature_t s = signatures; s != nullptr; s = s->next) {
        const std::string fingerprint = fullFingerprint(ctx, s->fpr != nullptr ? s->fpr : "");
        std::string userId;
        if (std::optional<std::string> problem = signatureProblem(ctx, s, fingerprint, userId))
            return *problem;
        if (!first)
            first = GoodSignature{fingerprint, userId};
    }
    return *first;
}

// Imports the keyring into the context; why not, if it cannot.
std::optional<std::string> importKeyring(gpgme_ctx_t ctx, const std::string& keyring, const std::string& keyringFile)
{
    std::optional<Data> keys = dataFrom(keyring);
    if (!keys)
        return "out of memory";
    if (const gpgme_error_t error = gpgme_op_import(ctx, keys->get()))
        return "the keyring " + keyringFile + " cannot be read: " + errorText(error);
    const gpgme_import_result_t imported = gpgme_op_import_result(ctx);
    if (imported == nullptr || imported->considered == 0)
        return "the keyring " + keyringFile + " holds no OpenPGP keys";
    return std::nullopt;
}

} // namespace

std::variant<GoodSignature, std::string> VerifyDetachedSignature(const std::string& signatureFile,
                                                                 const std::string& signedBytes,
                                                                 const std::string& keyringFile,
                                                                 const std::stop_token& stop)
{
    gpgme_check_version(nullptr);
    std::string keyring;
    std::string signature;
    try {
        keyring = files::ReadFileBytes(keyringFile);
        signature = files::ReadFileBytes(signatureFile);
    } catch (const files::TextFileError& e) {
        return std::string(e.what());
    }

    const ThrowawayHome home;
    if (home.path().empty())
        return std::string("cannot make a private GnuPG folder in ") + fs::temp_directory_path().string();
    gpgme_ctx_t raw = nullptr;
    if (const gpgme_error_t error = gpgme_new(&raw))
        return "GnuPG cannot start: " + errorText(error);
    const Context ctx(raw);
    const std::stop_callback cancel(stop, [context = raw] { gpgme_cancel_async(context); });
    if (const gpgme_error_t error =
            gpgme_ctx_set_engine_info(ctx.get(), GPGME_PROTOCOL_OpenPGP, nullptr, home.path().c_str()))
        return "GnuPG cannot start: " + errorText(error);
    if (std::optional<std::string> refused = importKeyring(ctx.get(), keyring, keyringFile))
        return *refused;

    std::optional<Data> sig = dataFrom(signature);
    std::optional<Data> text = dataFrom(signedBytes);
    if (!sig || !text)
        return std::string("out of memory");
    const gpgme_error_t verified = stop.stop_requested() ? gpgme_error(GPG_ERR_CANCELED)
                                                         : gpgme_op_verify(ctx.get(), sig->get(), text->get(), nullptr);
    if (stop.stop_requested() || gpg_err_code(verified) == GPG_ERR_CANCELED)
        return std::string("the check was stopped");
    if (const gpgme_error_t error = verified)
        return signatureFile + " is not an OpenPGP signature: " + errorText(error);
    const gpgme_verify_result_t result = gpgme_op_verify_result(ctx.get());
    if (result == nullptr || result->signatures == nullptr)
        return signatureFile + " holds no signature";
    return everySignatureGood(ctx.get(), result->signatures);
}

} // namespace zorvane::trust
