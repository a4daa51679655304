// The searching dialog: progress by the expected duration, animation frames, Abort, export at the end.
#include "searching_dlg.h"

#include <thread>

#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "plain_text.h"
#include "device_export.h"
#include "dialog_controls.h"
#include "language_file.h"

namespace netrov::ui {

namespace {

constexpr const char* kSection = "IDD_SEARCHING";
constexpr int kAbortPollMs = 20;

constexpr ControlTemplate kControls[] = {
    {IDC_LABEL_SEARCHBITMAP, "IDC_LABEL_SEARCHBITMAP", 10, 9, 30, 30, nullptr},
    {IDC_LABEL_SEARCHINGMSG, "IDC_LABEL_SEARCHINGMSG", 50, 20, 140, 10, "..Searching a device..."},
    {IDC_PRGRS_SEARCH, "IDC_PRGRS_SEARCH", 10, 46, 180, 10, nullptr},
    {IDC_LABEL_LINE, "IDC_LABEL_LINE", 10, 63, 180, 2, nullptr},
    {IDCANCEL, "IDCANCEL", 75, 70, 50, 14, "..Abort"},
};

constexpr DialogTemplate kLayout{302, kSection, "..Device searching", 200, 90, kControls};

}  // namespace

CSearchingDlg::CSearchingDlg(const LanguageFile* language, SearchRequest request, QWidget* parent)
    : QDialog(parent),
      language_(language),
      request_(std::move(request)),
      clock_(core::expectedDurationMs(request_.settings))
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    picture_ = new PlainLabel(this);
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message_ = new PlainLabel(this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    auto* line = new QFrame(this);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    abort_ = new QPushButton(this);
    abort_->setDefault(true);
    controls_ = {{IDC_LABEL_SEARCHBITMAP, picture_},
                 {IDC_LABEL_SEARCHINGMSG, message_},
                 {IDC_PRGRS_SEARCH, bar_},
                 {IDC_LABEL_LINE, line},
                 {IDCANCEL, abort_}};
    applyDialogTemplate(this, kLayout, controls_, language_);
    showFrame();

    progressTimer_ = new QTimer(this);
    animationTimer_ = new QTimer(this);
    connect(progressTimer_, &QTimer::timeout, this, &CSearchingDlg::progressTick);
    connect(animationTimer_, &QTimer::timeout, this, &CSearchingDlg::animationTick);
    connect(abort_, &QPushButton::clicked, this, &CSearchingDlg::reject);
}

CSearchingDlg::~CSearchingDlg()
{
    // The run's destructor aborts and waits, so no thread outlives the dialog.
    run_.reset();
}

QWidget* CSearchingDlg::control(int32_t id) const
{
    const auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

int CSearchingDlg::progress() const { return bar_->value(); }

QString CSearchingDlg::string(int32_t id) const
{
    const std::string text = language_ ? language_->String(id) : std::string(builtInString(id));
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

void CSearchingDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (started_) return;
    // Centred over the main window at its final size (the template can change it after Qt placed the dialog).
    if (const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr; owner && owner->isVisible()) {
        QRect placed = frameGeometry();
        placed.moveCenter(owner->frameGeometry().center());
        move(placed.topLeft());
    }
    started_ = true;
    progressTimer_->start(static_cast<int>(clock_.periodMs()));
    animationTimer_->start(kAnimationPeriodMs);
    run_ = std::make_unique<core::SearchRun>(*request_.library, *request_.devices);
    run_->setExtent(request_.extent);
    run_->setIpv6Addresses(request_.ipv6);
    // A run that cannot start counts as ended, so the next tick finishes it.
    run_->start(request_.settings, request_.addresses, request_.manufacturer);
}

void CSearchingDlg::progressTick()
{
    if (aborting_ || finished_ || !run_) return;
    const bool done = clock_.tick(run_->ended());
    bar_->setValue(clock_.position());
    if (done) finish();
}

void CSearchingDlg::finish()
{
    finished_ = true;
    progressTimer_->stop();
    animationTimer_->stop();
    run_->wait();
    ExportDeviceList(request_.exportPath, *request_.devices);
    QDialog::accept();
}

void CSearchingDlg::animationTick()
{
    frame_ = frame_ + 1 >= kAnimationFrames ? 0 : frame_ + 1;
    showFrame();
}

void CSearchingDlg::showFrame()
{
    picture_->setPixmap(QPixmap(QStringLiteral(":/bitmaps/%1.png").arg(kFirstAnimationBitmap + frame_)));
}

void CSearchingDlg::reject()
{
    if (aborting_ || finished_) return;
    aborting_ = true;
    message_->setText(string(IDS_STR_WAITFOR));
    abort_->setEnabled(false);
    if (run_) {
        // The run's abort blocks until its threads end; it runs beside the
        // event loop so the window keeps painting meanwhile.
        core::SearchRun* run = run_.get();
        std::thread waiter([run] { run->abort(); });
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&loop, run] {
            if (run->ended()) loop.quit();
        });
        poll.start(kAbortPollMs);
        if (!run->ended()) loop.exec(QEventLoop::ExcludeUserInputEvents);
        waiter.join();
    }
    request_.devices->clear();
    progressTimer_->stop();
    animationTimer_->stop();
    QDialog::reject();
}

}  // namespace netrov::ui
