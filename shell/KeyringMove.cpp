#include "shell/KeyringMove.h"

#include "core/UserActions.h"
#include "foundation/Product.h"
#include "ui/KeyringTask.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

#include <QTimer>

KeyringMove::KeyringMove(LogicCore& core, QWidget* window)
    : QObject(window), m_core(core), m_window(window), m_move(PasswordMove::collect(core)) {
    if (m_move.empty()) {
        QTimer::singleShot(0, this, &KeyringMove::ended);
        return;
    }
    connect(&m_storing, &QFutureWatcherBase::finished, this,
            [this] { stored(m_storing.result()); });
    m_storing.setFuture(onKeyringThread<PasswordMove::Outcome>(
        core, [move = m_move] { return move.storeInKeyring(); }));
}

void KeyringMove::stored(const PasswordMove::Outcome& outcome) {
    switch (outcome.kind) {
    case PasswordMove::Outcome::Kind::Stored:
        // A file that cannot be written now is told as every failed save is, and written
        // without the passwords at the next save.
        UserActions(m_core).keepPasswordsInKeyring(m_move);
        break;
    case PasswordMove::Outcome::Kind::NoKeyring:
        break;
    case PasswordMove::Outcome::Kind::Refused:
        Prompts::showMessage(
            m_window, QMessageBox::Warning, toQString(Norq::Product::kName),
            QStringLiteral("The passwords could not be moved to the desktop's keyring: %1.\n\n"
                           "They stay in the account file, scrambled, not encrypted; the next "
                           "start tries again.")
                .arg(toQString(outcome.reason)));
        break;
    }
    Q_EMIT ended();
}
