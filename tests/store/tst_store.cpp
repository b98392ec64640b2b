#include "tests/support/DatabaseFixture.h"
#include "tests/support/ExternalTool.h"

#include "core/Error.h"
#include "declaration/Confirmation.h"
#include "declaration/LineLoad.h"
#include "declaration/Record.h"
#include "declaration/Store.h"
#include "declaration/StoreDataSet.h"
#include "tests/support/GridLines.h"

#include <QDir>
#include <QtTest>
#include <memory>

namespace {

// What every failure of CONFIRMA before its commit says first.
const QString NothingChanged =
    QStringLiteral("No se grabó la DDJJ: el archivo de la DDJJ, la base de datos y el reporte quedaron como estaban.");

const QString Legajo = QStringLiteral("332");
const QString DeclarantCuit = QStringLiteral("30-71234567-1");
const QString DeclarantName = QStringLiteral("MUNICIPAL SERVICIOS SRL");

DeclarationHeader header(const QString& month = QStringLiteral("3"), const QString& year = QStringLiteral("2026"),
    const QString& legajo = Legajo)
{
    return {month, year, legajo, DeclarantCuit, DeclarantName};
}

WithholdingLine gridLine(int row, const QString& receipt, const QString& withholding, const QString& receiptAmount,
    const QString& name = QStringLiteral("PROVEEDOR SA"))
{
    return {QString::number(row), receipt, QStringLiteral("15/03/2026"), receiptAmount, withholding, name,
        QStringLiteral("20-12345678-6")};
}

// A stored row as the tests compare it: receipt, date, amount, name, CUIT, period.
using Row = QStringList;

// What the user saw during one CONFIRMA.
struct Boxes
{
    bool answer = true;
    QStringList questions;
    QStringList informations;

    Confirmation::Prompts prompts()
    {
        return {[this](const QString& question) {
                    questions << question;
                    return answer;
                },
            [this](const QString& message) { informations << message; }};
    }
};

QByteArray fileContent(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

}  // namespace

class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void confirmedDeclarationIsByteExact_data();
    void confirmedDeclarationIsByteExact();
    void emptyGridGivesEmptyFileAndTable();
    void answerNoChangesNothing();
    void secondDeclarationReplacesTheFirst();
    void nextManualLoadReloadsTheFile();
    void refusedHeaderChangesNothing_data();
    void refusedHeaderChangesNothing();
    void lineThatDoesNotFitIsNamed();
    void missingDatabaseLeavesTheEarlierFile();
    void insertFailingHalfWayKeepsTheEarlierDeclaration();
    void unwritableTargetKeepsTheEarlierDeclaration_data();
    void unwritableTargetKeepsTheEarlierDeclaration();
    void storedLinesReadAsTheReportReadsThem();
    void reportReceivesStoredLinesAndPath();
    void tableReadsBackThroughIsql();

private:
    std::optional<ConfirmedDeclaration> confirm(const DeclarationHeader& declarationHeader, Boxes* boxes = nullptr);
    // The declaration's header texts set to `declarationHeader`.
    const Declaration& declared(const DeclarationHeader& declarationHeader);
    QList<Row> committedRows(const QString& database) const;
    QStringList directoryEntries() const;

    std::unique_ptr<QTemporaryDir> m_directory;
    QString m_programDirectory;
    QString m_database;
    std::unique_ptr<WithholdingStore> m_store;
    Declaration m_declaration;
};

void TestStore::init()
{
    m_directory = std::make_unique<QTemporaryDir>();
    QVERIFY(m_directory->isValid());
    QVERIFY(QDir(m_directory->path()).mkdir("program"));
    m_programDirectory = m_directory->filePath("program") + QLatin1Char('/');
    m_database = fixture::createDatabase(*m_directory, "RETENCIONES.FDB");
    m_store = std::make_unique<WithholdingStore>(m_database);
    m_declaration.clear();
}

void TestStore::cleanup()
{
    m_store.reset();
    m_directory.reset();
}

std::optional<ConfirmedDeclaration> TestStore::confirm(const DeclarationHeader& declarationHeader, Boxes* boxes)
{
    Boxes yes;
    Confirmation confirmation(*m_store, m_programDirectory, [](const QString& legajo) { return legajo == Legajo; });
    return confirmation.run(declared(declarationHeader), (boxes ? boxes : &yes)->prompts());
}

const Declaration& TestStore::declared(const DeclarationHeader& declarationHeader)
{
    m_declaration.setLegajo(declarationHeader.legajo);
    m_declaration.setMonth(declarationHeader.month);
    m_declaration.setYear(declarationHeader.year);
    m_declaration.setDeclarant(declarationHeader.declarantCuit, declarationHeader.declarantName);
    return m_declaration;
}

// Reads through a connection of its own, so only committed rows are seen.
QList<Row> TestStore::committedRows(const QString& database) const
{
    return fixture::selectRows(database, "select nrocom, fecha, importe, razon, cuit, periodo from reten order by jid");
}

QStringList TestStore::directoryEntries() const
{
    return QDir(m_programDirectory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

void TestStore::confirmedDeclarationIsByteExact_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("period");

    QTest::newRow("month as 3") << "3"
                                << "3/2026";
    QTest::newRow("month as 03") << "03"
                                 << "03/2026";
}

void TestStore::confirmedDeclarationIsByteExact()
{
    QFETCH(QString, month);
    QFETCH(QString, period);

    // Line 1 typed by hand, line 2 deleted (a gap), line 3 as a re-load holds it.
    m_declaration.addLine(gridLine(1, "123", "6", "1234.50", QStringLiteral("PANADERÍA ÑANDÚ")));
    m_declaration.addLine(gridLine(2, "124", "7", "1380.00"));
    m_declaration.deleteLine(2);
    m_declaration.addLine(gridLine(3, "0000000000125", "000000006.00", "000001234.50"));

    Boxes boxes;
    const auto confirmed = confirm(header(month), &boxes);
    QVERIFY(confirmed);
    QCOMPARE(boxes.questions, QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?"});
    QCOMPARE(boxes.informations, QStringList{});
    QCOMPARE(confirmed->baseName, QStringLiteral("26300332"));
    QCOMPARE(confirmed->declarationPath, m_programDirectory + "26300332.txt");
    QCOMPARE(confirmed->lineCount, 2);
    QVERIFY(!confirmed->reportWritten);

    const QByteArray declarant = "30-71234567-1" + QByteArray("MUNICIPAL SERVICIOS SRL").leftJustified(60, ' ');
    QByteArray expected;
    expected += "20-12345678-6"
                "2026"
                "03"
                "15032026"
                "00000000600"
                "0000000000123"
        + QByteArray("PANADER\xCD\x41 \xD1\x41ND\xDA").leftJustified(60, ' ') + declarant
        + "00000123450"
          "\r\r\n";
    expected += "20-12345678-6"
                "2026"
                "03"
                "15032026"
                "00000000600"
                "0000000000125"
        + QByteArray("PROVEEDOR SA").leftJustified(60, ' ') + declarant
        + "00000123450"
          "\r\r\n";
    QCOMPARE(fileContent(confirmed->declarationPath), expected);
    QCOMPARE(directoryEntries(), QStringList{"26300332.txt"});

    const QList<Row> expectedRows{
        {"123", "15/03/2026", "6.00", "PANADERÍA ÑANDÚ", "20-12345678-6", period},
        {"0000000000125", "15/03/2026", "6.00", "PROVEEDOR SA", "20-12345678-6", period},
    };
    QCOMPARE(committedRows(m_database), expectedRows);
    QCOMPARE(statusLineText(*confirmed),
        "SU ARCHIVO TXT FUE GENERADO EN  " + m_programDirectory + " CON EL NOMBRE :26300332");
}

void TestStore::emptyGridGivesEmptyFileAndTable()
{
    m_declaration.addLine(gridLine(1, "1", "6", "1234.50"));
    QVERIFY(confirm(header()));
    QCOMPARE(committedRows(m_database).size(), 1);

    m_declaration.clear();
    const auto confirmed = confirm(header());
    QVERIFY(confirmed);
    QCOMPARE(confirmed->lineCount, 0);
    QCOMPARE(fileContent(confirmed->declarationPath), QByteArray());
    QCOMPARE(committedRows(m_database), QList<Row>{});

    // The report still gets its data set: no records, typed null fields.
    StoreDataSet data(m_store->openLines());
    QCOMPARE(data.recordCount(), 0);
    data.first();
    QVERIFY(data.eof());
    QCOMPARE(data.field("importe").type, FieldType::Bcd);
    QVERIFY(data.field("importe").isNull);
    QCOMPARE(data.field("razon").type, FieldType::String);
}

void TestStore::answerNoChangesNothing()
{
    m_declaration.addLine(gridLine(1, "1", "6", "1234.50"));
    const auto first = confirm(header());
    QVERIFY(first);
    const QByteArray earlierFile = fileContent(first->declarationPath);
    const QList<Row> earlierRows = committedRows(m_database);

    m_declaration.addLine(gridLine(2, "2", "7", "1380.00"));
    Boxes boxes;
    boxes.answer = false;
    QVERIFY(!confirm(header(), &boxes));
    QCOMPARE(boxes.questions.size(), 1);
    QCOMPARE(boxes.informations, QStringList{});
    QCOMPARE(fileContent(first->declarationPath), earlierFile);
    QCOMPARE(committedRows(m_database), earlierRows);
    QCOMPARE(directoryEntries(), QStringList{"26300332.txt"});

    // No to a CONFIRMA on an emptied header keeps the stored lines as well.
    QVERIFY(!confirm(header("", "", ""), &boxes));
    QCOMPARE(committedRows(m_database), earlierRows);
}

void TestStore::secondDeclarationReplacesTheFirst()
{
    m_declaration.addLine(gridLine(1, "1", "6", "1234.50"));
    m_declaration.addLine(gridLine(2, "2", "7", "1380.00"));
    QVERIFY(confirm(header()));

    m_declaration.clear();
    m_declaration.addLine(gridLine(1, "9", "1", "300.00"));
    const auto second = confirm(header());
    QVERIFY(second);
    QCOMPARE(committedRows(m_database),
        (QList<Row>{{"9", "15/03/2026", "1.00", "PROVEEDOR SA", "20-12345678-6", "3/2026"}}));
    QCOMPARE(fileContent(second->declarationPath).count("\r\r\n"), 1);
}

void TestStore::nextManualLoadReloadsTheFile()
{
    m_declaration.addLine(gridLine(1, "123", "6", "1234.50", QStringLiteral("ÑANDÚ SA")));
    m_declaration.addLine(gridLine(2, "77", "7", "1380.00"));
    const auto confirmed = confirm(header());
    QVERIFY(confirmed);

    // "Carga Manual" of the same period finds the file by the same name.
    const QString reloadPath = m_programDirectory + record::declarationFileName("03", "2026", "332");
    QCOMPARE(reloadPath, confirmed->declarationPath);
    m_declaration.clear();
    QCOMPARE(lineload::reloadDeclaration(reloadPath, m_declaration), 2);
    QCOMPARE(m_declaration.line(1),
        (WithholdingLine{
            "1", "0000000000123", "15/03/2026", "000001234.50", "000000006.00", "ÑANDÚ SA", "20-12345678-6"}));
    QCOMPARE(m_declaration.line(2).receiptNumber, QStringLiteral("0000000000077"));
    QCOMPARE(m_declaration.totalText(), QStringLiteral("13"));

    // Confirming the re-loaded lines again writes the same file.
    const QByteArray before = fileContent(reloadPath);
    QVERIFY(confirm(header()));
    QCOMPARE(fileContent(reloadPath), before);
}

void TestStore::refusedHeaderChangesNothing_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("legajo");
    QTest::addColumn<QString>("message");  // information box
    QTest::addColumn<QString>("error");    // or the conversion error

    const QString month = "Atención error en el nro de mes !!!";
    const QString year = "Atención error en el año !!!";
    const QString legajo = "Atención Legajo no existente !!!";
    QTest::newRow("empty header") << ""
                                  << ""
                                  << "" << month << "";
    QTest::newRow("month 13") << "13"
                              << "2026"
                              << "332" << month << "";
    QTest::newRow("month 00") << "00"
                              << "2026"
                              << "332" << month << "";
    QTest::newRow("pasted negative month") << "-3"
                                           << "2026"
                                           << "332" << month << "";
    QTest::newRow("month not a number") << "3a"
                                        << "2026"
                                        << "332"
                                        << ""
                                        << "''3a'' is not a valid integer value";
    QTest::newRow("year 2014") << "3"
                               << "2014"
                               << "332" << year << "";
    QTest::newRow("year 2031") << "3"
                               << "2031"
                               << "332" << year << "";
    QTest::newRow("year blank") << "3"
                                << "  "
                                << "332" << year << "";
    QTest::newRow("year eleven nines") << "3"
                                       << "99999999999"
                                       << "332"
                                       << ""
                                       << "''99999999999'' is not a valid integer value";
    QTest::newRow("legajo empty") << "3"
                                  << "2026"
                                  << " " << legajo << "";
    QTest::newRow("legajo unknown") << "3"
                                    << "2026"
                                    << "333" << legajo << "";
    QTest::newRow("legajo with a leading zero") << "3"
                                                << "2026"
                                                << "0332" << legajo << "";
}

void TestStore::refusedHeaderChangesNothing()
{
    QFETCH(QString, month);
    QFETCH(QString, year);
    QFETCH(QString, legajo);
    QFETCH(QString, message);
    QFETCH(QString, error);

    m_declaration.addLine(gridLine(1, "1", "6", "1234.50"));
    QVERIFY(confirm(header()));
    const QByteArray earlierFile = fileContent(m_programDirectory + "26300332.txt");
    const QList<Row> earlierRows = committedRows(m_database);

    m_declaration.addLine(gridLine(2, "2", "7", "1380.00"));
    Boxes boxes;
    try {
        QVERIFY(!confirm(header(month, year, legajo), &boxes));
        QCOMPARE(error, QString());
        QCOMPARE(boxes.informations, QStringList{message});
    } catch (const ConversionError& conversion) {
        QCOMPARE(conversion.message(), error);
        QCOMPARE(boxes.informations, QStringList{});
    }
    QCOMPARE(fileContent(m_programDirectory + "26300332.txt"), earlierFile);
    QCOMPARE(committedRows(m_database), earlierRows);
    QCOMPARE(directoryEntries(), QStringList{"26300332.txt"});
}

void TestStore::lineThatDoesNotFitIsNamed()
{
    m_declaration.addLine(gridLine(1, "1", "6", "1234.50"));
    m_declaration.addLine(gridLine(2, "12345678901234", "6", "1234.50"));
    Boxes boxes;
    QVERIFY(!confirm(header(), &boxes));
    QCOMPARE(boxes.informations,
        QStringList{"Atención el renglón 2 no entra en el registro de la DDJJ: Nro. Comprobante "
                    "\"12345678901234\" !!!"});
    QCOMPARE(directoryEntries(), QStringList{});
    QCOMPARE(committedRows(m_database), QList<Row>{});
}

void TestStore::missingDatabaseLeavesTheEarlierFile()
{
    m_declaration.addLine(gridLine(1, "1", "6", "1234.50"));
    QVERIFY(confirm(header()));
    const QByteArray earlierFile = fileContent(m_programDirectory + "26300332.txt");

    const QString missing = m_directory->filePath("missing.fdb");
    m_store = std::make_unique<WithholdingStore>(missing);
    m_declaration.addLine(gridLine(2, "2", "7", "1380.00"));
    try {
        confirm(header());
        QFAIL("a missing database must stop CONFIRMA");
    } catch (const Error& failure) {
        QCOMPARE(failure.message(), NothingChanged);
        QVERIFY2(failure.detail().contains(missing), qPrintable(failure.detail()));
    }
    QCOMPARE(fileContent(m_programDirectory + "26300332.txt"), earlierFile);
    QCOMPARE(directoryEntries(), QStringList{"26300332.txt"});
    QVERIFY(!QFile::exists(missing));
}

void TestStore::insertFailingHalfWayKeepsTheEarlierDeclaration()
{
    // A table whose company-name column is narrower than the record's field.
    QString schema = projectSchema();
    schema.replace("RAZON    CHAR(60)", "RAZON    CHAR(12)");
    QVERIFY(schema.contains("CHAR(12)"));
    m_store.reset();
    m_database = fixture::createDatabase(*m_directory, "NARROW.FDB", schema);
    m_store = std::make_unique<WithholdingStore>(m_database);

    m_declaration.addLine(gridLine(1, "1", "6", "1234.50", "PRIMERA SA"));
    QVERIFY(confirm(header()));
    const QByteArray earlierFile = fileContent(m_programDirectory + "26300332.txt");
    const QList<Row> earlierRows = committedRows(m_database);

    m_declaration.clear();
    m_declaration.addLine(gridLine(1, "2", "6", "1234.50", "CORTA SA"));
    m_declaration.addLine(gridLine(2, "3", "7", "1380.00", "UNA RAZON SOCIAL MAS LARGA SA"));
    m_declaration.addLine(gridLine(3, "4", "1", "300.00", "OTRA SA"));
    try {
        confirm(header());
        QFAIL("the second insert must fail");
    } catch (const Error& failure) {
        QCOMPARE(failure.message(), NothingChanged);
        QVERIFY2(failure.detail().contains("string right truncation"), qPrintable(failure.detail()));
    }
    QCOMPARE(fileContent(m_programDirectory + "26300332.txt"), earlierFile);
    // Nothing of the failed declaration is left pending in the transaction:
    // a commit now still leaves the earlier rows.
    m_store->commit();
    QCOMPARE(committedRows(m_database), earlierRows);
    QCOMPARE(directoryEntries(), QStringList{"26300332.txt"});

    // The store goes on working for the next declaration.
    m_declaration.clear();
    m_declaration.addLine(gridLine(1, "5", "6", "1234.50", "CORTA SA"));
    QVERIFY(confirm(header()));
    QCOMPARE(committedRows(m_database).size(), 1);
    QCOMPARE(committedRows(m_database).at(0).at(0), QStringLiteral("5"));
}

void TestStore::unwritableTargetKeepsTheEarlierDeclaration_data()
{
    QTest::addColumn<bool>("targetIsFolder");
    QTest::newRow("program directory that cannot exist") << false;
    QTest::newRow("declaration file name taken by a folder") << true;
}

void TestStore::unwritableTargetKeepsTheEarlierDeclaration()
{
    QFETCH(bool, targetIsFolder);

    m_declaration.addLine(gridLine(1, "1", "6", "1234.50"));
    QVERIFY(confirm(header("4")));
    const QList<Row> earlierRows = committedRows(m_database);

    if (targetIsFolder) {
        QVERIFY(QDir(m_programDirectory).mkdir("26300332.txt"));
    } else {
        // Tests run as root, so a missing path under a plain file stands for
        // a directory that cannot be written.
        QFile blocker(m_directory->filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        m_programDirectory = blocker.fileName() + "/program/";
    }
    m_declaration.addLine(gridLine(2, "2", "7", "1380.00"));
    try {
        confirm(header());
        QFAIL("the declaration file cannot be written");
    } catch (const Error& failure) {
        QCOMPARE(failure.message(), NothingChanged);
        QVERIFY2(failure.detail().startsWith("No se puede crear el archivo \"" + m_programDirectory + "26300332.txt\""),
            qPrintable(failure.detail()));
    }
    QCOMPARE(committedRows(m_database), earlierRows);
    if (targetIsFolder)
        QCOMPARE(directoryEntries(), (QStringList{"26300332.txt", "26400332.txt"}));
}

void TestStore::storedLinesReadAsTheReportReadsThem()
{
    m_declaration.addLine(gridLine(1, "123", "6", "1234.50", QStringLiteral("ÑANDÚ SA")));
    m_declaration.addLine(gridLine(2, "124", "999999999.99", "1234.50"));
    QVERIFY(confirm(header()));

    StoreDataSet data(m_store->openLines());
    QVERIFY(m_store->t_reten.isOpen());
    QCOMPARE(data.recordCount(), 2);
    QCOMPARE(data.fieldNames(), (QStringList{"JID", "NROCOM", "FECHA", "IMPORTE", "RAZON", "CUIT", "PERIODO"}));
    data.first();
    QVERIFY(!data.eof());
    const FieldValue jid = data.field("Jid");
    QCOMPARE(jid.type, FieldType::Integer);
    QVERIFY(!jid.isNull);
    const FieldValue amount = data.field("importe");
    QCOMPARE(amount.type, FieldType::Bcd);
    QCOMPARE(amount.integer, qint64(600));
    QCOMPARE(amount.scale, 2);
    const FieldValue name = data.field("RAZON");
    QCOMPARE(name.type, FieldType::String);
    QCOMPARE(name.text, QStringLiteral("ÑANDÚ SA"));  // no trailing blanks
    QCOMPARE(data.field("nrocom").text, QStringLiteral("123"));
    data.next();
    QVERIFY(data.field("JID").integer > jid.integer);
    QCOMPARE(data.field("IMPORTE").integer, qint64(99999999999));
    data.next();
    QVERIFY(data.eof());
    QVERIFY(data.field("IMPORTE").isNull);
    QVERIFY_THROWS_EXCEPTION(Error, data.field("NOSUCHFIELD"));
}

void TestStore::reportReceivesStoredLinesAndPath()
{
    m_declaration.addLine(gridLine(1, "1", "6", "1234.50"));
    m_declaration.addLine(gridLine(2, "2", "6", "1234.50"));
    m_declaration.deleteLine(2);
    m_declaration.addLine(gridLine(3, "3", "7", "1380.00"));
    Confirmation confirmation(*m_store, m_programDirectory, [](const QString&) { return true; });
    QString reportPath;
    QStringList receipts;
    confirmation.setReportExport([&](DataSet& lines, const QString& path) {
        reportPath = path;
        for (lines.first(); !lines.eof(); lines.next())
            receipts << lines.field("NROCOM").text;
        return true;
    });
    QStringList steps;
    confirmation.setStepObserver([&](const char* step) { steps << step; });
    Boxes boxes;
    const auto confirmed = confirmation.run(declared(header()), boxes.prompts());
    QVERIFY(confirmed);
    QVERIFY(confirmed->reportWritten);
    QCOMPARE(reportPath, m_programDirectory + "26300332.pdf");
    QCOMPARE(receipts, (QStringList{"1", "3"}));
    QCOMPARE(
        steps, (QStringList{"checks", "file", "journal", "delete", "insert", "commit", "rename", "report", "done"}));
    QCOMPARE(statusLineText(*confirmed),
        "SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  " + m_programDirectory + " CON EL NOMBRE :26300332");

    // A cancelled export keeps the committed declaration, and the status
    // line does not claim a PDF.
    confirmation.setReportExport([](DataSet&, const QString&) { return false; });
    const auto cancelled = confirmation.run(declared(header()), boxes.prompts());
    QVERIFY(cancelled);
    QVERIFY(!cancelled->reportWritten);
    QVERIFY(!statusLineText(*cancelled).contains("PDF"));
    QCOMPARE(committedRows(m_database).size(), 2);
}

void TestStore::tableReadsBackThroughIsql()
{
    m_declaration.addLine(gridLine(1, "123", "6", "1234.50", QStringLiteral("ÑANDÚ SA")));
    m_declaration.addLine(gridLine(2, "124", "7", "1380.00"));
    QVERIFY(confirm(header("03")));
    // The embedded engine holds the file for this process until it detaches.
    m_store->disconnect();

    const ToolResult isql = runIsql(m_database,
        "set list on;\n"
        "select jid, nrocom, fecha, importe, razon, cuit, periodo from reten "
        "order by jid;\n");
    QVERIFY2(isql.exitCode == 0, qPrintable(isql.err));
    const QString output = isql.out;

    QStringList fields;
    for (const QString& line : output.split('\n', Qt::SkipEmptyParts))
        fields << line.simplified();
    const QStringList expected{
        "JID 1",
        "NROCOM 123",
        "FECHA 15/03/2026",
        "IMPORTE 6.00",
        "RAZON ÑANDÚ SA",
        "CUIT 20-12345678-6",
        "PERIODO 03/2026",
        "JID 2",
        "NROCOM 124",
        "FECHA 15/03/2026",
        "IMPORTE 7.00",
        "RAZON PROVEEDOR SA",
        "CUIT 20-12345678-6",
        "PERIODO 03/2026",
    };
    QCOMPARE(fields, expected);
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
