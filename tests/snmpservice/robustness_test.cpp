// Definition documents, language files and identifier texts are installation
// data that users edit: mutated and truncated ones must give result codes or
// unset values, never a read outside a buffer (run under the sanitizers).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decoders.h"
#include "framework.h"
#include "matching.h"
#include "service_fixture.h"

using namespace netrov::test;
using namespace netrov::tessel;

namespace {

constexpr KeyEntry kKeys[] = {
    {"def", "SEARCHDEVICE_SYSID", "", kKindOid},         {"def", "SEARCHDEVICE_MODEL", "", kKindOctets},
    {"def", "SEARCHDEVICE_FILTER", "", kKindAny},        {"def", "GETDEVINFO_DEVICE", "", kKindOctets},
    {"def", "GETDEVSTATUS_DEVSTATUS", ".1", kKindInteger}, {"def", "GETDEVSTATUS_ALERTCODE1", "", kKindInteger},
};

// Everything a query does with its document before it sends anything.
void useDocument(Service& service)
{
    const uint8_t address[4] = {127, 0, 0, 1};
    QuerySetup setup;
    const int prepared = prepareQuery(&setup, address, kKeys, 1, "public", service.record());
    EXPECT_TRUE(prepared == 0 || prepared == 8) << prepared;
    for (size_t i = 0; i < setup.requested.size(); ++i) {
        if (!setup.requested[i]) continue;
        EXPECT_FALSE(normalisedOid(*setup.requested[i]).empty()) << *setup.requested[i];
        EXPECT_LE(setup.requested[i]->size(), 255u);
    }
    char out[8];
    for (const char* table : {"GETDEVSTATUSSIMPLE_POWERSAVE", "GETDEVSTATUSSIMPLE_ALERT", "GETDEVSTATUS_ALERT"}) {
        for (int k = 0; k < 6; ++k) {
            const int matched = lookupExchange(service.record(), table, k, 7 - k, std::nullopt, out, sizeof out);
            EXPECT_TRUE(matched == 0 || matched == 1);
            EXPECT_LT(strlen(out), sizeof out);
        }
    }
    uint8_t bytes[4];
    size_t count = 0;
    hexTextToBytes("oid", bytes, sizeof bytes, &count, service.record());
    EXPECT_LE(count, sizeof bytes);
}

}  // namespace

TEST(Robustness, MutatedDefinitionDocuments)
{
    const std::string original = readFile(Service::standardDefinition());
    ASSERT_FALSE(original.empty());
    std::mt19937 random(4711);
    const char replacements[] = {'*', '?', '#', '.', 'x', '"', '<', '>', '/', ' ', '9', '\0'};
    for (int round = 0; round < 300; ++round) {
        std::string text = original;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = random() % text.size();
            switch (random() % 3) {
            case 0: text[at] = replacements[random() % sizeof replacements]; break;
            case 1: text.erase(at, 1 + random() % 20); break;
            default: text.insert(at, std::string(1 + random() % 300, replacements[random() % 11])); break;
            }
            if (text.empty()) text = "<a/>";
        }
        Service service(text, "[STRING]\n#IDS_X=1\n");
        useDocument(service);
    }
    for (size_t cut = 0; cut < original.size(); cut += 97) {
        Service service(original.substr(0, cut));
        useDocument(service);
    }
}

TEST(Robustness, OddIdentifierTextsAndRows)
{
    std::string longArc = "1.3.6.1." + std::string(400, '7');
    std::string manyArcs = "1";
    for (int i = 0; i < 200; ++i) manyArcs += ".1";
    const std::string doc = document("<oid def=\"SEARCHDEVICE_SYSID\">" + longArc + "</oid>\n"
                                     "<oid def=\"SEARCHDEVICE_MODEL\">" + manyArcs + "</oid>\n"
                                     "<oid def=\"SEARCHDEVICE_FILTER\">1.3.6.1.&#x41;</oid>\n"
                                     "<oid def=\"\">1.3</oid>\n"
                                     "<keyword name=\"GETDEVSTATUS_ALERT\">text<exchange/>tail</keyword>\n"
                                     "<keyword name=\"GETDEVSTATUSSIMPLE_ALERT\"><exchange key1=\"*\" key1=\"3\">#</exchange></keyword>\n");
    Service service(doc, "[STRING\n#=\n=#\n");
    useDocument(service);
}

TEST(Robustness, RandomPatternsAndIdentifiers)
{
    std::mt19937 random(99);
    const char alphabet[] = "*?.aZ09_#";
    for (int i = 0; i < 20000; ++i) {
        std::string pattern, text;
        for (size_t n = random() % 12; n > 0; --n) pattern += alphabet[random() % (sizeof alphabet - 1)];
        for (size_t n = random() % 12; n > 0; --n) text += alphabet[random() % (sizeof alphabet - 1)];
        patternMatch(pattern, text.c_str());
        std::vector<uint32_t> arcs;
        if (parseOid(text, &arcs)) {
            EXPECT_FALSE(arcs.empty());
            EXPECT_EQ(compareOids(text, text), 0);
            EXPECT_TRUE(identifierUnder(text, text));
        }
        lastArcOf(text);
        decimalValue(text.c_str());
        uint8_t bytes[3];
        size_t count = 0;
        if (hexPairsToBytes(text, bytes, sizeof bytes, &count) == 0) {
            EXPECT_LE(count, sizeof bytes);
        }
    }
}
