// Starts a printer's SNMP agent and IPP printer on one address.
#include "two_way_printer.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

namespace netrov::test {

namespace {

std::optional<std::string> environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void putBack(const char* name, const std::optional<std::string>& value)
{
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

}  // namespace

TwoWayPrinter::TwoWayPrinter(const std::string& walkFile, IppPrinterSetup ipp) : ippPort_(ipp.port)
{
    oldHome_ = environment("HOME");
    oldData_ = environment("XDG_DATA_HOME");
    setenv("HOME", home_.path().c_str(), 1);
    setenv("XDG_DATA_HOME", home_.file("data").c_str(), 1);
    if (const std::string why = IppEvePrinter::missing(); !why.empty()) {
        whyNot_ = why;
        return;
    }
    if (!walkFile.empty()) {
        community_ = SnmpSimRunner::communityOf(walkFile);
        snmp_ = std::make_unique<SnmpSimRunner>(std::vector<std::string>{walkFile}, std::vector<std::string>{kAddress});
        if (!snmp_->ready()) {
            whyNot_ = "the SNMP agent did not start: " + snmp_->whyNot();
            return;
        }
    }
    ipp_ = std::make_unique<IppEvePrinter>(std::move(ipp));
    if (!ipp_->ready()) {
        whyNot_ = "the IPP printer did not start: " + ipp_->whyNot();
        return;
    }
    // The printer makes its certificate at its first TLS session: one now,
    // so the readers' first time-outs do not pay for it.
    if (!answersOverTls())
        whyNot_ = "the IPP printer did not answer over TLS: " + readFile(home_.file("ipptool.log")) + ipp_->log();
}

bool TwoWayPrinter::answersOverTls() const
{
    const std::string tool = "/usr/bin/ipptool";
    // One request that expects nothing but success (the shipped test files expect more than a test printer has).
    const std::string request = home_.file("attributes.test");
    writeFile(request, "{\n OPERATION Get-Printer-Attributes\n GROUP operation-attributes-tag\n"
                       " ATTR charset attributes-charset utf-8\n ATTR naturalLanguage attributes-natural-language en\n"
                       " ATTR uri printer-uri $uri\n STATUS successful-ok\n}\n");
    const std::string url = "ipps://" + std::string(kAddress) + ":" + std::to_string(ippPort_) + "/ipp/print";
    const std::string log = home_.file("ipptool.log");
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        execl(tool.c_str(), tool.c_str(), "-T", "20", url.c_str(), request.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TwoWayPrinter::~TwoWayPrinter()
{
    ipp_.reset();
    snmp_.reset();
    putBack("HOME", oldHome_);
    putBack("XDG_DATA_HOME", oldData_);
}

}  // namespace netrov::test
