// Who runs the program, and where that account keeps its data.
#pragma once

#include <filesystem>
#include <string>

namespace zorvane::os {

// The login name of the account the program runs under, from the system's
// account database; empty when it has none.
std::string AccountName();

// This machine's host name; empty when the system gives none.
std::string HostName();

// The name a record gives the operator: USER, LOGNAME or USERNAME as the
// session sets it, else the account's name (a service, a cron job).
std::string UserName();

// The account's data folder: XDG_DATA_HOME, else (on Windows) APPDATA, else
// ~/.local/share.
std::filesystem::path DataFolder();

} // namespace zorvane::os
