// Fixtures of the view and main window tests: a program directory, and a fake front library with printers.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "device_list.h"
#include "device_rows.h"
#include "front_library.h"
#include "record_schema.h"
#include "netrover_app.h"
#include "temp_dir.h"

namespace netrov::test {

// A program directory with NetRov.ini (broadcast off, so the first search
// sends nothing), the English language file and, when asked, the help file;
// the company and mutex names are unique per directory.
class TestProgram {
public:
    explicit TestProgram(bool helpFile = true);
    std::string directory() const { return dir.path().string(); }
    std::string company;
    TempDir dir;
};

// Printers the fake front library finds: network devices and one USB device.
std::vector<core::DeviceListEntry> samplePrinters();

// Answers the search with its devices; information and status come from the
// same entries. Devices whose model is in silent do not answer. Described
// queries go to described when one is given; without it the access answers
// none, as a stand-in's does.
class FakePrinters {
public:
    using Described = std::function<int32_t(const core::QuerySchema& query, DeviceIdentity* device, void* records,
                                            int32_t capacity, int32_t* count)>;
    explicit FakePrinters(std::vector<core::DeviceListEntry> devices, Described described = {});
    core::FrontLibrary& library() { return *library_; }
    void setStatus(const std::string& model, int32_t code);
    void setLocation(const std::string& model, const std::string& location);
    void silence(const std::string& model);
    // A silenced device answers again.
    void wake(const std::string& model);
    // Every information and status answer takes this long from now on.
    void setDelay(std::chrono::milliseconds delay);
    // The search requests asked so far, in order.
    std::vector<DeviceIdentity> searchRequests() const;

private:
    struct State {
        std::mutex mutex;
        std::vector<core::DeviceListEntry> devices;
        std::set<std::string> silent;
        std::chrono::milliseconds delay{0};
        std::vector<DeviceIdentity> requests;
    };
    std::shared_ptr<State> state_;
    std::unique_ptr<core::FrontLibrary> library_;
};

// The status words of the installation's English language file.
ui::RowWords englishWords();
// The position of the device window's page with this title (the count of pages when there is none).
size_t sectionIndex(const char* title);

// The device at a loopback address as a search through the front library
// lists it (per-address search, the default community); false unless exactly one answers.
bool searchedDevice(const char* address, core::DeviceListEntry& entry);

}  // namespace netrov::test
