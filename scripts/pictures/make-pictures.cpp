// Draws the program's own pictures: the two logos and the three button
// glyphs, as PNG files with transparency. Run by scripts/make-pictures.sh.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>

namespace {

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QFont sans(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// A shield in blue and white with a sun, beside the name of the town.
QImage municipality()
{
    QImage image = canvas(150, 81);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shield;
    shield.moveTo(4, 6);
    shield.lineTo(52, 6);
    shield.lineTo(52, 44);
    shield.quadTo(52, 66, 28, 77);
    shield.quadTo(4, 66, 4, 44);
    shield.closeSubpath();
    p.setPen(QPen(QColor(0x1d, 0x3f, 0x7a), 2.5));
    p.setBrush(QColor(0x6c, 0xac, 0xe4));
    p.drawPath(shield);
    p.save();
    p.setClipPath(shield);
    p.fillRect(QRectF(4, 30, 50, 16), Qt::white);
    p.fillRect(QRectF(4, 46, 50, 40), QColor(0x6c, 0xac, 0xe4));
    p.restore();
    // The sun with its rays.
    const QPointF centre(28, 38);
    p.setPen(QPen(QColor(0xe0, 0x9a, 0x10), 1.6));
    for (int ray = 0; ray < 16; ++ray) {
        const double angle = ray * M_PI / 8;
        p.drawLine(
            centre + QPointF(qCos(angle) * 8, qSin(angle) * 8), centre + QPointF(qCos(angle) * 13, qSin(angle) * 13));
    }
    p.setPen(QPen(QColor(0xb8, 0x74, 0x00), 1));
    p.setBrush(QColor(0xf6, 0xc2, 0x2a));
    p.drawEllipse(centre, 7, 7);
    p.setPen(QPen(QColor(0x1d, 0x3f, 0x7a), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shield);
    // The name.
    p.setPen(QColor(0x1d, 0x3f, 0x7a));
    p.setFont(sans(10, true));
    p.drawText(QRectF(58, 14, 92, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("MUNICIPALIDAD"));
    p.setFont(sans(10, false));
    p.drawText(QRectF(58, 29, 92, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("DE"));
    p.setFont(sans(15, true));
    p.drawText(QRectF(58, 43, 92, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("VESTORA"));
    p.setPen(QPen(QColor(0xe0, 0x9a, 0x10), 2));
    p.drawLine(QPointF(58, 68), QPointF(146, 68));
    return image;
}

// A round badge with a columned building, beside the office's name.
QImage office()
{
    QImage image = canvas(120, 58);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x0f, 0x5c, 0x3a), 2));
    p.setBrush(QColor(0xd8, 0xf0, 0xe0));
    p.drawEllipse(QRectF(3, 4, 50, 50));
    // The building: roof, columns, step.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0f, 0x5c, 0x3a));
    QPolygonF roof;
    roof << QPointF(14, 22) << QPointF(28, 12) << QPointF(42, 22);
    p.drawPolygon(roof);
    for (int column = 0; column < 4; ++column)
        p.drawRect(QRectF(16 + column * 7, 24, 4, 15));
    p.drawRect(QRectF(13, 40, 30, 4));
    p.setPen(QColor(0x0f, 0x5c, 0x3a));
    p.setFont(sans(9, false));
    p.drawText(QRectF(57, 8, 63, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("OFICINA DE"));
    p.setFont(sans(13, true));
    p.drawText(QRectF(57, 22, 63, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("RENTAS"));
    p.setFont(sans(8, false));
    p.drawText(QRectF(57, 40, 63, 12), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("RETENCIONES"));
    return image;
}

QImage floppy()
{
    QImage image = canvas(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.moveTo(3, 3);
    body.lineTo(25, 3);
    body.lineTo(29, 7);
    body.lineTo(29, 29);
    body.lineTo(3, 29);
    body.closeSubpath();
    p.setPen(QPen(QColor(0x10, 0x20, 0x40), 1.2));
    p.setBrush(QColor(0x2a, 0x4e, 0x96));
    p.drawPath(body);
    // The metal shutter with its window.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0xcc, 0xd4));
    p.drawRect(QRectF(9, 3.6, 14, 9));
    p.setBrush(QColor(0x2a, 0x4e, 0x96));
    p.drawRect(QRectF(18, 5, 3, 6));
    // The label.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 16, 18, 11));
    p.setPen(QPen(QColor(0x90, 0x98, 0xa8), 1));
    p.drawLine(QPointF(9, 20), QPointF(23, 20));
    p.drawLine(QPointF(9, 23.5), QPointF(23, 23.5));
    return image;
}

QImage checkMark()
{
    QImage image = canvas(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient disc(QPointF(13, 11), 18);
    disc.setColorAt(0, QColor(0x5a, 0x9c, 0xf0));
    disc.setColorAt(1, QColor(0x12, 0x4a, 0xb0));
    p.setPen(QPen(QColor(0x0c, 0x30, 0x78), 1));
    p.setBrush(disc);
    p.drawEllipse(QRectF(2, 2, 28, 28));
    QPen tick(Qt::white, 3.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(tick);
    QPainterPath mark;
    mark.moveTo(9, 16.5);
    mark.lineTo(14, 21.5);
    mark.lineTo(23, 10.5);
    p.setBrush(Qt::NoBrush);
    p.drawPath(mark);
    return image;
}

QImage help()
{
    QImage image = canvas(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x8a, 0x6a, 0x00), 1));
    p.setBrush(QColor(0xff, 0xd8, 0x3a));
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setPen(QColor(0x1d, 0x3f, 0x7a));
    p.setFont(sans(22, true));
    p.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, QStringLiteral("?"));
    return image;
}

bool save(const QImage& image, const QString& path)
{
    if (image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-pictures RESOURCES_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool written = save(municipality(), folder + "/logos/municipio.png")
        && save(office(), folder + "/logos/oficina.png") && save(floppy(), folder + "/glyphs/floppy.png")
        && save(checkMark(), folder + "/glyphs/check.png") && save(help(), folder + "/glyphs/help.png");
    return written ? 0 : 1;
}
