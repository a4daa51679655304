// The device window and its models.
#include "device_window.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <netrov/result_codes.h>

#include "fleet_report.h"
#include "history_page.h"
#include "language_file.h"
#include "local_text.h"
#include "net_address.h"
#include "picture_file.h"
#include "plain_text.h"
#include "result_text.h"
#include "words.h"

namespace netrov::ui {

namespace {

constexpr int kAlertPicture = 48;
constexpr int kBarWidth = 160;

// The first text the record reports names it (a toner's or a tray's name).
std::string recordLabel(const core::RecordSchema& schema, const void* record)
{
    for (const char* name : {"name", "trayName"}) {
        const core::FieldSchema* field = core::findField(schema, name);
        if (field && core::fieldPresent(*field, record) && !core::fieldText(*field, record).empty())
            return core::fieldText(*field, record);
    }
    for (const core::FieldSchema& field : schema.fields) {
        if (field.kind == core::FieldKind::Text && core::fieldPresent(field, record)) {
            std::string text = core::fieldText(field, record);
            if (!text.empty()) return text;
        }
    }
    return {};
}

void appendFields(QStandardItem* parent, const char* query, const core::RecordSchema& schema, const void* record)
{
    for (const core::DetailLine& line : core::describeRecord(query, schema, record))
        parent->appendRow({new QStandardItem(local(line.label)), new QStandardItem(local(line.value))});
}

// Puts the record's level, its words and its colour on the value item; false
// when the record has no level.
bool setLevel(QStandardItem* value, const core::RecordSchema& schema, const void* record)
{
    const core::FieldSchema* percent = core::findField(schema, "remainingPercentage");
    if (!percent || !core::fieldPresent(*percent, record)) return false;
    const int level = core::fieldJson(*percent, record).get<int>();
    value->setData(level, kLevelRole);
    if (level >= 0) {
        value->setText(QStringLiteral("%1 %").arg(level));
    } else {
        const core::FieldSchema* words = core::findField(schema, "remainingText");
        const std::string text = words ? core::fieldText(*words, record) : std::string();
        value->setText(text.empty() ? QStringLiteral("level unknown") : local(text));
    }
    const core::FieldSchema* colour = core::findField(schema, "colour");
    if (colour && colour->kind == core::FieldKind::Int32List && core::fieldPresent(*colour, record)) {
        const nlohmann::json rgb = core::fieldJson(*colour, record);
        if (rgb.is_array() && rgb.size() == 3) {
            const auto part = [&](size_t i) { return std::clamp(rgb[i].get<int>(), 0, 255); };
            value->setData(QColor(part(0), part(1), part(2)), kColourRole);
        }
    }
    return true;
}

}  // namespace

void fillSectionModel(QStandardItemModel& model, const DeviceDetails& details, const DetailSection& section)
{
    model.clear();
    model.setHorizontalHeaderLabels({QStringLiteral("Item"), QStringLiteral("Value")});
    const auto info = details.readings.find("GetDevInfo");
    for (const char* name : section.queries) {
        auto* item = new QStandardItem(local(core::queryTitle(std::string(name))));
        auto* value = new QStandardItem;
        const core::QuerySchema* query = core::findQuery(name);
        const auto reading = details.readings.find(name);
        if (!details.answered) {
            // Nothing was asked beyond the information: say why, once it is known.
            if (info != details.readings.end()) value->setText(QString::fromUtf8(core::resultWords(info->second.result)));
        } else if (!query || reading == details.readings.end() || reading->second.result == NETROV_NOT_DEFINED ||
                   reading->second.result == NETROV_NO_VALUE) {
            value->setText(local(core::notReported()));
        } else if (reading->second.result != NETROV_OK) {
            value->setText(QString::fromUtf8(core::resultWords(reading->second.result)));
        } else if (reading->second.stored() == 0) {
            value->setText(local(core::notReported()));
        } else {
            const core::RecordSchema& schema = *query->record;
            const bool levels = core::findField(schema, "remainingPercentage") != nullptr;
            if (reading->second.stored() == 1 && !levels) {
                appendFields(item, name, schema, reading->second.record(0));
            } else {
                for (int32_t i = 0; i < reading->second.stored(); ++i) {
                    const void* record = reading->second.record(i);
                    const std::string label = recordLabel(schema, record);
                    auto* recordItem = new QStandardItem(label.empty() ? QString::number(i + 1) : local(label));
                    auto* recordValue = new QStandardItem;
                    setLevel(recordValue, schema, record);
                    appendFields(recordItem, name, schema, record);
                    item->appendRow({recordItem, recordValue});
                }
            }
        }
        item->setData(QString::fromLatin1(name), Qt::UserRole);
        model.appendRow({item, value});
    }
}

void fillAlertModel(QStandardItemModel& model, const DeviceDetails& details)
{
    model.clear();
    for (size_t i = 0; i < details.alerts.size(); ++i) {
        const DeviceStatus& alert = details.alerts[i];
        const core::AlertMessage message = i < details.messages.size() ? details.messages[i] : core::AlertMessage{};
        QString text = message.message.empty()
                           ? QStringLiteral("Alert %1 (group %2, index %3)")
                                 .arg(alert.alertCode).arg(alert.alertGroup).arg(alert.alertIndex)
                           : local(message.message);
        if (!message.hint.empty()) text += QLatin1Char('\n') + local(message.hint);
        // The printer's own words, as plain text, when they say something else.
        if (i < details.alertFacts.size() &&
            core::alertWords(details.alertFacts[i], message.message) != message.message)
            text += QLatin1Char('\n') + QStringLiteral("The printer says: ") + local(details.alertFacts[i].description);
        auto* item = new QStandardItem(text);
        item->setEditable(false);
        item->setToolTip(plainToolTip(local(message.hint)));
        if (!message.image.empty()) {
            const QPixmap picture = loadPicture(message.image);
            if (!picture.isNull()) item->setIcon(QIcon(picture));
        }
        model.appendRow(item);
    }
    if (details.answered && details.alerts.empty()) {
        auto* item = new QStandardItem(QStringLiteral("No alerts"));
        item->setEditable(false);
        model.appendRow(item);
    }
}

void LevelBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant level = index.data(kLevelRole);
    if (!level.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem background(option);
    initStyleOption(&background, index);
    const QString text = background.text;
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : nullptr;
    if (style) style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    painter->save();
    const QRect cell = option.rect.adjusted(3, 3, -3, -3);
    const QRect bar(cell.left(), cell.top(), std::min(kBarWidth, cell.width() / 2), cell.height());
    const QColor colour = index.data(kColourRole).isValid() ? index.data(kColourRole).value<QColor>()
                                                            : option.palette.color(QPalette::Highlight);
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->setBrush(option.palette.color(QPalette::Base));
    painter->drawRect(bar.adjusted(0, 0, -1, -1));
    const int percent = level.toInt();
    if (percent > 0) {
        QRect filled = bar.adjusted(1, 1, -1, -1);
        filled.setWidth(filled.width() * std::min(percent, 100) / 100);
        painter->fillRect(filled, colour);
    }
    painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(QRect(bar.right() + 6, cell.top(), cell.right() - bar.right() - 6, cell.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}

AlertListView::AlertListView(QWidget* parent) : QListView(parent)
{
    setObjectName(QStringLiteral("AlertList"));
    setIconSize(QSize(kAlertPicture, kAlertPicture));
    setWordWrap(true);
    setSpacing(4);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(false);
}

DeviceWindow::DeviceWindow(core::FrontLibrary& library, const core::DeviceListEntry& entry, RowWords words,
                           QWidget* parent)
    : DeviceWindow(library, entry, std::move(words), core::snmpOnly(), parent)
{
}

DeviceWindow::DeviceWindow(core::FrontLibrary& library, const core::DeviceListEntry& entry, RowWords words,
                           const core::SourceOptions& source, QWidget* parent)
    : QDialog(parent), library_(library), words_(std::move(words)), source_(source)
{
    setObjectName(QStringLiteral("DeviceWindow"));
    reading_.answered = false;
    details_.entry = entry;
    details_.statusCode = core::statusCode(entry);
    const QString model = local(fieldText(entry.identity.modelName));
    setWindowTitle(QStringLiteral("%1 - Properties").arg(model));

    // Model and name are the device's own texts: plain, whatever they hold.
    title_ = new PlainLabel(this);
    title_->setObjectName(QStringLiteral("Heading"));
    QFont bold = title_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    title_->setFont(bold);
    status_ = new PlainLabel(this);
    status_->setObjectName(QStringLiteral("Status"));
    sourceLabel_ = new PlainLabel(this);
    sourceLabel_->setObjectName(QStringLiteral("Source"));
    link_ = new QLabel(this);
    link_->setObjectName(QStringLiteral("WebPage"));
    link_->setTextFormat(Qt::RichText);
    link_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    link_->setOpenExternalLinks(true);  // the desktop's browser
    const QString page = webPage();
    if (!page.isEmpty()) link_->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(page.toHtmlEscaped()));
    busy_ = new QProgressBar(this);
    busy_->setObjectName(QStringLiteral("Busy"));
    busy_->setRange(0, 0);
    busy_->setTextVisible(false);
    busy_->setMaximumWidth(120);
    busy_->hide();
    refresh_ = new QPushButton(QStringLiteral("&Refresh"), this);
    refresh_->setObjectName(QStringLiteral("Refresh"));
    connect(refresh_, &QPushButton::clicked, this, &DeviceWindow::refresh);

    auto* head = new QGridLayout;
    head->addWidget(title_, 0, 0, 1, 2);
    head->addWidget(busy_, 0, 2);
    head->addWidget(refresh_, 0, 3);
    head->addWidget(status_, 1, 0);
    head->addWidget(sourceLabel_, 2, 0, 1, 4);
    head->addWidget(link_, 1, 1, 1, 3, Qt::AlignRight);
    head->setColumnStretch(1, 1);

    // Each page scrolls as a whole, so a long label widens the page instead of being cut.
    pages_ = new QTabWidget(this);
    for (const DetailSection& section : detailSections()) {
        auto* sectionModel = new QStandardItemModel(this);
        sectionModels_.push_back(sectionModel);
        auto* area = new QScrollArea(pages_);
        area->setObjectName(QString::fromLatin1(section.title));
        area->setWidgetResizable(true);
        area->setFrameShape(QFrame::NoFrame);
        pageAreas_.push_back(area);
        if (section.queries.size() == 1 && std::string_view(section.queries[0]) == "GetDevStatus") {
            alertModel_ = sectionModel;
            auto* status = new QWidget(pages_);
            auto* column = new QVBoxLayout(status);
            column->addWidget(area);
            auto* list = new AlertListView(status);
            list->setModel(alertModel_);
            column->addWidget(list, 1);
            pages_->addTab(status, QString::fromLatin1(section.title));
            continue;
        }
        pages_->addTab(area, QString::fromLatin1(section.title));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(pages_, 1);
    layout->addWidget(buttons);
    resize(700, 520);
    apply(details_, std::nullopt);
    refresh();
}

DeviceWindow::~DeviceWindow() { reader_.abandon(); }

QStandardItemModel* DeviceWindow::sectionModel(size_t section) const
{
    return section < sectionModels_.size() ? sectionModels_[section] : nullptr;
}

QString DeviceWindow::statusText() const { return status_->text(); }

QString DeviceWindow::sourceText() const { return sourceLabel_->text(); }

QString DeviceWindow::webPage() const
{
    if (details_.entry.identity.interfaceKind != NETROV_INTERFACE_NETWORK) return {};
    const std::optional<core::NetAddress> address = core::deviceNetAddress(details_.entry.identity);
    if (!address) return {};
    // An IPv6 host goes in brackets, its zone's "%" written as "%25" as a URL needs it.
    QString host = QString::fromStdString(core::netAddressHost(*address));
    host.replace(QLatin1Char('%'), QStringLiteral("%25"));
    return QStringLiteral("http://%1/").arg(host);
}

void DeviceWindow::refresh()
{
    if (loading_) return;
    library_.ensureInitialised();
    // The read owns a copy of the access and of the entry; the window is
    // reached only through deliver, which drops what comes after it is gone.
    const auto access = std::make_shared<const core::DeviceAccess>(library_.access());
    const core::DeviceListEntry entry = details_.entry;
    const core::SourceOptions source = source_;
    const bool started = reader_.start([this, access, entry, source](const std::atomic<bool>& stop,
                                                                     const DetachedRead::Deliver& deliver) {
        auto details = std::make_shared<DeviceDetails>();
        if (source.source == core::Source::Ipp) {
            details->entry = entry;
            details->statusCode = core::kStatusNoAnswer;
            details->readAt = std::chrono::system_clock::now();
        } else {
            *details = readDeviceDetails(*access, entry, stop);
        }
        // IPP when chosen, or with auto when SNMP gave no answer; both merges the two readings.
        auto reading = std::make_shared<std::optional<core::DeviceReport>>();
        const bool askIpp = source.source == core::Source::Ipp || source.source == core::Source::Both ||
                            (source.source == core::Source::Auto && !details->answered);
        if (askIpp && !stop.load())
            *reading = core::readFromSource(entry, core::deviceReadDeadline(entry.identity.timeout), source,
                                            details->answered);
        if (!stop.load()) deliver([this, details, reading] { apply(*details, *reading); });
    });
    if (!started) return;
    loading_ = true;
    busy_->show();
    refresh_->setEnabled(false);
}

void DeviceWindow::setLanguage(const LanguageFile* language)
{
    if (language) {
        translate_ = [language](const std::string& key, const std::string& english) {
            return local(language->text("DeviceWindow", key, english));
        };
    } else {
        translate_ = untranslated();
    }
    rebuildPages();
}

void DeviceWindow::showHistory(const std::string& storePath)
{
    if (!history_) {
        history_ = new HistoryPage(pages_);
        history_->setObjectName(QStringLiteral("History"));
        pages_->addTab(history_, QStringLiteral("History"));
    }
    history_->showDevice(QString::fromStdString(storePath), QString::fromStdString(ipAddressText(details_.entry)));
}

void DeviceWindow::apply(const DeviceDetails& details, const std::optional<core::DeviceReport>& reading)
{
    loading_ = false;
    // A device that stops answering keeps what it last said, with its time.
    if (!details.answered && details_.answered) {
        stale_ = staleNote(details_.readAt);
        details_.statusCode = details.statusCode;
    } else {
        stale_.clear();
        details_ = details;
    }
    if (reading) reading_ = *reading;
    else reading_.answered = false;
    // Read by IPP alone: the reading's model, name and status stand for SNMP's.
    const bool byReading = reading_.answered && !details_.answered;
    const core::DeviceListEntry& entry = details_.entry;
    QString heading = local(byReading && !reading_.model.empty() ? reading_.model : fieldText(entry.identity.modelName));
    if (entry.info.nameValid) heading += QStringLiteral(" (%1)").arg(local(fieldText(entry.info.name)));
    else if (byReading && !reading_.name.empty()) heading += QStringLiteral(" (%1)").arg(local(reading_.name));
    title_->setText(heading);
    const int32_t code = byReading ? reading_.statusCode : details_.statusCode;
    QString status = QStringLiteral("Status: %1").arg(local(ui::statusText(code, words_)));
    if (!stale_.isEmpty() && !byReading) status += QStringLiteral(" (%1)").arg(stale_);
    status_->setText(status);
    const std::string source = reading_.answered ? reading_.source : (details_.answered ? "snmp" : "");
    sourceLabel_->setText(source.empty() ? QString()
                                         : QStringLiteral("Source: %1").arg(QString::fromStdString(ui::sourceText(source))));
    const std::span<const DetailSection> sections = detailSections();
    for (size_t i = 0; i < sections.size() && i < sectionModels_.size(); ++i) {
        if (sectionModels_[i] == alertModel_) fillAlertModel(*alertModel_, details_);
        else fillSectionModel(*sectionModels_[i], details_, sections[i]);
    }
    rebuildPages();
    busy_->setVisible(loading_);
    refresh_->setEnabled(!loading_);
    if (!details_.readings.empty() || reading_.answered) emit loaded();
}

void DeviceWindow::rebuildPages()
{
    const std::span<const DetailSection> sections = detailSections();
    for (size_t i = 0; i < sections.size() && i < pageAreas_.size(); ++i) {
        QWidget* page = nullptr;
        if (sectionModels_[i] != alertModel_) page = buildPage(sections[i], details_, translate_);
        else if (reading_.answered && (!details_.answered || !reading_.sourceDisagreements.empty()))
            page = buildReadingSummary(reading_, translate_);  // what SNMP's queries did not give
        else page = buildSummary(details_, stale_, translate_);
        pageAreas_[i]->setWidget(page);  // the area owns the page and drops the one before
        if (sectionModels_[i] == alertModel_) {
            // The summary shows whole above the alerts; only a wide line makes it scroll sideways.
            pageAreas_[i]->setMinimumHeight(page->sizeHint().height() +
                                            pageAreas_[i]->horizontalScrollBar()->sizeHint().height());
        }
    }
}

}  // namespace netrov::ui
