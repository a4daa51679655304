// A shared library whose only job is to be found and loaded by the loader tests.
#ifdef _WIN32
#  define PROBE_EXPORT extern "C" __declspec(dllexport)
#else
#  define PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
int loads = 0;
}

PROBE_EXPORT int probeAnswer() { return 42; }
PROBE_EXPORT const void* probeAddress() { return reinterpret_cast<const void*>(&probeAnswer); }
PROBE_EXPORT int probeLoads() { return ++loads; }
