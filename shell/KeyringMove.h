#pragma once

#include "core/PasswordMove.h"

#include <QFutureWatcher>
#include <QObject>

class LogicCore;
class QWidget;

/// At the start: the passwords still kept in the account file move to the desktop's keyring
/// (on the keyring's thread), and the file is saved without them once the keyring took every
/// one. Where no keyring answers they stay, silently: that is their place there. A keyring that
/// refuses is told once, in a message box over `window`; the file stays as it was, and the next
/// start tries again.
class KeyringMove : public QObject {
    Q_OBJECT
public:
    KeyringMove(LogicCore& core, QWidget* window);

Q_SIGNALS:
    /// The move ended, whichever way (also when there was nothing to move).
    void ended();

private:
    void stored(const PasswordMove::Outcome& outcome);

    LogicCore& m_core;
    QWidget* m_window;
    PasswordMove m_move;
    QFutureWatcher<PasswordMove::Outcome> m_storing;
};
