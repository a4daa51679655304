// netrov-exporter: a Prometheus exporter that reads one printer per scrape.
#include <csignal>
#include <cstring>
#include <iostream>
#include <thread>

#include <CLI/CLI.hpp>

#include "config.h"
#include "front_library.h"
#include "reading.h"
#include "server.h"

namespace {

using namespace netrov;

constexpr int kExitBadInput = 2;
constexpr int kExitFailed = 1;

exporter::ExporterServer* gServer = nullptr;

extern "C" void onStop(int)
{
    // httplib's stop only flips a flag and shuts the listening socket down.
    if (gServer) gServer->stop();
}

int badInput(const std::string& message)
{
    std::cerr << "netrov-exporter: " << message << "\n";
    return kExitBadInput;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Prometheus exporter for printers and MFPs: /probe?target=ADDRESS reads one printer per scrape."};
    std::string listen;
    std::string configFile;
    std::string webConfigFile;
    app.add_option("--web.listen-address", listen,
                   std::string("address and port to listen on (default ") + exporter::kDefaultListenAddress +
                       "; an IPv6 address in brackets, [::1]:10109; any address but 127.0.0.0/8 and ::1 needs "
                       "allowed_networks in the configuration file)");
    app.add_option("--config.file", configFile,
                   "YAML configuration (a regular file of at most 1 MiB): listen_address, timeout, scrape_timeout, "
                   "retries, communities, max_parallel_probes, snmp_version, profile, allowed_networks, ipp_port");
    app.add_option("--web.config.file", webConfigFile,
                   "web configuration of the exporter toolkit: tls_server_config, basic_auth_users");
    app.set_version_flag("--version", std::string("netrov-exporter ") + NETROV_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    exporter::Config config;
    if (!configFile.empty()) {
        if (auto error = exporter::loadConfig(configFile, config)) return badInput(*error);
        if (!config.warning.empty()) std::cerr << "netrov-exporter: warning: " << config.warning << "\n";
    }
    exporter::WebConfig web;
    if (!webConfigFile.empty()) {
        if (auto error = exporter::loadWebConfig(webConfigFile, web)) return badInput(*error);
    }
    if (!listen.empty()) config.listenAddress = listen;
    const auto address = exporter::parseListenAddress(config.listenAddress);
    if (!address)
        return badInput("listen address " + config.listenAddress +
                        " is not HOST:PORT with an IPv4 address or [IPv6 address]:PORT");
    if (auto error = exporter::checkExposure(config, *address); !error.empty()) return badInput(error);

    // The thresholds of the settings file beside the programs, as every
    // surface reads them.
    core::loadProgramThresholds();

    core::FrontLibrary& library = core::FrontLibrary::tuva();
    library.ensureInitialised();
    int status = 0;
    {
        exporter::ExporterServer server(config, web);
        if (auto error = server.bind(*address); !error.empty()) {
            std::cerr << "netrov-exporter: " << error << "\n";
            status = kExitFailed;
        } else {
            gServer = &server;
            struct sigaction action;
            std::memset(&action, 0, sizeof action);
            action.sa_handler = onStop;
            sigemptyset(&action.sa_mask);
            sigaction(SIGINT, &action, nullptr);
            sigaction(SIGTERM, &action, nullptr);
            std::cerr << "netrov-exporter: listening on " << core::netAddressHost(address->address) << ":" << server.port()
                      << (web.tls() ? " (TLS)" : "") << "\n";
            if (!server.serve()) status = kExitFailed;
            gServer = nullptr;
        }
    }
    library.release();
    return status;
}
