#pragma once

// What a python3-dbusmock object was called with, from its GetMethodCalls answer.

#include <QDBusArgument>
#include <QDBusMessage>
#include <QList>
#include <QVariantList>

namespace ShellTest {

/// The arguments of each call the answer lists, oldest first.
inline QList<QVariantList> mockCalls(const QDBusMessage& getMethodCallsReply) {
    QList<QVariantList> calls;
    const QDBusArgument list = getMethodCallsReply.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        qulonglong when = 0;
        QVariantList arguments;
        list.beginStructure();
        list >> when >> arguments;
        list.endStructure();
        calls << arguments;
    }
    list.endArray();
    return calls;
}

} // namespace ShellTest
