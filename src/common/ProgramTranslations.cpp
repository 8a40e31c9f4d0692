#include "common/ProgramTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// The toolkit's catalogues that hold texts this program shows: the file dialogs and box
// buttons, and the serial port's error texts.
const char* const kToolkitCatalogues[] = {"qtbase", "qtserialport"};

bool Install(QCoreApplication& app, const QLocale& language, const QString& catalogue,
             const QString& folder)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(language, catalogue, QStringLiteral("_"), folder) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace

QString InstallTranslations(QCoreApplication& app, const QLocale& locale)
{
    for (const QString& name : locale.uiLanguages()) {
        const QLocale language(name);
        // The source texts are English: nothing to translate, and no later language either.
        // A name the toolkit does not know also reads as C; it is passed over.
        if (language.language() == QLocale::English || name == QLatin1String("C"))
            return {};
        if (!Install(app, language, QStringLiteral("qx390d"), QStringLiteral(":/i18n")))
            continue;
        const QString toolkitFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        for (const char* catalogue : kToolkitCatalogues)
            Install(app, language, QString::fromLatin1(catalogue), toolkitFolder);
        return language.name();
    }
    return {};
}
