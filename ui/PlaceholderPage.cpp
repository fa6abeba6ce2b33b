#include "ui/PlaceholderPage.h"

#include <QVBoxLayout>

PlaceholderPage::PlaceholderPage(const char* objectName, std::function<QWidget*(QWidget*)> build,
                                 QWidget* parent)
    : QWidget(parent), m_build(std::move(build)) {
    setObjectName(QString::fromLatin1(objectName));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins({});
    layout->setAlignment(Qt::AlignTop | Qt::AlignLeft);
}

void PlaceholderPage::buildPage() {
    if (m_page != nullptr)
        return;
    m_page = m_build(this);
    layout()->addWidget(m_page);
    m_page->show();
}

void PlaceholderPage::dropPage() {
    delete m_page;
    m_page = nullptr;
}

void PlaceholderPage::showEvent(QShowEvent* event) {
    buildPage();
    QWidget::showEvent(event);
}
