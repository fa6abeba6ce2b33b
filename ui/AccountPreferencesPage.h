#pragma once

#include "logic/AccountPreferences.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

/// An account's read-mail action and whether Mark As Read reaches the server, on a copy that the
/// controls are written into only by `apply`. The program path and the URL are both kept whatever
/// action is chosen.
class AccountPreferencesPage : public QWidget {
    Q_OBJECT
public:
    AccountPreferencesPage(const Logic::AccountPreferences& preferences, QWidget* parent);

    void apply();
    const Logic::AccountPreferences& preferences() const { return m_preferences; }
    /// Only an IMAP server keeps what was read: for POP3, "Mark messages read on the server
    /// too" cannot be changed.
    void setForImap(bool imap);

private:
    /// Only the fields of the chosen action can be edited.
    void enableChosenFields();
    void browse();

    Logic::AccountPreferences m_preferences;
    QRadioButton* m_defaultClient;
    QRadioButton* m_program;
    QLineEdit* m_programPath;
    QPushButton* m_browse;
    QRadioButton* m_openUrl;
    QLineEdit* m_url;
    QCheckBox* m_markOnServer;
};
