// Copies of the build's programs beside a package that can switch traps and control jobs.
#include "trap_install.h"

#include <stdexcept>

#include "installation.h"

namespace netrov::test {

namespace fs = std::filesystem;

TrapInstall::TrapInstall(const std::string& without)
{
    strippedInstallation(dir());
    const fs::path package = dir() / "other";
    fs::copy(fs::path(NETROV_SOURCE_DIR) / "data" / "other", package);

    const std::string documentPath = (package / "standard_snmp.xml").string();
    std::string document = readFile(documentPath);
    const size_t end = document.rfind("</definition>");
    if (end == std::string::npos) throw std::runtime_error("standard definition document without its end");
    std::string objects;
    const std::pair<const char*, const char*> keys[] = {
        {"SETDEVICETRAP_SWITCH", kDeviceTrapObject},
        {"SETJOBTRAP_SWITCH", kJobTrapObject},
        {"SETJOBCONTINUE_VAL", kJobContinueObject},
        {"SETJOBCANCEL_VAL", kJobCancelObject},
    };
    for (const auto& [key, object] : keys) {
        if (without != key) objects += std::string("  <oid def=\"") + key + "\">" + object + "</oid>\n";
    }
    document.insert(end, objects);
    writeFile(documentPath, document);
}

}  // namespace netrov::test
