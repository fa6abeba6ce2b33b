#pragma once

#include <QWidget>

#include <functional>

/// A tab of the property sheet or a page of the wizard that hosts one account page at its
/// top-left corner and builds it only when it is first shown (or first needed): until then the
/// hosted page does not exist, so a tab the user never opened changes nothing.
class PlaceholderPage : public QWidget {
    Q_OBJECT
public:
    /// `build` makes the hosted page as a child of the widget it is given.
    PlaceholderPage(const char* objectName, std::function<QWidget*(QWidget*)> build,
                    QWidget* parent = nullptr);

    /// Builds the hosted page unless it exists already.
    void buildPage();
    /// Drops the hosted page, so the next show or `buildPage` builds it afresh.
    void dropPage();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::function<QWidget*(QWidget*)> m_build;
    QWidget* m_page = nullptr;
};
