// The SNMPv3 profile editor: the list, the form, and where the pass phrases go on saving.
#include "profile_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "message_box.h"
#include "profile_book.h"
#include "secret_store.h"

namespace netrov::ui {

namespace {

using core::CredentialProfile;
using snmp::usm::Auth;
using snmp::usm::Level;
using snmp::usm::Priv;

// The choices of each box, in the order shown; the texts are the file's words.
constexpr Level kLevels[] = {Level::NoAuthNoPriv, Level::AuthNoPriv, Level::AuthPriv};
constexpr Auth kAuths[] = {Auth::Md5, Auth::Sha1, Auth::Sha224, Auth::Sha256, Auth::Sha384, Auth::Sha512};
constexpr Priv kPrivs[] = {Priv::Des, Priv::Aes128, Priv::Aes192, Priv::Aes256, Priv::Aes192C, Priv::Aes256C};

const QString kTitle = QStringLiteral("SNMPv3 profiles");

template <typename T, size_t N>
QComboBox* choiceBox(const T (&values)[N], const char* (*name)(T) noexcept, T chosen, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (T value : values) box->addItem(QString::fromLatin1(name(value)), static_cast<int>(value));
    const int index = box->findData(static_cast<int>(chosen));
    box->setCurrentIndex(index < 0 ? 0 : index);
    return box;
}

QLineEdit* passphraseEdit(const core::SecretText& text, QWidget* parent)
{
    auto* edit = new QLineEdit(QString::fromStdString(text.text()), parent);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

std::string plain(const QLineEdit* edit) { return edit->text().toStdString(); }

}  // namespace

ProfileEditDialog::ProfileEditDialog(const CredentialProfile& profile, std::vector<CredentialProfile> others,
                                     QWidget* parent)
    : QDialog(parent), others_(std::move(others))
{
    setWindowTitle(kTitle);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    name_ = new QLineEdit(QString::fromStdString(profile.name), this);
    user_ = new QLineEdit(QString::fromStdString(profile.user), this);
    level_ = choiceBox(kLevels, core::levelName, profile.level, this);
    auth_ = choiceBox(kAuths, core::authName, profile.auth, this);
    authPassphrase_ = passphraseEdit(profile.authPassphrase, this);
    priv_ = choiceBox(kPrivs, core::privName, profile.priv, this);
    privPassphrase_ = passphraseEdit(profile.privPassphrase, this);
    context_ = new QLineEdit(QString::fromStdString(profile.context), this);

    // Room for a typical user name, context or pass phrase without scrolling.
    const int fieldWidth = fontMetrics().horizontalAdvance(QLatin1Char('x')) * 32;
    for (QWidget* field : std::initializer_list<QWidget*>{name_, user_, level_, auth_, authPassphrase_, priv_,
                                                          privPassphrase_, context_})
        field->setMinimumWidth(fieldWidth);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Name"), name_);
    form->addRow(QStringLiteral("User"), user_);
    form->addRow(QStringLiteral("Level"), level_);
    form->addRow(QStringLiteral("Authentication"), auth_);
    form->addRow(QStringLiteral("Authentication pass phrase"), authPassphrase_);
    form->addRow(QStringLiteral("Privacy"), priv_);
    form->addRow(QStringLiteral("Privacy pass phrase"), privPassphrase_);
    form->addRow(QStringLiteral("Context"), context_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ProfileEditDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ProfileEditDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(level_, &QComboBox::currentIndexChanged, this, &ProfileEditDialog::applyLevel);
    applyLevel();
}

void ProfileEditDialog::applyLevel()
{
    const auto level = static_cast<Level>(level_->currentData().toInt());
    const bool auth = level != Level::NoAuthNoPriv;
    const bool priv = level == Level::AuthPriv;
    auth_->setEnabled(auth);
    authPassphrase_->setEnabled(auth);
    priv_->setEnabled(priv);
    privPassphrase_->setEnabled(priv);
}

CredentialProfile ProfileEditDialog::profile() const
{
    CredentialProfile p;
    p.name = plain(name_);
    p.user = plain(user_);
    p.level = static_cast<Level>(level_->currentData().toInt());
    // What a level does not use is left out, so it is not kept anywhere.
    if (p.level != Level::NoAuthNoPriv) {
        p.auth = static_cast<Auth>(auth_->currentData().toInt());
        p.authPassphrase = core::SecretText(plain(authPassphrase_));
    }
    if (p.level == Level::AuthPriv) {
        p.priv = static_cast<Priv>(priv_->currentData().toInt());
        p.privPassphrase = core::SecretText(plain(privPassphrase_));
    }
    p.context = plain(context_);
    return p;
}

void ProfileEditDialog::accept()
{
    const std::string problem = profileProblem(profile(), others_);
    if (!problem.empty()) {
        showErrorMessage(this, kTitle, QString::fromStdString(problem));
        return;
    }
    QDialog::accept();
}

ProfileListDialog::ProfileListDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(kTitle);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    list_ = new QListWidget(this);
    auto* add = new QPushButton(QStringLiteral("Add..."), this);
    auto* edit = new QPushButton(QStringLiteral("Edit..."), this);
    auto* remove = new QPushButton(QStringLiteral("Remove"), this);
    for (QPushButton* button : {add, edit, remove}) button->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &ProfileListDialog::addProfile);
    connect(edit, &QPushButton::clicked, this, &ProfileListDialog::editSelected);
    connect(remove, &QPushButton::clicked, this, &ProfileListDialog::removeSelected);
    connect(list_, &QListWidget::itemDoubleClicked, this, &ProfileListDialog::editSelected);
    auto* side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(edit);
    side->addWidget(remove);
    side->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(list_);
    row->addLayout(side);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ProfileListDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ProfileListDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);

    std::string error;
    loaded_ = loadProfileBook(desktopProfilesPath(), desktopSecrets(), profiles_, error);
    if (!loaded_) showErrorMessage(this, kTitle, QString::fromStdString(error));
    refill();
}

void ProfileListDialog::refill()
{
    list_->clear();
    for (const CredentialProfile& p : profiles_) list_->addItem(QString::fromStdString(p.name));
}

void ProfileListDialog::put(const CredentialProfile& edited, int row)
{
    if (row >= 0 && row < static_cast<int>(profiles_.size())) {
        // A renamed profile leaves its old secret store entries behind to be removed.
        if (profiles_[static_cast<size_t>(row)].name != edited.name)
            removed_.push_back(profiles_[static_cast<size_t>(row)].name);
        profiles_[static_cast<size_t>(row)] = edited;
    } else {
        profiles_.push_back(edited);
    }
    refill();
}

void ProfileListDialog::removeRow(int row)
{
    if (row < 0 || row >= static_cast<int>(profiles_.size())) return;
    removed_.push_back(profiles_[static_cast<size_t>(row)].name);
    profiles_.erase(profiles_.begin() + row);
    refill();
}

void ProfileListDialog::addProfile()
{
    CredentialProfile fresh;
    fresh.level = Level::AuthPriv;
    fresh.auth = Auth::Sha256;
    fresh.priv = Priv::Aes128;
    ProfileEditDialog form(fresh, profiles_, this);
    if (form.exec() == QDialog::Accepted) put(form.profile(), -1);
}

void ProfileListDialog::editSelected()
{
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(profiles_.size())) return;
    std::vector<CredentialProfile> others = profiles_;
    others.erase(others.begin() + row);
    ProfileEditDialog form(profiles_[static_cast<size_t>(row)], std::move(others), this);
    if (form.exec() == QDialog::Accepted) put(form.profile(), row);
}

void ProfileListDialog::removeSelected() { removeRow(list_->currentRow()); }

void ProfileListDialog::accept()
{
    if (!loaded_) {
        showErrorMessage(this, kTitle, QStringLiteral("The profile file was refused on opening and is left as it is."));
        return;
    }
    // A profile read without its pass phrase (the store no longer has it) is asked for again.
    for (const CredentialProfile& p : profiles_) {
        if (const std::string problem = profileProblem(p, {}); !problem.empty()) {
            showErrorMessage(this, kTitle, QString::fromStdString("Profile " + p.name + ": " + problem));
            return;
        }
    }
    std::string error;
    if (!saveProfileBook(desktopProfilesPath(), profiles_, removed_, desktopSecrets(), error)) {
        showErrorMessage(this, kTitle, QString::fromStdString(error));
        return;
    }
    removed_.clear();
    QDialog::accept();
}

}  // namespace netrov::ui
