#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

// The program's texts in the desktop's language. The source texts are the program's own
// English; a language with a translation (translations/qx390d_<language>.ts, embedded as
// :/i18n/qx390d_<language>.qm) gets it, together with the toolkit's own translation of its
// dialogs and buttons (Debian's qt6-translations-l10n). The languages of `locale` are tried
// in the desktop's order of preference (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG as QLocale
// reads them); English or C before any translated language installs nothing, and so does a
// language without a translation: the program then shows exactly its own texts.
// The translators live as long as `app`. Returns the language installed ("zh_CN"), or an
// empty text when none.
QString InstallTranslations(QCoreApplication& app, const QLocale& locale = QLocale());
