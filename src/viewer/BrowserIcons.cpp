#include "viewer/BrowserIcons.h"

#include <QPainter>
#include <QPolygonF>
#include <QPixmap>

namespace zin {

namespace {

// Draws an icon on a 16-unit grid at 16 and 32 pixels, so that it stays
// sharp on screens with twice the pixel density.
template <class Draw>
QIcon MakeIcon(Draw draw)
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

QIcon FolderIcon()
{
    return MakeIcon([](QPainter& p) {
        // A folder: the back with its tab, then the front.
        p.setPen(QPen(QColor(0x9a, 0x6f, 0x12), 1.0));
        p.setBrush(QColor(0xe0, 0xa8, 0x30));
        p.drawPolygon(QPolygonF({{1.5, 3.5}, {6.0, 3.5}, {7.5, 5.0}, {14.5, 5.0}, {14.5, 13.5}, {1.5, 13.5}}));
        p.setBrush(QColor(0xf6, 0xc9, 0x5c));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13.0, 7.0), 0.8, 0.8);
    });
}

QIcon FileIcon()
{
    return MakeIcon([](QPainter& p) {
        // A page with its top right corner folded, and lines of text.
        p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1.0));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({{3.5, 1.5}, {9.5, 1.5}, {12.5, 4.5}, {12.5, 14.5}, {3.5, 14.5}}));
        p.setBrush(QColor(0xdd, 0xdd, 0xdd));
        p.drawPolygon(QPolygonF({{9.5, 1.5}, {9.5, 4.5}, {12.5, 4.5}}));
        p.setPen(QPen(QColor(0xa0, 0xa0, 0xa0), 1.0));
        for (double y : {7.0, 9.0, 11.0})
            p.drawLine(QPointF(5.0, y), QPointF(11.0, y));
    });
}

}  // namespace zin
