#pragma once

#include <QString>

#include <string>
#include <string_view>

/// Text between the model's strings and the widgets', through the program's own conversions:
/// narrow text (logins, addresses, server names) and wide text (paths, URLs).
QString toQString(std::string_view narrow);
QString toQString(std::u16string_view wide);
std::string narrowOf(const QString& text);
std::u16string wideOf(const QString& text);
