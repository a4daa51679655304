// Terminal options of the desktop program.
#include "command_line.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <QtGlobal>

#include "about_dlg.h"

namespace netrov::ui {

namespace {

constexpr const char* kHelp =
    "Usage: NetRov [options]\n"
    "Finds printers and multifunction devices on the network and shows their\n"
    "status, supplies and alerts.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n"
    "\n"
    "Qt's own options (for example -platform offscreen) are passed on; any other\n"
    "option is refused with exit code 2, as is a start without a display.\n"
    "Where to search, the SNMP communities and the SNMP version are set in\n"
    "Device > Search Range...\n"
    "The command-line tool netrov-cli reads the same devices without a window.\n";

// Qt's own options, which QApplication takes out of the arguments itself;
// Qt accepts each with one dash or two.
constexpr std::string_view kQtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon", "qwindowtitle",
    "session",  "display",            "geometry",      "style",  "stylesheet",      "name",        "title",
    "visual",   "ncols",              "cmap",          "qmljsdebugger"};
constexpr std::string_view kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

enum class OptionKind { Unknown, Flag, WithValue, WithValueAttached };

// name is an argument with its dashes taken off.
OptionKind qtOption(std::string_view name)
{
    const size_t equals = name.find('=');
    for (std::string_view option : kQtOptionsWithValue) {
        if (name == option) return OptionKind::WithValue;
        if (equals != std::string_view::npos && name.substr(0, equals) == option) return OptionKind::WithValueAttached;
    }
    for (std::string_view flag : kQtFlags)
        if (name == flag) return OptionKind::Flag;
    return OptionKind::Unknown;
}

// The argument without its one or two leading dashes; empty when it has none.
std::string_view optionName(const char* argument)
{
    std::string_view text(argument);
    if (text.size() < 2 || text[0] != '-') return {};
    text.remove_prefix(text[1] == '-' ? 2 : 1);
    return text;
}

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// Whether one platform of a "wayland;xcb"-style list can open a window here.
bool platformUsable(std::string_view platforms, bool displayOption)
{
    while (!platforms.empty()) {
        const size_t end = platforms.find(';');
        std::string_view platform = platforms.substr(0, end);
        platform = platform.substr(0, platform.find(':'));
        const bool usable = platform.starts_with("xcb")       ? displayOption || isSet("DISPLAY")
                            : platform.starts_with("wayland") ? isSet("WAYLAND_DISPLAY")
                                                              : !platform.empty();
        if (usable) return true;
        if (end == std::string_view::npos) break;
        platforms.remove_prefix(end + 1);
    }
    return false;
}

int refuse(std::FILE* err, const std::string& why)
{
    std::fprintf(err, "NetRov: %s\n\n%s", why.c_str(), kHelp);
    return kUsageExit;
}

}  // namespace

std::optional<int> answerTerminalOptions(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    std::string platform;
    bool platformGiven = false;
    bool displayOption = false;
    for (int i = 1; i < argc && argv[i]; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::fputs(kHelp, out);
            return 0;
        }
        if (std::strcmp(argument, "--version") == 0 || std::strcmp(argument, "-v") == 0) {
            std::fprintf(out, "NetRov %s\n", programVersionText().toUtf8().constData());
            return 0;
        }
        const std::string_view name = optionName(argument);
        switch (qtOption(name)) {
        case OptionKind::Unknown:
            return refuse(err, (name.empty() ? "unexpected argument '" : "unknown option '") + std::string(argument) + "'");
        case OptionKind::Flag:
            break;
        case OptionKind::WithValueAttached:
            if (name.starts_with("platform=")) {
                platform = std::string(name.substr(std::strlen("platform=")));
                platformGiven = true;
            }
            displayOption = displayOption || name.starts_with("display=");
            break;
        case OptionKind::WithValue:
            if (i + 1 >= argc || !argv[i + 1]) return refuse(err, "option '" + std::string(argument) + "' needs a value");
            ++i;
            if (name == "platform") {
                platform = argv[i];
                platformGiven = true;
            }
            displayOption = displayOption || name == "display";
            break;
        }
    }
    if (!platformGiven) {
        const char* chosen = std::getenv("QT_QPA_PLATFORM");
        if (chosen && *chosen) {
            platform = chosen;
            platformGiven = true;
        }
    }
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // Qt would abort on its own without a display; this says why and leaves with the usage code.
    const bool usable = platformGiven ? platformUsable(platform, displayOption)
                                      : displayOption || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
    if (!usable) {
        std::fputs("NetRov: no display to open a window on: neither DISPLAY nor WAYLAND_DISPLAY is set and no\n"
                   "platform that needs neither is chosen (-platform or QT_QPA_PLATFORM).\n"
                   "netrov-cli reads the same devices without a window.\n",
                   err);
        return kUsageExit;
    }
#else
    (void)platformGiven;
    (void)displayOption;
#endif
    return std::nullopt;
}

}  // namespace netrov::ui
