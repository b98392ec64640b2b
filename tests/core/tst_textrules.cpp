#include "core/Error.h"
#include "core/TextRules.h"
#include "tests/core/tst_core.h"

#include <QtTest>
#include <locale>

using namespace text;

void TestTextRules::trimmed_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("blanks only") << "   "
                                 << "";
    QTest::newRow("controls and blanks") << QString::fromUtf8("\t\r\n  abc \x01\x1f ") << "abc";
    QTest::newRow("inner kept") << "  a  b  "
                                << "a  b";
    QTest::newRow("NUL at both ends") << QString(QChar(0)) + "x" + QChar(0) << "x";
    QTest::newRow("code 33 kept") << "!x!"
                                  << "!x!";
    QTest::newRow("non-breaking space kept") << QString::fromUtf8("\u00a0x") << QString::fromUtf8("\u00a0x");
}

void TestTextRules::trimmed()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(text::trimmed(input), expected);
}

void TestTextRules::toInt32_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << "12" << 12;
    QTest::newRow("leading zeros") << "012" << 12;
    QTest::newRow("leading blanks") << "   7" << 7;
    QTest::newRow("plus") << "+5" << 5;
    QTest::newRow("minus") << "-5" << -5;
    QTest::newRow("max") << "2147483647" << 2147483647;
    QTest::newRow("min") << "-2147483648" << int(-2147483648LL);
    QTest::newRow("thirteen digits zero") << "0000000000000" << 0;
    QTest::newRow("year with leading zero") << "02020" << 2020;
}

void TestTextRules::toInt32()
{
    QFETCH(QString, input);
    QFETCH(int, expected);
    QCOMPARE(text::toInt32(input), expected);
}

void TestTextRules::toInt32Refused_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << " ";
    QTest::newRow("trailing blank") << "12 ";
    QTest::newRow("letters") << "1a";
    QTest::newRow("sign only") << "-";
    QTest::newRow("two signs") << "+-1";
    QTest::newRow("above range") << "2147483648";
    QTest::newRow("below range") << "-2147483649";
    QTest::newRow("3000000000") << "3000000000";
    QTest::newRow("eleven nines") << "99999999999";
    QTest::newRow("hex") << "$FF";
    QTest::newRow("point") << "1.0";
    QTest::newRow("tab before") << "\t1";
    QTest::newRow("arabic digit") << QString::fromUtf8("\u0661");
    QTest::newRow("NUL") << QString(QChar(0));
}

void TestTextRules::toInt32Refused()
{
    QFETCH(QString, input);
    try {
        text::toInt32(input);
        QFAIL("accepted");
    } catch (const ConversionError& error) {
        QCOMPARE(error.message(), QStringLiteral("''%1'' is not a valid integer value").arg(input));
    }
}

void TestTextRules::toDouble_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<double>("expected");
    QTest::newRow("integer") << "12" << 12.0;
    QTest::newRow("decimals") << "1234.56" << 1234.56;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("blanks around") << "  6.17  " << 6.17;
    QTest::newRow("leading zeros") << "000001234.50" << 1234.5;
    QTest::newRow("negative") << "-3.5" << -3.5;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent sign") << "15E-1" << 1.5;
}

void TestTextRules::toDouble()
{
    QFETCH(QString, input);
    QFETCH(double, expected);
    QCOMPARE(text::toDouble(input), expected);
}

void TestTextRules::toDoubleRefused_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("comma") << "1234,56";
    QTest::newRow("two points") << "1.2.3";
    QTest::newRow("inner blank") << "12 34";
    QTest::newRow("letters") << "abc";
    QTest::newRow("point only") << ".";
    QTest::newRow("exponent without digits") << "1e";
    QTest::newRow("overflow") << "1e400";
    QTest::newRow("blank field of a record") << "         .  ";
    QTest::newRow("tab") << "\t1";
    QTest::newRow("non-ASCII") << QString::fromUtf8("1\u00b2");
    QTest::newRow("inf") << "inf";
}

void TestTextRules::toDoubleRefused()
{
    QFETCH(QString, input);
    try {
        text::toDouble(input);
        QFAIL("accepted");
    } catch (const ConversionError& error) {
        QCOMPARE(error.message(), QStringLiteral("'%1' is not a valid floating point value").arg(input));
    }
}

void TestTextRules::toCents_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("whole") << "6" << qint64(600);
    QTest::newRow("record amount") << "000001234.56" << qint64(123456);
    QTest::newRow("one decimal") << "0.5" << qint64(50);
    QTest::newRow("half cent rounds away") << "1.005" << qint64(101);
    QTest::newRow("negative half cent") << "-1.005" << qint64(-101);
    QTest::newRow("exponent") << "1.2345e2" << qint64(12345);
    QTest::newRow("largest field") << "999999999.99" << qint64(99999999999);
    QTest::newRow("0.1 exactly") << "0.10" << qint64(10);
}

void TestTextRules::toCents()
{
    QFETCH(QString, input);
    QFETCH(qint64, expected);
    QCOMPARE(text::toCents(input), expected);
}

void TestTextRules::formatGeneral_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("integer") << 13.0 << "13";
    QTest::newRow("fraction") << 6.17 << "6.17";
    QTest::newRow("sum drift hidden") << (0.1 + 0.2) << "0.3";
    QTest::newRow("negative") << -7.0 << "-7";
    QTest::newRow("no thousands separator") << 1234567.0 << "1234567";
    QTest::newRow("fifteen digits") << 123456789012345.0 << "123456789012345";
    QTest::newRow("exponent above fifteen digits") << 1.5e15 << "1.5E15";
    QTest::newRow("small exponent") << 0.00001 << "1E-5";
}

void TestTextRules::formatGeneral()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(text::formatGeneral(value), expected);
}

void TestTextRules::formatFixed2_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one decimal") << 1234.5 << "1234.50";
    QTest::newRow("integer") << 12.0 << "12.00";
    QTest::newRow("leading zero") << 0.5 << "0.50";
    QTest::newRow("zero") << 0.0 << "0.00";
    QTest::newRow("half away from zero") << 1.005 << "1.01";
    QTest::newRow("half of 0.125") << 0.125 << "0.13";
    QTest::newRow("negative half") << -2.345 << "-2.35";
    QTest::newRow("carry") << 9.999 << "10.00";
    QTest::newRow("tiny negative is zero") << -0.001 << "0.00";
    QTest::newRow("large") << 1e20 << "100000000000000000000.00";
}

void TestTextRules::formatFixed2()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(text::formatFixed2(value), expected);
}

void TestTextRules::totals()
{
    QCOMPARE(addToTotal("0", "6"), QStringLiteral("6"));
    QCOMPARE(addToTotal("6", "7"), QStringLiteral("13"));
    QCOMPARE(addToTotal("13", "0"), QStringLiteral("13"));
    QCOMPARE(subtractFromTotal("13", "7"), QStringLiteral("6"));
    // A re-loaded withholding carries leading zeros and decimals.
    QCOMPARE(addToTotal("0", "000000006.00"), QStringLiteral("6"));
    QCOMPARE(addToTotal("6", "000000006.17"), QStringLiteral("12.17"));
    // Ten thousand additions of 0.01 stay exact.
    QString total = "0";
    for (int i = 0; i < 10000; ++i)
        total = addToTotal(total, "0.01");
    QCOMPARE(total, QStringLiteral("100"));
    QCOMPARE(formatFixed2Cents(123450), QStringLiteral("1234.50"));
    QCOMPARE(formatFixed2Cents(5), QStringLiteral("0.05"));
    QCOMPARE(formatFixed2Cents(-5), QStringLiteral("-0.05"));
    QVERIFY_THROWS_EXCEPTION(ConversionError, addToTotal("0", "6,5"));
}

void TestTextRules::anyInputIsSafe()
{
    // Long, binary and odd texts either convert or raise the conversion error.
    const QString inputs[] = {
        QString(10000, QLatin1Char('9')),
        QString(10000, QLatin1Char(' ')),
        QString::fromLatin1("\xff\xfe\x80", 3),
        QString(5, QChar(0)),
        QStringLiteral("1") + QString(5000, QLatin1Char('0')) + QStringLiteral(".5"),
        QStringLiteral("0.") + QString(9000, QLatin1Char('0')) + QStringLiteral("1"),
    };
    for (const QString& input : inputs) {
        try {
            text::toInt32(input);
        } catch (const ConversionError&) {
        }
        try {
            const double value = text::toDouble(input);
            QVERIFY(std::isfinite(value));
            text::formatFixed2(value);
            text::formatGeneral(value);
        } catch (const ConversionError&) {
        }
        try {
            text::toCents(input);
        } catch (const ConversionError&) {
        }
        QVERIFY(text::trimmed(input).size() <= input.size());
    }
    QCOMPARE(text::toCents(QStringLiteral("0.") + QString(9000, QLatin1Char('0')) + QStringLiteral("1")), qint64(0));
}

void TestTextRules::commaLocaleStillUsesPoint()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    try {
        std::locale::global(std::locale("es_AR.UTF-8"));
    } catch (const std::runtime_error&) {
        // The C library locale may not be installed; Qt's default is enough.
    }
    QCOMPARE(text::toDouble("1234.56"), 1234.56);
    QCOMPARE(text::formatFixed2(1234.5), QStringLiteral("1234.50"));
    QCOMPARE(text::formatGeneral(6.17), QStringLiteral("6.17"));
    QVERIFY_THROWS_EXCEPTION(ConversionError, text::toDouble("1234,56"));
    std::locale::global(std::locale::classic());
    QLocale::setDefault(saved);
}
