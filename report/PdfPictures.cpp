#include "report/PdfEncoders.h"

#include "core/Error.h"

#include <QPainter>

namespace pdfencoding {

RasterizedPicture rasterizePicture(const PictureControl& control)
{
    RasterizedPicture result;
    if (control.width <= 0 || control.height <= 0)
        return result;
    QImage bitmap(control.width, control.height, QImage::Format_RGB32);
    if (bitmap.isNull())
        throw Error(QStringLiteral("Cannot make a picture of %1 x %2 pixels").arg(control.width).arg(control.height));
    bitmap.fill(Qt::white);
    if (!control.picture.isNull()) {
        QPainter painter(&bitmap);
        if (control.stretch)
            painter.drawImage(QRect(0, 0, control.width, control.height), control.picture);
        else
            painter.drawImage(0, 0, control.picture);
    }
    result.width = control.width;
    result.height = control.height;
    result.rgb.resize(qsizetype(control.width) * control.height * 3);
    char* out = result.rgb.data();
    for (int y = 0; y < control.height; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(bitmap.constScanLine(y));
        for (int x = 0; x < control.width; ++x) {
            *out++ = char(qRed(row[x]));
            *out++ = char(qGreen(row[x]));
            *out++ = char(qBlue(row[x]));
        }
    }
    return result;
}

EncodedPicture encodePictureData(const QByteArray& bytes, Compression compression)
{
    EncodedPicture encoded;
    if (compression == Compression::On) {
        encoded.data = ascii85Encode(lzwEncode(bytes));
        encoded.filter = QByteArrayLiteral("/ASCII85Decode /LZWDecode");
    } else {
        encoded.data = ascii85Encode(bytes);
        encoded.filter = QByteArrayLiteral("/ASCII85Decode");
    }
    return encoded;
}

}  // namespace pdfencoding
