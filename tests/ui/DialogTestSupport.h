#pragma once

// What the account dialogs' tests share: finding a control the way a person names it.

#include <QString>
#include <QWidget>

namespace DialogTests {

/// The control of that object name under `root`; nullptr when there is none.
template <class Widget> Widget* control(const QWidget* root, const char* objectName) {
    return root->findChild<Widget*>(QString::fromLatin1(objectName));
}

} // namespace DialogTests
