// One request to a printer over IPP or IPPS as every reading makes it: the
// connection (TLS first where allowed), the certificate held against the kept
// one, the credentials from their private file, and the printer's answer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <cups/cups.h>
#include <cups/ipp.h>

#include "ipp_reading.h"

namespace netrov::core::ipp {

struct IppDelete {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Message = std::unique_ptr<ipp_t, IppDelete>;

enum class ExchangeResult : uint8_t {
    Answered,    // response holds the printer's successful answer
    NoAnswer,    // no connection, or no usable credentials: nothing was asked
    NotTrusted,  // the printer's certificate is not the kept one: nothing was asked
    Refused,     // the printer refused the request (not authorised, forbidden)
    Failed,      // the printer answered with an error, or not at all
};

struct Exchange {
    ExchangeResult result = ExchangeResult::NoAnswer;
    Message response;                   // set only when Answered
    std::vector<std::string> problems;  // each begins with "IPP: "
};

// The host as libcups takes it and as a reading names it: an address in its
// RFC 5952 text without brackets ("fe80::1%eth0" keeps its zone, which
// libcups turns into its own form in the printer's URI); a name as given.
std::string hostText(const std::string& host);
// The certificate store's key of the printer: "address:port", an IPv6
// address in brackets and in RFC 5952 text, so one address has one key
// however it was written and an IPv4 key never reads as an IPv6 one.
std::string deviceKey(const IppTarget& target);

// Sends one request of the operation, with printer-uri and
// requesting-user-name filled and then whatever add puts in (add may be
// empty). Safe on many threads at once.
Exchange exchange(const IppTarget& target, ipp_op_t operation, const std::function<void(ipp_t* request)>& add);

// The i-th value as text, whichever of the text and octet string tags it
// has, at most kMaxValueLength bytes; empty when absent.
std::string attributeText(ipp_attribute_t* attribute, int i);

}  // namespace netrov::core::ipp
