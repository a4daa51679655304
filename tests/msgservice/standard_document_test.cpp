// The standard package's message document, as installed in the build's
// program directory: a message for every Printer-MIB alert code, and a
// picture for every image key it names.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "attribute_match.h"
#include "message_service.h"
#include "netrov/zomini.h"
#include "temp_dir.h"

using namespace netrov;
using netrov::test::alert;

namespace {

const std::filesystem::path kProgramDir = NETROV_OUTPUT_DIR;

std::string packageValue(const char* key)
{
    char value[260] = {};
    const std::string ini = (kProgramDir / "other" / "support.ini").string();
    ZOMINI_IniReadString("CONFIG", key, "", value, sizeof value, ini.c_str());
    return value;
}

// Every PrtAlertCodeTC code: the generic ones, those of one group each, and
// the finisher codes (30000 + device type * 100 + generic code).
std::vector<int32_t> allAlertCodes()
{
    std::vector<int32_t> codes;
    auto range = [&](int32_t first, int32_t last) {
        for (int32_t code = first; code <= last; ++code) codes.push_back(code);
    };
    range(1, 38);
    range(501, 507);
    range(801, 813);
    range(901, 904);
    range(1001, 1005);
    range(1101, 1115);
    range(1301, 1304);
    range(1501, 1507);
    range(1509, 1509);
    range(1801, 1801);
    for (int32_t device = 2; device <= 18; ++device) range(30000 + device * 100 + 3, 30000 + device * 100 + 38);
    return codes;
}

// The alert group a device reports a code with; generic codes come from any group.
int32_t groupOf(int32_t code)
{
    if (code >= 30000) return 30;
    return code >= 100 ? code / 100 : 5;
}

bool isJpeg(const std::filesystem::path& file)
{
    const std::string bytes = test::readFile(file.string());
    return bytes.size() > 4 && bytes.compare(0, 2, "\xFF\xD8") == 0 && bytes.compare(bytes.size() - 2, 2, "\xFF\xD9") == 0;
}

class StandardDocument : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(kProgramDir / "other" / "support.ini"))
            GTEST_SKIP() << "no standard package in " << kProgramDir;
#ifdef _WIN32
        ASSERT_EQ(packageValue("LIB_MSG"), "mirrel.dll");
#else
        ASSERT_EQ(packageValue("LIB_MSG"), "libmirrel.so");
#endif
        ASSERT_FALSE(packageValue("CFG_MSG").empty());
        imageDirectory_ = packageValue("IMAGEDIR");
        msg_ = std::make_unique<test::MessageService>((kProgramDir / packageValue("CFG_MSG")).string(), imageDirectory_);
        ASSERT_TRUE(msg_->loaded()) << packageValue("CFG_MSG");
    }
    std::vector<MessageRecord> messages(const std::vector<DeviceStatus>& alerts) { return msg_->messages(alerts); }

    std::string imageDirectory_;
    std::unique_ptr<test::MessageService> msg_;
};

}  // namespace

TEST_F(StandardDocument, EveryAlertCodeHasAMessageAHintAndAPicture)
{
    std::vector<DeviceStatus> alerts;
    for (int32_t code : allAlertCodes()) alerts.push_back(alert(code, groupOf(code)));
    alerts.push_back(alert(0, 0, 0, 1));  // the status could not be read
    ASSERT_EQ(alerts.size(), 95u + 612u + 1u);
    const auto out = messages(alerts);
    for (size_t i = 0; i < alerts.size(); ++i) {
        SCOPED_TRACE(alerts[i].failureValue ? std::string("#") : std::to_string(alerts[i].alertCode));
        EXPECT_STRNE(out[i].status, "");
        EXPECT_STRNE(out[i].recovery, "");
        EXPECT_LT(std::strlen(out[i].status), 60u) << "a status text is short";
        ASSERT_STRNE(out[i].imagePath, "");
        EXPECT_TRUE(isJpeg(kProgramDir / out[i].imagePath)) << out[i].imagePath;
    }
}

TEST_F(StandardDocument, TheGroupRefinesWhatAGenericAlertMeans)
{
    const struct {
        int32_t code, group;
        const char* word;
        const char* image;
    } cases[] = {
        {12, 11, "Toner", "alert_supply_low"},   // marker supplies: toner or ink
        {12, 8, "Paper", "alert_paper_low"},     // input: paper
        {13, 11, "Toner", "alert_supply_empty"},
        {13, 8, "Paper", "alert_paper_empty"},
        {15, 9, "Output", "alert_output_full"},
        {8, 13, "jam", "alert_jam"},
        {3, 6, "cover", "alert_door_open"},
        {23, 5, "Power save", "alert_power_save"},
        {22, 5, "Offline", "alert_offline"},
        {30208, 30, "Stapler", "alert_jam"},
        {31613, 31, "Stacker", "alert_supply_empty"},
    };
    for (const auto& c : cases) {
        const MessageRecord r = messages({alert(c.code, c.group)})[0];
        EXPECT_NE(std::string(r.status).find(c.word), std::string::npos) << c.code << "/" << c.group << ": " << r.status;
        EXPECT_EQ(std::string(r.imagePath), imageDirectory_ + "/" + c.image + ".jpg") << c.code << "/" << c.group;
    }
}

TEST_F(StandardDocument, EveryImageTheDocumentNamesIsInstalled)
{
    for (const char* tag : {"imageKey", "file"}) {
        definition::ElementListOwner elements = definition::elementsNamed(msg_->document()->top, tag);
        for (const ZomXmlElementList* cell = elements.get(); cell; cell = cell->next) {
            ASSERT_NE(cell->element->text, nullptr);
            const std::filesystem::path picture =
                kProgramDir / imageDirectory_ / (std::string(cell->element->text) + ".jpg");
            EXPECT_TRUE(isJpeg(picture)) << picture;
        }
    }
}
