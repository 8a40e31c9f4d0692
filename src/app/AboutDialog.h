#pragma once

#include <QDialog>

// The about box: the program's name and version.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    inline static const QString title = QStringLiteral("About PON power meter...");
    inline static const QString productText = QStringLiteral("Pon Managerment Software V1.0");
    inline static const QString versionText = QStringLiteral("Version:20200302");

    // Three text lines beside the icon, top to bottom: product, an empty line, version.
    explicit AboutDialog(QWidget* parent = nullptr);
};
