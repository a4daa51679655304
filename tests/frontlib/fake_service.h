// What the fake service libraries record of each call, shared by them and the tests.
#pragma once

#include "netrov/device_identity.h"
#include "netrov/service_record.h"

#include <cstdint>

// One TUVASRV_ call as the service saw it; texts of the service record are
// copied because the record dies with TUVA_Free.
struct FakeCall {
    char entry[64];
    DeviceIdentity device;
    intptr_t option1;
    intptr_t option2;
    void* records;
    int32_t capacity;
    int32_t* count;
    ServiceRecord* service;
    void* library;
    int32_t hasDocument;
    int32_t hasLibraryFile;
    int32_t hasDefinitionFile;
    char libraryFile[300];
    char definitionFile[300];
    char languageFile[300];
    char imageDirectory[300];
};

// Helpers every fake service exports besides its TUVASRV_ entry points.
using FakeCallCountFn = int32_t (*)();
using FakeCallFn = const FakeCall* (*)(int32_t index);
// The records the next searches report: stored while below capacity, all counted.
using FakeSetSearchResultFn = void (*)(const DeviceIdentity* records, int32_t count);

// A forwarded entry point returns this, so tests see the result come back unchanged.
constexpr int32_t fakeResultOf(int ordinal) { return 1000 + ordinal; }
