// The observations on the lines of the grid beyond the CUIT and the repeated
// receipt: a date outside the declared period, a receipt that another
// declaration file of the legajo already declares, and the whole grid after a
// re-load onto earlier lines.
#include "declaration/Declaration.h"
#include "declaration/ImportObservations.h"
#include "declaration/OtherDeclarations.h"
#include "tests/support/RecordLines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString valid = QStringLiteral("20-12345678-6");
const QString otherSupplier = QStringLiteral("27-23456789-1");

WithholdingLine gridLine(int row, const QString& receipt, const QString& date, const QString& cuitText = valid)
{
    return {QString::number(row), receipt, date, QStringLiteral("000001380.00"), QStringLiteral("7"),
        QStringLiteral("PROVEEDOR SA"), cuitText};
}

// A declaration of legajo 332 for a period (March 2026 unless told), its
// lines written row after row.
class TestDeclaration : public Declaration
{
public:
    explicit TestDeclaration(const QString& month = QStringLiteral("3"), const QString& year = QStringLiteral("2026"))
    {
        setLegajo(QStringLiteral("332"));
        setMonth(month);
        setYear(year);
    }
    void setLine(int gridRow, const WithholdingLine& line)
    {
        QCOMPARE(gridRow, int(nextRow()));
        addLine(line);
    }
};

// A record line of supplier `cuitText` and receipt field `receipt` (13 characters).
QString recordOf(const QString& cuitText, const QString& receipt)
{
    return recordlines::record(cuitText, QStringLiteral("20260215"), QStringLiteral("00000000700"), receipt,
        QStringLiteral("PROVEEDOR SA"), QStringLiteral("00000138000"));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList names(const std::vector<otherdeclarations::DeclarationFile>& files)
{
    QStringList out;
    for (const auto& file : files)
        out << file.fileName + QLatin1Char(' ') + file.period;
    return out;
}

}  // namespace

class TestObservations : public QObject
{
    Q_OBJECT

private slots:
    void dateOutsidePeriod_data();
    void dateOutsidePeriod();
    void noPeriodNoDateCheck_data();
    void noPeriodNoDateCheck();
    void filesOfTheLegajo();
    void declaredInOtherFiles();
    void everyFileForm_data();
    void everyFileForm();
    void unreadableFileIsPassedOver();
    void onlyUnreadableFiles();
    void everyObservationOnOneLine();
    void listIsCappedWithNewObservations();
    void reloadObservesWholeGrid();
};

void TestObservations::dateOutsidePeriod_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<bool>("outside");
    QTest::newRow("in the period") << "15/03/2026" << false;
    QTest::newRow("last day") << "31/03/2026" << false;
    QTest::newRow("blanks around") << " 01/03/2026 " << false;
    QTest::newRow("next month") << "15/04/2026" << true;
    QTest::newRow("other year") << "15/03/2025" << true;
    QTest::newRow("no such day") << "32/03/2026" << true;
    QTest::newRow("day zero") << "00/03/2026" << true;
    QTest::newRow("day left blank") << "  /03/2026" << true;
    QTest::newRow("letters") << "1a/03/2026" << true;
    QTest::newRow("short") << "1/03/2026" << true;
    QTest::newRow("empty") << "" << true;
}

// A line is outside the period unless its date is a real date of the
// declared month and year.
void TestObservations::dateOutsidePeriod()
{
    QFETCH(QString, date);
    QFETCH(bool, outside);
    TestDeclaration grid;
    grid.setLine(1, gridLine(1, "1", date));
    const auto observations = importobservations::observe(grid, 1, 1, QString());
    QCOMPARE(observations.count, qint64(outside ? 1 : 0));
    QCOMPARE(observations.period, QString("03/2026"));
    if (outside) {
        QVERIFY(observations.listed.front().dateOutOfPeriod);
        QCOMPARE(importobservations::detail(observations),
            QString::fromUtf8("Renglón 1: comprobante 1, CUIT 20-12345678-6: Fecha fuera del período 03/2026"));
    }
}

void TestObservations::noPeriodNoDateCheck_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QList<int>>("outside");
    // February of a leap year has its 29th, of another year not.
    QTest::newRow("leap year") << "02"
                               << "2024"
                               << "02/2024" << QList<int>{2, 3};
    QTest::newRow("no leap year") << "2"
                                  << "2026"
                                  << "02/2026" << QList<int>{1, 2};
    // A header emptied by a failed cross-check judges no date.
    QTest::newRow("empty header") << ""
                                  << ""
                                  << "" << QList<int>{};
    QTest::newRow("month 13") << "13"
                              << "2026"
                              << "" << QList<int>{};
    QTest::newRow("year of two digits") << "2"
                                        << "26"
                                        << "" << QList<int>{};
}

void TestObservations::noPeriodNoDateCheck()
{
    QFETCH(QString, month);
    QFETCH(QString, year);
    QFETCH(QString, period);
    QFETCH(QList<int>, outside);
    TestDeclaration grid(month, year);
    grid.setLine(1, gridLine(1, "1", "29/02/2024"));
    grid.setLine(2, gridLine(2, "2", "29/02/2026"));
    grid.setLine(3, gridLine(3, "3", "28/02/2026"));
    const auto observations = importobservations::observe(grid, 1, 3);
    QCOMPARE(observations.period, period);
    QList<int> rows;
    for (const auto& observation : observations.listed) {
        QVERIFY(observation.dateOutOfPeriod);
        rows << observation.gridRow;
    }
    QCOMPARE(rows, outside);
}

// The legajo's declaration files of other periods, in period order; not the
// period's own file, nor another legajo's, nor other names.
void TestObservations::filesOfTheLegajo()
{
    QTemporaryDir folder;
    for (const char* name : {"26200332.txt", "25C00332.txt", "26400332.TXT", "26300332.txt", "26200333.txt",
             "26200332.txt.bak", "2620332.txt", "26D00332.txt", "x6200332.txt", "24a00332.txt", "notas.txt"})
        QVERIFY(writeFile(folder.filePath(name), "x\r\n"));
    QVERIFY(QDir(folder.path()).mkdir("25100332.txt"));
    const auto files = otherdeclarations::filesOf(folder.path(), "332", "03", "2026");
    QCOMPARE(names(files),
        (QStringList{"24a00332.txt 10/2024", "25100332.txt 01/2025", "25C00332.txt 12/2025", "26200332.txt 02/2026",
            "26400332.TXT 04/2026"}));
    QCOMPARE(files.front().path, folder.filePath("24a00332.txt"));
    // The same legajo written with fewer digits names the same files.
    QCOMPARE(otherdeclarations::filesOf(folder.path(), "00332", "3", "2026").size(), size_t(5));
    // Without a legajo, month or year nothing is read.
    QVERIFY(otherdeclarations::filesOf(folder.path(), "", "3", "2026").empty());
    QVERIFY(otherdeclarations::filesOf(folder.path(), "332", "", "2026").empty());
    QVERIFY(otherdeclarations::filesOf(folder.path(), "332", "3", "").empty());
    QVERIFY(otherdeclarations::filesOf(folder.filePath("missing"), "332", "3", "2026").empty());
}

// A receipt of the same supplier in an earlier or later declaration file is
// named with each file; the period's own file and other suppliers are not.
void TestObservations::declaredInOtherFiles()
{
    QTemporaryDir folder;
    const QString rec1002 = recordOf(valid, "0000000001002");
    QVERIFY(writeFile(folder.filePath("26200332.txt"),
        recordlines::fileBytes({recordOf(valid, "0000000000500"), rec1002, recordOf(otherSupplier, "0000000000777"),
            recordOf(otherSupplier, "778          ")})));
    // A later period, with LF line ends and the receipt in another form.
    QVERIFY(
        writeFile(folder.filePath("26400332.txt"), recordlines::fileBytes({recordOf(valid, "1002         ")}, "\n")));
    // The period's own file and another legajo's file are not compared.
    QVERIFY(writeFile(folder.filePath("26300332.txt"), recordlines::fileBytes({recordOf(valid, "0000000000600")})));
    QVERIFY(writeFile(folder.filePath("26200333.txt"), recordlines::fileBytes({recordOf(valid, "0000000000600")})));
    // An empty file holds nothing.
    QVERIFY(writeFile(folder.filePath("25C00332.txt"), QByteArray()));

    TestDeclaration grid;
    grid.setLine(1, gridLine(1, "1002", "15/03/2026"));
    grid.setLine(2, gridLine(2, "600", "15/03/2026"));
    grid.setLine(3, gridLine(3, "777", "15/03/2026"));  // another supplier in the file
    grid.setLine(4, gridLine(4, "0000000000778", "15/03/2026", otherSupplier));
    grid.setLine(5, gridLine(5, "500", "15/03/2026"));
    grid.deleteLine(5);  // a gap is no line
    const auto observations = importobservations::observe(grid, 1, 5, folder.path());
    QCOMPARE(observations.count, qint64(2));
    QVERIFY(observations.unreadable.empty());
    QCOMPARE(importobservations::message(observations),
        QString::fromUtf8("Atención revise el archivo importado: 2 renglones con observaciones !!!"));
    QCOMPARE(importobservations::detail(observations),
        QString::fromUtf8("Renglón 1: comprobante 1002, CUIT 20-12345678-6: "
                          "Comprobante ya declarado en la DDJJ 26200332.txt (02/2026); "
                          "Comprobante ya declarado en la DDJJ 26400332.txt (04/2026)\n"
                          "Renglón 4: comprobante 0000000000778, CUIT 27-23456789-1: "
                          "Comprobante ya declarado en la DDJJ 26200332.txt (02/2026)"));

    // Without a folder nothing is read.
    QCOMPARE(importobservations::observe(grid, 1, 5, QString()).count, qint64(0));
    // Only the observed rows are looked for.
    QCOMPARE(importobservations::observe(grid, 2, 4, folder.path()).count, qint64(1));
}

void TestObservations::everyFileForm_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("found");
    // A company name with an Ñ, a line that is not wanted, the wanted one.
    const QString other = recordlines::record(
        valid, "20260215", "00000000700", "0000000000001", QString::fromUtf8("COMPAÑIA SA"), "00000138000");
    const QString wanted = recordOf(valid, "0000000001002");
    // The wanted line first, right after any mark.
    const QString text = wanted + "\r\r\n" + other + "\r\r\n";
    QTest::newRow("CR CR LF, Windows-1252") << text.toLatin1() << true;
    QTest::newRow("LF") << (other + "\n" + wanted + "\n").toLatin1() << true;
    QTest::newRow("CR only") << (other + "\r" + wanted + "\r").toLatin1() << true;
    QTest::newRow("CR only, wanted first") << (wanted + "\r" + other + "\r").toLatin1() << true;
    QTest::newRow("no line end at the end") << (other + "\n" + wanted).toLatin1() << true;
    QTest::newRow("UTF-8") << text.toUtf8() << true;
    QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << true;
    QByteArray little("\xFF\xFE");
    QByteArray big("\xFE\xFF");
    for (const QChar c : text) {
        little += char(c.unicode() & 0xFF);
        little += char(c.unicode() >> 8);
        big += char(c.unicode() >> 8);
        big += char(c.unicode() & 0xFF);
    }
    QTest::newRow("UTF-16 little endian") << little << true;
    QTest::newRow("UTF-16 big endian") << big << true;
    // A character outside ASCII before the receipt number counts as one
    // position, in UTF-8 as in Windows-1252.
    QString shifted = wanted;
    shifted[14] = QChar(0x00B0);
    QTest::newRow("UTF-8 before the receipt") << (other + "\n" + shifted + "\n").toUtf8() << true;
    QTest::newRow("Windows-1252 before the receipt") << (other + "\n" + shifted + "\n").toLatin1() << true;
    // One position more moves the receipt number out of its field.
    QTest::newRow("shifted by a blank") << (other + "\n " + wanted + "\n").toLatin1() << false;
    QTest::newRow("only the other line") << (other + "\r\r\n").toLatin1() << false;
}

// The receipt is found in every form a declaration file may come in, as the
// declaration readers read it.
void TestObservations::everyFileForm()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, found);
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath("26200332.txt"), bytes));
    TestDeclaration grid;
    grid.setLine(1, gridLine(1, "1002", "15/03/2026"));
    const auto observations = importobservations::observe(grid, 1, 1, folder.path());
    QVERIFY(observations.unreadable.empty());
    QCOMPARE(observations.count, qint64(found ? 1 : 0));
}

// A declaration file that cannot be read is named and passed over; the
// others are still compared.
void TestObservations::unreadableFileIsPassedOver()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir("26100332.txt"));
    QVERIFY(writeFile(folder.filePath("26200332.txt"), recordlines::fileBytes({recordOf(valid, "0000000001002")})));
    QVERIFY(QFile::link(folder.filePath("gone.txt"), folder.filePath("25B00332.txt")));
    TestDeclaration grid;
    grid.setLine(1, gridLine(1, "1002", "15/03/2026"));
    const auto observations = importobservations::observe(grid, 1, 1, folder.path());
    QCOMPARE(observations.count, qint64(1));
    QCOMPARE(int(observations.unreadable.size()), 2);
    const QStringList detail = importobservations::detail(observations).split(QLatin1Char('\n'));
    QCOMPARE(detail.size(), 3);
    QCOMPARE(detail.at(0),
        QString::fromUtf8("Renglón 1: comprobante 1002, CUIT 20-12345678-6: "
                          "Comprobante ya declarado en la DDJJ 26200332.txt (02/2026)"));
    QVERIFY2(detail.at(1).startsWith(QString::fromUtf8("No se pudo leer la DDJJ 25B00332.txt (11/2025), "
                                                       "no fue comparada: ")),
        qPrintable(detail.at(1)));
    QVERIFY2(detail.at(2).startsWith(
                 QString::fromUtf8("No se pudo leer la DDJJ 26100332.txt (01/2026), no fue comparada: No se puede "
                                   "abrir el archivo \"%1\": es una carpeta")
                     .arg(folder.filePath("26100332.txt"))),
        qPrintable(detail.at(2)));
}

// Files passed over are told even when no line has an observation.
void TestObservations::onlyUnreadableFiles()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir("26200332.txt"));
    TestDeclaration grid;
    grid.setLine(1, gridLine(1, "1", "15/03/2026"));
    const auto observations = importobservations::observe(grid, 1, 1, folder.path());
    QCOMPARE(observations.count, qint64(0));
    QVERIFY(observations.any());
    QCOMPARE(importobservations::message(observations),
        QString::fromUtf8("Atención no se pudieron leer 1 DDJJ de otros períodos del legajo: "
                          "sus comprobantes no fueron comparados !!!"));
    QVERIFY(
        importobservations::detail(observations).startsWith(QString::fromUtf8("No se pudo leer la DDJJ 26200332.txt")));
    // No line at all: nothing is looked for, nothing read.
    TestDeclaration empty;
    QVERIFY(!importobservations::observe(empty, 1, 0, folder.path()).any());
}

void TestObservations::everyObservationOnOneLine()
{
    QTemporaryDir folder;
    QVERIFY(writeFile(
        folder.filePath("26200332.txt"), recordlines::fileBytes({recordOf("20-12345678-9", "0000000000042")})));
    TestDeclaration grid;
    grid.setLine(1, gridLine(1, "0000000000042", "15/03/2026"));
    grid.setLine(2, gridLine(2, "42", "15/04/2026", "20-12345678-9"));
    const auto observations = importobservations::observe(grid, 2, 2, folder.path());
    QCOMPARE(observations.count, qint64(1));
    QCOMPARE(importobservations::detail(observations),
        QString::fromUtf8("Renglón 2: comprobante 42, CUIT 20-12345678-9: CUIT inválido; "
                          "Comprobante repetido en el renglón 1; Fecha fuera del período 03/2026; "
                          "Comprobante ya declarado en la DDJJ 26200332.txt (02/2026)"));
}

// Lines with any observation are counted together; the list stops at 1000.
void TestObservations::listIsCappedWithNewObservations()
{
    QTemporaryDir folder;
    QStringList records;
    for (int row = 1; row <= 1500; row += 2)
        records << recordOf(valid, QString::number(row).rightJustified(13, QLatin1Char('0')));
    QVERIFY(writeFile(folder.filePath("26200332.txt"), recordlines::fileBytes(records)));
    TestDeclaration grid;
    for (int row = 1; row <= 1500; ++row) {
        // Odd rows stand in the other file, even rows are dated April.
        grid.setLine(row, gridLine(row, QString::number(row), row % 2 ? "15/03/2026" : "15/04/2026"));
    }
    const auto observations = importobservations::observe(grid, 1, 1500, folder.path());
    QCOMPARE(observations.count, qint64(1500));
    QCOMPARE(int(observations.listed.size()), importobservations::MaxListed);
    const QStringList detail = importobservations::detail(observations).split(QLatin1Char('\n'));
    QCOMPARE(detail.size(), 1001);
    QCOMPARE(detail.at(999),
        QString::fromUtf8("Renglón 1000: comprobante 1000, CUIT 20-12345678-6: "
                          "Fecha fuera del período 03/2026"));
    QCOMPARE(detail.last(), QString::fromUtf8("... y 500 renglones más con observaciones"));
}

// After a re-load onto lines already in the grid every line is observed; a
// re-load into an empty grid (gaps only) is not.
void TestObservations::reloadObservesWholeGrid()
{
    TestDeclaration grid;
    grid.setLine(1, gridLine(1, "0000000001002", "15/03/2026"));
    grid.setLine(2, gridLine(2, "1002", "15/03/2026"));
    const auto observations = importobservations::observeReload(grid, 2, QString());
    QCOMPARE(observations.count, qint64(2));
    QCOMPARE(observations.listed.front().repeatedInRow, 2);
    QCOMPARE(importobservations::message(observations, importobservations::Scope::Grid),
        QString::fromUtf8("Atención revise la grilla: 2 renglones con observaciones !!!"));

    // Only a gap before the re-loaded lines.
    TestDeclaration gapBefore;
    gapBefore.setLine(1, gridLine(1, "7", "15/03/2026"));
    gapBefore.deleteLine(1);
    gapBefore.setLine(2, gridLine(2, "1002", "15/04/2026"));
    gapBefore.setLine(3, gridLine(3, "1002", "15/04/2026"));
    QVERIFY(!importobservations::observeReload(gapBefore, 2, QString()).any());
    // The re-load added nothing: the earlier lines were observed already.
    QVERIFY(!importobservations::observeReload(grid, 3, QString()).any());
}

QTEST_GUILESS_MAIN(TestObservations)
#include "tst_observations.moc"
