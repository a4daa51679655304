// Loads a .snmprec walk into the scripted table agent, so that a test or a
// benchmark reads a whole device from an agent in its own process.
#pragma once

#include <string>
#include <vector>

#include "v2c_agent.h"

namespace netrov::test {

inline void serveWalk(TableAgent& agent, const std::string& text)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const size_t bar1 = line.find('|');
        const size_t bar2 = bar1 == std::string::npos ? bar1 : line.find('|', bar1 + 1);
        if (bar2 == std::string::npos) continue;
        const std::string oid = line.substr(0, bar1);
        const std::string type = line.substr(bar1 + 1, bar2 - bar1 - 1);
        const std::string value = line.substr(bar2 + 1);
        if (type == "2") {
            agent.add(oid, AgentValue::integer(static_cast<int32_t>(std::stol(value))));
        } else if (type == "4") {
            agent.add(oid, AgentValue::octets(value));
        } else if (type == "4x") {
            std::vector<uint8_t> bytes;
            for (size_t i = 0; i + 1 < value.size(); i += 2) {
                bytes.push_back(static_cast<uint8_t>(std::stoul(value.substr(i, 2), nullptr, 16)));
            }
            agent.add(oid, AgentValue::octets(bytes));
        } else if (type == "6") {
            agent.add(oid, AgentValue::oid(value));
        } else if (type == "64") {
            agent.add(oid, AgentValue::ipAddress(value));
        } else if (type == "65") {
            agent.add(oid, AgentValue::counter(static_cast<uint32_t>(std::stoul(value))));
        } else if (type == "66") {
            agent.add(oid, AgentValue::gauge(static_cast<uint32_t>(std::stoul(value))));
        } else if (type == "67") {
            agent.add(oid, AgentValue::timeTicks(static_cast<uint32_t>(std::stoul(value))));
        }
    }
}

}  // namespace netrov::test
