#pragma once

#include "logic/Account.h"

#include <QAbstractTableModel>

#include <memory>

/// The unread messages of every account as the Messages list shows them: a row is a pointer to
/// the core's own record, and its texts are made only when the row is painted. Sorting orders
/// the pointers, never copying a text; the selection and the current row follow their messages
/// through a sort.
class MessageListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kAccount, kFrom, kSubject, kDate, kColumnCount };

    explicit MessageListModel(QObject* parent = nullptr);

    /// Lists these messages instead, in the order chosen last.
    void setMails(Logic::Account::MailList mails);
    const std::shared_ptr<Logic::Mail>& mailAt(int row) const;
    /// The row of this very record; -1 when it is not listed.
    int rowOf(const Logic::Mail& mail) const;
    /// Takes the message out of the list, as one read meanwhile.
    void removeRowOf(const Logic::Mail& mail);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    /// By the messages' own values: the address by its bytes, sender and subject by their
    /// UTF-16 units, the date by its instant; equal ones keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    /// The order chosen last: newest first until another is.
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_order; }

private:
    void applyOrder();

    Logic::Account::MailList m_mails;
    int m_sortColumn = kDate;
    Qt::SortOrder m_order = Qt::DescendingOrder;
};
