// QSettings-backed stores: per-user settings and the installation's system-wide values.
#include "settings_store.h"

#include <QSettings>

namespace netrov::ui {

namespace {

QString qtText(const std::string& text) { return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())); }

QString keyPath(const std::string& section, const std::string& key) { return qtText(section) + '/' + qtText(key); }

}  // namespace

UserSettingsStore::UserSettingsStore(const std::string& company)
    : settings_(std::make_unique<QSettings>(qtText(company), QStringLiteral("NetRover")))
{
}

UserSettingsStore::~UserSettingsStore() = default;

int32_t UserSettingsStore::readInt(const std::string& section, const std::string& key, int32_t fallback)
{
    const QVariant value = settings_->value(keyPath(section, key));
    if (!value.isValid()) return fallback;
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : fallback;
}

std::string UserSettingsStore::readString(const std::string& section, const std::string& key,
                                          const std::string& fallback)
{
    const QVariant value = settings_->value(keyPath(section, key));
    if (!value.isValid()) return fallback;
    return value.toString().toLocal8Bit().toStdString();
}

void UserSettingsStore::writeInt(const std::string& section, const std::string& key, int32_t value)
{
    settings_->setValue(keyPath(section, key), value);
}

void UserSettingsStore::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    settings_->setValue(keyPath(section, key), qtText(value));
}

void UserSettingsStore::sync() { settings_->sync(); }

std::string registeredExportDirectory()
{
    QSettings system(QSettings::SystemScope, QStringLiteral("Korrin"), QStringLiteral("Veltrano-Tarn"));
    const QString directory = system.value(QStringLiteral("Network MFPList/IniFilePath")).toString();
    // The registry value holds at most 512 bytes, terminator included.
    return directory.toLocal8Bit().left(511).toStdString();
}

}  // namespace netrov::ui
