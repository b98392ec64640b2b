#include "core/Decimal.h"
#include "tests/core/tst_core.h"

#include <QtTest>
#include <limits>

using decimal::TrailingZeros;

Q_DECLARE_METATYPE(decimal::TrailingZeros)

namespace {

constexpr qint64 smallest = std::numeric_limits<qint64>::min();
constexpr qint64 largest = std::numeric_limits<qint64>::max();

}  // namespace

void TestDecimal::scaledText_data()
{
    QTest::addColumn<qint64>("unscaled");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<TrailingZeros>("zeros");
    QTest::addColumn<QString>("expected");
    const TrailingZeros keep = TrailingZeros::Keep;
    const TrailingZeros drop = TrailingZeros::Drop;

    QTest::newRow("zero, no decimals") << qint64(0) << 0 << keep << "0";
    QTest::newRow("zero, 2 decimals") << qint64(0) << 2 << keep << "0.00";
    QTest::newRow("zero, 18 decimals") << qint64(0) << 18 << keep << "0.000000000000000000";
    QTest::newRow("zero, 2 decimals dropped") << qint64(0) << 2 << drop << "0";
    QTest::newRow("hundredths") << qint64(123450) << 2 << keep << "1234.50";
    QTest::newRow("below one") << qint64(5) << 2 << keep << "0.05";
    QTest::newRow("negative below one") << qint64(-5) << 2 << keep << "-0.05";
    QTest::newRow("negative whole") << qint64(-600) << 2 << keep << "-6.00";
    QTest::newRow("more decimals than digits") << qint64(7) << 6 << keep << "0.000007";
    QTest::newRow("one at 18 decimals") << qint64(1) << 18 << keep << "0.000000000000000001";
    QTest::newRow("minus one at 18 decimals") << qint64(-1) << 18 << keep << "-0.000000000000000001";
    QTest::newRow("decimals below zero count as zero") << qint64(-42) << -3 << keep << "-42";

    // The most negative value has no positive twin; every scale up to 18.
    const char* const smallestTexts[] = {
        "-9223372036854775808",
        "-922337203685477580.8",
        "-92233720368547758.08",
        "-9223372036854775.808",
        "-922337203685477.5808",
        "-92233720368547.75808",
        "-9223372036854.775808",
        "-922337203685.4775808",
        "-92233720368.54775808",
        "-9223372036.854775808",
        "-922337203.6854775808",
        "-92233720.36854775808",
        "-9223372.036854775808",
        "-922337.2036854775808",
        "-92233.72036854775808",
        "-9223.372036854775808",
        "-922.3372036854775808",
        "-92.23372036854775808",
        "-9.223372036854775808",
    };
    for (int decimals = 0; decimals <= 18; ++decimals)
        QTest::addRow("most negative, %d decimals", decimals)
            << smallest << decimals << keep << QString::fromLatin1(smallestTexts[decimals]);
    QTest::newRow("most negative, 19 decimals") << smallest << 19 << keep << "-0.9223372036854775808";
    QTest::newRow("largest, 18 decimals") << largest << 18 << keep << "9.223372036854775807";

    QTest::newRow("dropped: whole") << qint64(600) << 2 << drop << "6";
    QTest::newRow("dropped: one zero") << qint64(610) << 2 << drop << "6.1";
    QTest::newRow("dropped: none to drop") << qint64(617) << 2 << drop << "6.17";
    QTest::newRow("dropped: inner zero kept") << qint64(605) << 2 << drop << "6.05";
    QTest::newRow("dropped: negative below one") << qint64(-50) << 2 << drop << "-0.5";
    QTest::newRow("dropped: no decimals keeps integer zeros") << qint64(1000) << 0 << drop << "1000";
    QTest::newRow("dropped: most negative") << smallest << 18 << drop << "-9.223372036854775808";
    QTest::newRow("dropped: many zeros") << qint64(-1000000000000000000) << 18 << drop << "-1";
}

void TestDecimal::scaledText()
{
    QFETCH(qint64, unscaled);
    QFETCH(int, decimals);
    QFETCH(TrailingZeros, zeros);
    QFETCH(QString, expected);
    QCOMPARE(decimal::scaledText(unscaled, decimals, zeros), expected);
}

void TestDecimal::exactSum_data()
{
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("second");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("zero") << qint64(0) << qint64(0) << true << qint64(0);
    QTest::newRow("plain") << qint64(617) << qint64(1200) << true << qint64(1817);
    QTest::newRow("to negative") << qint64(100) << qint64(-617) << true << qint64(-517);
    QTest::newRow("up to the largest") << largest - 1 << qint64(1) << true << largest;
    QTest::newRow("past the largest") << largest << qint64(1) << false << qint64(0);
    QTest::newRow("down to the smallest") << smallest + 1 << qint64(-1) << true << smallest;
    QTest::newRow("past the smallest") << smallest << qint64(-1) << false << qint64(0);
    QTest::newRow("extremes cancel") << smallest << largest << true << qint64(-1);
}

void TestDecimal::exactSum()
{
    QFETCH(qint64, first);
    QFETCH(qint64, second);
    QFETCH(bool, fits);
    QFETCH(qint64, expected);
    const std::optional<qint64> sum = decimal::exactSum(first, second);
    QCOMPARE(sum.has_value(), fits);
    if (fits)
        QCOMPARE(*sum, expected);
}
