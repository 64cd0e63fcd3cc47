#include "ui/icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace {

constexpr int kSize = 32;

QPen Pen(const QColor& color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void DrawFolder(QPainter& p)
{
    p.setPen(Pen(QColor(0x9a, 0x6b, 0x10), 1.5));
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    QPainterPath path;
    path.moveTo(3, 8);
    path.lineTo(12, 8);
    path.lineTo(15, 11);
    path.lineTo(29, 11);
    path.lineTo(29, 27);
    path.lineTo(3, 27);
    path.closeSubpath();
    p.drawPath(path);
}

void DrawPicture(QPainter& p)
{
    p.setPen(Pen(QColor(0x40, 0x40, 0x40), 1.5));
    p.setBrush(QColor(0xdd, 0xee, 0xff));
    p.drawRect(QRectF(3, 5, 26, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0x9a, 0x3c));
    QPolygonF hills{QPointF(4, 26), QPointF(12, 15), QPointF(18, 22), QPointF(22, 18), QPointF(28, 26)};
    p.drawPolygon(hills);
    p.setBrush(QColor(0xf5, 0xb8, 0x00));
    p.drawEllipse(QPointF(22, 11), 3, 3);
}

void DrawGear(QPainter& p)
{
    const QPointF c(16, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5a, 0x6b, 0x7d));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 45.0);
        p.drawRoundedRect(QRectF(-3, -14, 6, 8), 1.5, 1.5);
        p.restore();
    }
    p.drawEllipse(c, 10, 10);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 4, 4);
}

QPixmap Draw(TIconKind kind)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case TIconKind::Add:
        p.setPen(Pen(QColor(0x1e, 0x7b, 0x1e), 1.5));
        p.setBrush(QColor(0x4c, 0xb8, 0x4c));
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.setPen(Pen(Qt::white, 4));
        p.drawLine(QPointF(16, 9), QPointF(16, 23));
        p.drawLine(QPointF(9, 16), QPointF(23, 16));
        break;
    case TIconKind::Delete:
        p.setPen(Pen(QColor(0xa0, 0x1c, 0x1c), 1.5));
        p.setBrush(QColor(0xe0, 0x4a, 0x4a));
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.setPen(Pen(Qt::white, 4));
        p.drawLine(QPointF(11, 11), QPointF(21, 21));
        p.drawLine(QPointF(21, 11), QPointF(11, 21));
        break;
    case TIconKind::Start:
        p.setPen(Pen(QColor(0x1e, 0x7b, 0x1e), 1.5));
        p.setBrush(QColor(0x4c, 0xb8, 0x4c));
        p.drawPolygon(QPolygonF{QPointF(8, 4), QPointF(28, 16), QPointF(8, 28)});
        break;
    case TIconKind::Stop:
        p.setPen(Pen(QColor(0xa0, 0x1c, 0x1c), 1.5));
        p.setBrush(QColor(0xe0, 0x4a, 0x4a));
        p.drawRoundedRect(QRectF(6, 6, 20, 20), 3, 3);
        break;
    case TIconKind::Settings:
        DrawGear(p);
        break;
    case TIconKind::Exit:
        p.setPen(Pen(QColor(0x5a, 0x3a, 0x1a), 1.5));
        p.setBrush(QColor(0xb0, 0x7a, 0x45));
        p.drawRect(QRectF(4, 3, 15, 26));
        p.setPen(Pen(QColor(0xa0, 0x1c, 0x1c), 3));
        p.drawLine(QPointF(14, 16), QPointF(28, 16));
        p.drawLine(QPointF(23, 11), QPointF(28, 16));
        p.drawLine(QPointF(23, 21), QPointF(28, 16));
        break;
    case TIconKind::View:
        p.setPen(Pen(QColor(0x2d, 0x5f, 0x9e), 1.5));
        p.setBrush(QColor(0xd8, 0xe6, 0xf7));
        p.drawRect(QRectF(3, 6, 26, 21));
        p.setBrush(QColor(0x2d, 0x5f, 0x9e));
        p.drawRect(QRectF(3, 6, 26, 5));
        break;
    case TIconKind::Export:
        p.setPen(Pen(QColor(0x40, 0x40, 0x40), 1.5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 3, 17, 24));
        for (int y = 9; y <= 21; y += 4)
            p.drawLine(QPointF(8, y), QPointF(18, y));
        p.setPen(Pen(QColor(0x1e, 0x7b, 0x1e), 3));
        p.drawLine(QPointF(16, 22), QPointF(29, 22));
        p.drawLine(QPointF(25, 18), QPointF(29, 22));
        p.drawLine(QPointF(25, 26), QPointF(29, 22));
        break;
    case TIconKind::Folder:
        DrawFolder(p);
        break;
    case TIconKind::OpenImage:
        DrawPicture(p);
        break;
    case TIconKind::Help:
    case TIconKind::About: {
        p.setPen(Pen(QColor(0x2d, 0x5f, 0x9e), 1.5));
        p.setBrush(QColor(0x4a, 0x86, 0xd0));
        p.drawEllipse(QPointF(16, 16), 13, 13);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(18);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter,
                   kind == TIconKind::Help ? QStringLiteral("?") : QStringLiteral("i"));
        break;
    }
    case TIconKind::Home:
        p.setPen(Pen(QColor(0x5a, 0x3a, 0x1a), 1.5));
        p.setBrush(QColor(0xe0, 0x4a, 0x4a));
        p.drawPolygon(QPolygonF{QPointF(3, 16), QPointF(16, 4), QPointF(29, 16)});
        p.setBrush(QColor(0xf2, 0xe0, 0xc0));
        p.drawRect(QRectF(7, 16, 18, 12));
        p.setBrush(QColor(0x8a, 0x5a, 0x2a));
        p.drawRect(QRectF(14, 20, 5, 8));
        break;
    }
    return pixmap;
}

} // namespace

QIcon CommandIcon(TIconKind kind)
{
    static QHash<int, QIcon> cache;
    auto it = cache.find(static_cast<int>(kind));
    if (it == cache.end())
        it = cache.insert(static_cast<int>(kind), QIcon(Draw(kind)));
    return *it;
}

QIcon ProgramIcon()
{
    static QIcon icon;
    if (!icon.isNull())
        return icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 48.0, size / 48.0);
        // A green leaf-shaped page with a folded corner: harvesting pages.
        p.setPen(QPen(QColor(0x1e, 0x6b, 0x3a), 2));
        p.setBrush(QColor(0x3f, 0xae, 0x6a));
        QPainterPath page;
        page.moveTo(8, 4);
        page.lineTo(32, 4);
        page.lineTo(42, 14);
        page.lineTo(42, 44);
        page.lineTo(8, 44);
        page.closeSubpath();
        p.drawPath(page);
        p.setBrush(QColor(0xc8, 0xf0, 0xd4));
        p.drawPolygon(QPolygonF{QPointF(32, 4), QPointF(32, 14), QPointF(42, 14)});
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(26);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(8, 12, 34, 32), Qt::AlignCenter, QStringLiteral("P"));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
