// One whole declaration as a user makes it, through the real window on the
// offscreen platform: the keys go to whichever control has the focus, buttons
// are clicked with the mouse, a line is deleted by a double click on the grid;
// the boxes and the file dialog are answered by the test. The declaration is
// confirmed into a real embedded database, then re-loaded for the same period
// and confirmed a second time. The results are read from outside the program:
// the declaration file byte for byte against records spelled out here field
// by field, the table through isql-fb, the PDF through qpdf and pdftotext.
#include "tests/support/DatabaseFixture.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/RecordLines.h"
#include "tests/support/WindowFixture.h"

#include "app/MaskEdit.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "declaration/WithholdingGrid.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QtTest>
#include <memory>

namespace {

// One declaration record as the municipality reads it, spelled out field by
// field: supplier CUIT (13, blanks on the left), year, month, date DDMMYYYY,
// withholding (11 digits, hundredths), receipt number (13, zeros on the left),
// supplier name (60), declarant CUIT (13), declarant name (60), receipt
// amount (11), then CR and the line end CR LF.
struct ExpectedRecord
{
    const char* supplierCuit;
    const char* dayMonthYear;
    const char* withholding;
    const char* receiptNumber;
    QString supplierName;
    const char* receiptAmount;
};

QByteArray declarationBytes(
    const QList<ExpectedRecord>& records, const QString& declarantCuit, const QString& declarantName)
{
    QByteArray out;
    for (const ExpectedRecord& record : records) {
        QString line;
        line += QString::fromLatin1(record.supplierCuit).rightJustified(13, ' ');
        line += "2026";
        line += "03";
        line += record.dayMonthYear;
        line += record.withholding;
        line += record.receiptNumber;
        line += record.supplierName.leftJustified(60, ' ');
        line += declarantCuit.rightJustified(13, ' ');
        line += declarantName.leftJustified(60, ' ');
        line += record.receiptAmount;
        // Windows-1252 and Latin-1 give the same byte for the letters used here.
        out += line.toLatin1();
        out += "\r\r\n";
    }
    return out;
}

}  // namespace

class TestGuiScenario : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void wholeDeclarationTwice();

private:
    void enterHeader(const QString& month);
    void typeLine(const QString& cuitDigits, const QString& name, const QString& dateDigits, const QString& receipt,
        const QString& amount, bool clickAdiciona);
    void doubleClickRow(int gridRow);
    QList<QStringList> storedRowsInProcess() const;
    void checkReport(const QStringList& receiptsInOrder, const QString& periodLine, const QString& total);
};

void TestGuiScenario::init()
{
    begin(Files::WithDatabase);
}

void TestGuiScenario::cleanup()
{
    finish();
}

// Legajo, month and year, each ended with Enter as the user does.
void TestGuiScenario::enterHeader(const QString& month)
{
    typeHeader("332", month, "2026", Qt::Key_Return, Focus::Checked);
    QVERIFY(controls.Panel3->isVisible());
    QVERIFY(!controls.Panel1->isEnabled());
}

// One line typed field by field, Enter moving on; the amount's Enter puts
// the focus on ADICIONA, which is then pressed with Enter or clicked.
void TestGuiScenario::typeLine(const QString& cuitDigits, const QString& name, const QString& dateDigits,
    const QString& receipt, const QString& amount, bool clickAdiciona)
{
    WindowFixture::typeLine(
        cuitDigits, name, dateDigits, receipt, amount, clickAdiciona ? Adiciona::Click : Adiciona::Enter);
    QCOMPARE(focus(), static_cast<QWidget*>(controls.E_CuitReten));
}

void TestGuiScenario::doubleClickRow(int gridRow)
{
    controls.Grilla->scrollTo(controls.Grilla->model()->index(gridRow - 1, 2));
    const QRect cell = controls.Grilla->visualRect(controls.Grilla->model()->index(gridRow - 1, 2));
    QVERIFY(cell.isValid());
    QTest::mouseClick(controls.Grilla->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(controls.Grilla->viewport(), Qt::LeftButton, {}, cell.center());
}

// The committed rows, read through a second attachment of this process while
// the window's store keeps its own.
QList<QStringList> TestGuiScenario::storedRowsInProcess() const
{
    return fixture::selectRows(database, "select nrocom, fecha, importe, razon, cuit, periodo from reten order by jid");
}

void TestGuiScenario::checkReport(const QStringList& receiptsInOrder, const QString& periodLine, const QString& total)
{
    const QString pdf = programDirectory + "26300332.pdf";
    QVERIFY(QFile::exists(pdf));
    const ToolResult check = runTool("qpdf", {"--check", pdf});
    QCOMPARE(check.exitCode, 0);
    QVERIFY2(check.err.isEmpty(), qPrintable(check.err));
    QVERIFY2(check.out.contains("No syntax or stream encoding errors found"), qPrintable(check.out));

    const ToolResult text = runTool("pdftotext", {"-layout", pdf, "-"});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.err.isEmpty(), qPrintable(text.err));
    const QStringList pages = text.out.split(QChar('\f'), Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), 1);
    QVERIFY2(text.out.contains(periodLine), qPrintable(text.out));
    QVERIFY(text.out.contains(QString::fromUtf8("DDJJ Agentes de Retención")));
    const QRegularExpression totalLine("Total Retenido ====>\\s*" + QRegularExpression::escape(total));
    QVERIFY2(text.out.contains(totalLine), qPrintable(text.out));
    // Each receipt on its own line, in grid order.
    qsizetype position = 0;
    for (const QString& receipt : receiptsInOrder) {
        const qsizetype found = text.out.indexOf(receipt, position);
        QVERIFY2(found >= 0, qPrintable("receipt " + receipt + " not after position " + QString::number(position)));
        position = found + receipt.size();
    }
    QVERIFY(text.out.contains(QString::fromUtf8("PANADERÍA ÑANDÚ SA")));
    QVERIFY(text.out.contains(QString::fromUtf8("FERRETERÍA LA PEÑA")));
    QVERIFY(!text.out.contains("KIOSCO CENTRAL"));  // the deleted line
}

void TestGuiScenario::wholeDeclarationTwice()
{
    // The import file, written as another program would: three lines that
    // match their 0.5 % and one with receipt number 0, passed over although
    // its amounts do not match.
    const QString importPath = directory->filePath("retenciones-marzo.txt");
    {
        using recordlines::record;
        const QByteArray bytes = recordlines::fileBytes(
            {
                record("20-17254359-7", "20260305", "00000000617", "0000000001001",
                    QString::fromUtf8("PANADERÍA ÑANDÚ SA"), "00000123456"),
                record("20-17254359-7", "20260306", "00000099999", "0000000000000", "NO CUENTA", "00000000100"),
                record("27-28465123-0", "20260312", "00000000690", "0000000001002", "TRANSPORTES DEL SUR SRL",
                    "00000138000"),
                record(
                    "30-70912345-5", "20260318", "00000000150", "0000000001003", "LIBRERIA ARCO IRIS", "00000030000"),
            },
            "\r\n");
        QFile file(importPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
    }

    // The header: the registry fills the declarant.
    enterHeader("3");
    const QString declarantCuit = controls.e_Cuit->text();
    const QString declarantName = controls.e_Razon->text();
    QVERIFY2(QRegularExpression("^\\d\\d-\\d{8}-\\d$").match(declarantCuit).hasMatch(), qPrintable(declarantCuit));
    QVERIFY(!declarantName.isEmpty());

    // "Importación de Archivo", the dialog answered with the file.
    desktop.fileDialog->paths = {importPath};
    click(controls.B1);
    QCOMPARE(desktop.fileDialog->calls, 1);
    QCOMPARE(desktop.messages->texts(), QStringList{});
    QCOMPARE(declaration().line(1),
        (WithholdingLine{"1", "0000000001001", "05/03/2026", "000001234.56", "6",
            QString::fromUtf8("PANADERÍA ÑANDÚ SA"), "20-17254359-7"}));
    QCOMPARE(controls.cell(2, 4), QString("7"));
    QCOMPARE(controls.cell(3, 4), QString("1"));  // 1.50 rounds down
    QCOMPARE(controls.cell(4, 1), QString());
    QCOMPARE(controls.e_totreten->text(), QString("14"));
    QVERIFY(controls.B_Confirma->isEnabled());
    QVERIFY(controls.Panel3->isVisible());

    // "Carga Manual": no declaration of the period yet, nothing re-loaded.
    click(controls.B2);
    QCOMPARE(declaration().nextRow(), 4);
    QCOMPARE(controls.e_totreten->text(), QString("14"));
    QVERIFY(controls.Panel2->isVisible());
    QVERIFY(controls.Panel3->isHidden());

    // Three typed lines; the name typed in small letters comes out in
    // capitals, amounts get two decimals.
    typeLine("20111111112", QString::fromUtf8("ferretería la peña"), "10032026", "2001", "1234.5", false);
    typeLine("27222222228", "Kiosco Central", "20032026", "2002", "1380", true);
    typeLine("30333333348", "LIBRERIA ARCO", "25032026", "2003", "100.01", false);
    QCOMPARE(desktop.messages->texts(), QStringList{});
    QCOMPARE(desktop.beep->count, 0);
    QCOMPARE(declaration().line(4),
        (WithholdingLine{
            "4", "2001", "10/03/2026", "1234.50", "6", QString::fromUtf8("FERRETERÍA LA PEÑA"), "20-11111111-2"}));
    QCOMPARE(controls.cell(5, 5), QString("KIOSCO CENTRAL"));
    QCOMPARE(controls.cell(6, 4), QString("1"));
    QCOMPARE(controls.e_totreten->text(), QString("28"));

    // The kiosk's line goes with a double click.
    doubleClickRow(5);
    QCOMPARE(declaration().line(5), (WithholdingLine{"5", "", "", "", "", "", ""}));
    QCOMPARE(controls.e_totreten->text(), QString("21"));
    QCOMPARE(desktop.messages->texts(), QStringList{});

    // CONFIRMA, answered Yes.
    desktop.messages->answers = {true};
    click(controls.B_Confirma);
    QCOMPARE(desktop.messages->texts(), QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?"});

    const QList<ExpectedRecord> records{
        {"20-17254359-7", "05032026", "00000000600", "0000000001001", QString::fromUtf8("PANADERÍA ÑANDÚ SA"),
            "00000123456"},
        {"27-28465123-0", "12032026", "00000000700", "0000000001002", "TRANSPORTES DEL SUR SRL", "00000138000"},
        {"30-70912345-5", "18032026", "00000000100", "0000000001003", "LIBRERIA ARCO IRIS", "00000030000"},
        {"20-11111111-2", "10032026", "00000000600", "0000000002001", QString::fromUtf8("FERRETERÍA LA PEÑA"),
            "00000123450"},
        {"30-33333334-8", "25032026", "00000000100", "0000000002003", "LIBRERIA ARCO", "00000010001"},
    };
    const QByteArray expectedFile = declarationBytes(records, declarantCuit, declarantName);
    QCOMPARE(expectedFile.size(), 5 * 198);
    QFile declarationFile(programDirectory + "26300332.txt");
    QVERIFY(declarationFile.open(QIODevice::ReadOnly));
    QCOMPARE(declarationFile.readAll(), expectedFile);
    declarationFile.close();
    QCOMPARE(QDir(programDirectory).entryList(QDir::Files | QDir::Hidden, QDir::Name),
        (QStringList{"26300332.pdf", "26300332.txt"}));

    QCOMPARE(storedRowsInProcess(),
        (QList<QStringList>{
            {"0000000001001", "05/03/2026", "6.00", QString::fromUtf8("PANADERÍA ÑANDÚ SA"), "20-17254359-7", "3/2026"},
            {"0000000001002", "12/03/2026", "7.00", "TRANSPORTES DEL SUR SRL", "27-28465123-0", "3/2026"},
            {"0000000001003", "18/03/2026", "1.00", "LIBRERIA ARCO IRIS", "30-70912345-5", "3/2026"},
            {"2001", "10/03/2026", "6.00", QString::fromUtf8("FERRETERÍA LA PEÑA"), "20-11111111-2", "3/2026"},
            {"2003", "25/03/2026", "1.00", "LIBRERIA ARCO", "30-33333334-8", "3/2026"},
        }));
    checkReport({"0000000001001", "0000000001002", "0000000001003", "2001", "2003"},
        "Periodo : 3/2026 Legajo : 332 " + declarantName, "21.00");

    QVERIFY(controls.salida->isVisible());
    QCOMPARE(controls.salida->text(),
        "SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  " + programDirectory + " CON EL NOMBRE :26300332");
    QCOMPARE(declaration().usedRows(), 0);
    QCOMPARE(controls.e_totreten->text(), QString("0"));
    QVERIFY(controls.Panel2->isHidden());
    QVERIFY(controls.Panel3->isHidden());
    QTRY_COMPARE(focus(), static_cast<QWidget*>(controls.e_legaJo));

    // The same period again, the month typed as 03 this time: "Carga Manual"
    // re-loads the declaration file, with the amounts as the file holds them.
    desktop.messages->shown.clear();
    enterHeader("03");
    click(controls.B2);
    QCOMPARE(declaration().nextRow(), 6);
    QCOMPARE(declaration().line(1),
        (WithholdingLine{"1", "0000000001001", "05/03/2026", "000001234.56", "000000006.00",
            QString::fromUtf8("PANADERÍA ÑANDÚ SA"), "20-17254359-7"}));
    QCOMPARE(declaration().line(5),
        (WithholdingLine{
            "5", "0000000002003", "25/03/2026", "000000100.01", "000000001.00", "LIBRERIA ARCO", "30-33333334-8"}));
    QCOMPARE(controls.e_totreten->text(), QString("21"));
    QCOMPARE(focus(), static_cast<QWidget*>(controls.E_CuitReten));

    desktop.messages->answers = {true};
    click(controls.B_Confirma);
    QCOMPARE(desktop.messages->texts(), QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?"});
    // The re-loaded lines give back the same records.
    QVERIFY(declarationFile.open(QIODevice::ReadOnly));
    QCOMPARE(declarationFile.readAll(), expectedFile);
    declarationFile.close();
    checkReport({"0000000001001", "0000000001002", "0000000001003", "0000000002001", "0000000002003"},
        "Periodo : 03/2026 Legajo : 332 " + declarantName, "21.00");
    QCOMPARE(declaration().usedRows(), 0);

    // The program ends; its embedded attachment lets the file go, and isql-fb
    // reads the table as the second declaration left it.
    window.reset();
    const ToolResult isql = runIsql(database,
        "set list on;\n"
        "select jid, nrocom, fecha, importe, razon, cuit, periodo from reten "
        "order by jid;\n");
    QVERIFY2(isql.exitCode == 0, qPrintable(isql.err));
    QVERIFY2(isql.err.isEmpty(), qPrintable(isql.err));
    QStringList fields;
    QList<qint64> jids;
    for (const QString& line : isql.out.split('\n', Qt::SkipEmptyParts)) {
        const QString field = line.simplified();
        if (field.startsWith("JID "))
            jids << field.mid(4).toLongLong();
        else
            fields << field;
    }
    const QStringList expectedFields{
        "NROCOM 0000000001001",
        "FECHA 05/03/2026",
        "IMPORTE 6.00",
        QString::fromUtf8("RAZON PANADERÍA ÑANDÚ SA"),
        "CUIT 20-17254359-7",
        "PERIODO 03/2026",
        "NROCOM 0000000001002",
        "FECHA 12/03/2026",
        "IMPORTE 7.00",
        "RAZON TRANSPORTES DEL SUR SRL",
        "CUIT 27-28465123-0",
        "PERIODO 03/2026",
        "NROCOM 0000000001003",
        "FECHA 18/03/2026",
        "IMPORTE 1.00",
        "RAZON LIBRERIA ARCO IRIS",
        "CUIT 30-70912345-5",
        "PERIODO 03/2026",
        "NROCOM 0000000002001",
        "FECHA 10/03/2026",
        "IMPORTE 6.00",
        QString::fromUtf8("RAZON FERRETERÍA LA PEÑA"),
        "CUIT 20-11111111-2",
        "PERIODO 03/2026",
        "NROCOM 0000000002003",
        "FECHA 25/03/2026",
        "IMPORTE 1.00",
        "RAZON LIBRERIA ARCO",
        "CUIT 30-33333334-8",
        "PERIODO 03/2026",
    };
    QCOMPARE(fields, expectedFields);
    // Five rows, in the order they were stored.
    QCOMPARE(jids.size(), 5);
    for (int i = 1; i < jids.size(); ++i)
        QVERIFY(jids[i] > jids[i - 1]);
}

QTEST_MAIN(TestGuiScenario)
#include "tst_gui_scenario.moc"
