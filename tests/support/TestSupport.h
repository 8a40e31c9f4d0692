#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>

// Bytes from a spaced hex text such as "AA 0F 00".
QByteArray FromHex(const QString& spaced);
// Spaced upper-case hex of the bytes, for readable failure messages.
QString ToHex(const QByteArray& bytes);

// The file's bytes; empty when it cannot be read.
QByteArray FileBytes(const QString& path);

// Standard output of a poppler tool ("pdftotext", ...); a failure message in `error`.
QString PopplerOutput(const QString& tool, const QStringList& arguments, QString* error);

// Runs the event loop until `done` holds; false when `timeoutMs` pass first. Unlike
// QTest::qWaitFor it never sleeps while events wait, so an exchange of many answers runs
// at its own pace.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

// An answer frame, meter to PC, with the given code and payload bytes (offset 3 on), its
// check bytes computed here rather than by the program's own code.
QByteArray AnswerFrame(quint8 code, const QByteArray& payload = {}, quint8 group = 0);

// The program's texts in the language of `name` ("zh_CN", "C") for as long as it lives, as
// the program installs them at its start, with the default locale set alike; then back to
// the source texts.
class ScopedLanguage
{
public:
    explicit ScopedLanguage(const QString& name);
    ~ScopedLanguage();
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;

    // The language installed ("zh_CN"), empty when the program's own texts stay.
    QString Installed() const { return installed_; }

private:
    QLocale previous_;
    QString installed_;
};
