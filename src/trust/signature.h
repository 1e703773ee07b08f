// A detached OpenPGP signature over a release manifest, checked against a
// keyring of trusted release keys and nothing else: the keys are imported
// into a GnuPG home of its own, so the user's own keys play no part.
#pragma once

#include <stop_token>
#include <string>
#include <variant>

namespace zorvane::trust {

struct GoodSignature {
    std::string fingerprint;   // of the (sub)key that made it
    std::string userId;        // the key's first user id
};

// Verifies signatureFile over signedBytes with the keys in keyringFile (as
// gpg --export writes them, binary or armored). The file counts when every
// signature in it is good, made by a key or subkey of the keyring that was
// valid when it signed and is neither expired nor revoked now, and dated no
// more than 5 minutes after this machine's clock. Returns the signer, or why the signature does not count.
// A stop request cancels GnuPG's work; its agent and folder still go.
std::variant<GoodSignature, std::string> VerifyDetachedSignature(const std::string& signatureFile,
                                                                 const std::string& signedBytes,
                                                                 const std::string& keyringFile,
                                                                 const std::stop_token& stop = {});

} // namespace zorvane::trust
