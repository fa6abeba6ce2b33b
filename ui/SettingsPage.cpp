#include "ui/SettingsPage.h"

SettingsPage::SettingsPage(const Norq::Settings&, SoundPlayer& player, QWidget* parent)
    : QWidget(parent), m_player(player) {}
