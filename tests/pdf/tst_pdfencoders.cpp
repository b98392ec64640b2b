#include "report/PdfEncoders.h"
#include "tests/support/Decoders.h"

#include <QHash>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

#include <thread>

using namespace pdfencoding;

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

// Rows of a picture: runs of a few colours with some noise, as a logo gives.
QByteArray pictureLikeBytes(int width, int height, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes;
    bytes.reserve(qsizetype(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool inside = (x / 16 + y / 8) % 3 == 0;
            const int noise = generator.bounded(100) == 0 ? generator.bounded(256) : 0;
            bytes.append(char(inside ? 30 : 255));
            bytes.append(char(inside ? 60 + noise : 255));
            bytes.append(char(inside ? 150 : 255 - noise));
        }
    }
    return bytes;
}

// LZW written the plain way, straight from the rules, for comparing the
// encoder's bytes with: the table maps whole strings to codes, the longest
// match is found by growing the string one byte at a time, and every code is
// written bit by bit, most significant bit first.
QByteArray referenceLzw(const QByteArray& input)
{
    QByteArray out;
    int bitCount = 0;
    auto write = [&](int code, int width) {
        for (int bit = width - 1; bit >= 0; --bit) {
            if (bitCount % 8 == 0)
                out.append('\0');
            if (code >> bit & 1)
                out[out.size() - 1] = char(uchar(out.back()) | 0x80 >> (bitCount % 8));
            ++bitCount;
        }
    };
    auto widthAfterAssigning = [](int lastAssigned) {
        return lastAssigned >= 2047 ? 12 : lastAssigned >= 1023 ? 11 : lastAssigned >= 511 ? 10 : 9;
    };
    QHash<QByteArray, int> table;
    auto resetTable = [&] {
        table.clear();
        for (int byte = 0; byte < 256; ++byte)
            table.insert(QByteArray(1, char(byte)), byte);
    };
    resetTable();
    int nextCode = 258;
    int width = 9;
    write(256, width);
    qsizetype position = 0;
    while (position < input.size()) {
        qsizetype length = 1;
        while (position + length < input.size() && table.contains(input.mid(position, length + 1)))
            ++length;
        write(table.value(input.mid(position, length)), width);
        if (position + length < input.size()) {
            table.insert(input.mid(position, length + 1), nextCode);
            width = widthAfterAssigning(nextCode);
            ++nextCode;
            if (nextCode == 4096) {
                write(256, width);
                resetTable();
                nextCode = 258;
                width = 9;
            }
        }
        position += length;
    }
    // The decoder reads end-of-data at the width its next entry would need.
    write(257, nextCode + 1 > 4095 ? 12 : widthAfterAssigning(nextCode));
    return out;
}

QImage solidImage(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

QByteArray rgbOf(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

}  // namespace

class TestPdfEncoders : public QObject
{
    Q_OBJECT

private slots:
    void ascii85Vectors_data();
    void ascii85Vectors();
    void ascii85RoundTrip_data();
    void ascii85RoundTrip();
    void ascii85LineBreaks();

    void lzwRoundTrip_data();
    void lzwRoundTrip();
    void lzwStartsWithClearAndEndsPadded();
    void lzwClearsTheFullTableAtTwelveBits();
    void lzwEndOfDataAtTheDecodersWidth();
    void lzwMatchesTheReferenceEncoder_data();
    void lzwMatchesTheReferenceEncoder();
    void lzwMatchesTheReferenceAtEveryLength();
    void lzwCallsShareNoState();

    void rasterizeTransparentPartsWhite();
    void rasterizeCutsAtTheControlsEdges();
    void rasterizeStretches();
    void rasterizeZeroSize_data();
    void rasterizeZeroSize();
    void rasterizedLogoSize();
    void encodePictureDataFilters();
};

void TestPdfEncoders::ascii85Vectors_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty") << QByteArray() << QByteArray("~>");
    QTest::newRow("four zero bytes are z") << QByteArray(4, '\0') << QByteArray("z~>");
    QTest::newRow("zero final group is not z") << QByteArray(2, '\0') << QByteArray("!!!~>");
    QTest::newRow("Man ") << QByteArray("Man ") << QByteArray("9jqo^~>");
    QTest::newRow("two-byte final group") << QByteArray("Man sure") << QByteArray("9jqo^F*2M7~>");
    QTest::newRow("two bytes give three characters") << QByteArray("Ma") << QByteArray("9jn~>");
    QTest::newRow("one byte gives two characters") << QByteArray("M") << QByteArray("9`~>");
    QTest::newRow("all ones") << QByteArray(4, '\xff') << QByteArray("s8W-!~>");
}

void TestPdfEncoders::ascii85Vectors()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(ascii85Encode(input), expected);
}

void TestPdfEncoders::ascii85RoundTrip_data()
{
    QTest::addColumn<QByteArray>("input");
    for (int size : {1, 2, 3, 4, 5, 163, 164, 165, 1000, 65537})
        QTest::newRow(qPrintable(QStringLiteral("random %1").arg(size))) << randomBytes(size, quint32(size));
    QByteArray mixed = randomBytes(3000, 7);
    for (int i = 0; i < 3000; i += 37)
        mixed.replace(i, 8, QByteArray(8, '\0'));
    QTest::newRow("zero runs among random bytes") << mixed;
}

void TestPdfEncoders::ascii85RoundTrip()
{
    QFETCH(QByteArray, input);
    const QByteArray encoded = ascii85Encode(input);
    const testdecoders::Ascii85Result decoded = testdecoders::ascii85Decode(encoded);
    QCOMPARE(decoded.error, QString());
    QCOMPARE(decoded.data, input);
}

void TestPdfEncoders::ascii85LineBreaks()
{
    // 41 groups of five characters bring the count to 205: one CR LF after
    // them, none before.
    const QByteArray full = ascii85Encode(QByteArray(164, 'a'));
    QCOMPARE(full.size(), 205 + 2 + 2);
    QCOMPARE(full.indexOf("\r\n"), 205);
    QVERIFY(full.endsWith("\r\n~>"));
    // "z" groups count five as well, though they write one character.
    const QByteArray zeros = ascii85Encode(QByteArray(164, '\0'));
    QCOMPARE(zeros, QByteArray(41, 'z') + "\r\n~>");
    // 40 groups (200) and a final group of 1 byte (2) reach 202.
    const QByteArray tail = ascii85Encode(QByteArray(161, 'a'));
    QCOMPARE(tail.indexOf("\r\n"), 202);
    QVERIFY(tail.endsWith("\r\n~>"));
    // A long text: every line but the last has exactly 205 characters.
    const QList<QByteArray> lines = ascii85Encode(randomBytes(4000, 3).replace('\0', '\1')).split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        QCOMPARE(lines[i].size(), 206);
}

void TestPdfEncoders::lzwRoundTrip_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("x");
    QTest::newRow("repeated pair, the KwKwK case") << QByteArray("ababababababababab");
    // A run long enough for strings of a few hundred bytes: codes reach 10
    // bits while the input is still only zeros.
    QTest::newRow("100 000 zero bytes") << QByteArray(100000, '\0');
    // Random bytes hardly compress: one code per byte or so, so 20 000 bytes
    // cross 9 to 12 bits and fill the table several times.
    QTest::newRow("random 20 000") << randomBytes(20000, 11);
    QTest::newRow("random 1 MB") << randomBytes(1 << 20, 12);
    QTest::newRow("picture-like 300 x 200") << pictureLikeBytes(300, 200, 5);
    QTest::newRow("all byte values twice") << [] {
        QByteArray bytes;
        for (int round = 0; round < 2; ++round)
            for (int i = 0; i < 256; ++i)
                bytes.append(char(i));
        return bytes;
    }();
}

void TestPdfEncoders::lzwRoundTrip()
{
    QFETCH(QByteArray, input);
    const testdecoders::LzwResult decoded = testdecoders::lzwDecode(lzwEncode(input));
    QCOMPARE(decoded.error, QString());
    QCOMPARE(decoded.data.size(), input.size());
    QCOMPARE(decoded.data, input);
}

void TestPdfEncoders::lzwStartsWithClearAndEndsPadded()
{
    // Clear (256) and end-of-data (257) at 9 bits: 100000000 100000001, then
    // six zero bits: 0x80 0x40 0x40... worked out bit by bit.
    QCOMPARE(lzwEncode(QByteArray()), QByteArray("\x80\x40\x40", 3));
    // Clear, 'A' (0x41), end-of-data: 27 bits in four bytes.
    QCOMPARE(lzwEncode(QByteArray("A")), QByteArray("\x80\x10\x60\x20", 4));
}

void TestPdfEncoders::lzwClearsTheFullTableAtTwelveBits()
{
    // More than 3838 codes: at least one clear-table code after the first,
    // each at 12 bits, and decoding goes on at 9 bits after it.
    const QByteArray input = randomBytes(60000, 21);
    const testdecoders::LzwResult decoded = testdecoders::lzwDecode(lzwEncode(input));
    QCOMPARE(decoded.error, QString());
    QVERIFY2(decoded.clearWidths.size() >= 3, "random 60 000 bytes need several tables");
    QCOMPARE(decoded.clearWidths.first(), 9);
    for (qsizetype i = 1; i < decoded.clearWidths.size(); ++i)
        QCOMPARE(decoded.clearWidths[i], 12);
    QCOMPARE(decoded.data, input);
}

void TestPdfEncoders::lzwEndOfDataAtTheDecodersWidth()
{
    // Prefixes of one random text end with every table size in turn, so
    // some end exactly where the decoder's table reaches 511, 1023 and 2047
    // and it reads the end-of-data code one bit wider than the encoder's last
    // code. The strict decoder finds any end-of-data code at the wrong width.
    const QByteArray text = randomBytes(3000, 99);
    QList<int> boundariesMet;
    for (qsizetype length = 0; length <= text.size(); ++length) {
        const testdecoders::LzwResult decoded = testdecoders::lzwDecode(lzwEncode(text.left(length)));
        if (!decoded.error.isEmpty() || decoded.data.size() != length)
            QFAIL(qPrintable(QStringLiteral("length %1: %2").arg(length).arg(decoded.error)));
        if (decoded.nextCodeAtEnd == 511 || decoded.nextCodeAtEnd == 1023 || decoded.nextCodeAtEnd == 2047) {
            if (!boundariesMet.contains(decoded.nextCodeAtEnd))
                boundariesMet.append(decoded.nextCodeAtEnd);
            QCOMPARE(decoded.endOfDataWidth,
                decoded.nextCodeAtEnd == 511        ? 10
                    : decoded.nextCodeAtEnd == 1023 ? 11
                                                    : 12);
        }
    }
    std::sort(boundariesMet.begin(), boundariesMet.end());
    QCOMPARE(boundariesMet, QList<int>({511, 1023, 2047}));
}

void TestPdfEncoders::lzwMatchesTheReferenceEncoder_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("\xff");
    QTest::newRow("KwKwK") << QByteArray("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab");
    QTest::newRow("100 000 zero bytes") << QByteArray(100000, '\0');
    QTest::newRow("100 000 bytes 0xff") << QByteArray(100000, '\xff');
    // Random bytes fill a table every 3838 bytes or so: 200 000 bytes clear it
    // about fifty times.
    QTest::newRow("random 200 000") << randomBytes(200000, 31);
    QTest::newRow("picture-like 400 x 300") << pictureLikeBytes(400, 300, 7);
    QTest::newRow("ramp of all byte values") << [] {
        QByteArray bytes;
        for (int i = 0; i < 70000; ++i)
            bytes.append(char(i * 7 % 256));
        return bytes;
    }();
    // Strings that grow to the longest the table allows before a clear.
    QTest::newRow("counting pattern") << [] {
        QByteArray bytes;
        for (int run = 1; bytes.size() < 150000; ++run)
            bytes.append(QByteArray(run % 300, char(run)));
        return bytes;
    }();
    // Few distinct bytes but many strings: (prefix, byte) pairs that share
    // their byte and differ in the prefix code, which land side by side.
    QTest::newRow("two-symbol random") << [] {
        QByteArray bytes = randomBytes(120000, 41);
        for (char& byte : bytes)
            byte = (uchar(byte) & 1) ? 'x' : 'y';
        return bytes;
    }();
}

void TestPdfEncoders::lzwMatchesTheReferenceEncoder()
{
    QFETCH(QByteArray, input);
    const QByteArray expected = referenceLzw(input);
    const QByteArray actual = lzwEncode(input);
    QCOMPARE(actual.size(), expected.size());
    QCOMPARE(actual, expected);
}

void TestPdfEncoders::lzwMatchesTheReferenceAtEveryLength()
{
    // Every prefix of a random text up to 2500 bytes: the tables end at every
    // size from 258 up past 2047, the three width changes included.
    const QByteArray text = randomBytes(2500, 57);
    for (qsizetype length = 0; length <= text.size(); ++length) {
        const QByteArray input = text.left(length);
        if (lzwEncode(input) != referenceLzw(input))
            QFAIL(qPrintable(QStringLiteral("bytes differ at length %1").arg(length)));
    }
}

void TestPdfEncoders::lzwCallsShareNoState()
{
    // Inputs that leave the string table at different sizes, encoded in turn
    // and on two threads at once: each result must be what the input alone
    // gives.
    const QList<QByteArray> inputs = {randomBytes(5000, 1), pictureLikeBytes(60, 40, 2), QByteArray("abcabcabc"),
        randomBytes(12000, 3), QByteArray(), QByteArray(3000, 'q'), randomBytes(700, 4)};
    QList<QByteArray> expected;
    for (const QByteArray& input : inputs)
        expected.append(referenceLzw(input));
    for (int round = 0; round < 2; ++round) {
        for (qsizetype i = 0; i < inputs.size(); ++i) {
            const qsizetype index = round == 0 ? i : inputs.size() - 1 - i;
            QCOMPARE(lzwEncode(inputs[index]), expected[index]);
        }
    }
    QList<QByteArray> otherThread;
    std::thread worker([&] {
        for (int round = 0; round < 20; ++round)
            for (const QByteArray& input : inputs)
                otherThread.append(lzwEncode(input));
    });
    for (int round = 0; round < 20; ++round)
        for (qsizetype i = 0; i < inputs.size(); ++i)
            QCOMPARE(lzwEncode(inputs[i]), expected[i]);
    worker.join();
    QCOMPARE(otherThread.size(), 20 * inputs.size());
    for (qsizetype i = 0; i < otherThread.size(); ++i)
        QCOMPARE(otherThread[i], expected[i % inputs.size()]);
}

void TestPdfEncoders::rasterizeTransparentPartsWhite()
{
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixelColor(0, 0, QColor(0, 0, 0, 0));
    picture.setPixelColor(1, 0, QColor(200, 10, 20));
    PictureControl control{picture, 2, 1, false};
    const RasterizedPicture bitmap = rasterizePicture(control);
    QCOMPARE(bitmap.width, 2);
    QCOMPARE(bitmap.height, 1);
    QCOMPARE(bitmap.rgb, rgbOf({255, 255, 255, 200, 10, 20}));
}

void TestPdfEncoders::rasterizeCutsAtTheControlsEdges()
{
    // A 3 x 2 picture in a 2 x 3 control: the third column is cut, the third
    // row is white; rows come top first, pixels left to right.
    QImage picture(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            picture.setPixelColor(x, y, QColor(x * 10, y * 10, 7));
    const RasterizedPicture bitmap = rasterizePicture({picture, 2, 3, false});
    QCOMPARE(bitmap.rgb, rgbOf({0, 0, 7, 10, 0, 7, 0, 10, 7, 10, 10, 7, 255, 255, 255, 255, 255, 255}));
}

void TestPdfEncoders::rasterizeStretches()
{
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixelColor(0, 0, Qt::red);
    picture.setPixelColor(1, 0, Qt::blue);
    const RasterizedPicture bitmap = rasterizePicture({picture, 4, 2, true});
    const QByteArray row = rgbOf({255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255});
    QCOMPARE(bitmap.rgb, row + row);
}

void TestPdfEncoders::rasterizeZeroSize_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("zero width") << 0 << 10;
    QTest::newRow("zero height") << 10 << 0;
    QTest::newRow("negative") << -5 << 10;
}

void TestPdfEncoders::rasterizeZeroSize()
{
    QFETCH(int, width);
    QFETCH(int, height);
    const RasterizedPicture bitmap = rasterizePicture({solidImage(4, 4, Qt::red), width, height, false});
    QCOMPARE(bitmap.rgb.size(), 0);
    QVERIFY(bitmap.width == 0 || bitmap.height == 0);
}

void TestPdfEncoders::rasterizedLogoSize()
{
    const RasterizedPicture bitmap = rasterizePicture({solidImage(150, 81, Qt::green), 120, 58, false});
    QCOMPARE(bitmap.rgb.size(), 20880);
    QCOMPARE(bitmap.rgb.left(3), rgbOf({0, 255, 0}));
}

void TestPdfEncoders::encodePictureDataFilters()
{
    const QByteArray bytes = pictureLikeBytes(40, 30, 1);
    const EncodedPicture compressed = encodePictureData(bytes, Compression::On);
    QCOMPARE(compressed.filter, QByteArray("/ASCII85Decode /LZWDecode"));
    const testdecoders::Ascii85Result text = testdecoders::ascii85Decode(compressed.data);
    QCOMPARE(text.error, QString());
    QCOMPARE(testdecoders::lzwDecode(text.data).data, bytes);

    const EncodedPicture plain = encodePictureData(bytes, Compression::Off);
    QCOMPARE(plain.filter, QByteArray("/ASCII85Decode"));
    QCOMPARE(testdecoders::ascii85Decode(plain.data).data, bytes);
}

QTEST_MAIN(TestPdfEncoders)
#include "tst_pdfencoders.moc"
