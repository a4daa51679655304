// Builds what the front library would hand to the service: a service record
// with a loaded definition document and a language file, and device records.
#pragma once

#include <cstring>
#include <string>

#include "netrov/device_identity.h"
#include "netrov/service_record.h"
#include "netrov/zomxml.h"
#include "temp_dir.h"

namespace netrov::test {

class Service {
public:
    // A document given as text; language file contents optional.
    explicit Service(const std::string& definition, const std::string& language = "")
    {
        writeFile(dir_.file("definition.xml"), definition);
        writeFile(dir_.file("language.ini"), language);
        open(dir_.file("definition.xml"));
    }
    // The standard support package of the source tree.
    static std::string standardDefinition()
    {
        return std::string(NETROV_SOURCE_DIR) + "/data/other/standard_snmp.xml";
    }
    struct FromFile {};
    Service(FromFile, const std::string& path, const std::string& language = "")
    {
        writeFile(dir_.file("language.ini"), language);
        open(path);
    }
    ~Service() { ZOMXML_Free(document_); }
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    ServiceRecord* record() { return &record_; }
    bool loaded() const { return document_ != nullptr; }

private:
    void open(const std::string& path)
    {
        languagePath_ = dir_.file("language.ini");
        document_ = ZOMXML_Load(path.c_str());
        record_.document = document_;
        record_.languageFile = languagePath_.data();
    }

    TempDir dir_;
    std::string languagePath_;
    ZomXmlDocument* document_ = nullptr;
    ServiceRecord record_{};
};

// An SNMP device record for an address given in network order.
inline DeviceIdentity snmpDevice(uint32_t addressNetworkOrder, const char* community = "public",
                                 int32_t timeout = 1)
{
    DeviceIdentity d;
    memset(&d, 0, sizeof d);
    d.transport = NETROV_TRANSPORT_SNMP;
    d.interfaceKind = NETROV_INTERFACE_NETWORK;
    strncpy(d.community, community, sizeof d.community - 1);
    d.timeout = timeout;
    memcpy(d.address, &addressNetworkOrder, 4);
    return d;
}

// A definition document from oid and keyword elements.
inline std::string document(const std::string& body)
{
    return "<?xml version=\"1.0\"?>\n<definition>\n" + body + "\n</definition>\n";
}

}  // namespace netrov::test
