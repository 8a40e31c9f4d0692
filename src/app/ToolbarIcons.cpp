#include "app/ToolbarIcons.h"

#include "app/CommandIds.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {

constexpr int kSize = 32;

QIcon Draw(const std::function<void(QPainter&)>& paint)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return QIcon(pixmap);
}

// A vertical arrow with its shaft centred on x, from y0 to the tip at y1.
void Arrow(QPainter& p, int x, int y0, int y1, const QColor& colour)
{
    const int dir = y1 > y0 ? 1 : -1;
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(x, y0, x, y1 - dir * 4);
    QPainterPath head;
    head.moveTo(x - 6, y1 - dir * 6);
    head.lineTo(x + 6, y1 - dir * 6);
    head.lineTo(x, y1);
    head.closeSubpath();
    p.fillPath(head, colour);
}

void Sheet(QPainter& p, const QRect& r)
{
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    for (int y = r.top() + 4; y < r.bottom() - 2; y += 4)
        p.drawLine(r.left() + 3, y, r.right() - 3, y);
}

void Cross(QPainter& p, const QPoint& centre, int half)
{
    p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPoint(-half, -half), centre + QPoint(half, half));
    p.drawLine(centre + QPoint(-half, half), centre + QPoint(half, -half));
}

void Bars(QPainter& p)
{
    const QColor colours[] = {QColor(0x2e, 0x8b, 0x57), QColor(0xe0, 0xb0, 0x20),
                              QColor(0xc0, 0x30, 0x30)};
    for (int i = 0; i < 3; ++i)
        p.fillRect(3 + i * 6, 28 - (i + 2) * 5, 5, (i + 2) * 5, colours[i]);
}

void Plug(QPainter& p, int x, const QColor& colour, bool facingRight)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRect(x, 10, 9, 12), 2, 2);
    const int pinX = facingRight ? x + 9 : x - 4;
    p.fillRect(pinX, 12, 4, 2, Qt::darkGray);
    p.fillRect(pinX, 18, 4, 2, Qt::darkGray);
    p.setPen(QPen(colour, 3));
    p.drawLine(facingRight ? x : x + 9, 16, facingRight ? 1 : 31, 16);
}

} // namespace

QIcon CommandIcon(int commandId)
{
    switch (commandId) {
    case Cmd::Save:
        return Draw([](QPainter& p) {
            p.setPen(QPen(QColor(0x10, 0x20, 0x60), 1));
            p.setBrush(QColor(0x30, 0x50, 0xa0));
            p.drawRoundedRect(QRect(3, 3, 26, 26), 2, 2);
            p.fillRect(8, 4, 16, 9, Qt::white);
            p.fillRect(19, 5, 3, 6, QColor(0x30, 0x50, 0xa0));
            p.fillRect(8, 18, 16, 10, QColor(0xd8, 0xd8, 0xd8));
        });
    case Cmd::Open:
        return Draw([](QPainter& p) {
            p.setPen(QPen(QColor(0x90, 0x70, 0x10), 1));
            p.setBrush(QColor(0xe8, 0xc0, 0x40));
            p.drawRect(QRect(3, 9, 24, 18));
            p.drawRect(QRect(3, 6, 10, 3));
            p.setBrush(QColor(0xf8, 0xd8, 0x60));
            QPolygon flap({QPoint(7, 14), QPoint(30, 14), QPoint(26, 27), QPoint(3, 27)});
            p.drawPolygon(flap);
        });
    case Cmd::Connect:
        return Draw([](QPainter& p) {
            Plug(p, 6, QColor(0x2e, 0x8b, 0x57), true);
            Plug(p, 17, QColor(0x2e, 0x8b, 0x57), false);
        });
    case Cmd::Disconnect:
        return Draw([](QPainter& p) {
            Plug(p, 2, Qt::gray, true);
            Plug(p, 21, Qt::gray, false);
            p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 2));
            p.drawLine(14, 6, 18, 26);
        });
    case Cmd::DownloadData:
        return Draw([](QPainter& p) {
            Sheet(p, QRect(10, 12, 18, 18));
            Arrow(p, 9, 2, 20, QColor(0x20, 0x70, 0xd0));
        });
    case Cmd::DeleteCurrentData:
        return Draw([](QPainter& p) {
            Sheet(p, QRect(6, 3, 18, 24));
            Cross(p, QPoint(22, 22), 6);
        });
    case Cmd::DeleteAllData:
        return Draw([](QPainter& p) {
            Sheet(p, QRect(10, 1, 16, 20));
            Sheet(p, QRect(6, 5, 16, 20));
            Sheet(p, QRect(2, 9, 16, 20));
            Cross(p, QPoint(22, 22), 7);
        });
    case Cmd::DownloadThreshold:
        return Draw([](QPainter& p) {
            Bars(p);
            Arrow(p, 26, 3, 29, QColor(0x20, 0x70, 0xd0));
        });
    case Cmd::UploadThreshold:
        return Draw([](QPainter& p) {
            Bars(p);
            Arrow(p, 26, 29, 3, QColor(0xe0, 0x70, 0x10));
        });
    }
    return {};
}

QIcon ApplicationIcon()
{
    return Draw([](QPainter& p) {
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
        p.setBrush(QColor(0xf0, 0x80, 0x20));
        p.drawRoundedRect(QRect(6, 1, 20, 30), 4, 4);
        p.setBrush(QColor(0x20, 0x40, 0x30));
        p.drawRect(QRect(9, 4, 14, 10));
        p.setPen(QColor(0x60, 0xf0, 0x90));
        QFont font = p.font();
        font.setPixelSize(6);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRect(9, 4, 14, 10), Qt::AlignCenter, QStringLiteral("PON"));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x40, 0x40, 0x40));
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                p.drawEllipse(QRect(10 + col * 5, 17 + row * 4, 3, 3));
    });
}
