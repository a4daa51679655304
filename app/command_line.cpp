// Terminal options of the desktop program.
#include "command_line.h"

#include <cstring>

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
    "Qt's own options (for example -platform offscreen) are passed on.\n"
    "Where to search and the SNMP community are set in Device > Search Range...\n"
    "The command-line tool netrov-cli reads the same devices without a window.\n";

}  // namespace

std::optional<int> answerTerminalOptions(int argc, char** argv, std::FILE* out)
{
    for (int i = 1; i < argc && argv[i]; ++i) {
        const char* option = argv[i];
        if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
            std::fputs(kHelp, out);
            return 0;
        }
        if (std::strcmp(option, "--version") == 0 || std::strcmp(option, "-v") == 0) {
            std::fprintf(out, "NetRov %s\n", programVersionText().toUtf8().constData());
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace netrov::ui
