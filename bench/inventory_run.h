// One inventory through the service for the read benchmarks: every reading
// query, as netrov-cli's inventory runs them, with the exchanges the delay
// relay counted.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "delay_relay.h"
#include "framework.h"
#include "netrov/result_codes.h"
#include "queries.h"

namespace netrov::bench {

struct InventoryRun {
    double seconds = 0;
    size_t exchanges = 0;
    size_t records = 0;
};

// device gives the identity each query starts from; perQuery prints a line
// per query.
inline InventoryRun runInventory(DelayRelay& relay, ServiceRecord* service,
                                 const std::function<DeviceIdentity()>& device, bool perQuery)
{
    using Clock = std::chrono::steady_clock;
    relay.resetExchanges();
    InventoryRun run;
    const auto start = Clock::now();
    for (const tessel::QueryInfo& query : tessel::kQueries) {
        const std::string name = query.name;
        if (query.recordSize == 0 || name.find("TUVASRV_Get") != 0) continue;
        DeviceIdentity d = device();
        std::vector<uint8_t> records(query.recordSize * 64);
        int32_t count = 0;
        const size_t before = relay.exchanges();
        const auto queryStart = Clock::now();
        const int32_t code = tessel::runQuery(query, &d, 0, 0, records.data(), 64, &count, service);
        if (code == NETROV_OK) run.records += static_cast<size_t>(count);
        if (perQuery) {
            std::printf("    %-28s %3zu exchanges, %d records, result %d, %.4f s\n", query.name + 8,
                        relay.exchanges() - before, count, code,
                        std::chrono::duration<double>(Clock::now() - queryStart).count());
        }
    }
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.exchanges = relay.exchanges();
    return run;
}

}  // namespace netrov::bench
