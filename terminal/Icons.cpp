// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace Icons {
namespace {

void drawPage(QPainter &p, const QColor &mark, bool cross)
{
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6, 3, 16, 22));
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (int y = 8; y <= 16; y += 4)
        p.drawLine(9, y, 19, y);
    p.setPen(QPen(mark, 3, Qt::SolidLine, Qt::RoundCap));
    if (cross) {
        p.drawLine(17, 19, 27, 29);
        p.drawLine(27, 19, 17, 29);
    } else {
        p.drawLine(22, 18, 22, 30);
        p.drawLine(16, 24, 28, 24);
    }
}

void drawArrow(QPainter &p, const QColor &colour)
{
    p.setPen(QPen(colour, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(4, 16, 24, 16);
    p.drawLine(17, 9, 25, 16);
    p.drawLine(17, 23, 25, 16);
}

void draw(QPainter &p, Kind kind)
{
    switch (kind) {
    case Kind::OpenLog:
        drawPage(p, QColor(20, 130, 40), false);
        break;
    case Kind::CloseLog:
        drawPage(p, QColor(190, 30, 30), true);
        break;
    case Kind::Properties:
        p.setPen(QPen(QColor(60, 60, 60), 4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(16, 16);
            p.rotate(45 * i);
            p.drawLine(0, 9, 0, 13);
            p.restore();
        }
        p.setBrush(QColor(120, 120, 120));
        p.drawEllipse(QPointF(16, 16), 7, 7);
        break;
    case Kind::Transmit:
        drawArrow(p, QColor(30, 80, 200));
        break;
    case Kind::Resend: {
        p.setPen(QPen(QColor(30, 80, 200), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(6, 6, 20, 20), 30 * 16, 290 * 16);
        QPainterPath head;
        head.moveTo(27, 4);
        head.lineTo(28, 14);
        head.lineTo(18, 12);
        p.setBrush(QColor(30, 80, 200));
        p.drawPath(head);
        break;
    }
    case Kind::Reset:
        p.setPen(QPen(QColor(200, 120, 0), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(6, 7, 20, 20), 120 * 16, 300 * 16);
        p.drawLine(16, 4, 16, 16);
        break;
    case Kind::Prog:
        p.setPen(QPen(QColor(40, 40, 40), 2));
        for (int x = 10; x <= 22; x += 4) {
            p.drawLine(x, 3, x, 8);
            p.drawLine(x, 24, x, 29);
        }
        p.setBrush(QColor(40, 40, 40));
        p.drawRect(QRectF(7, 8, 18, 16));
        p.setPen(QPen(QColor(250, 210, 0), 2));
        p.drawLine(11, 16, 21, 16);
        break;
    case Kind::Application: // the installed tavro-terminal.svg, at half its size
        p.setPen(QPen(QColor(0x0b, 0x10, 0x16), 1));
        p.setBrush(QColor(0x1d, 0x27, 0x33));
        p.drawRoundedRect(QRectF(2, 3, 28, 21), 2.5, 2.5);
        p.setBrush(Qt::black);
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(4.5, 5.5, 23, 16));
        p.setPen(QPen(QColor(0x3d, 0xdc, 0x64), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(7, 9.5), QPointF(11, 12.5), QPointF(7, 15.5)}));
        p.drawLine(QPointF(13, 16), QPointF(19, 16));
        p.setPen(QPen(QColor(0x2b, 0x2b, 0x2b), 1.5));
        for (int x = 20; x <= 26; x += 3)
            p.drawLine(x, 24, x, 30);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2b, 0x2b, 0x2b));
        p.drawRoundedRect(QRectF(18, 22, 11, 6.5), 1, 1);
        p.setPen(QPen(QColor(0xfa, 0xd2, 0x00), 1.2));
        p.drawLine(QPointF(20, 25.25), QPointF(27, 25.25));
        break;
    case Kind::Connected:
    case Kind::NotConnected: {
        const QColor c = kind == Kind::Connected ? QColor(0, 170, 0) : QColor(210, 0, 0);
        p.setPen(QPen(c.darker(150), 1.5));
        QRadialGradient g(QPointF(13, 12), 14);
        g.setColorAt(0, c.lighter(160));
        g.setColorAt(1, c);
        p.setBrush(g);
        p.drawEllipse(QPointF(16, 16), 12, 12);
        break;
    }
    }
}
} // namespace

QIcon make(Kind kind)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, kind);
    painter.end();
    return QIcon(pixmap);
}
} // namespace Icons
