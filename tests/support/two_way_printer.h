// One printer on one address of the test's network namespace, as a reader
// meets it: a recorded walk served over SNMP by snmpsimd, an IPP printer
// (ippeveprinter) on the same address, or both at once. The IPP printer
// answers on localhost, so that is the address; SNMP stays silent there
// when no walk is given.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ippeveprinter_runner.h"
#include "snmpsim_runner.h"
#include "temp_dir.h"

namespace netrov::test {

class TwoWayPrinter {
public:
    // walkFile: the .snmprec SNMP serves (community: its name); empty: no
    // SNMP agent. While the printer lives, HOME and XDG_DATA_HOME name a
    // folder of its own, so the certificates the readers trust on first
    // use and what libcups keeps stay out of the user's; they are put back
    // afterwards. Make it before any thread of the test reads the environment.
    TwoWayPrinter(const std::string& walkFile, IppPrinterSetup ipp);
    ~TwoWayPrinter();
    TwoWayPrinter(const TwoWayPrinter&) = delete;
    TwoWayPrinter& operator=(const TwoWayPrinter&) = delete;

    bool ready() const { return whyNot_.empty(); }
    const std::string& whyNot() const { return whyNot_; }
    static constexpr const char* kAddress = "127.0.0.1";
    int ippPort() const { return ippPort_; }
    // The walk's community, or a word no agent answers.
    const std::string& community() const { return community_; }

private:
    bool answersOverTls() const;

    TempDir home_;
    std::optional<std::string> oldHome_, oldData_;
    std::unique_ptr<SnmpSimRunner> snmp_;
    std::unique_ptr<IppEvePrinter> ipp_;
    int ippPort_ = 0;
    std::string community_ = "public";
    std::string whyNot_;
};

}  // namespace netrov::test
