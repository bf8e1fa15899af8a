#include "app/AppIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include "app/CommandIds.h"

namespace torvask {
namespace {

// Toolbar buttons are 16 x 15 in the classic layout; icons are drawn at 32 px and scaled down.
constexpr int kIconSize = 32;

QPixmap canvas() {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void drawPage(QPainter& p, const QRectF& r, const QColor& fill) {
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(fill);
    p.drawRect(r);
    p.setPen(QPen(QColor(120, 120, 120), 1.5));
    for (qreal y = r.top() + 6; y < r.bottom() - 3; y += 4) {
        p.drawLine(QPointF(r.left() + 4, y), QPointF(r.right() - 4, y));
    }
}

QIcon cutIcon() {
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 4), QPointF(21, 22));
    p.drawLine(QPointF(22, 4), QPointF(11, 22));
    p.setPen(QPen(QColor(30, 60, 160), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(9, 25), 4.5, 4.5);
    p.drawEllipse(QPointF(23, 25), 4.5, 4.5);
    return QIcon(pm);
}

QIcon copyIcon() {
    QPixmap pm = canvas();
    QPainter p(&pm);
    drawPage(p, QRectF(3, 3, 17, 20), QColor(235, 235, 235));
    drawPage(p, QRectF(12, 9, 17, 20), Qt::white);
    return QIcon(pm);
}

QIcon pasteIcon() {
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(70, 45, 20), 2));
    p.setBrush(QColor(190, 140, 70));
    p.drawRoundedRect(QRectF(3, 5, 20, 24), 2, 2);
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(QRectF(8, 2, 10, 6));
    drawPage(p, QRectF(13, 12, 16, 18), Qt::white);
    return QIcon(pm);
}

QIcon printIcon() {
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawPage(p, QRectF(9, 2, 14, 12), Qt::white);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(3, 13, 26, 12), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 21, 14, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 180, 60));
    p.drawEllipse(QPointF(25, 17), 1.5, 1.5);
    return QIcon(pm);
}

QIcon styleIcon(QStyle::StandardPixmap which) {
    return QApplication::style()->standardIcon(which);
}

}  // namespace

QIcon applicationIcon() {
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 40, 30));
    p.drawEllipse(QPointF(32, 32), 30, 30);
    p.setPen(QPen(QColor(30, 30, 30), 7));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(32, 32), 21, 21);
    p.setPen(QPen(QColor(30, 30, 30), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 30), QPointF(52, 30));
    p.drawLine(QPointF(32, 32), QPointF(32, 52));
    p.setBrush(QColor(30, 30, 30));
    p.drawEllipse(QPointF(32, 32), 6, 6);
    return QIcon(pm);
}

QIcon commandIcon(int commandId) {
    switch (commandId) {
        case command::kFileNew: return styleIcon(QStyle::SP_FileIcon);
        case command::kFileOpen: return styleIcon(QStyle::SP_DialogOpenButton);
        case command::kFileSave: return styleIcon(QStyle::SP_DialogSaveButton);
        case command::kEditCut: return cutIcon();
        case command::kEditCopy: return copyIcon();
        case command::kEditPaste: return pasteIcon();
        case command::kFilePrint: return printIcon();
        case command::kAppAbout: return styleIcon(QStyle::SP_MessageBoxQuestion);
        default: return QIcon();
    }
}

}  // namespace torvask
