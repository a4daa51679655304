// The common frame of every entry point: zero the caller's array, check the
// service record (5) and the transport (13), count records past capacity.
// Entry points without records (the Set operations) leave array and count
// alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "framework.h"
#include "netrov/device_identity.h"
#include "netrov/service_record.h"

namespace netrov::tessel {

// Record size of an entry point that takes no array: arguments 2 to 6 are
// the caller's and stay untouched.
inline constexpr size_t kNoRecords = 0;

enum class TransportRule : uint8_t {
    Exact,       // the device's transport must be exactly SNMP
    SearchMask,  // a search: the SNMP bit of the mask must be set
};

// The caller's output array. Records are stored while the count is below
// the capacity; the count keeps rising, so a count above the capacity tells
// the caller how large an array it needs. A record whose size is not the
// query's record size is a fault in the rule: storing it would overrun the
// caller's array, so it ends the program instead (codingFault).
class Output {
public:
    Output(void* records, int32_t capacity, size_t recordSize)
        : records_(static_cast<uint8_t*>(records)), capacity_(records ? capacity : 0),
          recordSize_(recordSize) {}

    bool hasRoom() const { return count_ < capacity_; }
    int32_t count() const { return count_; }
    int32_t capacity() const { return capacity_; }

    template <class Record>
    void produce(const Record& record)
    {
        checkRecord(sizeof record);
        if (hasRoom()) memcpy(records_ + static_cast<size_t>(count_) * recordSize_, &record, sizeof record);
        ++count_;
    }

    template <class Record>
    Record* stored(int32_t index) const
    {
        checkRecord(sizeof(Record));
        if (index < 0 || index >= capacity_ || index >= count_) return nullptr;
        return reinterpret_cast<Record*>(records_ + static_cast<size_t>(index) * recordSize_);
    }

private:
    void checkRecord(size_t size) const
    {
        if (size != recordSize_) codingFault("a rule produces a record of another size than its query's", "");
    }

    uint8_t* records_;
    int32_t capacity_;
    size_t recordSize_;
    int32_t count_ = 0;
};

struct QueryCall {
    DeviceIdentity& device;
    intptr_t option1;
    intptr_t option2;
    const ServiceRecord& service;
    Output& out;
};

using QueryRule = int32_t (*)(const QueryCall& call);

struct QueryInfo {
    const char* name;
    size_t recordSize;
    TransportRule transport;
    QueryRule rule;
};

int32_t runQuery(const QueryInfo& query, DeviceIdentity* device, intptr_t option1, intptr_t option2,
                 void* records, int32_t capacity, int32_t* count, ServiceRecord* service) noexcept;

}  // namespace netrov::tessel
