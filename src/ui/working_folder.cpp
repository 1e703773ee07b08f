#include "ui/working_folder.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

#include "files/platform_config.h"

namespace zorvane::ui {

namespace {

const char* const kDefaultFolderName = "Zorvane";

bool holdsAConfiguration(const QDir& folder)
{
    for (const files::Platform& platform : files::kPlatforms)
        if (QFileInfo(folder.filePath(QString::fromLatin1(platform.configFile.data(),
                                                          qsizetype(platform.configFile.size()))))
                .isFile())
            return true;
    return false;
}

} // namespace

std::optional<QString> ChooseWorkingFolder(const QString& configured)
{
    if (holdsAConfiguration(QDir::current()))
        return std::nullopt;
    if (!configured.isEmpty())
        return QDir(configured).absolutePath();
    const QDir fallback(QDir::home().filePath(QLatin1String(kDefaultFolderName)));
    if (fallback.exists())
        return fallback.absolutePath();
    return std::nullopt;
}

} // namespace zorvane::ui
