// A shared library whose only job is to be found and loaded by the loader tests.
#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
int loads = 0;
}

PROBE_EXPORT int probeAnswer() { return 42; }
PROBE_EXPORT const void* probeAddress() { return reinterpret_cast<const void*>(&probeAnswer); }
PROBE_EXPORT int probeLoads() { return ++loads; }
