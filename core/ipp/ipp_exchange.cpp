// One request to a printer over IPP or IPPS through libcups.
#include "ipp_exchange.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include <cups/http.h>

#include "ipp_trust.h"
#include "ipp_values.h"
#include "net_address.h"

namespace netrov::core::ipp {

namespace {

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
using Connection = std::unique_ptr<http_t, HttpClose>;
struct CredentialsFree {
    void operator()(cups_array_t* credentials) const { httpFreeCredentials(credentials); }
};
using Credentials = std::unique_ptr<cups_array_t, CredentialsFree>;

// The first line of an owner-only file: "user:password".
bool readCredentials(const std::string& path, std::string& user, std::string& password, std::string& why)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) {
        why = "the credentials file cannot be read";
        return false;
    }
    if (info.st_mode & (S_IRWXG | S_IRWXO)) {
        why = "the credentials file is open to others (it must be owner-only)";
        return false;
    }
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) {
        why = "the credentials file's first line is not user:password";
        return false;
    }
    user = line.substr(0, colon);
    password = line.substr(colon + 1);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return true;
}

const char* passwordOf(const char*, http_t*, const char*, const char*, void* data)
{
    const auto* password = static_cast<const std::string*>(data);
    return password && !password->empty() ? password->c_str() : nullptr;
}

// The thread's user and password callback for one exchange. libcups' own
// callback would ask on the terminal, so a printer that wants a password
// nobody configured gets none and the request fails rather than waits.
class PasswordScope {
public:
    PasswordScope(const std::string& user, const std::string* password)
    {
        cupsSetPasswordCB2(passwordOf, const_cast<std::string*>(password));
        if (!user.empty()) cupsSetUser(user.c_str());
    }
    ~PasswordScope()
    {
        cupsSetPasswordCB2(passwordOf, nullptr);
        cupsSetUser(nullptr);
    }
    PasswordScope(const PasswordScope&) = delete;
    PasswordScope& operator=(const PasswordScope&) = delete;
};

Connection connect(const IppTarget& target, bool tls)
{
    return Connection(httpConnect2(target.host.c_str(), target.port, nullptr, AF_UNSPEC,
                                   tls ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_NEVER, 1,
                                   std::max(target.timeOutSeconds, 1) * 1000, nullptr));
}

CertificateStore storeOf(const IppTarget& target)
{
    return CertificateStore(target.trustFile.empty() ? CertificateStore::defaultPath() : target.trustFile);
}

// Compares the certificate with the one kept for the device; false when it
// changed (the problem says so) and the printer must not be asked.
bool certificateTrusted(http_t* http, const IppTarget& target, std::vector<std::string>& problems)
{
    cups_array_t* raw = nullptr;
    if (httpCopyCredentials(http, &raw) != 0 || !raw) {
        problems.push_back("IPP: the printer's certificate cannot be read");
        return false;
    }
    const Credentials credentials(raw);
    const auto* first = static_cast<const http_credential_t*>(cupsArrayFirst(credentials.get()));
    if (!first || !first->data || first->datalen == 0) {
        problems.push_back("IPP: the printer gave no certificate");
        return false;
    }
    const std::string fingerprint = certificateFingerprint(first->data, first->datalen);
    const CertificateStore store = storeOf(target);
    std::string known;
    const TrustVerdict verdict = store.check(deviceKey(target), fingerprint, &known);
    if (verdict == TrustVerdict::Changed) {
        problems.push_back("IPP: the printer's certificate changed (kept " + known + ", now " + fingerprint + "); not trusted");
        return false;
    }
    if (verdict == TrustVerdict::NotStored)
        problems.push_back("IPP: the certificate's fingerprint could not be kept in " + store.path());
    return true;
}

}  // namespace

std::string hostText(const std::string& host)
{
    const std::optional<NetAddress> address = parseNetAddress(host);
    return address ? netAddressText(*address) : host;
}

std::string deviceKey(const IppTarget& target)
{
    const std::optional<NetAddress> address = parseNetAddress(target.host);
    return (address ? netAddressHost(*address) : target.host) + ":" + std::to_string(target.port);
}

Exchange exchange(const IppTarget& asked, ipp_op_t operation, const std::function<void(ipp_t* request)>& add)
{
    Exchange out;
    const auto fail = [&out](ExchangeResult result, const std::string& why) {
        out.result = result;
        out.problems.push_back("IPP: " + why);
    };
    IppTarget target = asked;
    target.host = hostText(asked.host);

    std::string user;
    std::string password;
    if (!target.credentialsFile.empty()) {
        std::string why;
        if (!readCredentials(target.credentialsFile, user, password, why)) {
            fail(ExchangeResult::NoAnswer, why);
            return out;
        }
    }
    bool tls = target.encryption != Encryption::Never;
    Connection http = connect(target, tls);
    if (!http && target.encryption == Encryption::Auto) {
        // A printer that spoke TLS before is not read in plain now: whoever
        // is in between could have refused the TLS to read and answer in clear.
        if (storeOf(target).holds(deviceKey(target))) {
            fail(ExchangeResult::NoAnswer, "the printer spoke TLS before and does not now; not read without it");
            return out;
        }
        tls = false;
        http = connect(target, tls);
    }
    if (!http) {
        // libcups names the TLS server by the address itself where it is not
        // a loopback one, and a printer may refuse an address as that name.
        const std::optional<NetAddress> address = parseNetAddress(target.host);
        const bool v6Tls = tls && address && address->v6 && target.host != "::1";
        fail(ExchangeResult::NoAnswer, "no answer on port " + std::to_string(target.port) + " (" + cupsLastErrorString() +
                                           ")" + (v6Tls ? "; a printer may refuse TLS to an IPv6 address" : ""));
        return out;
    }
    if (tls && !certificateTrusted(http.get(), target, out.problems)) {
        out.result = ExchangeResult::NotTrusted;
        return out;
    }
    httpSetTimeout(http.get(), std::max(target.timeOutSeconds, 1), nullptr, nullptr);

    char uri[1024];
    httpAssembleURI(HTTP_URI_CODING_ALL, uri, sizeof uri, tls ? "ipps" : "ipp", nullptr, target.host.c_str(), target.port,
                    target.resource.c_str());
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, user.empty() ? "netrov" : user.c_str());
    if (add) add(request);
    {
        const PasswordScope scope(user, password.empty() ? nullptr : &password);
        out.response.reset(cupsDoRequest(http.get(), request, target.resource.c_str()));  // frees the request
    }
    if (!out.response || ippGetStatusCode(out.response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
        out.response.reset();
        const std::string why = cupsLastErrorString();
        if (cupsLastError() == IPP_STATUS_ERROR_NOT_AUTHORIZED || cupsLastError() == IPP_STATUS_ERROR_FORBIDDEN)
            fail(ExchangeResult::Refused, "the printer refused the request (" + why + ")");
        else
            fail(ExchangeResult::Failed, std::string(ippOpString(operation)) + " failed (" + why + ")");
        return out;
    }
    out.result = ExchangeResult::Answered;
    return out;
}

std::string attributeText(ipp_attribute_t* attribute, int i)
{
    if (!attribute || i < 0 || i >= ippGetCount(attribute)) return {};
    if (ippGetValueTag(attribute) == IPP_TAG_STRING) {
        int length = 0;
        const void* data = ippGetOctetString(attribute, i, &length);
        if (!data || length <= 0) return {};
        return std::string(static_cast<const char*>(data), static_cast<size_t>(std::min<int>(length, kMaxValueLength)));
    }
    const char* text = ippGetString(attribute, i, nullptr);
    return text ? std::string(text).substr(0, kMaxValueLength) : std::string();
}

}  // namespace netrov::core::ipp
