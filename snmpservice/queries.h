// The queries of the service: one rule function per entry point, and the
// table that names each with its record size and transport rule.
#pragma once

#include <span>

#include "entry_frame.h"
#include "netrov/consumable_records.h"
#include "netrov/engine_records.h"
#include "netrov/option_value.h"
#include "netrov/device_records.h"
#include "netrov/job_records.h"
#include "netrov/network_records.h"

namespace netrov::tessel {

#define TESSEL_QUERY(Name, RecordArg, recordSize, transport, rule) int32_t rule(const QueryCall& call);
#include "queries.def"
#undef TESSEL_QUERY

#define TESSEL_QUERY(Name, RecordArg, recordSize, transport, rule) \
    inline constexpr QueryInfo kQuery##Name{"TUVASRV_" #Name, recordSize, TransportRule::transport, rule};
#include "queries.def"
#undef TESSEL_QUERY

inline constexpr QueryInfo kQueries[] = {
#define TESSEL_QUERY(Name, RecordArg, recordSize, transport, rule) kQuery##Name,
#include "queries.def"
#undef TESSEL_QUERY
};

}  // namespace netrov::tessel
