#include "TestSupport.h"

#include "common/ProgramTranslations.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>

QByteArray FromHex(const QString& spaced)
{
    return QByteArray::fromHex(spaced.toLatin1());
}

QString ToHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    check.callOnTimeout(&loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(timeoutMs, &loop, [&loop] { loop.exit(1); });
    return done() || loop.exec() == 0;
}

QByteArray AnswerFrame(quint8 code, const QByteArray& payload, quint8 group)
{
    QByteArray f(31, '\0');
    f[0] = char(0x55);
    f[1] = char(0xF0);
    f[2] = char(code);
    for (int i = 0; i < payload.size() && 3 + i <= 28; ++i)
        f[3 + i] = payload[i];
    if (group)
        f[28] = char(group);
    quint8 a = 0, b = 0;
    for (int i = 1; i <= 27; i += 2)
        a ^= quint8(f[i]);
    for (int i = 2; i <= 28; i += 2)
        b ^= quint8(f[i]);
    f[29] = char(a);
    f[30] = char(b);
    return f;
}

ScopedLanguage::ScopedLanguage(const QString& name) : previous_(QLocale())
{
    QLocale::setDefault(QLocale(name));
    installed_ = InstallTranslations(*QCoreApplication::instance(), QLocale(name));
}

ScopedLanguage::~ScopedLanguage()
{
    const QList<QTranslator*> translators =
        QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly);
    for (QTranslator* translator : translators) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QLocale::setDefault(previous_);
}

QString PopplerOutput(const QString& tool, const QStringList& arguments, QString* error)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        *error = tool + QStringLiteral(" not found (package poppler-utils, make deps)");
        return {};
    }
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        *error = tool + QStringLiteral(" failed: ") +
                 QString::fromLocal8Bit(process.readAllStandardError());
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}
