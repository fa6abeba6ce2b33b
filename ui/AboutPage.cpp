#include "ui/AboutPage.h"

AboutPage::AboutPage(QWidget* parent) : QWidget(parent) {}
