// Reads .snmprec walk files for expectations: records by identifier, and
// where the project's and the real devices' walks live.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "decoders.h"

namespace netrov::test {

struct WalkRecord {
    std::string oid;
    std::string type;   // "4", "4x", "6", ...
    std::string value;  // hex texts already turned into bytes
};

inline std::vector<WalkRecord> readWalk(const std::string& path)
{
    std::vector<WalkRecord> records;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t a = line.find('|');
        const size_t b = a == std::string::npos ? a : line.find('|', a + 1);
        if (b == std::string::npos) continue;
        WalkRecord r{line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)};
        if (!r.oid.empty() && r.oid.front() == '.') r.oid.erase(0, 1);
        if (!r.type.empty() && r.type.back() == 'x') {
            std::string bytes(r.value.size() / 2 + 1, '\0');
            size_t n = 0;
            tessel::hexPairsToBytes(r.value, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size(), &n);
            bytes.resize(n);
            r.value = bytes;
        }
        if (r.type == "6" && !r.value.empty() && r.value.front() == '.') r.value.erase(0, 1);
        records.push_back(std::move(r));
    }
    // Walk order, as an agent serves it.
    std::sort(records.begin(), records.end(), [](const WalkRecord& x, const WalkRecord& y) {
        return tessel::compareOids(x.oid, y.oid) < 0;
    });
    return records;
}

// The first record at or below base in walk order, as GetNext finds it.
inline const WalkRecord* firstUnder(const std::vector<WalkRecord>& walk, const std::string& base)
{
    for (const WalkRecord& r : walk) {
        if (tessel::identifierUnder(r.oid, base)) return &r;
    }
    return nullptr;
}

inline std::string projectWalk(const std::string& name)
{
    return std::string(NETROV_SOURCE_DIR) + "/tests/devices/" + name + ".snmprec";
}

// The real-device captures beside the repository, when present.
inline std::filesystem::path realDeviceDir()
{
    return std::filesystem::path(NETROV_SOURCE_DIR).parent_path() / "shared" / "devices";
}

}  // namespace netrov::test
