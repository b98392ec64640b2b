#pragma once

#include "report/ReportTypes.h"

#include <QByteArray>

// Encoders for the picture data of a PDF document: pictures become inline RGB
// images, LZW-compressed and then ASCII85-encoded.
namespace pdfencoding {

// LZW as PDF's LZWDecode filter reads it with its default early code-length
// change: codes packed most significant bit first, a clear-table code first,
// 9 to 12 bits wide, a clear-table code once the table is full, the
// end-of-data code last and the final byte padded with zero bits.
QByteArray lzwEncode(const char* data, qsizetype size);
inline QByteArray lzwEncode(const QByteArray& data)
{
    return lzwEncode(data.constData(), data.size());
}

// ASCII85 with "z" for four zero bytes, a short final group, CR LF once a
// running count of input bytes plus groups reaches 201, and "~>" at the end
// (no leading "<~").
QByteArray ascii85Encode(const char* data, qsizetype size);
inline QByteArray ascii85Encode(const QByteArray& data)
{
    return ascii85Encode(data.constData(), data.size());
}

// A picture control drawn onto a white bitmap of the control's size, read row
// by row from the top, three bytes (red, green, blue) per pixel.
struct RasterizedPicture
{
    int width = 0;
    int height = 0;
    QByteArray rgb;
};

// Throws Error when a bitmap of the control's size cannot be made.
RasterizedPicture rasterizePicture(const PictureControl& control);

enum class Compression { Off, On };

struct EncodedPicture
{
    QByteArray data;    // ASCII85 text with its own CR LF line breaks
    QByteArray filter;  // filter names for the image's /Filter array
};

EncodedPicture encodePictureData(const QByteArray& bytes, Compression compression);

}  // namespace pdfencoding
