#include "report/PdfNumbers.h"

#include <algorithm>
#include <cmath>

namespace pdfnumbers {

double roundEven(double value)
{
    return std::nearbyint(value);
}

qint64 truncated(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double limit = 1e15;
    return qint64(std::clamp(value, -limit, limit));
}

QByteArray integer(double value)
{
    return QByteArray::number(truncated(value));
}

QByteArray fixed(double value, int decimals, int width)
{
    if (!std::isfinite(value))
        value = 0;
    const double scale = std::pow(10.0, decimals);
    double scaled = std::round(value * scale) / scale;
    if (scaled == 0)
        scaled = 0;  // no "-0.0"
    return QByteArray::number(scaled, 'f', decimals).rightJustified(width, ' ');
}

QByteArray colorText(const RGBColor& color)
{
    return fixed(color[0] / 255.0, 2) + ' ' + fixed(color[1] / 255.0, 2) + ' ' + fixed(color[2] / 255.0, 2);
}

char* beginAppend(QByteArray& buffer, qsizetype count)
{
    const qsizetype size = buffer.size();
    if (buffer.capacity() - size < count)
        buffer.reserve(std::max<qsizetype>(buffer.capacity() * 2, size + count + 16384));
    buffer.resize(size + count);
    return buffer.data() + size;
}

}  // namespace pdfnumbers
