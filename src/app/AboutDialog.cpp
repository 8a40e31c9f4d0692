#include "app/AboutDialog.h"

#include "app/ToolbarIcons.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel* Line(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}
} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(title());

    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));

    auto* lines = new QVBoxLayout;
    lines->addWidget(Line(QStringLiteral("productLine"), productText(), this));
    lines->addWidget(Line(QStringLiteral("blankLine"), QString(), this));
    lines->addWidget(Line(QStringLiteral("versionLine"), versionText(), this));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, Qt::AlignTop | Qt::AlignLeft);
    layout->addLayout(lines, 0, 1);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
