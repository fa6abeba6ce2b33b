#pragma once

#include <QWidget>

class LogicCore;
class MessageListModel;
class ModelEvents;
class QPushButton;
class ReportTable;

namespace Logic {
class Mail;
}

/// The "Messages" tab: every unread message of every account in one list, rebuilt whenever
/// the unread messages or the accounts change, or while the tab is hidden, when it is next shown.
class MessagesPage : public QWidget {
    Q_OBJECT
public:
    MessagesPage(LogicCore& core, ModelEvents& events, QWidget* parent);

    /// Rebuilds the list from the model.
    void refresh();
    /// The same as the "Mark All As Read" button.
    void markAllRead();
    /// Selects this message's row alone and shows it; nothing when it is not listed.
    void select(const Logic::Mail& mail);

    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshWhenShown();
    /// A header click: another column sorts ascending, the same one again turns the order round.
    void sortByColumn(int column);
    void applySort(int column, Qt::SortOrder order);
    void markSelectedRead();
    /// A double click: the account's read-mail action, then every message of that account read.
    void readMailOfRow(int row);
    void updateButtons();

    LogicCore& m_core;
    MessageListModel* m_model;
    ReportTable* m_list;
    QPushButton* m_markAllRead;
    QPushButton* m_markRead;
    /// The list does not show the model's messages: the page was hidden when they changed.
    bool m_stale = true;
};
