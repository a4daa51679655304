// Simulated printers for agent tests.
#include "walk_agents.h"

#include <filesystem>
#include <sstream>

namespace netrov::test {

bool WalkAgents::serve(const std::string& walk, const std::vector<std::string>& addresses,
                       const std::map<std::string, std::string>& edits)
{
    namespace fs = std::filesystem;
    const std::string source = std::string(NETROV_SOURCE_DIR) + "/tests/devices/" + walk + ".snmprec";
    if (!fs::exists(source)) {
        whyNot_ = "walk " + source + " is missing";
        return false;
    }
    std::istringstream in(readFile(source));
    std::string text;
    for (std::string line; std::getline(in, line);) {
        const std::string oid = line.substr(0, line.find('|'));
        auto edit = edits.find(oid);
        text += (edit == edits.end() ? line : edit->second) + "\n";
    }
    const fs::path folder = dir_.path() / walk;
    fs::create_directories(folder);
    const std::string copy = (folder / (community_ + ".snmprec")).string();
    writeFile(copy, text);
    auto runner = std::make_unique<SnmpSimRunner>(std::vector<std::string>{copy}, addresses);
    if (!runner->ready()) {
        whyNot_ = runner->whyNot();
        return false;
    }
    runners_[walk] = std::move(runner);
    return true;
}

void WalkAgents::stop(const std::string& walk)
{
    runners_.erase(walk);
}

}  // namespace netrov::test
