// The record schema's families: each query family describes its records
// and queries in its own file and hands them over here.
#pragma once

#include <span>

#include "record_schema.h"

namespace netrov::core {

std::span<const QuerySchema> deviceQuerySchemas();
std::span<const QuerySchema> consumableQuerySchemas();
std::span<const QuerySchema> engineQuerySchemas();
std::span<const QuerySchema> jobQuerySchemas();
std::span<const QuerySchema> networkQuerySchemas();

// Records that more than one family produces.
const RecordSchema& codedSettingSchema();

}  // namespace netrov::core
