// Fixtures of the view and main window tests.
#include "view_test_support.h"

#include "device_details.h"
#include "fake_devices.h"
#include "netrover_view.h"
#include "search_run.h"
#include "ui_test_support.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace netrov::test {

namespace {

std::atomic<int> programs{0};

core::DeviceListEntry printer(const char* model, const char* name, const char* location, uint8_t host,
                              const uint8_t (&mac)[6], int32_t status)
{
    core::DeviceListEntry entry{};
    std::strcpy(entry.identity.modelName, model);
    entry.identity.interfaceKind = NETROV_INTERFACE_NETWORK;
    entry.identity.transport = 2;
    std::strcpy(entry.identity.community, "public");
    const uint8_t address[4] = {192, 0, 2, host};
    std::memcpy(entry.identity.address, address, 4);
    entry.info.nameValid = 1;
    std::strcpy(entry.info.name, name);
    entry.info.locationValid = 1;
    std::strcpy(entry.info.location, location);
    entry.info.macAddressValid = 1;
    std::memcpy(entry.info.macAddress, mac, 6);
    entry.status[0].simpleStatusValid = 1;
    entry.status[0].simpleStatus = status;
    return entry;
}

std::string modelOf(const DeviceIdentity& identity) { return core::fieldText(identity.modelName); }

}  // namespace

TestProgram::TestProgram(bool helpFile)
{
    const std::string unique = std::to_string(getpid()) + "-" + std::to_string(++programs);
    company = "ViewCo" + unique;
    writeFile(dir.file("NetRov.ini"), "[Main]\r\nManufacturer=Tarnwell\r\nCompany=" + company + "\r\nMutexName=ViewTest" +
                                          unique + "\r\nLanguage=lang.ini\r\nBroadCast=0\r\n"
                                          // Each program keeps its own fleet store, so no test sees another's devices.
                                          "FleetStore=fleet.db\r\n");
    writeFile(dir.file("lang.ini"), readFile(NETROV_SOURCE_DIR "/data/lang/NetRovEnglish.ini"));
    if (helpFile) writeFile(dir.file("NetRov.hlp"), readFile(NETROV_SOURCE_DIR "/data/help/NetRov.html"));
}

std::vector<core::DeviceListEntry> samplePrinters()
{
    std::vector<core::DeviceListEntry> all{
        printer("Tarnwell ML-210", "ml210-office", "Room 101, first floor", 11, {0x00, 0x15, 0xA3, 0x10, 0x02, 0x10}, 1),
        printer("Tarnwell CL-560 Color", "cl560-design", "Design studio, second floor", 12,
                {0x00, 0x15, 0xA3, 0x20, 0x05, 0x60}, 2),
        printer("Tarnwell MX-4400 MFP", "mx4400-reception", "Reception desk", 13, {0x00, 0x15, 0xA3, 0x30, 0x44, 0x00}, 4),
        printer("Tarnwell ML-330", "ml330-hall", "Main hall", 14, {0x00, 0x15, 0xA3, 0x40, 0x03, 0x30}, 6),
        printer("Tarnwell CL-720 Color", "cl720-print-room", "Print room", 15, {0x00, 0x15, 0xA3, 0x50, 0x07, 0x20}, 5),
        printer("Tarnwell ML-410", "ml410-warehouse", "Warehouse office", 16, {0x00, 0x15, 0xA3, 0x60, 0x04, 0x10}, 7),
    };
    core::DeviceListEntry usb{};
    std::strcpy(usb.identity.modelName, "Tarnwell LX-100");
    usb.identity.interfaceKind = NETROV_INTERFACE_USB;
    usb.identity.transport = 8;
    std::strcpy(usb.identity.portName, "USB001");
    std::strcpy(usb.identity.driverName, "Tarnwell LX Driver");
    std::strcpy(usb.info.location, "Front desk");
    usb.status[0].simpleStatus = 3;
    all.push_back(usb);
    return all;
}

FakePrinters::FakePrinters(std::vector<core::DeviceListEntry> devices, Described described)
    : state_(std::make_shared<State>())
{
    state_->devices = std::move(devices);
    std::shared_ptr<State> state = state_;
    core::DeviceAccess access;
    access.init = [](DeviceIdentity*) { return 0; };
    access.release = [] { return 0; };
    access.searchDevice = [state](DeviceIdentity* request, intptr_t, intptr_t, DeviceIdentity* found, int32_t capacity,
                                  int32_t* count) {
        std::lock_guard lock(state->mutex);
        state->requests.push_back(*request);
        *count = 0;
        for (const core::DeviceListEntry& entry : state->devices) {
            if (*count < capacity) found[*count] = entry.identity;
            ++*count;
        }
        return 0;
    };
    const auto lookup = [state](const DeviceIdentity* device) -> const core::DeviceListEntry* {
        for (const core::DeviceListEntry& entry : state->devices)
            if (modelOf(entry.identity) == modelOf(*device)) return &entry;
        return nullptr;
    };
    access.getDevInfo = [state, lookup](DeviceIdentity* device, intptr_t, intptr_t, void* records, int32_t capacity,
                                        int32_t* count) {
        std::chrono::milliseconds delay;
        {
            std::lock_guard lock(state->mutex);
            delay = state->delay;
        }
        std::this_thread::sleep_for(delay);
        std::lock_guard lock(state->mutex);
        const core::DeviceListEntry* entry = lookup(device);
        // Like the service, a device that does not answer leaves a cleared record.
        const bool answers = entry && !state->silent.count(modelOf(*device));
        return answerInfo(answers ? &entry->info : nullptr, records, capacity, count);
    };
    access.getDevStatus = [state, lookup](DeviceIdentity* device, intptr_t, intptr_t, void* records,
                                          int32_t capacity, int32_t* count) {
        std::chrono::milliseconds delay;
        {
            std::lock_guard lock(state->mutex);
            delay = state->delay;
        }
        std::this_thread::sleep_for(delay);
        std::lock_guard lock(state->mutex);
        const core::DeviceListEntry* entry = lookup(device);
        // Like the service, a device that does not answer leaves a cleared record.
        const bool answers = entry && !state->silent.count(modelOf(*device));
        return answerStatus(answers ? entry->status : nullptr, 1, records, capacity, count);
    };
    if (described) {
        access.described = [described](const core::QuerySchema& query, DeviceIdentity* device, intptr_t, intptr_t,
                                        void* records, int32_t capacity, int32_t* count) {
            return described(query, device, records, capacity, count);
        };
    }
    library_ = std::make_unique<core::FrontLibrary>(std::move(access));
}

std::vector<DeviceIdentity> FakePrinters::searchRequests() const
{
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

void FakePrinters::setStatus(const std::string& model, int32_t code)
{
    std::lock_guard lock(state_->mutex);
    for (core::DeviceListEntry& entry : state_->devices)
        if (modelOf(entry.identity) == model) entry.status[0].simpleStatus = code;
}

void FakePrinters::setLocation(const std::string& model, const std::string& location)
{
    std::lock_guard lock(state_->mutex);
    for (core::DeviceListEntry& entry : state_->devices)
        if (modelOf(entry.identity) == model)
            std::snprintf(entry.info.location, sizeof entry.info.location, "%s", location.c_str());
}

bool searchedDevice(const char* address, core::DeviceListEntry& entry)
{
    core::SearchSettings settings = core::defaultSearchSettings();
    settings.BroadCast = 0;
    settings.IPSearch = 1;
    settings.TimeOut = 2;
    core::SearchAddressList addresses;
    addresses.append(address);
    core::DeviceList list;
    core::SearchRun run(core::FrontLibrary::tuva(), list);
    if (!run.start(settings, addresses, "")) return false;
    run.wait();
    if (list.count() != 1) return false;
    entry = list.copy(0);
    return true;
}

ui::RowWords englishWords() { return ui::loadRowWords(englishLanguage()); }

size_t sectionIndex(const char* title)
{
    const auto sections = core::detailSections();
    for (size_t i = 0; i < sections.size(); ++i)
        if (std::string_view(sections[i].title) == title) return i;
    return sections.size();
}

void FakePrinters::setDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(state_->mutex);
    state_->delay = delay;
}

void FakePrinters::silence(const std::string& model)
{
    std::lock_guard lock(state_->mutex);
    state_->silent.insert(model);
}

void FakePrinters::wake(const std::string& model)
{
    std::lock_guard lock(state_->mutex);
    state_->silent.erase(model);
}

}  // namespace netrov::test
