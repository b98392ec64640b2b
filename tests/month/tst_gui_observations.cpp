// What the window tells about the lines it keeps: the same receipt typed in
// another form, dates outside the period, receipts already declared in
// another declaration file of the legajo, and the whole grid after a re-load
// onto earlier lines.
#include "tests/month/MonthWindow.h"
#include "tests/support/RecordLines.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using recordlines::fileBytes;
using recordlines::record;

namespace {

const QString cuitA = QStringLiteral("20-12345678-6");
const QString duplicateMessage = QString::fromUtf8("Atención Comprobante ya Ingresado !!!");
const QString importMessage =
    QString::fromUtf8("Atención revise el archivo importado: %1 renglones con observaciones !!!");
const QString gridMessage = QString::fromUtf8("Atención revise la grilla: %1 renglones con observaciones !!!");

// A line that passes the cross-check: receipt 1380.00, withheld 6.90.
QString line(
    const QString& receipt, const QString& yearMonthDay = QStringLiteral("20260315"), const QString& cuit = cuitA)
{
    return record(cuit, yearMonthDay, QStringLiteral("00000000690"), receipt.rightJustified(13, QLatin1Char('0')),
        QStringLiteral("PROVEEDOR SA"), QStringLiteral("00000138000"));
}

}  // namespace

class TestGuiObservations : public QObject, public MonthWindow
{
    Q_OBJECT

private slots:
    void init() { begin(Files::Directory); }
    void cleanup() { finish(); }

    void receiptTypedWithoutItsZerosIsRefused();
    void repeatedReceiptInAnotherForm();
    void dateOutsideThePeriod();
    void receiptDeclaredInOtherPeriods();
    void everyObservationTogetherAndTheCap();
    void unreadableDeclarationFileIsNamed();
    void reloadOntoImportedLinesObservesTheGrid();
    void reloadIntoAnEmptyGridShowsNoBox();

private:
    void expectBox(const QString& text, const QString& detail)
    {
        QCOMPARE(desktop.messages->shown.size(), 1);
        QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Information);
        QCOMPARE(desktop.messages->shown.first().text, text);
        QCOMPARE(desktop.messages->shown.first().detail, detail);
    }
    // The lines stay and CONFIRMA can be pressed, as after any import.
    void expectKept(int lines)
    {
        QCOMPARE(linesShown(), lines);
        QVERIFY(control<QPushButton>("B_Confirma")->isEnabled());
        QVERIFY(!control("Panel1")->isEnabled());
    }
};

// "1002" typed beside the imported "0000000001002" is the same receipt in
// the declaration file: the duplicate message, the focus back in the field.
void TestGuiObservations::receiptTypedWithoutItsZerosIsRefused()
{
    enterHeader();
    import(writeFile("import.txt", fileBytes({line("1002")})));
    QVERIFY(desktop.messages->shown.isEmpty());
    QCOMPARE(cell(1, 1), QString("0000000001002"));
    startManualEntry();
    auto* receipt = control<QLineEdit>("E_Comprobante");
    for (const char* typed : {"1002", "0001002"}) {
        desktop.messages->shown.clear();
        receipt->clear();
        receipt->setFocus();
        type(receipt, typed);
        press(Qt::Key_Tab);
        QCOMPARE(desktop.messages->texts(), QStringList{duplicateMessage});
        QCOMPARE(focus(), static_cast<QWidget*>(receipt));
        QCOMPARE(receipt->text(), QString(typed));
    }
}

// Two lines of one import, the receipt written in two forms.
void TestGuiObservations::repeatedReceiptInAnotherForm()
{
    enterHeader();
    QString shortForm = line("0");
    shortForm.replace(38, 13, QStringLiteral("         1002"));
    import(writeFile("import.txt", fileBytes({line("1002"), shortForm})));
    expectBox(importMessage.arg(2),
        QString::fromUtf8(
            "Renglón 1: comprobante 0000000001002, CUIT 20-12345678-6: Comprobante repetido en el renglón 2\n"
            "Renglón 2: comprobante 1002, CUIT 20-12345678-6: Comprobante repetido en el renglón 1"));
    expectKept(2);
}

void TestGuiObservations::dateOutsideThePeriod()
{
    enterHeader();
    // November's withholding imported into March, a day March has not, one good line.
    import(writeFile("import.txt", fileBytes({line("1", "20261115"), line("2", "20260332"), line("3")})));
    expectBox(importMessage.arg(2),
        QString::fromUtf8("Renglón 1: comprobante 0000000000001, CUIT 20-12345678-6: Fecha fuera del período 03/2026\n"
                          "Renglón 2: comprobante 0000000000002, CUIT 20-12345678-6: Fecha fuera del período 03/2026"));
    expectKept(3);
    QCOMPARE(cell(1, 2), QString("15/11/2026"));
}

// The legajo's declaration files of other periods, beside the program, are
// compared; the period's own file and other legajos' files are not.
void TestGuiObservations::receiptDeclaredInOtherPeriods()
{
    writeFile("26200332.txt", fileBytes({line("7", "20260210"), line("8", "20260210")}));
    writeFile("25C00332.txt", fileBytes({line("7", "20251210")}));
    writeFile("26300332.txt", fileBytes({line("9")}));
    writeFile("26200333.txt", fileBytes({line("9", "20260210")}));
    enterHeader();
    import(writeFile("import.txt", fileBytes({line("7"), line("9"), line("8", "20260315", "27-23456789-1")})));
    expectBox(importMessage.arg(1),
        QString::fromUtf8("Renglón 1: comprobante 0000000000007, CUIT 20-12345678-6: "
                          "Comprobante ya declarado en la DDJJ 25C00332.txt (12/2025); "
                          "Comprobante ya declarado en la DDJJ 26200332.txt (02/2026)"));
    expectKept(3);
}

// All observations in one box; every line counted, the first 1000 listed.
void TestGuiObservations::everyObservationTogetherAndTheCap()
{
    QStringList earlier;
    QStringList lines;
    for (int number = 1; number <= 1200; ++number) {
        const QString receipt = QString::number(number);
        switch (number % 4) {
        case 0:
            lines << line(receipt, "20260415");  // outside the period
            break;
        case 1:
            lines << line(receipt, "20260315", "20-12345678-9");  // CUIT invalid
            break;
        case 2:
            lines << line(receipt);  // declared in February
            earlier << line(receipt, "20260210");
            break;
        default:
            lines << line(QString::number(number - 1));  // repeats the line before
            break;
        }
    }
    writeFile("26200332.txt", fileBytes(earlier));
    enterHeader();
    import(writeFile("import.txt", fileBytes(lines)));
    QCOMPARE(desktop.messages->shown.size(), 1);
    QCOMPARE(desktop.messages->shown.first().text, importMessage.arg(1200));
    const QStringList detail = desktop.messages->shown.first().detail.split(QLatin1Char('\n'));
    QCOMPARE(detail.size(), 1001);
    QCOMPARE(
        detail.at(0), QString::fromUtf8("Renglón 1: comprobante 0000000000001, CUIT 20-12345678-9: CUIT inválido"));
    // Row 2 is declared in February and repeated by row 3.
    QCOMPARE(detail.at(1),
        QString::fromUtf8("Renglón 2: comprobante 0000000000002, CUIT 20-12345678-6: "
                          "Comprobante repetido en el renglón 3; "
                          "Comprobante ya declarado en la DDJJ 26200332.txt (02/2026)"));
    QCOMPARE(detail.at(2),
        QString::fromUtf8("Renglón 3: comprobante 0000000000002, CUIT 20-12345678-6: "
                          "Comprobante repetido en el renglón 2; "
                          "Comprobante ya declarado en la DDJJ 26200332.txt (02/2026)"));
    QCOMPARE(detail.at(3),
        QString::fromUtf8("Renglón 4: comprobante 0000000000004, CUIT 20-12345678-6: "
                          "Fecha fuera del período 03/2026"));
    QCOMPARE(detail.last(), QString::fromUtf8("... y 200 renglones más con observaciones"));
    expectKept(1200);
}

// A declaration file of another period that cannot be read does not fail
// the import: it is named, and the other files are compared.
void TestGuiObservations::unreadableDeclarationFileIsNamed()
{
    QVERIFY(QDir(programDirectory).mkdir("26100332.txt"));
    writeFile("26200332.txt", fileBytes({line("5", "20260210")}));
    enterHeader();
    import(writeFile("import.txt", fileBytes({line("5"), line("6")})));
    QCOMPARE(desktop.messages->shown.size(), 1);
    const ShownBox box = desktop.messages->shown.first();
    QCOMPARE(box.text, importMessage.arg(1));
    const QStringList detail = box.detail.split(QLatin1Char('\n'));
    QCOMPARE(detail.size(), 2);
    QCOMPARE(detail.at(0),
        QString::fromUtf8("Renglón 1: comprobante 0000000000005, CUIT 20-12345678-6: "
                          "Comprobante ya declarado en la DDJJ 26200332.txt (02/2026)"));
    QCOMPARE(detail.at(1),
        QString::fromUtf8("No se pudo leer la DDJJ 26100332.txt (01/2026), no fue comparada: "
                          "No se puede abrir el archivo \"%1\": es una carpeta")
            .arg(programDirectory + "26100332.txt"));
    expectKept(2);

    // With nothing else to tell, the box says which file was passed over.
    desktop.messages->shown.clear();
    import(writeFile("more.txt", fileBytes({line("10")})));
    QCOMPARE(desktop.messages->shown.size(), 1);
    QCOMPARE(desktop.messages->shown.first().text,
        QString::fromUtf8("Atención no se pudieron leer 1 DDJJ de otros períodos del legajo: "
                          "sus comprobantes no fueron comparados !!!"));
    expectKept(3);
}

// "Carga Manual" after an import appends the period's declaration file: the
// whole grid is observed, so the same lines twice are told.
void TestGuiObservations::reloadOntoImportedLinesObservesTheGrid()
{
    enterHeader();
    import(writeFile("import.txt", fileBytes({line("41"), line("42")})));
    QVERIFY(desktop.messages->shown.isEmpty());
    writeFile("26300332.txt", fileBytes({line("42")}));
    startManualEntry();
    QCOMPARE(linesShown(), 3);
    expectBox(gridMessage.arg(2),
        QString::fromUtf8(
            "Renglón 2: comprobante 0000000000042, CUIT 20-12345678-6: Comprobante repetido en el renglón 3\n"
            "Renglón 3: comprobante 0000000000042, CUIT 20-12345678-6: Comprobante repetido en el renglón 2"));
    // Line entry is open all the same.
    QCOMPARE(focus(), control("E_CuitReten"));
}

// A re-load into an empty grid is the period's own declaration: nothing is told.
void TestGuiObservations::reloadIntoAnEmptyGridShowsNoBox()
{
    writeFile("26300332.txt", fileBytes({line("42"), line("42", "20260415")}));
    enterHeader();
    startManualEntry();
    QCOMPARE(linesShown(), 2);
    QVERIFY(desktop.messages->shown.isEmpty());
}

QTEST_MAIN(TestGuiObservations)
#include "tst_gui_observations.moc"
