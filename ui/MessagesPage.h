#pragma once

#include <QWidget>

class LogicCore;
class PagesObserver;

/// The "Messages" tab: every unread message of every account in one list.
class MessagesPage : public QWidget {
    Q_OBJECT
public:
    MessagesPage(LogicCore& core, QWidget* parent);

    /// Not owned; told when messages were marked read here.
    void setObserver(PagesObserver* observer) { m_observer = observer; }
    /// Rebuilds the list from the model.
    void refresh();
    /// The same as the "Mark All As Read" button.
    void markAllRead();

private:
    LogicCore& m_core;
    PagesObserver* m_observer = nullptr;
};
