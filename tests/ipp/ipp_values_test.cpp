// The texts inside a printer's IPP values: key=value lists, device ID fields
// and state reasons, each rule one table.
#include <gtest/gtest.h>

#include <netrov/printer_mib.h>

#include <sys/stat.h>

#include "ipp_exchange.h"
#include "ipp_reading.h"
#include "ipp_trust.h"
#include "ipp_values.h"
#include "temp_dir.h"

namespace netrov::core::ipp {
namespace {

struct KeyValueRow {
    const char* text;
    const char* key;
    const char* value;  // expected; "" when absent
};

TEST(IppKeyValues, EachKeyGivesItsValueAndNothingBeyondTheText)
{
    const std::string many = [] {
        std::string text;
        for (int i = 0; i < 40; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i) + ";";
        return text;
    }();
    const std::string longValue = "name=" + std::string(5000, 'x') + ";";
    const KeyValueRow rows[] = {
        {"type=toner;level=80;colorantname=black;", "level", "80"},
        {"type=toner;level=80;colorantname=black;", "TYPE", "toner"},
        {"type=toner;level=80;colorantname=black", "colorantname", "black"},  // no closing ';'
        {"name=Tray\\ 1\\;A;level=3;", "name", "Tray 1;A"},                  // escapes kept as bytes
        {"name=a\\=b;", "name", "a=b"},
        {"level;=5;level=7;", "level", "7"},  // a part without '=' or key is skipped
        {"level=5=6;", "level", "5=6"},
        {"trailing\\", "trailing", ""},
        {"", "level", ""},
        {many.c_str(), "k31", "31"},
        {many.c_str(), "k32", ""},  // beyond the pairs kept
    };
    for (const KeyValueRow& row : rows) {
        SCOPED_TRACE(std::string(row.text).substr(0, 60) + " / " + row.key);
        EXPECT_EQ(valueOf(parseKeyValues(row.text), row.key), row.value);
    }
    EXPECT_EQ(valueOf(parseKeyValues(longValue), "name").size(), kMaxValueLength);
    const KeyValues numbers = parseKeyValues("a=12;b=-3;c=99999999999;d=1x;e=;");
    EXPECT_EQ(numberOf(numbers, "a"), 12);
    EXPECT_EQ(numberOf(numbers, "b"), -3);
    for (const char* key : {"c", "d", "e", "f"}) EXPECT_EQ(numberOf(numbers, key), std::nullopt) << key;
}

TEST(IppDeviceId, TheSerialNumberComesFromAnyOfItsNames)
{
    const std::pair<const char*, const char*> rows[] = {
        {"MFG:Acme;MDL:Laser 1;CMD:PWGRaster;SN:ACM123;", "ACM123"},
        {"MFG:Acme; SERN:X9;", "X9"},
        {"SERIALNUMBER:Z1", "Z1"},
        {"MFG:Acme;MDL:SN:no;", ""},  // a value that looks like a key is not one
        {"", ""},
    };
    for (const auto& [id, serial] : rows) EXPECT_EQ(deviceIdField(id, {"SN", "SERN", "SERIALNUMBER"}), serial) << id;
}

struct ReasonRow {
    const char* keyword;
    uint32_t bits;
    ReasonSeverity severity;
};

TEST(IppStateReasons, AReasonIsItsErrorStateBitsAndItsSeverity)
{
    const ReasonRow rows[] = {
        {"media-jam-error", NETROV_ERROR_JAMMED, ReasonSeverity::Error},
        {"cover-open-warning", NETROV_ERROR_DOOR_OPEN, ReasonSeverity::Warning},
        {"door-open", NETROV_ERROR_DOOR_OPEN, ReasonSeverity::Error},  // no suffix: an error
        {"toner-low-report", NETROV_ERROR_LOW_TONER, ReasonSeverity::Report},
        {"marker-supply-empty-error", NETROV_ERROR_NO_TONER, ReasonSeverity::Error},
        {"media-empty-warning", NETROV_ERROR_NO_PAPER, ReasonSeverity::Warning},
        {"output-area-almost-full-report", NETROV_ERROR_OUTPUT_NEAR_FULL, ReasonSeverity::Report},
        {"spool-area-full-report", 0, ReasonSeverity::Report},
        {"none", 0, ReasonSeverity::Error},
        {"-error", 0, ReasonSeverity::Error},
    };
    for (const ReasonRow& row : rows) {
        SCOPED_TRACE(row.keyword);
        const StateReason reason = splitStateReason(row.keyword);
        EXPECT_EQ(stateReasonBits(reason.reason), row.bits);
        EXPECT_EQ(reason.severity, row.severity);
    }
}

TEST(IppKeywords, EitherSpellingNamesTheSameValue)
{
    EXPECT_EQ(enumValueOf(Enumeration::SupplyType, "toner"), 3);
    EXPECT_EQ(enumValueOf(Enumeration::SupplyType, "tonerCartridge"), 21);
    EXPECT_EQ(enumValueOf(Enumeration::SupplyType, "toner-cartridge"), 21);
    EXPECT_EQ(enumValueOf(Enumeration::SupplyType, "wasteToner"), 4);
    EXPECT_EQ(enumValueOf(Enumeration::AlertCode, "coverOpen"), 3);
    EXPECT_EQ(enumValueOf(Enumeration::AlertCode, "1101"), 1101);
    EXPECT_EQ(enumValueOf(Enumeration::AlertCode, "no-such-code"), std::nullopt);
    EXPECT_EQ(rgbOf("#00FFFF"), (std::array<int32_t, 3>{0, 255, 255}));
    for (const char* bad : {"#00FFF", "00FFFF0", "#-1FFFF", "#GGGGGG", "none"}) EXPECT_EQ(rgbOf(bad), std::nullopt) << bad;
}

struct TrustRow {
    const char* device;
    const char* fingerprint;
    TrustVerdict verdict;
};

TEST(IppCertificates, TheFirstIsKeptAndAnotherLaterIsAChange)
{
    const test::TempDir dir;
    const CertificateStore store(dir.file("data/ipp-certificates"));
    const TrustRow rows[] = {
        {"192.0.2.1:631", "sha256:aa", TrustVerdict::FirstUse},
        {"192.0.2.1:631", "sha256:aa", TrustVerdict::Known},
        {"192.0.2.1:631", "sha256:bb", TrustVerdict::Changed},
        {"192.0.2.1:631", "sha256:aa", TrustVerdict::Known},  // a change is not kept
        {"192.0.2.1:8631", "sha256:bb", TrustVerdict::FirstUse},
        {"[2001:db8::17]:631", "sha256:cc", TrustVerdict::FirstUse},
    };
    for (const TrustRow& row : rows) EXPECT_EQ(store.check(row.device, row.fingerprint), row.verdict) << row.device;
    EXPECT_TRUE(store.holds("192.0.2.1:8631"));
    EXPECT_FALSE(store.holds("192.0.2.2:631"));
    EXPECT_EQ(CertificateStore("").check("192.0.2.1:631", "sha256:aa"), TrustVerdict::NotStored);
    EXPECT_EQ(certificateFingerprint("abc", 3), "sha256:ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

struct KeyRow {
    const char* host;
    const char* asked;  // what libcups is given and the reading names
    const char* key;    // the certificate store's key on port 631
};

// However an address is written, it has one key, and an IPv6 key is bracketed.
TEST(IppCertificates, AnAddressHasOneKeyInItsShortestText)
{
    const KeyRow rows[] = {
        {"192.0.2.1", "192.0.2.1", "192.0.2.1:631"},
        {"2001:DB8:0:0:0:0:0:21", "2001:db8::21", "[2001:db8::21]:631"},
        {"[2001:db8::21]", "2001:db8::21", "[2001:db8::21]:631"},
        {"::1", "::1", "[::1]:631"},
        {"fe80::1%eth0", "fe80::1%eth0", "[fe80::1%eth0]:631"},
        {"::ffff:192.0.2.1", "::ffff:192.0.2.1", "[::ffff:192.0.2.1]:631"},
        {"printer.example", "printer.example", "printer.example:631"},
    };
    for (const KeyRow& row : rows) {
        IppTarget target;
        target.host = row.host;
        EXPECT_EQ(hostText(row.host), row.asked) << row.host;
        EXPECT_EQ(deviceKey(target), row.key) << row.host;
    }
}

struct CredentialsRow {
    const char* text;  // null: no file
    mode_t mode;
    const char* problem;
};

// A credentials file that cannot be used stops the read before any packet,
// and its text never reaches the problem.
TEST(IppCredentials, AFileOpenToOthersOrMalformedIsRefused)
{
    const test::TempDir dir;
    const CredentialsRow rows[] = {
        {nullptr, 0600, "IPP: the credentials file cannot be read"},
        {"admin:s3cret\n", 0644, "IPP: the credentials file is open to others (it must be owner-only)"},
        {"admin s3cret\n", 0600, "IPP: the credentials file's first line is not user:password"},
        {":s3cret\n", 0600, "IPP: the credentials file's first line is not user:password"},
    };
    int n = 0;
    for (const CredentialsRow& row : rows) {
        const std::string path = dir.file("credentials" + std::to_string(n++));
        if (row.text) {
            test::writeFile(path, row.text);
            chmod(path.c_str(), row.mode);
        }
        IppTarget target;
        target.host = "192.0.2.1";  // never reached
        target.credentialsFile = path;
        const DeviceReport report = readIppReport(target);
        EXPECT_FALSE(report.answered);
        ASSERT_EQ(report.problems.size(), 1u);
        EXPECT_EQ(report.problems[0], row.problem);
        const IppJobs jobs = readIppJobs(target);
        EXPECT_FALSE(jobs.answered);
        EXPECT_EQ(jobs.problems, std::vector<std::string>{row.problem});
    }
}

}  // namespace
}  // namespace netrov::core::ipp
