// The certificates of printers read over TLS. A printer's certificate is
// mostly self-signed, so the first one seen is trusted and its fingerprint
// kept; a different one later is reported as changed and not trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace netrov::core::ipp {

enum class TrustVerdict : uint8_t {
    FirstUse,    // not seen before: kept now
    Known,       // the fingerprint kept for the device
    Changed,     // another fingerprint is kept for the device
    NotStored,   // first use, but the file could not be written
};
const char* trustVerdictName(TrustVerdict verdict);

// One owner-only file of "device fingerprint" lines, replaced whole (a
// temporary file renamed over it) so a reader never sees half of it. Safe
// on many threads of one process.
class CertificateStore {
public:
    explicit CertificateStore(std::string path) : path_(std::move(path)) {}
    // $XDG_DATA_HOME/netrov/ipp-certificates, else
    // ~/.local/share/netrov/ipp-certificates; empty when neither is known.
    static std::string defaultPath();

    const std::string& path() const { return path_; }
    // Compares the fingerprint with the one kept for the device ("address:port")
    // and keeps it when there is none; known receives the kept one.
    TrustVerdict check(const std::string& device, const std::string& fingerprint, std::string* known = nullptr) const;
    // Whether a fingerprint is kept for the device: it spoke TLS before.
    bool holds(const std::string& device) const;

private:
    std::string path_;
};

// "sha256:" and the lower-case hex of the SHA-256 of the certificate's DER bytes.
std::string certificateFingerprint(const void* der, size_t length);

}  // namespace netrov::core::ipp
