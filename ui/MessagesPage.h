#pragma once

#include <QWidget>

#include <memory>

class LogicCore;
class PagesObserver;
class QPushButton;
class QTableWidget;
enum class ActionResult;

namespace Logic {
class Mail;
}

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

    QSize sizeHint() const override;

private:
    /// A header click: another column sorts ascending, the same one again turns the order round.
    void sortByColumn(int column);
    void applySort();
    void markSelectedRead();
    /// A double click: the account's read-mail action, then every message of that account read.
    void readMailOfRow(int row);
    void updateButtons();
    void reportChange(ActionResult result);
    std::shared_ptr<const Logic::Mail> mailAt(int row) const;

    LogicCore& m_core;
    PagesObserver* m_observer = nullptr;
    QTableWidget* m_list;
    QPushButton* m_markAllRead;
    QPushButton* m_markRead;
    int m_sortColumn;
    bool m_ascending = false;
};
