#include "app/CAboutDlg.h"

#include "app/ToolbarIcons.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Control ids of the three lines.
constexpr int kProductLine = 1029;
constexpr int kBlankLine = 1028;
constexpr int kVersionLine = 1027;

QLabel* Line(int id, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("line%1").arg(id));
    return label;
}
} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(title);

    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));

    auto* lines = new QVBoxLayout;
    lines->addWidget(Line(kProductLine, productText, this));
    lines->addWidget(Line(kBlankLine, QString(), this));
    lines->addWidget(Line(kVersionLine, versionText, this));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, Qt::AlignTop | Qt::AlignLeft);
    layout->addLayout(lines, 0, 1);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
