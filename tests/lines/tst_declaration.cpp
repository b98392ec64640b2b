// The declaration object: the counter, the exact total and what a refused
// change leaves.
#include "tests/lines/tst_lines.h"

#include "core/Error.h"
#include "declaration/Declaration.h"

#include <QSignalSpy>
#include <limits>

namespace {

WithholdingLine lineWithholding(const QString& receipt, const QString& withholding)
{
    return {"?", receipt, "15/03/2026", "1234.50", withholding, "PROVEEDOR SA", "20-12345678-6"};
}

}  // namespace

void TestDeclaration::totalIsExact_data()
{
    QTest::addColumn<QStringList>("withholdings");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::newRow("none") << QStringList{} << "0"
                          << "0.00";
    QTest::newRow("whole units") << QStringList{"6", "7"} << "13"
                                 << "13.00";
    // As a re-load brings them; 0.1 + 0.2 in binary would not give 0.3.
    QTest::newRow("hundredths") << QStringList{"000000000.10", "000000000.20"} << "0.3"
                                << "0.30";
    QTest::newRow("blanks around") << QStringList{" 6 ", "000000007.00"} << "13"
                                   << "13.00";
    // Fifteen digits, every hundredth kept.
    QTest::newRow("large") << QStringList{"9999999999999.99", "0.01"} << "10000000000000"
                           << "10000000000000.00";
}

void TestDeclaration::totalIsExact()
{
    QFETCH(QStringList, withholdings);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    Declaration declaration;
    for (const QString& withholding : withholdings)
        declaration.addLine(lineWithholding(QString::number(declaration.nextRow()), withholding));
    QCOMPARE(declaration.totalText(), text);
    QCOMPARE(declaration.totalCaption(), caption);
    QCOMPARE(declaration.nextRow(), qint32(withholdings.size() + 1));
    for (int row = 1; row <= withholdings.size(); ++row)
        QCOMPARE(declaration.line(row).lineNumber, QString::number(row));
}

// A withholding that is no number stops ADICIONA before anything changes.
void TestDeclaration::refusedLineChangesNothing()
{
    Declaration declaration;
    declaration.addLine(lineWithholding("1", "6"));
    QSignalSpy totals(&declaration, &Declaration::totalChanged);
    QSignalSpy grown(&declaration, &Declaration::rowsGrown);
    try {
        declaration.addLine(lineWithholding("2", "6,5"));
        QFAIL("the line was added");
    } catch (const ConversionError& error) {
        QCOMPARE(error.message(), QStringLiteral("'6,5' is not a valid floating point value"));
    }
    QCOMPARE(declaration.usedRows(), 1);
    QCOMPARE(declaration.nextRow(), 2);
    QCOMPARE(declaration.totalText(), QStringLiteral("6"));
    QCOMPARE(totals.count(), 0);
    QCOMPARE(grown.count(), 0);
}

void TestDeclaration::deletingLeavesAGap()
{
    Declaration declaration;
    declaration.addLine(lineWithholding("1", "6"));
    declaration.addLine(lineWithholding("2", "7"));
    QVERIFY(declaration.deleteLine(1));
    QCOMPARE(declaration.line(1), (WithholdingLine{"1", "", "", "", "", "", ""}));
    QCOMPARE(declaration.totalText(), QStringLiteral("7"));
    // A gap, a row never written and row 0 (the headings) change nothing.
    for (const int row : {1, 3, 0, -1})
        QVERIFY(!declaration.deleteLine(row));
    QCOMPARE(declaration.totalText(), QStringLiteral("7"));
    QCOMPARE(declaration.nextRow(), 3);
}

// A sum beyond 64 bits of hundredths is refused whole, with nothing added.
void TestDeclaration::totalOutOfRangeIsRefused()
{
    Declaration declaration;
    declaration.addLine(lineWithholding("1", "90000000000000000"));
    int slices = 0;
    try {
        declaration.appendLines(1, std::numeric_limits<qint64>::max(), [&] {
            ++slices;
            return std::vector<WithholdingLine>{lineWithholding("2", "1")};
        });
        QFAIL("the lines were added");
    } catch (const Error& error) {
        QVERIFY(!error.message().isEmpty());
    }
    QCOMPARE(slices, 0);
    QCOMPARE(declaration.usedRows(), 1);
    QCOMPARE(declaration.nextRow(), 2);
    QCOMPARE(declaration.totalCents(), Q_INT64_C(9000000000000000000));
}

void TestDeclaration::clearForgetsEverything()
{
    Declaration declaration;
    declaration.setLegajo(" 332 ");
    declaration.setMonth("03 ");
    declaration.setYear("2026");
    declaration.setDeclarant("30-69714471-0", "LA CAÑADA S.A.");
    declaration.addLine(lineWithholding("1", "6"));
    declaration.setReloadedFile(LoadedDeclarationFile{"/x/26300332.txt", "digest"});
    QCOMPARE(declaration.period(), QStringLiteral("03/2026"));
    QCOMPARE(declaration.periodoCaption(), QStringLiteral("Periodo : 03/2026 Legajo : 332 LA CAÑADA S.A."));

    QSignalSpy headers(&declaration, &Declaration::headerChanged);
    QSignalSpy cleared(&declaration, &Declaration::linesCleared);
    declaration.clear();
    QCOMPARE(headers.count(), 1);
    QCOMPARE(cleared.count(), 1);
    QCOMPARE(declaration.header().legajo, QString());
    QCOMPARE(declaration.header().declarantName, QString());
    QCOMPARE(declaration.usedRows(), 0);
    QCOMPARE(declaration.nextRow(), 1);
    QCOMPARE(declaration.totalText(), QStringLiteral("0"));
    QVERIFY(!declaration.reloadedFile());
}
