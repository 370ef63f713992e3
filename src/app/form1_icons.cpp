#include "app/form1_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace app {
namespace {

constexpr int kSize = 16;

void page(QPainter& p, QRectF r) {
    p.setBrush(Qt::white);
    p.drawRect(r);
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2.5) p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void arrow(QPainter& p, bool forward) {
    // A bent arrow: a half circle ending in a head.
    QPainterPath path;
    path.moveTo(forward ? 4 : 12, 12);
    path.arcTo(QRectF(3, 4, 10, 8), forward ? 180 : 0, forward ? -180 : 180);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.drawPath(path);
    p.setBrush(QColor(0, 0, 128));
    p.setPen(Qt::NoPen);
    const qreal x = forward ? 13 : 3;
    const QPointF head[] = {{x - 3, 7}, {x + 3, 7}, {x, 11}};
    p.drawPolygon(head, 3);
}

void draw(QPainter& p, Picture picture) {
    p.setPen(QPen(Qt::black, 1));
    switch (picture) {
    case Picture::Cut:
        p.drawLine(QPointF(5, 2), QPointF(10, 10));
        p.drawLine(QPointF(11, 2), QPointF(6, 10));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(3, 10, 4, 4));
        p.drawEllipse(QRectF(9, 10, 4, 4));
        break;
    case Picture::Copy:
        page(p, QRectF(2, 2, 8, 10));
        page(p, QRectF(6, 5, 8, 10));
        break;
    case Picture::Paste:
        p.setBrush(QColor(160, 110, 40));
        p.drawRect(QRectF(2, 3, 10, 12));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(5, 1.5, 4, 3));
        page(p, QRectF(7, 7, 7, 8));
        break;
    case Picture::Undo: arrow(p, false); break;
    case Picture::Redo: arrow(p, true); break;
    case Picture::Save:
        p.setBrush(QColor(0, 0, 128));
        p.drawRect(QRectF(2, 2, 12, 12));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 2, 8, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(5, 10, 6, 4));
        break;
    case Picture::Open:
        p.setBrush(QColor(230, 190, 60));
        p.drawRect(QRectF(1.5, 5, 11, 8.5));
        p.drawRect(QRectF(1.5, 3.5, 5, 1.5));
        p.setBrush(QColor(250, 220, 110));
        const QPointF flap[] = {{4, 7.5}, {15, 7.5}, {12.5, 13.5}, {1.5, 13.5}};
        p.drawPolygon(flap, 4);
        break;
    }
}

}  // namespace

QIcon PictureIcon(Picture picture) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, picture);
    p.end();
    return QIcon(pixmap);
}

QIcon WindowIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 255, 192));
    p.drawRect(QRectF(4.5, 2.5, 23, 27));
    // A rune: a stave with two branches.
    p.setPen(QPen(QColor(128, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(13, 7), QPointF(13, 25));
    p.drawLine(QPointF(13, 9), QPointF(21, 14));
    p.drawLine(QPointF(13, 15), QPointF(21, 20));
    p.end();
    return QIcon(pixmap);
}

}  // namespace app
