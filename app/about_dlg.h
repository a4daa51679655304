// CAboutDlg: the program's name, version and company line.
#pragma once

#include <map>

#include <QDialog>

namespace netrov::ui {

class LanguageFile;

enum AboutControl : int32_t {
    IDC_LABEL_APPNAME = 1000,
    IDC_LABEL_VERSION = 1001,
    IDC_LABEL_COMPANY = 1002,
    IDC_LABEL_DLGABOUTICON = 1003,
};

// The program's own file version (major, minor, patch), compiled in.
struct ProgramVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;
};
ProgramVersion programVersion();
// "major.minor.patch".
QString programVersionText();

// The build part of the version line: the language file's version text
// without the "major.minor." it would repeat ("0.1.0" gives "0"); the patch
// number when nothing else is left.
QString buildText(ProgramVersion version, const QString& languageVersion);

// The version line: format (string 998) filled with major, minor, major,
// minor and the language file's "Main" "Version" text without a leading
// double quote. Only "%d" and "%s" are filled; the format comes from a file
// and is never handed to printf.
QString versionText(const QString& format, ProgramVersion version, const QString& languageVersion);

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // language may be null (built-in texts; the version line stays the resource's).
    explicit CAboutDlg(const LanguageFile* language, QWidget* parent = nullptr);
    QWidget* control(int32_t id) const;

private:
    std::map<int32_t, QWidget*> controls_;
};

}  // namespace netrov::ui
