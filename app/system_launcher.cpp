// Reading the registered device programs from the system store and starting them.
#include "system_launcher.h"

#include <QProcess>
#include <QSettings>
#include <QString>
#include <QStringList>

namespace netrov::ui {

namespace {

// The registration's texts were fixed fields of 256 bytes: a longer value
// does not fit and counts as missing, rather than a cut-off path or name.
constexpr size_t kFieldSize = 256;

void readText(const QSettings& settings, const char* name, std::string& field)
{
    if (!settings.contains(QLatin1String(name))) return;
    const QByteArray bytes = settings.value(QLatin1String(name)).toString().toUtf8();
    if (static_cast<size_t>(bytes.size()) >= kFieldSize) return;
    field.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void readNumber(const QSettings& settings, const char* name, int32_t& field)
{
    if (!settings.contains(QLatin1String(name))) return;
    bool ok = false;
    const qlonglong value = settings.value(QLatin1String(name)).toLongLong(&ok);
    // A DWORD: the low 32 bits, as the slot's signed field holds them.
    if (ok) field = static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace

SystemLauncher::SystemLauncher(std::string manufacturer, core::FrontLibrary& library, core::Launcher::Starter starter)
    : manufacturer_(std::move(manufacturer)), launcher_(library, std::move(starter))
{
}

void SystemLauncher::LoadLaunchers()
{
    if (manufacturer_.empty()) return;
    QSettings settings(QSettings::SystemScope, QString::fromStdString(manufacturer_), QStringLiteral("Net Rover"));
    settings.beginGroup(QStringLiteral("Configuration"));
    const QStringList registered = settings.childGroups();
    for (int32_t slot = 0; slot < core::kLauncherSlotCount; ++slot) {
        const QString group = QStringLiteral("APP%1").arg(slot, 2, 10, QLatin1Char('0'));
        if (!registered.contains(group)) continue;
        core::LauncherEntry& entry = launcher_.entries()[static_cast<size_t>(slot)];
        settings.beginGroup(group);
        readText(settings, "DISPLAY", entry.displayName);
        readText(settings, "PATH", entry.programPath);
        readNumber(settings, "TRAP", entry.trapSwitch);
        readNumber(settings, "DEFAULTAPP", entry.defaultFlag);
        readText(settings, "PARAM", entry.parameterTemplate);
        settings.endGroup();
    }
}

std::string SystemLauncher::displayName(int32_t slot) const
{
    if (slot < 0 || slot >= core::kLauncherSlotCount) return {};
    return launcher_.entries()[static_cast<size_t>(slot)].displayName;
}

void SystemLauncher::Launch(const core::DeviceListEntry& device, int32_t slot)
{
    launcher_.Launch(device, slot);
}

void SystemLauncher::LaunchDefault(const core::DeviceListEntry& device)
{
    launcher_.LaunchDefault(device);
}

void SystemLauncher::startDetached(const std::string& program, const std::string& parameters)
{
    QProcess::startDetached(QString::fromStdString(program), QProcess::splitCommand(QString::fromStdString(parameters)));
}

}  // namespace netrov::ui
