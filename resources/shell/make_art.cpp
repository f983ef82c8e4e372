// Draws the windowed program's artwork: the two 400 by 100 bitmaps of the main window (one for
// displays of 16 bits per pixel and more, one in the 16 colours of the simplest displays) and
// the program's icon at the sizes a desktop asks for. Run by scripts/make-art; the results are
// kept in resources/shell/.
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// The document with the tag brackets and the check mark.
void drawEmblem(QPainter& p, QRectF box, bool smooth, QColor paper, QColor ink, QColor tick) {
    p.setRenderHint(QPainter::Antialiasing, smooth);
    const qreal w = box.width();
    const qreal fold = w * 0.28;
    QPainterPath sheet;
    sheet.moveTo(box.left(), box.top());
    sheet.lineTo(box.right() - fold, box.top());
    sheet.lineTo(box.right(), box.top() + fold);
    sheet.lineTo(box.right(), box.bottom());
    sheet.lineTo(box.left(), box.bottom());
    sheet.closeSubpath();
    p.setPen(QPen(ink, qMax<qreal>(1.0, w / 28)));
    p.setBrush(paper);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(box.right() - fold, box.top());
    corner.lineTo(box.right() - fold, box.top() + fold);
    corner.lineTo(box.right(), box.top() + fold);
    p.drawPath(corner);

    // "< >" brackets.
    p.setPen(QPen(ink, qMax<qreal>(1.0, w / 11), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal cy = box.top() + box.height() * 0.42;
    const qreal arm = w * 0.16;
    p.drawPolyline(QPolygonF{{box.left() + w * 0.36, cy - arm},
                             {box.left() + w * 0.18, cy},
                             {box.left() + w * 0.36, cy + arm}});
    p.drawPolyline(QPolygonF{{box.left() + w * 0.64, cy - arm},
                             {box.left() + w * 0.82, cy},
                             {box.left() + w * 0.64, cy + arm}});
    // The check mark across the lower part.
    p.setPen(QPen(tick, qMax<qreal>(1.5, w / 7), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF{{box.left() + w * 0.22, box.top() + box.height() * 0.74},
                             {box.left() + w * 0.42, box.top() + box.height() * 0.90},
                             {box.left() + w * 0.86, box.top() + box.height() * 0.58}});
}

QImage banner(bool trueColour) {
    QImage image(400, 100, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, trueColour);
    p.setRenderHint(QPainter::TextAntialiasing, trueColour);
    if (trueColour) {
        QLinearGradient sky(0, 0, 400, 100);
        sky.setColorAt(0.0, QColor(0x0b, 0x3d, 0x5c));
        sky.setColorAt(1.0, QColor(0x13, 0x7a, 0x7f));
        p.fillRect(image.rect(), sky);
        p.setPen(QPen(QColor(255, 255, 255, 28), 1));
        for (int x = -100; x < 400; x += 14) p.drawLine(x, 100, x + 100, 0);
    } else {
        p.fillRect(image.rect(), QColor(0x00, 0x00, 0x80));  // the 16-colour navy
    }
    const QColor paper = trueColour ? QColor(0xf4, 0xf7, 0xf8) : QColor(0xff, 0xff, 0xff);
    const QColor ink = trueColour ? QColor(0x1b, 0x3a, 0x4b) : QColor(0x00, 0x00, 0x00);
    const QColor tick = trueColour ? QColor(0x2e, 0xcc, 0x71) : QColor(0x00, 0xff, 0x00);
    drawEmblem(p, QRectF(18, 14, 58, 72), trueColour, paper, ink, tick);

    QFont title("DejaVu Sans", 21, QFont::Bold);
    title.setStyleStrategy(trueColour ? QFont::PreferAntialias : QFont::NoAntialias);
    p.setFont(title);
    p.setPen(trueColour ? QColor(0xff, 0xff, 0xff) : QColor(0xff, 0xff, 0xff));
    p.drawText(QRectF(94, 12, 300, 44), Qt::AlignLeft | Qt::AlignVCenter, "Zentrel Markwise");
    QFont line("DejaVu Sans", 10);
    line.setStyleStrategy(trueColour ? QFont::PreferAntialias : QFont::NoAntialias);
    p.setFont(line);
    p.setPen(trueColour ? QColor(0xcf, 0xe8, 0xea) : QColor(0x00, 0xff, 0xff));
    p.drawText(QRectF(96, 56, 300, 18), Qt::AlignLeft | Qt::AlignVCenter,
               "HTML document checker  \u2022  version 2.55");
    p.drawText(QRectF(96, 74, 300, 18), Qt::AlignLeft | Qt::AlignVCenter,
               "Drop documents here to validate them");
    p.end();
    if (!trueColour) {
        // Keep to the 16 colours such a display has.
        QVector<QRgb> vga{0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080,
                          0xff008080, 0xffc0c0c0, 0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00,
                          0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};
        image = image.convertToFormat(QImage::Format_Indexed8, vga, Qt::ThresholdDither);
    }
    return image;
}

QImage icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, size, size);
    back.setColorAt(0.0, QColor(0x0b, 0x3d, 0x5c));
    back.setColorAt(1.0, QColor(0x13, 0x7a, 0x7f));
    p.setBrush(back);
    p.setPen(Qt::NoPen);
    const qreal r = size * 0.18;
    p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), r, r);
    const qreal margin = size * 0.2;
    drawEmblem(p, QRectF(margin * 1.15, margin * 0.8, size - 2.3 * margin, size - 1.6 * margin),
               true, QColor(0xf4, 0xf7, 0xf8), QColor(0x1b, 0x3a, 0x4b), QColor(0x2e, 0xcc, 0x71));
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString(argv[1]) : QString(".");
    bool ok = banner(true).save(folder + "/htmlbitmap.png");
    ok = banner(false).save(folder + "/htmlbitmap2.png") && ok;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        ok = icon(size).save(folder + QString("/icons/markwise-%1.png").arg(size)) && ok;
    }
    return ok ? 0 : 1;
}
