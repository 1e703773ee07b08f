// The folder the window works in. Every file it reads (the platforms'
// configuration files, the images they name, the help text) is a bare name
// looked up in the working folder; started from a desktop menu, that is the
// home folder, so the window looks further.
#pragma once

#include <QtCore/QString>

#include <optional>

namespace zorvane::ui {

// Without a FOLDER on the command line: none when the current folder holds
// any platform's configuration file; else configured, the folder in the
// settings ([Files] Folder); else ~/Zorvane when it exists.
std::optional<QString> ChooseWorkingFolder(const QString& configured);

} // namespace zorvane::ui
