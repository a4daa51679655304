// SNMPv3 search benchmark: a /24 of printers that need authPriv (SHA-256, AES-128) against the same search over SNMPv1.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "run_program.h"
#include "v3_lab.h"

namespace {

using namespace netrov;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;
constexpr size_t kAgentProcesses = 4;

struct Form {
    Form(const char* w, bool byV3, bool bySweep) : what(w), v3(byV3), sweep(bySweep) {}
    const char* what;
    bool v3;
    bool sweep;
    double seconds = 0;
    int runs = 0;
    std::string fault;
};

std::vector<std::string> addressesOf(int count)
{
    std::vector<std::string> out;
    for (int i = 1; i <= count; ++i) out.push_back("127.0.0." + std::to_string(i));
    return out;
}

// One netrov-cli search; the devices it read (by v3: through the profile),
// or -1 when it failed.
int search(const Form& form, int count, const std::string& targets, double& seconds)
{
    std::vector<std::string> args{std::string(NETROV_OUTPUT_DIR) + "/netrov-cli", "search", "--no-broadcast",
                                  "--no-progress", "--timeout", "1", "--json"};
    if (form.v3) {
        args.insert(args.end(), {"--profile", bench::kBenchProfile});
    } else {
        args.insert(args.end(), {"--community", bench::kBenchCommunity});
    }
    if (form.sweep) {
        args.insert(args.end(), {"--targets", targets});
    } else {
        args.insert(args.end(), {"--range", "127.0.0.1-127.0.0." + std::to_string(count)});
    }
    const auto start = Clock::now();
    const test::ProgramResult r = test::runProgram(args, 300);
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (r.status != 0) return -1;
    const nlohmann::json document = nlohmann::json::parse(r.out, nullptr, false);
    if (!document.is_object() || !document.contains("devices")) return -1;
    int read = 0;
    for (const auto& device : document["devices"]) {
        const bool byProfile = device.contains("profile") && device["profile"] == bench::kBenchProfile;
        if (device.value("name", std::string()) == "bench-printer" && byProfile == form.v3) ++read;
    }
    return read;
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 254;
    if (count < 1 || count > 254) {
        std::fprintf(stderr, "usage: v3_search_bench [addresses, 1 to 254]\n");
        return 2;
    }
    bench::V3Lab lab(addressesOf(count), kAgentProcesses);
    if (!lab.whyNot.empty()) {
        std::printf("v3_search_bench: skipped: %s\n", lab.whyNot.c_str());
        return 0;
    }
    const std::string targets = lab.dir.file("targets.txt");
    test::writeFile(targets, "127.0.0.1-127.0.0." + std::to_string(count) + "\n");

    std::vector<Form> forms{{"range, v1", false, false}, {"range, v3 authPriv", true, false},
                            {"block sweep, v1", false, true}, {"block sweep, v3 authPriv", true, true}};
    // Up once a v1 search reads every agent.
    bool up = false;
    for (int attempt = 0; attempt < 20 && !up; ++attempt) {
        double seconds = 0;
        up = search(forms[0], count, targets, seconds) == count;
    }
    if (!up) {
        std::printf("v3_search_bench: skipped: the snmpd agents did not all answer\n");
        return 0;
    }
    // Interleaved, so a busy moment of the machine falls on every form alike.
    for (int run = 0; run < kRuns; ++run) {
        for (Form& form : forms) {
            double seconds = 0;
            const int read = search(form, count, targets, seconds);
            if (read != count) {
                form.fault = "read " + std::to_string(read) + " of " + std::to_string(count);
                continue;
            }
            form.seconds += seconds;
            ++form.runs;
        }
    }

    std::printf("netrov-cli search of %d printers on 127.0.0.1-%d (%zu snmpd processes, time-out 1 s), mean of %d:\n",
                count, count, kAgentProcesses, kRuns);
    for (const Form& form : forms) {
        std::printf("  %-26s %7.3f s%s%s\n", form.what, form.runs ? form.seconds / form.runs : 0.0,
                    form.fault.empty() ? "" : "  FAULT: ", form.fault.c_str());
    }
    for (size_t i = 0; i + 1 < forms.size(); i += 2) {
        const Form& v1 = forms[i];
        const Form& v3 = forms[i + 1];
        if (!v1.runs || !v3.runs) continue;
        const double ratio = (v3.seconds / v3.runs) / (v1.seconds / v1.runs);
        std::printf("  ratio v3/v1, %-14s %.2f (target at most 1.25)\n", v1.sweep ? "block sweep:" : "range:", ratio);
    }
    return 0;
}
