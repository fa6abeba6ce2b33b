#include "ui/MessagesPage.h"

MessagesPage::MessagesPage(LogicCore& core, QWidget* parent) : QWidget(parent), m_core(core) {}

void MessagesPage::refresh() {}

void MessagesPage::markAllRead() {}
