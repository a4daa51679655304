// CSearchingDlg: the modal progress dialog of one search run, with its animation and Abort.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "device_list.h"
#include "front_library.h"
#include "net_address.h"
#include "search_run.h"
#include "search_settings.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace netrov::ui {

class LanguageFile;

enum SearchingControl : int32_t {
    IDC_LABEL_SEARCHINGMSG = 1020,
    IDC_PRGRS_SEARCH = 1021,
    IDC_LABEL_SEARCHBITMAP = 1022,
    IDC_LABEL_LINE = 1023,
};

inline constexpr int kProgressTimerId = 1000;
inline constexpr int kAnimationTimerId = 1002;
inline constexpr int kAnimationPeriodMs = 500;
inline constexpr int kAnimationFrames = 6;
inline constexpr int kFirstAnimationBitmap = 158;

// What one run needs; all referenced objects outlive the dialog.
struct SearchRequest {
    core::FrontLibrary* library = nullptr;
    core::DeviceList* devices = nullptr;
    core::SearchSettings settings{};
    core::SearchAddressList addresses;
    std::vector<core::NetAddress> ipv6;  // asked one by one beside the address list
    core::SearchExtent extent;  // more communities, the SNMP version, blocks
    std::string manufacturer;
    std::string exportPath;  // empty: no export
};

class CSearchingDlg : public QDialog {
    Q_OBJECT
public:
    // language may be null (built-in texts only).
    CSearchingDlg(const LanguageFile* language, SearchRequest request, QWidget* parent = nullptr);
    ~CSearchingDlg() override;

    // Starts the timers and the run the first time the dialog is shown.
    void showEvent(QShowEvent* event) override;

    int progress() const;
    // What the run could not start for want of threads or descriptors.
    core::SearchShortage shortage() const { return run_ ? run_->shortage() : core::SearchShortage{}; }
    // The printers that answered only the SNMPv3 probe and no profile, in address order.
    std::vector<core::CredentialsNeeded> credentialsNeeded() const
    {
        return run_ ? run_->credentialsNeeded() : std::vector<core::CredentialsNeeded>{};
    }
    int frame() const { return frame_; }
    int progressPeriodMs() const { return static_cast<int>(clock_.periodMs()); }
    QWidget* control(int32_t id) const;
    // True once Abort was asked for.
    bool aborting() const { return aborting_; }

public slots:
    // Abort (the button or Escape): waits for the run while events go on.
    void reject() override;
    void progressTick();
    void animationTick();

private:
    void finish();
    void showFrame();
    QString string(int32_t id) const;

    const LanguageFile* language_;
    SearchRequest request_;
    std::unique_ptr<core::SearchRun> run_;
    core::ProgressClock clock_;
    std::map<int32_t, QWidget*> controls_;
    QLabel* message_ = nullptr;
    QLabel* picture_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* abort_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QTimer* animationTimer_ = nullptr;
    int frame_ = 0;
    bool started_ = false;
    bool aborting_ = false;
    bool finished_ = false;
};

}  // namespace netrov::ui
