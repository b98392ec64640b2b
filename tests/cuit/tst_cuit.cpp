// The CUIT check digit and the observations an import reports on the lines
// it kept.
#include "declaration/Cuit.h"
#include "declaration/Declaration.h"
#include "declaration/ImportObservations.h"
#include "declaration/WithholdingGrid.h"

#include <QTest>

namespace {

// A grid line with only what the observations read: receipt number and CUIT.
WithholdingLine gridLine(int row, const QString& receipt, const QString& cuitText)
{
    return {QString::number(row), receipt, QStringLiteral("15/03/2026"), QStringLiteral("000001380.00"),
        QStringLiteral("7"), QStringLiteral("PROVEEDOR SA"), cuitText};
}

const QString valid = QStringLiteral("20-12345678-6");

}  // namespace

class TestCuit : public QObject
{
    Q_OBJECT

private slots:
    void checkDigit_data();
    void checkDigit();
    void prefixWithoutCheckDigit_data();
    void prefixWithoutCheckDigit();
    void value_data();
    void value();
    void text_data();
    void text();

    void observe_data();
    void observe();
    void messageAndDetail();
    void listIsCapped_data();
    void listIsCapped();
};

void TestCuit::checkDigit_data()
{
    QTest::addColumn<QString>("firstTen");
    QTest::addColumn<int>("digit");
    // Sums worked out by hand with the weights 5 4 3 2 7 6 5 4 3 2:
    // 2012345678: 10+0+3+4+21+24+25+24+21+16 = 148 = 13*11 + 5, 11-5 = 6.
    QTest::newRow("20-12345678-6") << "2012345678" << 6;
    // 3071234567: 15+0+21+2+14+18+20+20+18+14 = 142 = 12*11 + 10, 11-10 = 1.
    QTest::newRow("30-71234567-1") << "3071234567" << 1;
    // 2017254359: 10+0+3+14+14+30+20+12+15+18 = 136 = 12*11 + 4, 11-4 = 7.
    QTest::newRow("20-17254359-7") << "2017254359" << 7;
    // 3000000009: 15+18 = 33 = 3*11 + 0, 11-0 = 11, which gives 0.
    QTest::newRow("remainder 0 gives 0") << "3000000009" << 0;
    // 3000000004: 15+8 = 23 = 2*11 + 1, 11-1 = 10: no check digit.
    QTest::newRow("remainder 1 has none") << "3000000004" << -1;
    // A single 1 in each place isolates that place's weight w: 11 - w.
    const int weights[10] = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
    for (int place = 0; place < 10; ++place) {
        QString digits(10, QLatin1Char('0'));
        digits[place] = QLatin1Char('1');
        QTest::addRow("weight of place %d", place + 1) << digits << 11 - weights[place];
    }
    QTest::newRow("nine digits") << "201234567" << -1;
    QTest::newRow("eleven digits") << "20123456786" << -1;
    QTest::newRow("dash inside") << "20-1234567" << -1;
    QTest::newRow("blank place") << "2012345 78" << -1;
    // Digits of other scripts are digits to Unicode, not to a CUIT.
    QTest::newRow("Arabic-Indic digits") << QString::fromUtf8("٢٠١٢٣٤٥٦٧٨") << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestCuit::checkDigit()
{
    QFETCH(QString, firstTen);
    QFETCH(int, digit);
    QCOMPARE(cuit::checkDigit(firstTen), digit);
}

void TestCuit::prefixWithoutCheckDigit_data()
{
    QTest::addColumn<QString>("firstTen");
    QTest::newRow("sum 23") << "3000000004";
    // 2000000001: 10+2 = 12 = 11 + 1, 11-1 = 10.
    QTest::newRow("sum 12") << "2000000001";
    // 2712345611: 10+28+3+4+21+24+25+24+3+2 = 144 = 13*11 + 1, 11-1 = 10.
    QTest::newRow("sum 144") << "2712345611";
}

// Ten digits whose 11 - r is 10 admit no eleventh digit at all.
void TestCuit::prefixWithoutCheckDigit()
{
    QFETCH(QString, firstTen);
    QCOMPARE(cuit::checkDigit(firstTen), -1);
    for (char last = '0'; last <= '9'; ++last) {
        const QString value = firstTen + QLatin1Char(last);
        QVERIFY2(!cuit::valueIsValid(value), qPrintable(value));
        QVERIFY2(cuit::valueHasWrongCheckDigit(value), qPrintable(value));
        const QString text = value.left(2) + QLatin1Char('-') + value.mid(2, 8) + QLatin1Char('-') + value.right(1);
        QVERIFY2(!cuit::textIsValid(text), qPrintable(text));
    }
}

void TestCuit::value_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<bool>("isValid");
    QTest::newRow("right check digit") << "20123456786" << true << true;
    QTest::newRow("check digit 0") << "30000000090" << true << true;
    QTest::newRow("wrong check digit") << "20123456789" << true << false;
    QTest::newRow("one off") << "20123456787" << true << false;
    QTest::newRow("two places swapped") << "21023456786" << true << false;
    // The masked field's value: a blank place is a blank.
    QTest::newRow("empty field") << "           " << false << false;
    QTest::newRow("partly filled") << "20123      " << false << false;
    QTest::newRow("last place blank") << "2012345678 " << false << false;
    QTest::newRow("ten digits") << "2012345678" << false << false;
    QTest::newRow("twelve digits") << "201234567860" << false << false;
    QTest::newRow("with dashes") << valid << false << false;
    QTest::newRow("nothing") << "" << false << false;
}

void TestCuit::value()
{
    QFETCH(QString, value);
    QFETCH(bool, complete);
    QFETCH(bool, isValid);
    QCOMPARE(cuit::valueIsComplete(value), complete);
    QCOMPARE(cuit::valueIsValid(value), isValid);
    // Only a complete value is refused.
    QCOMPARE(cuit::valueHasWrongCheckDigit(value), complete && !isValid);
}

void TestCuit::text_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isValid");
    QTest::newRow("right") << valid << true;
    QTest::newRow("agent's") << "30-71234567-1" << true;
    QTest::newRow("check digit 0") << "30-00000009-0" << true;
    QTest::newRow("wrong check digit") << "20-12345678-9" << false;
    QTest::newRow("no dashes") << "20123456786" << false;
    QTest::newRow("dashes elsewhere") << "201-2345678-6" << false;
    QTest::newRow("points for dashes") << "20.12345678.6" << false;
    QTest::newRow("blank before") << " 20-12345678-6" << false;
    QTest::newRow("blank after") << "20-12345678-6 " << false;
    QTest::newRow("letter") << "2O-12345678-6" << false;
    QTest::newRow("sign") << "+0-12345678-6" << false;
    QTest::newRow("short") << "20-1234567-6" << false;
    QTest::newRow("empty") << "" << false;
}

void TestCuit::text()
{
    QFETCH(QString, text);
    QFETCH(bool, isValid);
    QCOMPARE(cuit::textIsValid(text), isValid);
}

// Each row lists grid lines as "receipt|CUIT" (an empty entry is a gap), the
// observed range, and the observations expected as "row:i" (CUIT invalid)
// and "row:k" (receipt repeated in row k).
void TestCuit::observe_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("lastRow");
    QTest::addColumn<QStringList>("expected");

    const QString v = QLatin1Char('|') + valid;
    QTest::newRow("all good") << QStringList{"1" + v, "2" + v, "3" + v} << 1 << 3 << QStringList{};
    QTest::newRow("CUIT forms") << QStringList{"1|20-12345678-9", "2|20123456786", "3|", "4" + v} << 1 << 4
                                << QStringList{"1:i", "2:i", "3:i"};
    // Later lines name the first one, the first one names the next.
    QTest::newRow("repeated in the file")
        << QStringList{"7" + v, "8" + v, "7" + v, "7" + v} << 1 << 4 << QStringList{"1:3", "3:1", "4:1"};
    // Lines that were in the grid before are named but not observed.
    QTest::newRow("repeated from earlier lines")
        << QStringList{"5|20-12345678-9", "6" + v, "5" + v, "6" + v} << 3 << 4 << QStringList{"3:1", "4:2"};
    QTest::newRow("both on one line") << QStringList{"5" + v, "5|20-12345678-9"} << 2 << 2 << QStringList{"2:i", "2:1"};
    // Compared trimmed and exactly: leading zeros make another number.
    QTest::newRow("trimmed, exact") << QStringList{" 55 " + v, "55" + v, "055" + v} << 2 << 3 << QStringList{"2:1"};
    // A deleted line (gap) holds no number and is no line.
    QTest::newRow("gaps") << QStringList{"9" + v, "", "9" + v, ""} << 1 << 4 << QStringList{"1:3", "3:1"};
    QTest::newRow("range past the grid") << QStringList{"1|x"} << 1 << 5 << QStringList{"1:i"};
    QTest::newRow("empty range") << QStringList{"1|x"} << 2 << 1 << QStringList{};
}

void TestCuit::observe()
{
    QFETCH(QStringList, lines);
    QFETCH(int, firstRow);
    QFETCH(int, lastRow);
    QFETCH(QStringList, expected);

    Declaration declaration;
    WithholdingGrid grid(declaration);
    for (int row = 1; row <= lines.size(); ++row) {
        const QStringList fields = lines.at(row - 1).split(QLatin1Char('|'));
        if (fields.size() == 2) {
            declaration.addLine(gridLine(row, fields.at(0), fields.at(1)));
        } else {
            // A gap: a line added and deleted again.
            declaration.addLine(gridLine(row, QStringLiteral("deleted"), valid));
            declaration.deleteLine(row);
        }
    }
    const importobservations::Observations observations = importobservations::observe(declaration, firstRow, lastRow);

    QStringList found;
    int linesObserved = 0;
    for (const importobservations::Observation& observation : observations.listed) {
        ++linesObserved;
        if (observation.invalidCuit)
            found << QStringLiteral("%1:i").arg(observation.gridRow);
        if (observation.repeatedInRow > 0)
            found << QStringLiteral("%1:%2").arg(observation.gridRow).arg(observation.repeatedInRow);
        QCOMPARE(observation.receiptNumber, grid.cell(observation.gridRow, 1));
        QCOMPARE(observation.cuit, grid.cell(observation.gridRow, 6));
    }
    QCOMPARE(found, expected);
    QCOMPARE(observations.count, qint64(linesObserved));
    QCOMPARE(observations.any(), !expected.isEmpty());
}

void TestCuit::messageAndDetail()
{
    Declaration declaration;
    declaration.addLine(gridLine(1, "0000000000555", valid));
    declaration.addLine(gridLine(2, "0000000000556", "20-12345678-9"));
    declaration.addLine(gridLine(3, "0000000000555", "20-12345678-9"));
    const importobservations::Observations observations = importobservations::observe(declaration, 1, 3);
    QCOMPARE(importobservations::message(observations),
        QString::fromUtf8("Atención revise el archivo importado: 3 renglones con observaciones !!!"));
    QCOMPARE(importobservations::detail(observations),
        QString::fromUtf8("Renglón 1: comprobante 0000000000555, CUIT 20-12345678-6: "
                          "Comprobante repetido en el renglón 3\n"
                          "Renglón 2: comprobante 0000000000556, CUIT 20-12345678-9: CUIT inválido\n"
                          "Renglón 3: comprobante 0000000000555, CUIT 20-12345678-9: "
                          "CUIT inválido; Comprobante repetido en el renglón 1"));
}

void TestCuit::listIsCapped_data()
{
    QTest::addColumn<int>("lines");
    QTest::newRow("one under the cap") << 999;
    QTest::newRow("at the cap") << 1000;
    QTest::newRow("one over") << 1001;
    QTest::newRow("1500") << 1500;
}

// Every line counts; the list stops at 1000 lines and counts the rest.
void TestCuit::listIsCapped()
{
    QFETCH(int, lines);
    QCOMPARE(importobservations::MaxListed, 1000);
    Declaration declaration;
    for (int row = 1; row <= lines; ++row)
        declaration.addLine(gridLine(row, QString::number(row), "20-12345678-9"));
    const importobservations::Observations observations = importobservations::observe(declaration, 1, lines);
    QCOMPARE(observations.count, qint64(lines));
    const int listed = qMin(lines, 1000);
    QCOMPARE(int(observations.listed.size()), listed);
    QCOMPARE(observations.listed.back().gridRow, listed);

    const QStringList detail = importobservations::detail(observations).split(QLatin1Char('\n'));
    QCOMPARE(detail.first(), QString::fromUtf8("Renglón 1: comprobante 1, CUIT 20-12345678-9: CUIT inválido"));
    QCOMPARE(detail.at(listed - 1),
        QString::fromUtf8("Renglón %1: comprobante %1, CUIT 20-12345678-9: CUIT inválido").arg(listed));
    if (lines > 1000) {
        QCOMPARE(detail.size(), 1001);
        QCOMPARE(detail.last(), QString::fromUtf8("... y %1 renglones más con observaciones").arg(lines - 1000));
    } else {
        QCOMPARE(detail.size(), lines);
    }
    QCOMPARE(importobservations::message(observations),
        QString::fromUtf8("Atención revise el archivo importado: %1 renglones con observaciones !!!").arg(lines));
}

QTEST_GUILESS_MAIN(TestCuit)
#include "tst_cuit.moc"
