#include "tests/lines/tst_lines.h"

#include "core/Error.h"
#include "declaration/LineEntry.h"
#include "declaration/WithholdingGrid.h"

#include <QtTest>

using lineentry::ReceiptWithholding;
Q_DECLARE_METATYPE(ReceiptWithholding::Outcome)

void TestLineEntry::receiptWithholding_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<ReceiptWithholding::Outcome>("outcome");
    QTest::addColumn<QString>("amountText");
    QTest::addColumn<QString>("withholding");

    const auto accepted = ReceiptWithholding::Outcome::Accepted;
    const auto notPositive = ReceiptWithholding::Outcome::NotPositive;
    const auto tooLarge = ReceiptWithholding::Outcome::TooLarge;
    QTest::newRow("100.00 gives 0") << "100.00" << accepted << "100.00"
                                    << "0";
    QTest::newRow("100.01 gives 1") << "100.01" << accepted << "100.01"
                                    << "1";
    QTest::newRow("300 gives 1") << "300" << accepted << "300.00"
                                 << "1";
    QTest::newRow("1234.56 gives 6") << "1234.56" << accepted << "1234.56"
                                     << "6";
    QTest::newRow("1380 gives 7") << "1380" << accepted << "1380.00"
                                  << "7";
    QTest::newRow("1234.5 shown with two decimals") << "1234.5" << accepted << "1234.50"
                                                    << "6";
    QTest::newRow(".5 gets its integer digit") << ".5" << accepted << "0.50"
                                               << "0";
    QTest::newRow("third decimal rounds half away from zero") << "0.005" << accepted << "0.01"
                                                              << "0";
    QTest::newRow("blanks around") << "  12 " << accepted << "12.00"
                                   << "0";
    QTest::newRow("largest amount that fits") << "999999999.99" << accepted << "999999999.99"
                                              << "5000000";
    QTest::newRow("empty becomes 0.00") << "" << notPositive << "0.00"
                                        << "";
    QTest::newRow("blank becomes 0.00") << "   " << notPositive << "0.00"
                                        << "";
    QTest::newRow("zero") << "0" << notPositive << "0.00"
                          << "";
    QTest::newRow("rounds to zero") << "0.004" << notPositive << "0.00"
                                    << "";
    QTest::newRow("negative") << "-5" << notPositive << "-5.00"
                              << "";
    QTest::newRow("one billion has no room") << "1000000000" << tooLarge << "1000000000"
                                             << "";
    QTest::newRow("rounds up past the largest") << "999999999.995" << tooLarge << "999999999.995"
                                                << "";
    QTest::newRow("huge exponent kept as typed") << "1e300" << tooLarge << "1e300"
                                                 << "";
}

void TestLineEntry::receiptWithholding()
{
    QFETCH(QString, typed);
    QFETCH(ReceiptWithholding::Outcome, outcome);
    QFETCH(QString, amountText);
    QFETCH(QString, withholding);

    const ReceiptWithholding result = lineentry::receiptWithholding(typed);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.amountText, amountText);
    QCOMPARE(result.withholding, withholding);
}

void TestLineEntry::receiptWithholdingRefusesNoNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("comma as separator") << "1,5";
    QTest::newRow("two points") << "1.2.3";
    QTest::newRow("a point alone") << ".";
    QTest::newRow("inner blank") << "12 3";
}

void TestLineEntry::receiptWithholdingRefusesNoNumber()
{
    QFETCH(QString, typed);
    try {
        lineentry::receiptWithholding(typed);
        QFAIL("accepted");
    } catch (const ConversionError& error) {
        QCOMPARE(error.message(), QString("'%1' is not a valid floating point value").arg(typed));
    }
}

void TestLineEntry::dateCheck_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QStringList>("messages");

    const QString monthMessage = QString::fromUtf8("Atención El MES de la fecha es distinto al declarado arriba !!!");
    const QString yearMessage = QString::fromUtf8("Atención El AÑO de la fecha es distinto al declarado arriba !!!");
    QTest::newRow("in the period") << "15032026"
                                   << "3"
                                   << "2026" << QStringList{};
    QTest::newRow("month typed with a leading zero") << "15032026"
                                                     << "03"
                                                     << "2026" << QStringList{};
    QTest::newRow("the day is not checked") << "31022026"
                                            << "2"
                                            << "2026" << QStringList{};
    QTest::newRow("other month") << "15042026"
                                 << "3"
                                 << "2026" << QStringList{monthMessage};
    QTest::newRow("other year") << "15032025"
                                << "3"
                                << "2026" << QStringList{yearMessage};
    QTest::newRow("both differ: both messages") << "15042025"
                                                << "3"
                                                << "2026" << QStringList{monthMessage, yearMessage};
    QTest::newRow("empty") << ""
                           << "3"
                           << "2026" << QStringList{QString::fromUtf8("Atención error en la Fecha !!!")};
    QTest::newRow("blank places only") << "        "
                                       << "3"
                                       << "2026" << QStringList{QString::fromUtf8("Atención error en la Fecha !!!")};
}

void TestLineEntry::dateCheck()
{
    QFETCH(QString, date);
    QFETCH(QString, month);
    QFETCH(QString, year);
    QFETCH(QStringList, messages);
    QCOMPARE(lineentry::dateCheckMessages(date, month, year), messages);
}

void TestLineEntry::duplicateCount_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("count");
    QTest::newRow("two lines hold it") << "123" << 2;
    QTest::newRow("blanks around what is typed") << " 123 " << 2;
    QTest::newRow("leading zeros differ") << "0123" << 1;
    QTest::newRow("the deleted number is free again") << "456" << 0;
    QTest::newRow("only after the gap") << "789" << 1;
    QTest::newRow("empty matches nothing, not even gaps") << "" << 0;
}

void TestLineEntry::duplicateCount()
{
    QFETCH(QString, typed);
    QFETCH(int, count);
    Declaration declaration;
    declaration.addLine({"1", "123", "", "", "6", "", ""});
    declaration.addLine({"2", "456", "", "", "6", "", ""});
    declaration.addLine({"3", "0123", "", "", "6", "", ""});
    declaration.addLine({"4", "123", "", "", "6", "", ""});
    declaration.addLine({"5", "789", "", "", "6", "", ""});
    declaration.deleteLine(2);
    QCOMPARE(lineentry::duplicateCount(declaration, typed), count);
}

void TestLineEntry::lineIsComplete_data()
{
    QTest::addColumn<QString>("legajo");
    QTest::addColumn<QString>("receipt");
    QTest::addColumn<QString>("cuit");
    QTest::addColumn<QString>("withholding");
    QTest::addColumn<bool>("complete");
    QTest::newRow("all there") << "332"
                               << "123"
                               << "20123456789"
                               << "0" << true;
    QTest::newRow("no legajo") << ""
                               << "123"
                               << "20123456789"
                               << "6" << false;
    QTest::newRow("no receipt number") << "332"
                                       << ""
                                       << "20123456789"
                                       << "6" << false;
    QTest::newRow("no CUIT") << "332"
                             << "123"
                             << ""
                             << "6" << false;
    QTest::newRow("CUIT of blank places") << "332"
                                          << "123"
                                          << "           "
                                          << "6" << false;
    QTest::newRow("no withholding") << "332"
                                    << "123"
                                    << "20123456789"
                                    << "" << false;
}

void TestLineEntry::lineIsComplete()
{
    QFETCH(QString, legajo);
    QFETCH(QString, receipt);
    QFETCH(QString, cuit);
    QFETCH(QString, withholding);
    QFETCH(bool, complete);
    QCOMPARE(lineentry::lineIsComplete(legajo, receipt, cuit, withholding), complete);
}

void TestLineEntry::addedLine()
{
    lineentry::TypedLine typed;
    typed.receiptNumber = " 123 ";
    typed.dateValue = "15032026";
    typed.receiptAmount = "1234.50";
    typed.withholding = "6";
    typed.companyName = QString::fromUtf8(" PEÑA HNOS ");
    typed.cuitValue = "20123456789";
    const WithholdingLine expected{
        "4", "123", "15/03/2026", "1234.50", "6", QString::fromUtf8("PEÑA HNOS"), "20-12345678-9"};
    QCOMPARE(lineentry::addedLine(4, typed), expected);
}
