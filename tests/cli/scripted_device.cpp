// A walk answered by a fake agent, with hostile changes.
#include "scripted_device.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "hex.h"

namespace netrov::test {

namespace {

constexpr uint8_t kGet = 0xA0;
constexpr uint8_t kGetNext = 0xA1;
constexpr int32_t kNoSuchName = 2;

std::vector<uint32_t> parseOid(const std::string& dotted)
{
    std::vector<uint32_t> oid;
    std::istringstream parts(dotted);
    for (std::string part; std::getline(parts, part, '.');) {
        if (!part.empty()) oid.push_back(static_cast<uint32_t>(std::stoul(part)));
    }
    return oid;
}

std::string dottedOf(const std::vector<uint32_t>& oid)
{
    std::string text;
    for (const uint32_t part : oid) text += (text.empty() ? "" : ".") + std::to_string(part);
    return text;
}

bool startsWith(const std::vector<uint32_t>& oid, const std::vector<uint32_t>& prefix)
{
    return oid.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), oid.begin());
}

// An snmprec value: type number, then the value (hex after "x").
AgentValue valueOf(const std::string& type, const std::string& text)
{
    if (type == "2") return AgentValue::integer(static_cast<int32_t>(std::stol(text)));
    if (type == "4") return AgentValue::octets(text);
    if (type == "4x") return AgentValue::octets(hexBytes(text));
    if (type == "6") return AgentValue::oid(text);
    if (type == "64") return AgentValue::ipAddress(text);
    if (type == "65") return AgentValue::counter(static_cast<uint32_t>(std::stoul(text)));
    if (type == "66") return AgentValue::gauge(static_cast<uint32_t>(std::stoul(text)));
    if (type == "67") return AgentValue::timeTicks(static_cast<uint32_t>(std::stoul(text)));
    return AgentValue::null();
}

// prtMarkerSuppliesEntry: the columns of a row, with the values every synthetic row has.
const std::vector<uint32_t> kSupplies = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1};
const std::pair<uint32_t, AgentValue> kSupplyColumns[] = {
    {2, AgentValue::integer(1)},  {3, AgentValue::integer(1)}, {4, AgentValue::integer(3)},
    {5, AgentValue::integer(3)},  {6, AgentValue::octets("Black Toner")}, {7, AgentValue::integer(19)},
    {8, AgentValue::integer(100)}, {9, AgentValue::integer(50)},
};

}  // namespace

ScriptedDevice::ScriptedDevice(const std::string& walk)
{
    if (!agent_.ok()) {
        whyNot_ = agent_.error();
        return;
    }
    std::ifstream in(std::string(NETROV_SOURCE_DIR) + "/tests/devices/" + walk + ".snmprec");
    for (std::string line; std::getline(in, line);) {
        const size_t first = line.find('|');
        const size_t second = line.find('|', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        objects_[parseOid(line.substr(0, first))] = valueOf(line.substr(first + 1, second - first - 1), line.substr(second + 1));
    }
    if (objects_.empty()) whyNot_ = "no walk " + walk;
    agent_.setHandler([this](const AgentRequest& request) { return answer(request); });
}

ScriptedDevice::~ScriptedDevice()
{
    agent_.setHandler({});
}

void ScriptedDevice::set(const std::string& oid, AgentValue value)
{
    objects_[parseOid(oid)] = std::move(value);
}

void ScriptedDevice::silence(const std::string& prefix)
{
    silenced_.push_back(parseOid(prefix));
}

void ScriptedDevice::supplyRows(uint32_t rows)
{
    for (auto it = objects_.begin(); it != objects_.end();) it = startsWith(it->first, kSupplies) ? objects_.erase(it) : ++it;
    supplyRows_ = rows;
}

bool ScriptedDevice::silenced(const Oid& oid) const
{
    for (const Oid& prefix : silenced_) {
        if (startsWith(oid, prefix)) return true;
    }
    return false;
}

bool ScriptedDevice::get(const Oid& oid, AgentValue& value) const
{
    if (const auto it = objects_.find(oid); it != objects_.end()) {
        value = it->second;
        return true;
    }
    if (supplyRows_ == 0 || oid.size() != kSupplies.size() + 3 || !startsWith(oid, kSupplies)) return false;
    const uint32_t row = oid.back();
    if (oid[kSupplies.size() + 1] != 1 || row < 1 || row > supplyRows_) return false;
    for (const auto& [column, v] : kSupplyColumns) {
        if (column == oid[kSupplies.size()]) {
            value = v;
            return true;
        }
    }
    return false;
}

bool ScriptedDevice::next(const Oid& oid, Oid& found, AgentValue& value) const
{
    bool any = false;
    if (const auto it = objects_.upper_bound(oid); it != objects_.end()) {
        found = it->first;
        value = it->second;
        any = true;
    }
    // The first synthetic supply object after oid: column by column, row by row.
    for (const auto& [column, v] : kSupplyColumns) {
        if (supplyRows_ == 0) break;
        Oid candidate = kSupplies;
        candidate.insert(candidate.end(), {column, 1, 1});
        Oid columnPrefix = kSupplies;
        columnPrefix.push_back(column);
        if (startsWith(oid, columnPrefix) && !(oid < candidate)) {
            const bool inRows = oid.size() > kSupplies.size() + 2 && oid[kSupplies.size() + 1] == 1;
            if (!inRows && oid[kSupplies.size() + 1] > 1) continue;
            const uint64_t row = inRows ? uint64_t{oid[kSupplies.size() + 2]} + 1 : 1;
            if (row > supplyRows_) continue;
            candidate.back() = static_cast<uint32_t>(row);
        }
        if (!(oid < candidate)) continue;
        if (!any || candidate < found) {
            found = candidate;
            value = v;
            any = true;
        }
        break;
    }
    return any;
}

std::vector<AgentReply> ScriptedDevice::answer(const AgentRequest& request)
{
    if (!request.decoded || (request.pduType != kGet && request.pduType != kGetNext)) return {};
    std::vector<AgentBinding> bindings;
    for (size_t i = 0; i < request.bindings.size(); ++i) {
        const Oid asked = parseOid(request.bindings[i].oid);
        if (silenced(asked)) return {};
        Oid found = asked;
        AgentValue value;
        const bool known = request.pduType == kGet ? get(asked, value) : next(asked, found, value);
        if (!known) {
            return {{FakeAgent::encodeResponse(request.requestId, request.community, kNoSuchName, static_cast<int32_t>(i + 1),
                                               request.bindings),
                     delay_.load()}};
        }
        if (silenced(found)) return {};
        bindings.push_back({dottedOf(found), value});
    }
    return {{FakeAgent::encodeResponse(request.requestId, request.community, 0, 0, bindings), delay_.load()}};
}

}  // namespace netrov::test
