// The discovery probe through a fresh USM model per datagram, so each agent's engine is read on its own.
#include "v3_discovery.h"

#include <array>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "engine.h"
#include "message_v3.h"

namespace netrov::snmp {

namespace {

constexpr size_t kProbeRoom = 512;
// Well inside the 150 s window an engine accepts our clock estimate in.
constexpr std::chrono::seconds kRememberFor{120};
// A /16 of SNMPv3 agents fits; beyond that, sightings are not kept.
constexpr size_t kMaxRemembered = 65536;

// Discovery sends no user name; the model needs one to exist.
std::shared_ptr<const UsmUser> probeUser()
{
    static const std::shared_ptr<const UsmUser> user = [] {
        UsmCredentials nobody;
        nobody.user = "discovery";
        return UsmUser::create(nobody);
    }();
    return user;
}

// Wraps the probe like a fresh model and reads each answer with a fresh
// model, keeping the engine every answering address reported.
class DiscoveryModel final : public MessageModel {
public:
    int32_t version() const noexcept override { return kVersion3; }
    std::optional<size_t> wrap(const SnmpMessage& pdu, std::span<uint8_t> out) const override
    {
        return UsmModel(probeUser()).wrap(pdu, out);
    }
    Unwrapped unwrap(std::span<const uint8_t> data, uint32_t sourceAddress) const override
    {
        const UsmModel fresh(probeUser());
        Unwrapped result = fresh.unwrap(data, sourceAddress);
        if (result.status == UnwrapStatus::Ok && result.message && result.message->pduType == kPduReport) {
            if (const std::optional<UsmModel::Engine> engine = fresh.engine()) {
                uint32_t from = 0;
                memcpy(&from, result.message->sourceAddress, sizeof from);
                const std::lock_guard lock(mutex_);
                engines_.emplace(from, *engine);
            }
        }
        return result;
    }
    bool answers(const SnmpMessage& reply, int32_t requestId) const noexcept override
    {
        return reply.version == kVersion3 && reply.pduType == kPduReport && reply.requestId == requestId;
    }
    std::map<uint32_t, UsmModel::Engine> engines() const
    {
        const std::lock_guard lock(mutex_);
        return engines_;
    }

private:
    mutable std::mutex mutex_;
    mutable std::map<uint32_t, UsmModel::Engine> engines_;
};

struct Sighting {
    UsmModel::Engine engine;
    std::chrono::steady_clock::time_point seen;
};

struct EngineBook {
    std::mutex mutex;
    std::unordered_map<uint32_t, Sighting> byAddress;
};

EngineBook& engineBook()
{
    static EngineBook book;
    return book;
}

}  // namespace

std::vector<uint8_t> discoveryProbe(int32_t msgId)
{
    SnmpMessage pdu{};
    pdu.pduType = SNMP_PDU_GET;
    pdu.requestId = msgId;
    std::array<uint8_t, kProbeRoom> room{};
    const std::optional<size_t> size = DiscoveryModel().wrap(pdu, room);
    if (!size) return {};
    return std::vector<uint8_t>(room.begin(), room.begin() + static_cast<std::ptrdiff_t>(*size));
}

std::optional<UsmModel::Engine> reportedEngine(std::span<const uint8_t> datagram, int32_t msgId)
{
    const DiscoveryModel model;
    const Unwrapped unwrapped = model.unwrap(datagram, 0);
    if (unwrapped.status != UnwrapStatus::Ok || !unwrapped.message || !model.answers(*unwrapped.message, msgId))
        return std::nullopt;
    std::map<uint32_t, UsmModel::Engine> engines = model.engines();
    if (engines.empty()) return std::nullopt;
    return std::move(engines.begin()->second);
}

void rememberEngine(uint32_t address, const UsmModel::Engine& engine)
{
    EngineBook& book = engineBook();
    const auto now = std::chrono::steady_clock::now();
    const std::lock_guard lock(book.mutex);
    if (book.byAddress.size() >= kMaxRemembered && !book.byAddress.contains(address)) {
        std::erase_if(book.byAddress, [&](const auto& entry) { return now - entry.second.seen > kRememberFor; });
        if (book.byAddress.size() >= kMaxRemembered) return;
    }
    book.byAddress.insert_or_assign(address, Sighting{engine, now});
}

std::optional<UsmModel::Engine> rememberedEngine(uint32_t address)
{
    EngineBook& book = engineBook();
    const std::lock_guard lock(book.mutex);
    const auto found = book.byAddress.find(address);
    if (found == book.byAddress.end()) return std::nullopt;
    const auto since = std::chrono::steady_clock::now() - found->second.seen;
    if (since > kRememberFor) {
        book.byAddress.erase(found);
        return std::nullopt;
    }
    UsmModel::Engine engine = found->second.engine;
    engine.time += static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::seconds>(since).count());
    return engine;
}

void forgetRememberedEngines()
{
    EngineBook& book = engineBook();
    const std::lock_guard lock(book.mutex);
    book.byAddress.clear();
}

std::optional<uint32_t> enterpriseOf(std::span<const uint8_t> engineId) noexcept
{
    if (engineId.size() < 5 || !(engineId[0] & 0x80)) return std::nullopt;
    return (static_cast<uint32_t>(engineId[0] & 0x7F) << 24) | (static_cast<uint32_t>(engineId[1]) << 16)
           | (static_cast<uint32_t>(engineId[2]) << 8) | engineId[3];
}

std::vector<EngineSighting> discoverEngines(const char* host, int32_t timeout, const std::vector<uint32_t>& broadcasts)
{
    const DiscoveryModel model;
    SnmpMessage pdu{};
    pdu.pduType = SNMP_PDU_GET;
    pdu.requestId = nextRequestId();
    const MessageListPtr answers = collect(host, timeout, model, pdu, broadcasts);
    const std::map<uint32_t, UsmModel::Engine> engines = model.engines();
    std::vector<EngineSighting> found;
    for (const SnmpMessageList* cell = answers.get(); cell; cell = cell->next) {
        if (!cell->message) continue;
        uint32_t from = 0;
        memcpy(&from, cell->message->sourceAddress, sizeof from);
        const auto engine = engines.find(from);
        if (engine != engines.end()) found.push_back({from, engine->second.id});
    }
    return found;
}

}  // namespace netrov::snmp
