// The one table of result words.
#include "result_text.h"

#include <netrov/result_codes.h>

namespace netrov::core {

namespace {

struct ResultWords {
    int32_t code;
    const char* reading;  // the result of a query
    const char* setting;  // the result of a set request; null: as reading
};

constexpr ResultWords kResultWords[] = {
    {NETROV_OK, "done", ""},
    {NETROV_NO_SERVICE, "no support package serves this device", "no support package serves the device"},
    {NETROV_NO_LIBRARY, "the device's service library is not loaded", nullptr},
    {NETROV_NO_ENTRY_POINT, "the device's service does not offer this query", nullptr},
    {NETROV_NO_MEMORY, "out of memory", nullptr},
    {NETROV_BAD_ARGUMENT, "bad argument", nullptr},
    {NETROV_NOT_SNMP, "the device is not reached over SNMP", nullptr},
    {NETROV_NOT_DEFINED, "not reported by this device",
     "standard printers offer no such object; only a model's own support package can name one"},
    {NETROV_NOT_ENCODABLE, "the request could not be encoded", nullptr},
    {NETROV_NO_VALUE, "the device's answer held no usable value", "the device refused the request"},
    {NETROV_NO_REPLY, "no answer (the device is off line, or uses another community)", "no answer"},
    {NETROV_SET_UNCONFIRMED, "the device did not confirm the setting", "the device did not confirm the value"},
    {NETROV_V3_UNKNOWN_USER, "SNMPv3: the device knows no such user", nullptr},
    {NETROV_V3_WRONG_DIGEST, "SNMPv3: wrong authentication pass phrase or protocol", nullptr},
    {NETROV_V3_UNSUPPORTED_LEVEL, "SNMPv3: the user does not support this security level", nullptr},
    {NETROV_V3_DECRYPTION_ERROR, "SNMPv3: decryption failed (wrong privacy pass phrase or protocol)", nullptr},
    {NETROV_V3_UNKNOWN_ENGINE, "SNMPv3: the device's engine identifier is not the one expected", nullptr},
    {NETROV_V3_NOT_IN_TIME_WINDOW, "SNMPv3: the device's clock stayed out of the time window", nullptr},
    {NETROV_V3_UNKNOWN_CONTEXT, "SNMPv3: the device knows no such context name", nullptr},
    {NETROV_V3_UNAVAILABLE, "SNMPv3 is not available in this build", nullptr},
    {NETROV_V3_UNKNOWN_PROFILE, "SNMPv3: the profile file has no profile of this name", nullptr},
    {NETROV_V3_PROFILE_REFUSED, "SNMPv3: the profile file is refused (private to its owner, and every line understood?)", nullptr},
};

const ResultWords* wordsOf(int32_t result)
{
    for (const ResultWords& words : kResultWords) {
        if (words.code == result) return &words;
    }
    return nullptr;
}

}  // namespace

const char* resultWords(int32_t result)
{
    const ResultWords* words = wordsOf(result);
    return words ? words->reading : "failed";
}

std::string setResultWords(int32_t result)
{
    const ResultWords* words = wordsOf(result);
    if (!words) return "failed (result " + std::to_string(result) + ")";
    return words->setting ? words->setting : words->reading;
}

}  // namespace netrov::core
