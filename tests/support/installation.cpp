// Copies of the build's programs into a test's own directory.
#include "installation.h"

namespace netrov::test {

std::string strippedInstallation(const std::filesystem::path& dir)
{
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(NETROV_OUTPUT_DIR)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && (name == "netrov-cli" || name.find(".so") != std::string::npos))
            fs::copy_file(entry.path(), dir / name);
    }
    return (dir / "netrov-cli").string();
}

}  // namespace netrov::test
