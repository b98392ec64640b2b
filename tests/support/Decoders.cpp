#include "tests/support/Decoders.h"

#include <vector>

namespace testdecoders {

LzwResult lzwDecode(const QByteArray& encoded)
{
    LzwResult result;
    const auto* bytes = reinterpret_cast<const unsigned char*>(encoded.constData());
    const qint64 totalBits = qint64(encoded.size()) * 8;
    qint64 bitPosition = 0;
    auto read = [&](int width, int& code) {
        if (bitPosition + width > totalBits)
            return false;
        code = 0;
        for (int i = 0; i < width; ++i, ++bitPosition)
            code = code << 1 | ((bytes[bitPosition / 8] >> (7 - bitPosition % 8)) & 1);
        return true;
    };

    std::vector<QByteArray> table;
    auto resetTable = [&table]() {
        table.assign(258, QByteArray());
        for (int i = 0; i < 256; ++i)
            table[size_t(i)] = QByteArray(1, char(i));
    };
    resetTable();
    int nextCode = 258;
    auto width = [&nextCode]() {
        const int pending = nextCode + 1;  // early change
        return pending <= 511 ? 9 : pending <= 1023 ? 10 : pending <= 2047 ? 11 : 12;
    };

    QByteArray previous;
    bool seenClear = false;
    bool afterClear = true;
    for (;;) {
        const int codeWidth = width();
        int code = 0;
        if (!read(codeWidth, code)) {
            result.error = QStringLiteral("data ended without the end-of-data code at bit %1").arg(bitPosition);
            return result;
        }
        if (!seenClear && code != 256) {
            result.error = QStringLiteral("first code %1 is not the clear-table code").arg(code);
            return result;
        }
        if (code == 256) {
            seenClear = true;
            result.clearWidths.append(codeWidth);
            resetTable();
            nextCode = 258;
            afterClear = true;
            continue;
        }
        if (code == 257) {
            result.nextCodeAtEnd = nextCode;
            result.endOfDataWidth = codeWidth;
            break;
        }
        QByteArray entry;
        if (code < nextCode && code < int(table.size()) && (code < 256 || !table[size_t(code)].isEmpty())) {
            entry = table[size_t(code)];
        } else if (code == nextCode && !afterClear) {
            entry = previous + previous.left(1);
        } else {
            result.error = QStringLiteral("code %1 read at %2 bits is not in the table (next %3)")
                               .arg(code)
                               .arg(codeWidth)
                               .arg(nextCode);
            return result;
        }
        if (!afterClear) {
            if (nextCode > 4095) {
                result.error = QStringLiteral("table overflow: code 4096 would be assigned");
                return result;
            }
            table.push_back(previous + entry.left(1));
            ++nextCode;
        }
        result.data.append(entry);
        previous = entry;
        afterClear = false;
    }
    const qint64 padding = totalBits - bitPosition;
    if (padding >= 8) {
        result.error = QStringLiteral("%1 bits follow the end-of-data code").arg(padding);
        return result;
    }
    int rest = 0;
    if (padding > 0 && read(int(padding), rest) && rest != 0)
        result.error = QStringLiteral("padding bits after the end-of-data code are not zero");
    return result;
}

Ascii85Result ascii85Decode(const QByteArray& encoded)
{
    Ascii85Result result;
    if (!encoded.endsWith("~>")) {
        result.error = QStringLiteral("text does not end with ~>");
        return result;
    }
    quint64 value = 0;
    int count = 0;
    for (qsizetype i = 0; i < encoded.size() - 2; ++i) {
        const char c = encoded[i];
        if (c == '\r' || c == '\n')
            continue;
        if (c == 'z') {
            if (count != 0) {
                result.error = QStringLiteral("z inside a group at %1").arg(i);
                return result;
            }
            result.data.append(4, '\0');
            continue;
        }
        if (c < '!' || c > 'u') {
            result.error = QStringLiteral("character %1 at %2 is not ASCII85").arg(int(c)).arg(i);
            return result;
        }
        value = value * 85 + quint64(c - '!');
        if (++count == 5) {
            if (value > 0xFFFFFFFFull) {
                result.error = QStringLiteral("group ending at %1 exceeds 32 bits").arg(i);
                return result;
            }
            for (int shift = 24; shift >= 0; shift -= 8)
                result.data.append(char((value >> shift) & 0xFF));
            value = 0;
            count = 0;
        }
    }
    if (count == 1) {
        result.error = QStringLiteral("a final group of one character");
        return result;
    }
    if (count > 1) {
        const int bytes = count - 1;
        for (int i = count; i < 5; ++i)
            value = value * 85 + 84;  // pad with "u"
        for (int i = 0; i < bytes; ++i)
            result.data.append(char((value >> (24 - 8 * i)) & 0xFF));
    }
    return result;
}

}  // namespace testdecoders
