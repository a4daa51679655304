// Reading and writing the fleet report for the desktop program.
#include "report_export.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <thread>

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

#include "stored_views.h"

namespace netrov::ui {

namespace {
constexpr size_t kReaders = 8;
}

QString defaultReportPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("netrov-report.csv"));
}

ReportFormat reportFormatFor(const QString& path)
{
    return path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive) ? ReportFormat::Json : ReportFormat::Csv;
}

std::vector<core::DeviceReport> readReports(const std::vector<core::DeviceListEntry>& devices,
                                            const std::atomic<bool>& stop, const std::string& storePath)
{
    std::vector<core::DeviceReport> reports(devices.size());
    std::vector<char> read(devices.size(), 0);
    std::atomic<size_t> next{0};
    const auto reader = [&] {
        for (size_t i = next++; i < devices.size() && !stop.load(); i = next++) {
            reports[i] = core::readDeviceReport(devices[i]);
            read[i] = 1;
        }
    };
    std::vector<std::thread> threads;
    for (size_t t = 0; t < std::min(kReaders, devices.size()); ++t) threads.emplace_back(reader);
    for (std::thread& thread : threads) thread.join();
    std::vector<core::DeviceReport> done;
    for (size_t i = 0; i < devices.size(); ++i)
        if (read[i]) done.push_back(std::move(reports[i]));
    std::error_code missing;
    if (!storePath.empty() && std::filesystem::exists(storePath, missing))
        core::addStoredViews(storePath, done, static_cast<int64_t>(std::time(nullptr)));
    return done;
}

bool writeReport(const QString& path, const std::vector<core::DeviceReport>& reports, QString& error)
{
    const std::string text =
        reportFormatFor(path) == ReportFormat::Json ? core::reportJson(reports).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n" : core::reportCsv(reports);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace netrov::ui
