// Runs promtool on exposition text, for tests that check what Prometheus accepts.
#pragma once

#include <string>

namespace netrov::test {

struct PromtoolResult {
    bool available = false;  // false: promtool is not installed
    int status = -1;
    std::string output;
};

PromtoolResult promtoolCheckMetrics(const std::string& text);

}  // namespace netrov::test
