#include "DvdTable.h"

#include <QLocale>

namespace platform {

QString EnglishLanguageName(const QString& code)
{
    if (code.size() != 2)
        return {};
    const QLocale locale(code);
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return {};
    return QLocale::languageToString(locale.language());
}

} // namespace platform
