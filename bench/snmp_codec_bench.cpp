// Encode and decode speed of zomsnmp's codec against net-snmp's, printed as ratios.
//
// Three pairs, each run per message of 1, 5 and 20 bindings:
//   Encode      a GetRequest from binary names: ours fills the plain records
//               (on the stack, as a C caller may) and encodes; net-snmp
//               creates a PDU, adds the variables, builds and frees it
//   EncodeText  the same from dotted text names: ours converts the simple
//               form, encodes and frees; net-snmp parses each name with
//               read_objid, then as above
//   Decode      a GetResponse: decode and free
//
//   snmp_codec_bench [benchmark flags]      Google Benchmark run, then a ratio table
//   valgrind --tool=callgrind --callgrind-out-file=cg snmp_codec_bench --instructions
//     one callgrind dump per case ("Encode-zomsnmp-5" ...), each holding
//     kInstructionRounds rounds; print instructions per message with
//     for f in cg.*; do echo $(grep -m1 Request: $f | sed 's/.*: //')
//       $(( $(grep -m1 -E '^(summary|totals):' $f | cut -d' ' -f2) / 1000 )); done

// Both libraries export C functions named snmp_build and snmp_parse with
// different signatures; net-snmp's are declared here under other names that
// bind to its symbols.
#define snmp_build netsnmp_declared_snmp_build
#define snmp_parse netsnmp_declared_snmp_parse
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#undef snmp_build
#undef snmp_parse
extern "C" int netsnmpBuild(u_char** packet, size_t* packetLength, size_t* offset, netsnmp_session* session,
                            netsnmp_pdu* pdu) __asm__("snmp_build");
extern "C" int netsnmpParse(void* sessionList, netsnmp_session* session, netsnmp_pdu* pdu, u_char* data,
                            size_t length) __asm__("snmp_parse");

#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "codec.h"

namespace {

constexpr int kBindingCounts[] = {1, 5, 20};
constexpr int kInstructionRounds = 1000;

// Printer-supply style names, as a status query reads them; built once so
// neither side pays for making them.
constexpr size_t kNameLength = 13;
struct Names {
    uint32_t ours[20][kNameLength];
    oid peer[20][kNameLength];
    Names()
    {
        const uint32_t prefix[] = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1};
        for (int i = 0; i < 20; ++i) {
            for (size_t k = 0; k < 12; ++k) ours[i][k] = peer[i][k] = prefix[k];
            ours[i][12] = peer[i][12] = static_cast<uint32_t>(i + 1);
        }
    }
};
const Names kNames;

// ---- zomsnmp ----

// Requests start where the device service starts them: from the simple form.
struct SimpleRequest {
    explicit SimpleRequest(int count, bool withValues) : bindings(static_cast<size_t>(count))
    {
        for (int i = 0; i < count; ++i) {
            SnmpSimpleBinding& b = bindings[static_cast<size_t>(i)];
            std::snprintf(b.name, sizeof(b.name), "1.3.6.1.2.1.43.11.1.1.9.1.%d", i + 1);
            if (!withValues) continue;
            if (i % 2 == 0) {
                int32_t v = 1000 * i + 7;
                b.type = SNMP_TYPE_INTEGER;
                std::memcpy(b.value, &v, 4);
                b.valueLength = 4;
            } else {
                static const char kText[] = "Black Toner Cartridge";
                b.type = SNMP_TYPE_OCTETS;
                std::memcpy(b.value, kText, sizeof(kText) - 1);
                b.valueLength = sizeof(kText) - 1;
            }
        }
        message.pduType = SNMP_PDU_GET;
        std::strcpy(message.community, "public");
        message.variableCount = count;
        message.variables = bindings.data();
    }
    std::vector<SnmpSimpleBinding> bindings;
    SnmpSimpleMessage message{};
};

std::vector<uint8_t> responseBytes(int count)
{
    SimpleRequest simple(count, true);
    auto m = netrov::snmp::simpleToStandard(simple.message);
    m->pduType = SNMP_PDU_RESPONSE;
    m->requestId = 12345;
    std::vector<uint8_t> out(SNMP_DATAGRAM_SIZE * 4);
    out.resize(*netrov::snmp::build(*m, out));
    return out;
}

// Encode: records filled by the caller, then encoded.
__attribute__((noinline)) void oursEncode(int count, uint8_t* buffer, size_t size)
{
    SnmpBinding bindings[20];
    SnmpMessage m{};
    m.pduType = SNMP_PDU_GET;
    m.requestId = 12345;
    m.community = const_cast<char*>("public");
    m.communityLength = 6;
    for (int i = 0; i < count; ++i) {
        bindings[i] = SnmpBinding{};
        bindings[i].next = i + 1 < count ? &bindings[i + 1] : nullptr;
        bindings[i].name = const_cast<uint32_t*>(kNames.ours[i]);
        bindings[i].nameLength = static_cast<int32_t>(kNameLength);
        bindings[i].type = SNMP_TYPE_NULL;
    }
    m.variables = count ? bindings : nullptr;
    auto n = netrov::snmp::build(m, {buffer, size});
    if (!n) std::abort();
    benchmark::DoNotOptimize(n);
}

// EncodeText: the path of a request call, from the simple form.
__attribute__((noinline)) void oursEncodeText(SnmpSimpleMessage& request, uint8_t* buffer, size_t size)
{
    auto m = netrov::snmp::simpleToStandard(request);
    auto n = netrov::snmp::build(*m, {buffer, size});
    if (!n) std::abort();
    benchmark::DoNotOptimize(n);
}

__attribute__((noinline)) void oursDecode(const std::vector<uint8_t>& bytes)
{
    auto m = netrov::snmp::parse(bytes, 0x0100007F);
    if (!m) std::abort();
    benchmark::DoNotOptimize(m.get());
}

// ---- net-snmp ----

netsnmp_session gSession;

void initNetSnmp()
{
    setenv("MIBS", "", 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_LOAD_HOST_FILES, 1);
    init_snmp("netrov_bench");
    snmp_sess_init(&gSession);
    gSession.version = SNMP_VERSION_1;
    static u_char community[] = "public";
    gSession.community = community;
    gSession.community_len = 6;
}

void netsnmpBuildAndFree(netsnmp_pdu* pdu, u_char** buffer, size_t* size)
{
    size_t offset = 0;
    if (netsnmpBuild(buffer, size, &offset, &gSession, pdu) != 0) {
        std::fprintf(stderr, "net-snmp build: %s\n", snmp_api_errstring(snmp_errno));
        std::abort();
    }
    snmp_free_pdu(pdu);
}

netsnmp_pdu* netsnmpRequest()
{
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
    pdu->reqid = 12345;
    pdu->version = SNMP_VERSION_1;  // a session's send fills this in
    return pdu;
}

__attribute__((noinline)) void netsnmpEncode(int count, u_char** buffer, size_t* size)
{
    netsnmp_pdu* pdu = netsnmpRequest();
    for (int i = 0; i < count; ++i) snmp_add_null_var(pdu, kNames.peer[i], kNameLength);
    netsnmpBuildAndFree(pdu, buffer, size);
}

__attribute__((noinline)) void netsnmpEncodeText(const SnmpSimpleMessage& request, u_char** buffer, size_t* size)
{
    netsnmp_pdu* pdu = netsnmpRequest();
    for (int i = 0; i < request.variableCount; ++i) {
        oid name[MAX_OID_LEN];
        size_t length = MAX_OID_LEN;
        if (!read_objid(request.variables[i].name, name, &length)) std::abort();
        snmp_add_null_var(pdu, name, length);
    }
    netsnmpBuildAndFree(pdu, buffer, size);
}

__attribute__((noinline)) void netsnmpDecode(std::vector<uint8_t>& bytes)
{
    auto* pdu = static_cast<netsnmp_pdu*>(calloc(1, sizeof(netsnmp_pdu)));
    if (netsnmpParse(nullptr, &gSession, pdu, bytes.data(), bytes.size()) != 0) {
        std::fprintf(stderr, "net-snmp parse: %s\n", snmp_api_errstring(snmp_errno));
        std::abort();
    }
    snmp_free_pdu(pdu);
}

// ---- benchmarks ----

int countOf(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

void BM_Encode_Ours(benchmark::State& state)
{
    std::vector<uint8_t> buffer(SNMP_DATAGRAM_SIZE);
    for (auto _ : state) oursEncode(countOf(state), buffer.data(), buffer.size());
}

void BM_Encode_NetSnmp(benchmark::State& state)
{
    size_t size = SNMP_DATAGRAM_SIZE;
    auto* buffer = static_cast<u_char*>(malloc(size));
    for (auto _ : state) netsnmpEncode(countOf(state), &buffer, &size);
    free(buffer);
}

void BM_EncodeText_Ours(benchmark::State& state)
{
    std::vector<uint8_t> buffer(SNMP_DATAGRAM_SIZE);
    SimpleRequest simple(countOf(state), false);
    for (auto _ : state) oursEncodeText(simple.message, buffer.data(), buffer.size());
}

void BM_EncodeText_NetSnmp(benchmark::State& state)
{
    size_t size = SNMP_DATAGRAM_SIZE;
    auto* buffer = static_cast<u_char*>(malloc(size));
    SimpleRequest simple(countOf(state), false);
    for (auto _ : state) netsnmpEncodeText(simple.message, &buffer, &size);
    free(buffer);
}

void BM_Decode_Ours(benchmark::State& state)
{
    auto bytes = responseBytes(countOf(state));
    for (auto _ : state) oursDecode(bytes);
}

void BM_Decode_NetSnmp(benchmark::State& state)
{
    auto bytes = responseBytes(countOf(state));
    for (auto _ : state) netsnmpDecode(bytes);
}

BENCHMARK(BM_Encode_Ours)->Arg(1)->Arg(5)->Arg(20);
BENCHMARK(BM_Encode_NetSnmp)->Arg(1)->Arg(5)->Arg(20);
BENCHMARK(BM_EncodeText_Ours)->Arg(1)->Arg(5)->Arg(20);
BENCHMARK(BM_EncodeText_NetSnmp)->Arg(1)->Arg(5)->Arg(20);
BENCHMARK(BM_Decode_Ours)->Arg(1)->Arg(5)->Arg(20);
BENCHMARK(BM_Decode_NetSnmp)->Arg(1)->Arg(5)->Arg(20);

constexpr const char* kKinds[] = {"Encode", "EncodeText", "Decode"};

// Keeps each case's CPU time per message (the median when repeated; CPU
// time because other work on the machine inflates wall time) so the ratios
// can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type == Run::RT_Iteration && run.iterations > 0) || median)
                nanos[run.run_name.str()] = run.GetAdjustedCPUTime();
        }
    }
    std::map<std::string, double> nanos;
};

// Each case between a zeroing and a dump of callgrind's counters, so every
// dump file holds one case: kInstructionRounds rounds of it.
template <typename F>
void countCase(const char* label, F&& round)
{
    round();  // once outside, so one-time set-up is not counted
    CALLGRIND_ZERO_STATS;
    for (int i = 0; i < kInstructionRounds; ++i) round();
    CALLGRIND_DUMP_STATS_AT(label);
}

int instructionCounts()
{
    std::vector<uint8_t> buffer(SNMP_DATAGRAM_SIZE);
    size_t size = SNMP_DATAGRAM_SIZE;
    auto* netBuffer = static_cast<u_char*>(malloc(size));
    std::printf("dumps hold %d rounds each\n", kInstructionRounds);
    for (int count : kBindingCounts) {
        auto bytes = responseBytes(count);
        SimpleRequest simple(count, false);
        std::string n = std::to_string(count);
        countCase(("Encode-zomsnmp-" + n).c_str(), [&] { oursEncode(count, buffer.data(), buffer.size()); });
        countCase(("Encode-netsnmp-" + n).c_str(), [&] { netsnmpEncode(count, &netBuffer, &size); });
        countCase(("EncodeText-zomsnmp-" + n).c_str(),
                  [&] { oursEncodeText(simple.message, buffer.data(), buffer.size()); });
        countCase(("EncodeText-netsnmp-" + n).c_str(), [&] { netsnmpEncodeText(simple.message, &netBuffer, &size); });
        countCase(("Decode-zomsnmp-" + n).c_str(), [&] { oursDecode(bytes); });
        countCase(("Decode-netsnmp-" + n).c_str(), [&] { netsnmpDecode(bytes); });
    }
    free(netBuffer);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    initNetSnmp();
    if (argc > 1 && std::strcmp(argv[1], "--instructions") == 0) return instructionCounts();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nmessages per second, zomsnmp / net-snmp (target: at least 3)\n");
    for (const char* kind : kKinds) {
        for (int count : kBindingCounts) {
            std::string suffix = "/" + std::to_string(count);
            auto ours = reporter.nanos.find(std::string("BM_") + kind + "_Ours" + suffix);
            auto peer = reporter.nanos.find(std::string("BM_") + kind + "_NetSnmp" + suffix);
            if (ours == reporter.nanos.end() || peer == reporter.nanos.end()) continue;
            std::printf("%-10s %2d binding(s): %8.0f ns vs %8.0f ns  ratio %.2f\n", kind, count, ours->second,
                        peer->second, peer->second / ours->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
