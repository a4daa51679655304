// Shared pieces of the desktop program's tests: test registry, stores, languages, screenshots, messages.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QObject>
#include <QString>

#include "language_file.h"
#include "search_settings.h"

class QWidget;

namespace netrov::test {

// Test classes register themselves by name; the main program runs one or all.
using TestFactory = std::function<std::unique_ptr<QObject>()>;
std::map<std::string, TestFactory>& testRegistry();
struct RegisterTest {
    RegisterTest(const char* name, TestFactory factory) { testRegistry()[name] = std::move(factory); }
};
#define NETROV_REGISTER_TEST(Class) \
    static const ::netrov::test::RegisterTest registered##Class(#Class, [] { return std::make_unique<Class>(); })

// The temporary home of this test run (HOME, XDG_CONFIG_HOME and the system
// store all point below it).
std::string testRoot();
std::string systemConfigDir();

// The installation's English language file, parsed.
const ui::LanguageFile& englishLanguage();

// Renders the widget offscreen into <build>/screenshots/<name>.png; returns the path.
QString saveScreenshot(QWidget* widget, const QString& name);

// A settings store in memory.
class MemoryStore : public core::SettingsStore {
public:
    int32_t readInt(const std::string& section, const std::string& key, int32_t fallback) override;
    std::string readString(const std::string& section, const std::string& key, const std::string& fallback) override;
    void writeInt(const std::string& section, const std::string& key, int32_t value) override;
    void writeString(const std::string& section, const std::string& key, const std::string& value) override;
    std::map<std::string, std::string> values;  // "section/key" -> text
};

// Catches error message boxes while it lives.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    std::vector<std::pair<QString, QString>> messages;  // title, text
};

}  // namespace netrov::test
