#include "ui/AccountSettingsSheet.h"

AccountSettingsSheet::AccountSettingsSheet(const Logic::ConnectionSettings& settings,
                                           const Logic::AccountPreferences& preferences,
                                           QWidget* parent)
    : QDialog(parent), m_settings(settings), m_preferences(preferences) {}
