#include "ui/QtText.h"

#include "foundation/TextConversion.h"

#include <QStringView>

QString toQString(std::string_view narrow) {
    return toQString(Norq::toWide(narrow));
}

QString toQString(std::u16string_view wide) {
    return QStringView(wide.data(), static_cast<qsizetype>(wide.size())).toString();
}

std::string narrowOf(const QString& text) {
    return Norq::toNarrow(wideOf(text));
}

std::u16string wideOf(const QString& text) {
    return text.toStdU16String();
}
