// The per-user settings (ZORVANE.conf) as a plain value: read once, as a
// program starts, by the one reader on the Qt side; everything else is given
// this value.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "trust/release.h"

namespace zorvane::prepare {

struct Settings {
    std::string file;                     // the store's path, for messages
    std::string folder;                   // the folder it lies in: trusted.gpg is looked for beside it
    bool requireSignature = false;        // [Files] RequireSignature: every run needs a signed SHA256SUMS
    bool allowUnsigned = false;           // [Files] AllowUnsigned: an installed keyring takes unsigned files too
    std::string expectFirmware;           // [Files] ExpectFirmware: the SHA-256 the order's firmware may have
    // The keyring of the machine's benches, looked for after the one beside
    // the settings (ZORVANE_SYSTEM_KEYRING names another, for a test's own).
    std::string systemKeyring = trust::kSystemKeyring;
    std::string workingFolder;            // [Files] Folder: where the window works when started elsewhere
    std::string database;                 // [Records] Database: where the flash records are sent; empty: nowhere
    std::string unitPattern;              // [Bench] UnitPattern: the regular expression a radio's label must match
    std::string operatorName;             // [Bench] Operator: who works the bench, for the records; empty: none
    // The devices behind Comm1 and Comm2: [Ports] Comm1 and Comm2, else the
    // system's (/dev/ttyS0 and /dev/ttyS1, or COM1 and COM2).
    std::array<std::string, 2> commDevices;
    // [Settings] MainLeft and MainTop: the window's last position in twips,
    // as saved; none when never saved.
    std::optional<std::string> mainLeft, mainTop;

    // The device a Comm entry (1 or 2) opens.
    const std::string& commDevice(int commPort) const { return commDevices[commPort == 2 ? 1 : 0]; }
};

} // namespace zorvane::prepare
