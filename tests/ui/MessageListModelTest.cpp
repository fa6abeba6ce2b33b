// The list models under Qt's own model tester: the Messages list's rows over the core's
// records, sorting by each column, and a selection that follows its messages through a sort
// and a refresh; the Accounts list's rows rewritten one at a time as a check goes.
#include "ui/MessageListModel.h"
#include "logic/Mail.h"
#include "tests/support/QtTests.h"
#include "ui/AccountListModel.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

AccountView account(const std::string& address) {
    AccountView view;
    view.emailAddress = address;
    return view;
}

std::shared_ptr<Logic::Mail> mail(const std::string& account, const std::string& from,
                                  const std::string& subject, int day) {
    return std::make_shared<Logic::Mail>(account, "Received: by mx; " + std::to_string(day) +
                                                      " Dec 2026 10:00:00 +0000\r\nFrom: " + from +
                                                      "\r\nSubject: " + subject + "\r\n\r\n");
}

QStringList column(const QAbstractItemModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.data(model.index(row, column)).toString();
    return texts;
}

} // namespace

class MessageListModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsSortBySelectedColumnAndTheSelectionFollows() {
        MessageListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto a = mail("b@example.org", "Zoe", "alpha", 3);
        const auto b = mail("a@example.org", "Ann", "gamma", 1);
        const auto c = mail("c@example.org", "Max", "beta", 2);
        model.setMails({a, b, c});
        // Newest first until another column is chosen.
        QCOMPARE(column(model, MessageListModel::kSubject),
                 (QStringList{u"alpha"_s, u"beta"_s, u"gamma"_s}));
        QVERIFY(column(model, MessageListModel::kDate).front().startsWith(u"03.12.2026"_s));

        QItemSelectionModel selection(&model);
        selection.select(model.index(model.rowOf(*b), 0),
                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
        model.sort(MessageListModel::kFrom, Qt::AscendingOrder);
        QCOMPARE(column(model, MessageListModel::kFrom),
                 (QStringList{u"Ann"_s, u"Max"_s, u"Zoe"_s}));
        QCOMPARE(selection.selectedRows().size(), 1);
        QCOMPARE(model.mailAt(selection.selectedRows().front().row()).get(), b.get());
        model.sort(MessageListModel::kAccount, Qt::DescendingOrder);
        QCOMPARE(column(model, MessageListModel::kAccount),
                 (QStringList{u"c@example.org"_s, u"b@example.org"_s, u"a@example.org"_s}));
        QCOMPARE(model.mailAt(selection.selectedRows().front().row()).get(), b.get());

        // A refresh keeps the order chosen; a message read meanwhile leaves its row.
        model.setMails({c, a});
        QCOMPARE(column(model, MessageListModel::kAccount),
                 (QStringList{u"c@example.org"_s, u"b@example.org"_s}));
        model.removeRowOf(*c);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.rowOf(*c), -1);
    }

    void accountRowsChangeOneAtATime() {
        AccountListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setAccounts({account("a@example.org"), account("b@example.org")});
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        AccountView failed = account("b@example.org");
        failed.status = Logic::AccountStatus::Failed;
        failed.failureReason = "Login failed";
        QVERIFY(model.updateAccount(failed));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.front().front().toModelIndex().row(), 1);
        QCOMPARE(column(model, AccountListModel::kStatus),
                 (QStringList{u"No unread messages"_s, u"Failed: Login failed"_s}));
        QCOMPARE(model.index(1, AccountListModel::kStatus).data(Qt::ToolTipRole).toString(),
                 u"Failed: Login failed"_s);
        QVERIFY(!model.index(0, AccountListModel::kStatus).data(Qt::ToolTipRole).isValid());
        QVERIFY(!model.updateAccount(account("c@example.org")));
        QCOMPARE(model.rowOf("b@example.org"), 1);
    }
};

VELOMAR_QT_TEST(MessageListModelTest);

#include "MessageListModelTest.moc"
