#pragma once

#include <QDialog>

// The about box: the program's name and version.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return tr("About PON power meter..."); }
    static QString productText() { return tr("Pon Managerment Software V1.0"); }
    static QString versionText() { return tr("Version:20200302"); }

    // Three text lines beside the icon, top to bottom: product, an empty line, version.
    explicit AboutDialog(QWidget* parent = nullptr);
};
