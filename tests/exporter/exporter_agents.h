// A suite of simulated printers with an exporter on an ephemeral loopback
// port in front of them; the suite names its walks as WalkAgentsSuite asks.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include <httplib.h>

#include "front_library.h"
#include "server.h"
#include "walk_agents.h"

namespace netrov::exporter {

template <class Suite>
class ExporterAgentsSuite : public test::WalkAgentsSuite<Suite> {
protected:
    void SetUp() override
    {
        test::WalkAgentsSuite<Suite>::SetUp();
        if (this->IsSkipped()) return;
        core::FrontLibrary::tuva().ensureInitialised();
        Config config;
        config.timeOutSeconds = 1;
        config.communities = {{"default", this->agents_->community()}, {"retired", "no-longer-this"}};
        server_ = std::make_unique<ExporterServer>(config, WebConfig{});
        ListenAddress listen = *parseListenAddress("127.0.0.1:1");
        listen.port = 0;
        ASSERT_EQ(server_->bind(listen), "");
        thread_ = std::thread([this] { server_->serve(); });
    }

    void TearDown() override
    {
        if (server_) server_->stop();
        if (thread_.joinable()) thread_.join();
        server_.reset();
    }

    std::string scrape(const std::string& target)
    {
        httplib::Client client("127.0.0.1", server_->port());
        client.set_read_timeout(30, 0);
        const auto result = client.Get("/probe?target=" + target);
        EXPECT_TRUE(result && result->status == 200) << target;
        return result ? result->body : std::string();
    }

    std::unique_ptr<ExporterServer> server_;
    std::thread thread_;
};

}  // namespace netrov::exporter
