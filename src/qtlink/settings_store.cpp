#include "qtlink/settings_store.h"

#include <QtCore/QFileInfo>
#include <QtCore/QSettings>

#include "qtlink/port_system.h"

namespace zorvane::link {

namespace {

QSettings store()
{
    return QSettings(QStringLiteral("ZORVANE"), QStringLiteral("ZORVANE"));
}

std::string text(const QSettings& settings, const char* key)
{
    return settings.value(QLatin1String(key)).toString().toStdString();
}

std::optional<std::string> saved(const QSettings& settings, const char* key)
{
    if (!settings.contains(QLatin1String(key)))
        return std::nullopt;
    return text(settings, key);
}

// A value that may hold commas, which the settings' format reads as a list.
std::string joined(const QSettings& settings, const char* key, const char* separator)
{
    return settings.value(QLatin1String(key)).toStringList().join(QLatin1String(separator)).toStdString();
}

std::string commDevice(const QSettings& settings, int commPort)
{
    const QString configured = settings.value(QStringLiteral("Ports/Comm%1").arg(commPort)).toString().trimmed();
    return configured.isEmpty() ? SystemDefaultDevice(commPort) : configured.toStdString();
}

} // namespace

prepare::Settings ReadSettings()
{
    const QSettings settings = store();
    prepare::Settings read;
    read.file = settings.fileName().toStdString();
    read.folder = QFileInfo(settings.fileName()).absolutePath().toStdString();
    read.requireSignature = settings.value(QStringLiteral("Files/RequireSignature")).toBool();
    read.allowUnsigned = settings.value(QStringLiteral("Files/AllowUnsigned")).toBool();
    read.expectFirmware = joined(settings, "Files/ExpectFirmware", " ");
    if (const QString systemKeyring = qEnvironmentVariable("ZORVANE_SYSTEM_KEYRING"); !systemKeyring.isEmpty())
        read.systemKeyring = systemKeyring.toStdString();
    read.workingFolder = text(settings, "Files/Folder");
    read.database = text(settings, "Records/Database");
    read.unitPattern = text(settings, "Bench/UnitPattern");
    read.operatorName = joined(settings, "Bench/Operator", ", ");
    read.commDevices = {commDevice(settings, 1), commDevice(settings, 2)};
    read.mainLeft = saved(settings, "Settings/MainLeft");
    read.mainTop = saved(settings, "Settings/MainTop");
    return read;
}

bool SaveWindowPosition(const std::string& left, const std::string& top)
{
    QSettings settings = store();
    settings.setValue(QStringLiteral("Settings/MainLeft"), QString::fromStdString(left));
    settings.setValue(QStringLiteral("Settings/MainTop"), QString::fromStdString(top));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace zorvane::link
