// The about box and its version line.
#include "about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "plain_text.h"
#include "dialog_controls.h"
#include "language_file.h"

#ifndef NETROV_VERSION_MAJOR
#define NETROV_VERSION_MAJOR 0
#define NETROV_VERSION_MINOR 0
#endif
#ifndef NETROV_VERSION_PATCH
#define NETROV_VERSION_PATCH 0
#endif

namespace netrov::ui {

namespace {

constexpr const char* kSection = "IDD_ABOUT";
constexpr size_t kVersionSize = 256;

constexpr ControlTemplate kControls[] = {
    {IDC_LABEL_DLGABOUTICON, "IDC_LABEL_DLGABOUTICON", 10, 10, 20, 20, nullptr},
    {IDC_LABEL_APPNAME, "IDC_LABEL_APPNAME", 40, 10, 170, 10, "..Net Rover"},
    {IDC_LABEL_VERSION, "IDC_LABEL_VERSION", 40, 24, 170, 10, "..Version 1.00"},
    {IDC_LABEL_COMPANY, "IDC_LABEL_COMPANY", 40, 38, 170, 10, "..Tarnwell printer tools"},
    {IDOK, "IDOK", 160, 58, 50, 14, "..OK"},
};

constexpr DialogTemplate kLayout{100, kSection, "..About Net Rover", 220, 80, kControls};

}  // namespace

ProgramVersion programVersion() { return {NETROV_VERSION_MAJOR, NETROV_VERSION_MINOR, NETROV_VERSION_PATCH}; }

QString programVersionText()
{
    const ProgramVersion version = programVersion();
    return QStringLiteral("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.patch);
}

QString buildText(ProgramVersion version, const QString& languageVersion)
{
    QString rest = languageVersion.trimmed();
    const QString repeated = QStringLiteral("%1.%2").arg(version.major).arg(version.minor);
    if (rest == repeated) rest.clear();
    else if (rest.startsWith(repeated + QLatin1Char('.'))) rest.remove(0, repeated.size() + 1);
    return rest.isEmpty() ? QString::number(version.patch) : rest;
}

QString versionText(const QString& format, ProgramVersion version, const QString& languageVersion)
{
    const int numbers[4] = {version.major, version.minor, version.major, version.minor};
    int next = 0;
    bool textUsed = false;
    QString out;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const QChar kind = format[i + 1];
            if (kind == 'd' && next < 4) {
                out += QString::number(numbers[next++]);
                ++i;
                continue;
            }
            if (kind == 's' && !textUsed) {
                out += languageVersion;
                textUsed = true;
                ++i;
                continue;
            }
            if (kind == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

CAboutDlg::CAboutDlg(const LanguageFile* language, QWidget* parent) : QDialog(parent)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* icon = new PlainLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/icons/128.png")));
    auto* name = new PlainLabel(this);
    auto* version = new PlainLabel(this);
    auto* company = new PlainLabel(this);
    auto* ok = new QPushButton(this);
    ok->setDefault(true);
    controls_ = {{IDC_LABEL_DLGABOUTICON, icon}, {IDC_LABEL_APPNAME, name}, {IDC_LABEL_VERSION, version},
                 {IDC_LABEL_COMPANY, company},   {IDOK, ok}};
    applyDialogTemplate(this, kLayout, controls_, language);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    if (!language) return;

    std::string fromLanguage = language->text("Main", "Version", "").substr(0, kVersionSize - 1);
    if (!fromLanguage.empty() && fromLanguage.front() == '"') fromLanguage.erase(0, 1);
    // The format's last part is the build: the language file's text, never a second copy of the numbers.
    version->setText(versionText(QString::fromLocal8Bit(language->String(998).c_str()), programVersion(),
                                 buildText(programVersion(), QString::fromLocal8Bit(fromLanguage.c_str()))));
}

QWidget* CAboutDlg::control(int32_t id) const
{
    const auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

}  // namespace netrov::ui
