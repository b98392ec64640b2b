#include "core/Codepage.h"
#include "tests/core/tst_core.h"

#include <QtTest>

void TestCodepage::windows1252RoundTrip()
{
    const Codepage& page = Codepage::declarationFiles();
    QCOMPARE(page.number(), 1252);
    const QString spanish = QString::fromUtf8("ÑANDÚ ÁÉÍÓÚ ñ € Ü");
    bool lossless = false;
    const QByteArray bytes = page.encode(spanish, &lossless);
    QVERIFY(lossless);
    QCOMPARE(bytes.size(), spanish.size());
    QCOMPARE(quint8(bytes.at(0)), quint8(0xD1));  // Ñ
    QCOMPARE(quint8(bytes.at(spanish.indexOf(QChar(0x20AC)))), quint8(0x80));
    QCOMPARE(page.decode(bytes), spanish);
    // Every byte survives a read and a write, the five unassigned ones included.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QCOMPARE(page.encode(page.decode(all)), all);
}

void TestCodepage::unmappedCharacters()
{
    const Codepage& page = Codepage::declarationFiles();
    bool lossless = true;
    QCOMPARE(page.encode(QString::fromUtf8("AŐB"), &lossless), QByteArray("A?B"));
    QVERIFY(!lossless);
    QCOMPARE(page.byteOf(U'Ő'), -1);
    QCOMPARE(page.byteOf(U'é'), 0xE9);
}

void TestCodepage::otherCodepages()
{
    const Codepage* greek = Codepage::windows(1253);
    QVERIFY(greek);
    QCOMPARE(greek->character(0xC1), char32_t(0x0391));  // Alpha
    const Codepage* japanese = Codepage::windows(932);
    QVERIFY(japanese);
    QCOMPARE(japanese->character(0x41), char32_t('A'));
    QCOMPARE(japanese->character(0x81), char32_t(0));  // a lead byte stands for nothing alone
    QVERIFY(!Codepage::windows(99999));
}
