// The SNMPv3 profile editor: a list of profiles and a form for one of them.
#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "profiles.h"

class QComboBox;
class QLineEdit;
class QListWidget;

namespace netrov::ui {

// One profile's form. OK keeps the dialog open with a message naming the
// field at fault (never a value) until the profile would read back from the
// file as entered.
class ProfileEditDialog : public QDialog {
    Q_OBJECT
public:
    // others: the profiles of other names, which this one must not repeat.
    ProfileEditDialog(const core::CredentialProfile& profile, std::vector<core::CredentialProfile> others,
                      QWidget* parent = nullptr);

    // The profile as the form holds it.
    core::CredentialProfile profile() const;

    QLineEdit* nameEdit() const { return name_; }
    QLineEdit* userEdit() const { return user_; }
    QComboBox* levelBox() const { return level_; }
    QComboBox* authBox() const { return auth_; }
    QLineEdit* authPassphraseEdit() const { return authPassphrase_; }
    QComboBox* privBox() const { return priv_; }
    QLineEdit* privPassphraseEdit() const { return privPassphrase_; }
    QLineEdit* contextEdit() const { return context_; }

public slots:
    void accept() override;

private:
    void applyLevel();

    std::vector<core::CredentialProfile> others_;
    QLineEdit* name_ = nullptr;
    QLineEdit* user_ = nullptr;
    QComboBox* level_ = nullptr;
    QComboBox* auth_ = nullptr;
    QLineEdit* authPassphrase_ = nullptr;
    QComboBox* priv_ = nullptr;
    QLineEdit* privPassphrase_ = nullptr;
    QLineEdit* context_ = nullptr;
};

// The list of the user's profiles with Add, Edit and Remove; OK saves them
// (pass phrases to the secret store when one answers, else to the file).
class ProfileListDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProfileListDialog(QWidget* parent = nullptr);

    const std::vector<core::CredentialProfile>& profiles() const { return profiles_; }
    QListWidget* list() const { return list_; }
    // False when the file was refused on opening; OK then does not overwrite it.
    bool loaded() const { return loaded_; }

    // Adds or replaces the profile of edited's name (or of the row's old name).
    void put(const core::CredentialProfile& edited, int row);
    void removeRow(int row);

public slots:
    void accept() override;
    void addProfile();
    void editSelected();
    void removeSelected();

private:
    void refill();

    std::vector<core::CredentialProfile> profiles_;
    std::vector<std::string> removed_;
    QListWidget* list_ = nullptr;
    bool loaded_ = false;
};

}  // namespace netrov::ui
