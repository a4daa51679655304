// The one table of result words: what a reading and a setting say for each code.
#include <gtest/gtest.h>

#include <netrov/result_codes.h>

#include "result_text.h"

namespace netrov::test {
namespace {

TEST(ResultWords, ReadingsAndSettingsSayWhatHappened)
{
    struct Case {
        int32_t result;
        const char* reading;
        const char* setting;
    };
    const Case cases[] = {
        {NETROV_OK, "done", ""},
        {NETROV_NOT_DEFINED, "not reported by this device",
         "standard printers offer no such object; only a model's own support package can name one"},
        {NETROV_NO_VALUE, "the device's answer held no usable value", "the device refused the request"},
        {NETROV_NO_REPLY, "no answer (the device is off line, or uses another community)", "no answer"},
        {NETROV_NO_ENTRY_POINT, "the device's service does not offer this query",
         "the device's service does not offer this query"},
        {NETROV_SET_UNCONFIRMED, "the device did not confirm the setting", "the device did not confirm the value"},
        {NETROV_NO_SERVICE, "no support package serves this device", "no support package serves the device"},
        {77, "failed", "failed (result 77)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        EXPECT_STREQ(core::resultWords(c.result), c.reading);
        EXPECT_EQ(core::setResultWords(c.result), c.setting);
    }
}

}  // namespace
}  // namespace netrov::test
