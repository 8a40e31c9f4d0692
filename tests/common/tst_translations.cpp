// The program's translations: every catalogue holds the code's texts, complete and faithful
// to their placeholders, and the language is chosen as the desktop's preference says.
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

struct Message
{
    QString context;
    QString source;
    QString translation;
    bool finished = false;
};

// An element's text; the catalogue writes control characters (the CR of a CR LF) as
// <byte value="x0d"/>.
QString ReadText(QXmlStreamReader& xml)
{
    QString text;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters:
            text += xml.text();
            break;
        case QXmlStreamReader::StartElement:
            if (xml.name() == u"byte")
                text += QChar(
                    xml.attributes().value(QLatin1String("value")).mid(1).toUShort(nullptr, 16));
            break;
        case QXmlStreamReader::EndElement:
            if (xml.name() != u"byte")
                return text;
            break;
        default:
            break;
        }
    }
    return text;
}

QList<Message> ReadCatalogue(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return {};
    }
    QList<Message> messages;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            messages.append({context, {}, {}, false});
        } else if (xml.name() == u"source" && !messages.isEmpty()) {
            messages.last().source = ReadText(xml);
        } else if (xml.name() == u"translation" && !messages.isEmpty()) {
            const auto type = xml.attributes().value(QLatin1String("type"));
            messages.last().finished = type.isEmpty();
            messages.last().translation = ReadText(xml);
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return messages;
}

// %1…%99, %n and their localized forms (%L1, %Ln), sorted: a translation may reorder them.
QStringList Placeholders(const QString& text)
{
    static const QRegularExpression placeholder(QStringLiteral("%L?(?:[1-9][0-9]?|n)"));
    QStringList found;
    for (auto match = placeholder.globalMatch(text); match.hasNext();)
        found << match.next().captured();
    found.sort();
    return found;
}

// What the program puts after a text (a path, a reason) relies on how it ends.
QString Ending(const QString& text)
{
    static const QRegularExpression ending(QStringLiteral("[ \\r\\n]*$"));
    return ending.match(text).captured();
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What lupdate would make of the code now is what the catalogue holds: a text added to
    // the code, or changed there, is in the catalogue (and translated, below).
    void catalogueHoldsTheCodesTexts()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString project = dir.filePath(QStringLiteral("project.json"));
        QProcess generate;
        generate.start(QStringLiteral(QX_CMAKE_COMMAND),
                       {QStringLiteral("-DIN_FILE=" QX_LUPDATE_PROJECT),
                        QStringLiteral("-DOUT_FILE=") + project, QStringLiteral("-P"),
                        QStringLiteral(QX_LUPDATE_PROJECT_SCRIPT)});
        QVERIFY(generate.waitForFinished(60000) && generate.exitCode() == 0);
        const QDir folder(QStringLiteral(QX_TRANSLATIONS_DIR));
        for (const QString& name : folder.entryList({QStringLiteral("qx390d_*.ts")})) {
            const QString copy = dir.filePath(name);
            QVERIFY(QFile::copy(folder.filePath(name), copy));
            QProcess lupdate;
            lupdate.start(QStringLiteral(QX_LUPDATE),
                          {QStringLiteral("-project"), project, QStringLiteral("-no-obsolete"),
                           QStringLiteral("-locations"), QStringLiteral("none"),
                           QStringLiteral("-source-language"), QStringLiteral("en"),
                           QStringLiteral("-silent"), QStringLiteral("-ts"), copy});
            QVERIFY(lupdate.waitForFinished(60000) && lupdate.exitCode() == 0);
            QFile original(folder.filePath(name));
            QFile updated(copy);
            QVERIFY(original.open(QIODevice::ReadOnly) && updated.open(QIODevice::ReadOnly));
            QVERIFY2(original.readAll() == updated.readAll(),
                     qPrintable(name + QStringLiteral(" is behind the code: run "
                                                      "make update-translations, then translate "
                                                      "what it marks unfinished")));
        }
    }

    void everyTextIsTranslatedWithItsPlaceholders_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("translation");
        QTest::addColumn<bool>("finished");
        const QDir folder(QStringLiteral(QX_TRANSLATIONS_DIR));
        const QStringList catalogues = folder.entryList({QStringLiteral("qx390d_*.ts")});
        QVERIFY(!catalogues.isEmpty());
        for (const QString& name : catalogues) {
            QString error;
            const QList<Message> messages = ReadCatalogue(folder.filePath(name), &error);
            QVERIFY2(error.isEmpty(), qPrintable(name + QStringLiteral(": ") + error));
            QVERIFY(!messages.isEmpty());
            for (const Message& m : messages)
                QTest::addRow("%s %s: %s", qPrintable(name), qPrintable(m.context),
                              qPrintable(m.source.simplified().left(40)))
                    << m.source << m.translation << m.finished;
        }
    }
    void everyTextIsTranslatedWithItsPlaceholders()
    {
        QFETCH(QString, source);
        QFETCH(QString, translation);
        QFETCH(bool, finished);
        QVERIFY2(finished && !translation.isEmpty(), "unfinished");
        QCOMPARE(Placeholders(translation), Placeholders(source));
        QCOMPARE(Ending(translation), Ending(source));
        // A menu's access key stays reachable from the keyboard.
        QCOMPARE(translation.contains(QLatin1Char('&')), source.contains(QLatin1Char('&')));
    }

    void languageFollowsTheDesktop_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("installed");
        QTest::newRow("C") << "C"
                           << "";
        QTest::newRow("English") << "en_US"
                                 << "";
        QTest::newRow("English of Britain") << "en_GB"
                                            << "";
        QTest::newRow("a language without a translation") << "de_DE"
                                                          << "";
        QTest::newRow("Simplified Chinese") << "zh_CN"
                                            << "zh_CN";
    }
    void languageFollowsTheDesktop()
    {
        QFETCH(QString, locale);
        QFETCH(QString, installed);
        const ScopedLanguage language(locale);
        QCOMPARE(language.Installed(), installed);
        const QString file = QCoreApplication::translate("MainWindow", "&File");
        // The toolkit's own buttons follow the program's language.
        const QString yes = QCoreApplication::translate("QPlatformTheme", "&Yes");
        if (installed.isEmpty()) {
            QCOMPARE(file, QStringLiteral("&File"));
            QCOMPARE(yes, QStringLiteral("&Yes"));
        } else {
            QVERIFY(file != QStringLiteral("&File"));
            QVERIFY2(yes != QStringLiteral("&Yes"), "the toolkit's catalogue is not installed");
        }
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
