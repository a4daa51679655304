// Shared pieces of the desktop program's tests.
#include "ui_test_support.h"

#include <filesystem>

#include <QDir>
#include <QPixmap>
#include <QWidget>

#include "message_box.h"

namespace netrov::test {

std::map<std::string, TestFactory>& testRegistry()
{
    static std::map<std::string, TestFactory> registry;
    return registry;
}

std::string systemConfigDir() { return testRoot() + "/xdg-system"; }

const ui::LanguageFile& englishLanguage()
{
    static const ui::LanguageFile language = [] {
        ui::LanguageFile file;
        file.Load(NETROV_SOURCE_DIR "/data/lang/NetRovEnglish.ini");
        file.LoadStringTable(ui::stringTableEntries());
        file.LoadTipTable(ui::tipTableEntries());
        return file;
    }();
    return language;
}

QString saveScreenshot(QWidget* widget, const QString& name)
{
    const QString directory = QStringLiteral(NETROV_BINARY_DIR "/screenshots");
    QDir().mkpath(directory);
    const QString path = directory + '/' + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}

int32_t MemoryStore::readInt(const std::string& section, const std::string& key, int32_t fallback)
{
    const auto found = values.find(section + "/" + key);
    return found == values.end() ? fallback : std::stoi(found->second);
}

std::string MemoryStore::readString(const std::string& section, const std::string& key, const std::string& fallback)
{
    const auto found = values.find(section + "/" + key);
    return found == values.end() ? fallback : found->second;
}

void MemoryStore::writeInt(const std::string& section, const std::string& key, int32_t value)
{
    values[section + "/" + key] = std::to_string(value);
}

void MemoryStore::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    values[section + "/" + key] = value;
}

MessageRecorder::MessageRecorder()
{
    ui::setErrorMessageHandler([this](const QString& title, const QString& text) { messages.emplace_back(title, text); });
}

MessageRecorder::~MessageRecorder() { ui::setErrorMessageHandler({}); }

}  // namespace netrov::test
