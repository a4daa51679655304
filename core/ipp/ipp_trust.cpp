// Keeping the fingerprints of printers' certificates.
#include "ipp_trust.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include <openssl/evp.h>

namespace netrov::core::ipp {

namespace {

std::mutex& storeLock()
{
    static std::mutex lock;
    return lock;
}

std::map<std::string, std::string> readStore(const std::string& path)
{
    std::map<std::string, std::string> kept;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device;
        std::string fingerprint;
        if (fields >> device >> fingerprint) kept.emplace(device, fingerprint);
    }
    return kept;
}

// The whole file anew beside the old one, made owner-only before anything is
// in it, then renamed over it.
bool writeStore(const std::string& path, const std::map<std::string, std::string>& kept)
{
    std::error_code error;
    const std::filesystem::path target(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);
    const std::string temporary = path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::string text;
    for (const auto& [device, fingerprint] : kept) text += device + " " + fingerprint + "\n";
    bool written = ::fchmod(fd, 0600) == 0;
    for (size_t done = 0; written && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        written = n > 0;
        done += written ? static_cast<size_t>(n) : 0;
    }
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}

}  // namespace

const char* trustVerdictName(TrustVerdict verdict)
{
    switch (verdict) {
    case TrustVerdict::FirstUse: return "trusted on first use";
    case TrustVerdict::Known: return "known";
    case TrustVerdict::Changed: return "changed";
    case TrustVerdict::NotStored: return "trusted on first use, not kept";
    }
    return "unknown";
}

std::string CertificateStore::defaultPath()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return std::string(data) + "/netrov/ipp-certificates";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/share/netrov/ipp-certificates";
    return {};
}

TrustVerdict CertificateStore::check(const std::string& device, const std::string& fingerprint, std::string* known) const
{
    const std::lock_guard<std::mutex> hold(storeLock());
    std::map<std::string, std::string> kept = readStore(path_);
    if (const auto found = kept.find(device); found != kept.end()) {
        if (known) *known = found->second;
        return found->second == fingerprint ? TrustVerdict::Known : TrustVerdict::Changed;
    }
    if (known) *known = fingerprint;
    kept.emplace(device, fingerprint);
    return !path_.empty() && writeStore(path_, kept) ? TrustVerdict::FirstUse : TrustVerdict::NotStored;
}

bool CertificateStore::holds(const std::string& device) const
{
    const std::lock_guard<std::mutex> hold(storeLock());
    return readStore(path_).count(device) > 0;
}

std::string certificateFingerprint(const void* der, size_t length)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(der, length, digest, &size, EVP_sha256(), nullptr) != 1) return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "sha256:";
    for (unsigned int i = 0; i < size; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 0xF];
    }
    return out;
}

}  // namespace netrov::core::ipp
