// Line entry, the grid, "Carga Manual" and the file import, driven through
// the real window with key, mouse and focus events; boxes, beep and file
// dialog are answered by the test.
#include "app/MaskEdit.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "declaration/WithholdingGrid.h"
#include "tests/support/GridLines.h"
#include "tests/support/RecordLines.h"
#include "tests/support/WindowFixture.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using recordlines::fileBytes;
using recordlines::goodRecord;
using recordlines::record;

namespace {

const QString duplicateMessage = QString::fromUtf8("Atención Comprobante ya Ingresado !!!");
const QString notPositiveMessage = QStringLiteral("El Importe  debe ser Mayor a Cero !!!");
const QString tooLargeMessage = QString::fromUtf8("Atención El Importe no puede superar 999999999.99 !!!");
const QString invalidInput = QStringLiteral("Invalid input value.  Use escape key to abandon changes");
const QString mismatchMessage = QString::fromUtf8("Atención, No coincide importe de retención, verifique!!!");
const QString resetQuestion = QStringLiteral("Esta seguro de Limpiar todo lo Ingresado ?");
const QString observationsMessage =
    QString::fromUtf8("Atención revise el archivo importado: %1 renglones con observaciones !!!");

}  // namespace

class TestGuiLines : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void typedLinesTotalsAndDeletion();
    void doubleClickOnAGapOrAnEmptyRowChangesNothing();
    void doubleClickOutsideTheLineCellsActsOnTheCurrentRow();
    void receiptAmount_data();
    void receiptAmount();
    void emptyAmountKeepsTheEarlierWithholding();
    void receiptNumberTakesAtMostThirteenDigits();
    void addingRequiresItsFields();
    void dateChecks_data();
    void dateChecks();
    void partlyFilledMaskedFieldCannotBeLeft_data();
    void partlyFilledMaskedFieldCannotBeLeft();
    void keyFiltersOfTheAmountFields();
    void duplicateMessageOncePerMatchingLine();
    void reloadShowsTheDeclarationFile();
    void reloadWithoutAFileOpensLineEntry();
    void failedReloadChangesNothing();
    void importExamples();
    void importMismatchListsTheLinesAndResets();
    void sameFileTwice();
    void failedImportChangesNothing_data();
    void failedImportChangesNothing();
    void importThatReadsNothing_data();
    void importThatReadsNothing();
    void noCapacityLimit();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    void enterHeader();
    void startManualEntry();
    void import(const QString& path);
    void typeLine(
        const QString& cuit, const QString& name, const QString& date, const QString& receipt, const QString& amount);
    void pressEnter() { press(Qt::Key_Return); }
    void pressTab() { press(Qt::Key_Tab); }
    // One information box: `count` lines with observations, listed in `detail`.
    void expectObservations(int count, const QString& detail)
    {
        QCOMPARE(desktop.messages->shown.size(), 1);
        QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Information);
        QCOMPARE(desktop.messages->shown.first().text, observationsMessage.arg(count));
        QCOMPARE(desktop.messages->shown.first().detail, detail);
    }
    // Focuses `field` and types `text` into it.
    void typeInto(QWidget* field, const QString& text)
    {
        field->setFocus();
        QTest::keyClicks(field, text);
    }
    void doubleClickRow(int gridRow);
};

void TestGuiLines::init()
{
    begin(Files::Directory);
}

void TestGuiLines::cleanup()
{
    finish();
}

QString TestGuiLines::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = directory->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Legajo 332, month 3, year 2026: the method panel opens.
void TestGuiLines::enterHeader()
{
    typeHeader("332", "3", "2026");
    QVERIFY(controls.Panel3->isVisible());
    QVERIFY(!controls.Panel1->isEnabled());
    QVERIFY(!controls.e_Cuit->text().isEmpty());
}

void TestGuiLines::startManualEntry()
{
    QTest::mouseClick(controls.B2, Qt::LeftButton);
    QVERIFY(controls.Panel2->isVisible());
    QVERIFY(!controls.Panel3->isVisible());
    QVERIFY(controls.B_Confirma->isEnabled());
    // The first field of the line has the focus, ready for typing.
    QCOMPARE(window->focusWidget(), static_cast<QWidget*>(controls.E_CuitReten));
}

void TestGuiLines::import(const QString& path)
{
    desktop.fileDialog->paths = QStringList{path};
    QTest::mouseClick(controls.B1, Qt::LeftButton);
}

// Types a line the way the user does: Enter from field to field, the amount
// left with Enter, which puts the focus on ADICIONA, and Enter there.
void TestGuiLines::typeLine(
    const QString& cuit, const QString& name, const QString& date, const QString& receipt, const QString& amount)
{
    controls.E_CuitReten->setFocus();
    WindowFixture::typeLine(cuit, name, date, receipt, amount);
}

void TestGuiLines::doubleClickRow(int gridRow)
{
    const QRect cell = controls.Grilla->visualRect(controls.Grilla->model()->index(gridRow - 1, 2));
    QVERIFY(cell.isValid());
    QTest::mouseClick(controls.Grilla->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(controls.Grilla->viewport(), Qt::LeftButton, {}, cell.center());
}

void TestGuiLines::typedLinesTotalsAndDeletion()
{
    enterHeader();
    startManualEntry();
    typeLine("20123456786", "proveedor uno", "15032026", "1001", "1234.56");
    QCOMPARE(focus(), static_cast<QWidget*>(controls.E_CuitReten));
    QCOMPARE(controls.e_totreten->text(), QString("6"));
    typeLine("27876543228", "PROVEEDOR DOS", "01032026", "1002", "1380");
    QCOMPARE(controls.e_totreten->text(), QString("13"));
    typeLine("30111111118", "TRES", "31032026", "1003", "100.00");
    QCOMPARE(controls.e_totreten->text(), QString("13"));
    QVERIFY(desktop.messages->shown.isEmpty());
    QCOMPARE(desktop.beep->count, 0);

    const WithholdingLine first{"1", "1001", "15/03/2026", "1234.56", "6", "PROVEEDOR UNO", "20-12345678-6"};
    QCOMPARE(declaration().line(1), first);
    QCOMPARE(controls.cell(2, 3), QString("1380.00"));
    QCOMPARE(controls.cell(2, 4), QString("7"));
    QCOMPARE(controls.cell(2, 6), QString("27-87654322-8"));
    QCOMPARE(controls.cell(3, 4), QString("0"));
    // The typed fields are emptied; the header keeps its values.
    for (QLineEdit* field : {controls.E_Comprobante, controls.E_Importe, controls.empresa, controls.Impo_compro})
        QCOMPARE(field->text(), QString());
    QVERIFY(controls.E_CuitReten->isBlank());
    QVERIFY(controls.E_FECha->isBlank());
    QCOMPARE(controls.e_legaJo->text(), QString("332"));

    // Deleting line 2 of three leaves its number in a gap; totals 13 then 6.
    doubleClickRow(2);
    QCOMPARE(controls.e_totreten->text(), QString("6"));
    QCOMPARE(declaration().line(2), (WithholdingLine{"2", "", "", "", "", "", ""}));
    QCOMPARE(controls.cell(3, 1), QString("1003"));
    QVERIFY(desktop.messages->shown.isEmpty());  // no confirmation asked

    // The deleted number is free again, and the next line goes to row 4.
    typeLine("20123456786", "CUATRO", "02032026", "1002", "300");
    QVERIFY(desktop.messages->shown.isEmpty());
    QCOMPARE(controls.cell(4, 0), QString("4"));
    QCOMPARE(controls.cell(4, 1), QString("1002"));
    QCOMPARE(declaration().nextRow(), 5);
    QCOMPARE(controls.e_totreten->text(), QString("7"));
}

void TestGuiLines::doubleClickOnAGapOrAnEmptyRowChangesNothing()
{
    enterHeader();
    startManualEntry();
    typeLine("20123456786", "UNO", "15032026", "1", "1380");
    typeLine("20123456786", "DOS", "15032026", "2", "1234.56");
    doubleClickRow(1);
    QCOMPARE(controls.e_totreten->text(), QString("6"));
    const auto before = gridLines(declaration());
    doubleClickRow(1);  // the gap
    doubleClickRow(5);  // never written
    QCOMPARE(gridLines(declaration()), before);
    QCOMPARE(controls.e_totreten->text(), QString("6"));
    QCOMPARE(declaration().nextRow(), 3);
}

void TestGuiLines::doubleClickOutsideTheLineCellsActsOnTheCurrentRow()
{
    enterHeader();
    import(writeFile("three.txt", fileBytes({goodRecord(1, 120000), goodRecord(2, 138000), goodRecord(3, 123456)})));
    QCOMPARE(controls.e_totreten->text(), QString("19"));
    // Before any selection the current row is row 1: a double click on the
    // headings deletes it.
    QHeaderView* headings = controls.Grilla->horizontalHeader();
    const QPoint heading(headings->sectionViewportPosition(2) + 5, headings->height() / 2);
    QTest::mouseDClick(headings->viewport(), Qt::LeftButton, {}, heading);
    QCOMPARE(controls.cell(1, 1), QString());
    QCOMPARE(controls.e_totreten->text(), QString("13"));
    // Select row 2, then double-click the line number of row 3: row 2 goes.
    const QRect rowTwo = controls.Grilla->visualRect(controls.Grilla->model()->index(1, 3));
    QTest::mouseClick(controls.Grilla->viewport(), Qt::LeftButton, {}, rowTwo.center());
    const QRect numberThree = controls.Grilla->visualRect(controls.Grilla->model()->index(2, 0));
    QTest::mouseDClick(controls.Grilla->viewport(), Qt::LeftButton, {}, numberThree.center());
    QCOMPARE(controls.cell(2, 1), QString());
    QCOMPARE(controls.cell(3, 1), QString("0000000000003"));
    QCOMPARE(controls.e_totreten->text(), QString("6"));
}

void TestGuiLines::receiptAmount_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("withholding");
    QTest::addColumn<QString>("message");
    QTest::newRow("100.00 gives 0") << "100.00"
                                    << "100.00"
                                    << "0" << QString();
    QTest::newRow("1380 gives 7") << "1380"
                                  << "1380.00"
                                  << "7" << QString();
    QTest::newRow("largest that fits") << "999999999.99"
                                       << "999999999.99"
                                       << "5000000" << QString();
    QTest::newRow("zero refused") << "0"
                                  << "0.00"
                                  << "" << notPositiveMessage;
    QTest::newRow("above the largest refused") << "1000000000"
                                               << "1000000000"
                                               << "" << tooLargeMessage;
}

void TestGuiLines::receiptAmount()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, withholding);
    QFETCH(QString, message);
    enterHeader();
    startManualEntry();
    typeInto(controls.Impo_compro, typed);
    pressTab();
    QCOMPARE(controls.Impo_compro->text(), shown);
    QCOMPARE(controls.E_Importe->text(), withholding);
    if (message.isEmpty()) {
        QVERIFY(desktop.messages->shown.isEmpty());
        QCOMPARE(focus(), static_cast<QWidget*>(controls.B_adiciona));
        // ADICIONA takes the line, a withholding of 0 included.
        typeInto(controls.E_CuitReten, "20123456786");
        typeInto(controls.E_Comprobante, "77");
        QTest::mouseClick(controls.B_adiciona, Qt::LeftButton);
        QCOMPARE(controls.cell(1, 4), withholding);
        QCOMPARE(controls.cell(1, 3), shown);
    } else {
        QCOMPARE(desktop.messages->texts(), QStringList{message});
        QCOMPARE(focus(), static_cast<QWidget*>(controls.Impo_compro));
    }
}

void TestGuiLines::emptyAmountKeepsTheEarlierWithholding()
{
    enterHeader();
    startManualEntry();
    typeInto(controls.Impo_compro, "1380");
    pressTab();
    QCOMPARE(controls.E_Importe->text(), QString("7"));
    controls.Impo_compro->setFocus();
    controls.Impo_compro->selectAll();
    QTest::keyClick(controls.Impo_compro, Qt::Key_Backspace);
    pressTab();
    QCOMPARE(desktop.messages->texts(), QStringList{notPositiveMessage});
    QCOMPARE(controls.Impo_compro->text(), QString("0.00"));
    QCOMPARE(controls.E_Importe->text(), QString("7"));
    QCOMPARE(focus(), static_cast<QWidget*>(controls.Impo_compro));
}

void TestGuiLines::receiptNumberTakesAtMostThirteenDigits()
{
    enterHeader();
    startManualEntry();
    typeInto(controls.E_Comprobante, "123456789012345");
    QCOMPARE(controls.E_Comprobante->text(), QString("1234567890123"));
}

void TestGuiLines::addingRequiresItsFields()
{
    enterHeader();
    startManualEntry();
    // CUIT and withholding there, receipt number missing.
    typeInto(controls.E_CuitReten, "20123456786");
    typeInto(controls.Impo_compro, "1380");
    pressTab();
    QTest::mouseClick(controls.B_adiciona, Qt::LeftButton);
    QCOMPARE(desktop.messages->texts(),
        QStringList{QString::fromUtf8("Atención Falta ingresar Legajo o Nro. Comprobante !!!")});
    QCOMPARE(declaration().usedRows(), 0);
    QCOMPARE(declaration().nextRow(), 1);
    QCOMPARE(controls.e_totreten->text(), QString("0"));
    QCOMPARE(controls.E_Importe->text(), QString("7"));  // nothing emptied
}

void TestGuiLines::dateChecks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("messages");
    const QString month = QString::fromUtf8("Atención El MES de la fecha es distinto al declarado arriba !!!");
    const QString year = QString::fromUtf8("Atención El AÑO de la fecha es distinto al declarado arriba !!!");
    QTest::newRow("in the period") << "15032026" << QStringList{};
    QTest::newRow("month and year both differ") << "15042025" << QStringList{month, year};
}

void TestGuiLines::dateChecks()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, messages);
    enterHeader();
    startManualEntry();
    typeInto(controls.E_FECha, typed);
    QCOMPARE(controls.E_FECha->value(), typed);
    pressTab();
    QCOMPARE(desktop.messages->texts(), messages);
    QCOMPARE(focus(),
        messages.isEmpty() ? static_cast<QWidget*>(controls.E_Comprobante) : static_cast<QWidget*>(controls.E_FECha));
}

void TestGuiLines::partlyFilledMaskedFieldCannotBeLeft_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::newRow("CUIT of ten digits") << "E_CuitReten"
                                        << "2012345678";
    QTest::newRow("date without the whole year") << "E_FECha"
                                                 << "1503202";
}

void TestGuiLines::partlyFilledMaskedFieldCannotBeLeft()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    enterHeader();
    startManualEntry();
    auto* masked = window->findChild<MaskEdit*>(field);
    QVERIFY(masked);
    masked->setFocus();
    QTest::keyClicks(masked, typed);
    pressTab();
    // One box, one beep, and no exit check (the date check would complain).
    QCOMPARE(desktop.messages->texts(), QStringList{invalidInput});
    QCOMPARE(desktop.beep->count, 1);
    QCOMPARE(focus(), static_cast<QWidget*>(masked));
    pressEnter();
    QCOMPARE(desktop.messages->texts(), (QStringList{invalidInput, invalidInput}));
    QCOMPARE(focus(), static_cast<QWidget*>(masked));

    // Esc abandons the typing with a beep and asks nothing; the field can
    // then be left, and the next Esc is the reset again.
    const int beepsBefore = desktop.beep->count;
    QTest::keyClick(masked, Qt::Key_Escape);
    QVERIFY(masked->isBlank());
    QCOMPARE(desktop.beep->count, beepsBefore + 1);
    QCOMPARE(desktop.messages->shown.size(), 2);
    QVERIFY(controls.Panel2->isVisible());
    QTest::keyClick(masked, Qt::Key_Escape);
    QCOMPARE(desktop.messages->texts().last(), resetQuestion);
    QVERIFY(controls.Panel2->isVisible());  // answered No
}

void TestGuiLines::keyFiltersOfTheAmountFields()
{
    enterHeader();
    startManualEntry();
    typeInto(controls.Impo_compro, "1a2,3.4-");
    QCOMPARE(controls.Impo_compro->text(), QString("12,3.4"));
    QCOMPARE(desktop.beep->count, 2);
    // A receipt amount with a comma is no number: the conversion error, the
    // text stays as typed.
    controls.Impo_compro->setFocus();
    controls.Impo_compro->setText("1,5");
    pressTab();
    QCOMPARE(desktop.messages->shown.size(), 1);
    QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Error);
    QCOMPARE(desktop.messages->shown.first().text, QString("'1,5' is not a valid floating point value"));
    QCOMPARE(controls.Impo_compro->text(), QString("1,5"));

    typeInto(controls.E_CuitReten, "2x0");
    QCOMPARE(controls.E_CuitReten->value().trimmed(), QString("20"));
    QCOMPARE(desktop.beep->count, 3);
}

void TestGuiLines::duplicateMessageOncePerMatchingLine()
{
    enterHeader();
    const QString cuit = "20-12345678-6";
    import(writeFile("two.txt",
        fileBytes({record(cuit, "20260315", "00000000690", "0000000000555", "A", "00000138000"),
            record(cuit, "20260315", "00000000690", "0000000000555", "B", "00000138000")})));
    // The import keeps both lines and names each one's twin.
    expectObservations(2,
        QString::fromUtf8("Renglón 1: comprobante 0000000000555, CUIT 20-12345678-6: "
                          "Comprobante repetido en el renglón 2\n"
                          "Renglón 2: comprobante 0000000000555, CUIT 20-12345678-6: "
                          "Comprobante repetido en el renglón 1"));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(declaration().usedRows(), 2);
    QCOMPARE(controls.cell(1, 5), QString("A"));
    QCOMPARE(controls.cell(2, 5), QString("B"));
    desktop.messages->shown.clear();
    startManualEntry();
    typeInto(controls.E_Comprobante, "0000000000555");
    pressTab();
    QCOMPARE(desktop.messages->texts(), (QStringList{duplicateMessage, duplicateMessage}));
    QCOMPARE(focus(), static_cast<QWidget*>(controls.E_Comprobante));
    QCOMPARE(controls.E_Comprobante->text(), QString("0000000000555"));

    // The same number without its leading zeros does not match.
    desktop.messages->shown.clear();
    controls.E_Comprobante->clear();
    QTest::keyClicks(controls.E_Comprobante, "555");
    pressTab();
    QVERIFY(desktop.messages->shown.isEmpty());
    QCOMPARE(focus(), static_cast<QWidget*>(controls.Impo_compro));
}

void TestGuiLines::reloadShowsTheDeclarationFile()
{
    enterHeader();
    // A line imported first: the re-load appends after it.
    import(writeFile("first.txt", fileBytes({goodRecord(9, 138000)})));
    QCOMPARE(controls.e_totreten->text(), QString("7"));
    writeFile("26300332.txt",
        fileBytes(
            {record("20-12345678-6", "20260315", "00000000600", "0000000000123", "PROVEEDOR SA", "00000123450")}));
    startManualEntry();
    const WithholdingLine expected{
        "2", "0000000000123", "15/03/2026", "000001234.50", "000000006.00", "PROVEEDOR SA", "20-12345678-6"};
    QCOMPARE(declaration().line(2), expected);
    QCOMPARE(controls.e_totreten->text(), QString("13"));
    QCOMPARE(declaration().nextRow(), 3);
    QVERIFY(desktop.messages->shown.isEmpty());

    // A typed line goes after the re-loaded one, and "123" typed does not
    // match the re-loaded "0000000000123".
    typeLine("20123456786", "X", "15032026", "123", "1234.56");
    QVERIFY(desktop.messages->shown.isEmpty());
    QCOMPARE(controls.cell(3, 0), QString("3"));
    QCOMPARE(controls.e_totreten->text(), QString("19"));
}

void TestGuiLines::reloadWithoutAFileOpensLineEntry()
{
    enterHeader();
    startManualEntry();
    QCOMPARE(declaration().usedRows(), 0);
    QCOMPARE(controls.e_totreten->text(), QString("0"));
    QVERIFY(desktop.messages->shown.isEmpty());
}

void TestGuiLines::failedReloadChangesNothing()
{
    enterHeader();
    import(writeFile("first.txt", fileBytes({goodRecord(9, 138000)})));
    const auto before = gridLines(declaration());
    const QString path = writeFile("26300332.txt",
        fileBytes({goodRecord(1, 1000), record("20-12345678-6", "20260315", "", "0000000000002", "X", "00000120000")}));
    QTest::mouseClick(controls.B2, Qt::LeftButton);
    QCOMPARE(desktop.messages->shown.size(), 1);
    QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Error);
    QCOMPARE(desktop.messages->shown.first().text, QString("'.' is not a valid floating point value"));
    QCOMPARE(desktop.messages->shown.first().detail, QString::fromUtf8("Archivo: %1\nLínea: 2").arg(path));
    QCOMPARE(gridLines(declaration()), before);
    QCOMPARE(controls.e_totreten->text(), QString("7"));
    QCOMPARE(declaration().nextRow(), 2);
    // The handler stopped: line entry did not open, CONFIRMA was enabled first.
    QVERIFY(!controls.Panel2->isVisible());
    QVERIFY(controls.Panel3->isVisible());
    QVERIFY(controls.B_Confirma->isEnabled());
}

void TestGuiLines::importExamples()
{
    enterHeader();
    QVERIFY(!controls.B_Confirma->isEnabled());
    const QString cuit = "20-12345678-6";
    import(writeFile("examples.txt",
        fileBytes({record(cuit, "20260315", "00000000700", "0000000000000", "NADA", "00000100000"),
            record(cuit, "20260315", "00000000690", "0000000000001", "UNO", "00000138000"),
            record(cuit, "20260315", "00000000617", "0000000000002", "DOS", "00000123456")})));
    QVERIFY(desktop.messages->shown.isEmpty());
    QCOMPARE(declaration().usedRows(), 2);
    QCOMPARE(controls.cell(1, 4), QString("7"));
    QCOMPARE(controls.cell(2, 3), QString("000001234.56"));
    QCOMPARE(controls.cell(2, 4), QString("6"));
    QCOMPARE(controls.e_totreten->text(), QString("13"));
    QVERIFY(controls.B_Confirma->isEnabled());
    QVERIFY(controls.Panel3->isVisible());
    QVERIFY(!controls.Panel2->isVisible());
    QVERIFY(!controls.Panel1->isEnabled());
}

void TestGuiLines::importMismatchListsTheLinesAndResets()
{
    enterHeader();
    import(writeFile("mismatch.txt",
        fileBytes({goodRecord(1, 120000), goodRecord(2, 138000), goodRecord(3, 123456),
            record("20-12345678-6", "20260315", "00000000700", "0000000000004", "X", "00000138000")})));
    QCOMPARE(desktop.messages->shown.size(), 1);
    QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Information);
    QCOMPARE(desktop.messages->shown.first().text, mismatchMessage);
    QCOMPARE(desktop.messages->shown.first().detail,
        QString::fromUtf8("Línea 4: comprobante 0000000000004, importe 000001380.00, retención declarada "
                          "000000007.00, retención del 0.5 % 6.90"));
    // The reset: grid, counter, total and header emptied, header editable.
    QCOMPARE(declaration().usedRows(), 0);
    QCOMPARE(declaration().nextRow(), 1);
    QCOMPARE(controls.e_totreten->text(), QString("0"));
    QCOMPARE(controls.e_legaJo->text(), QString());
    QVERIFY(controls.Panel1->isEnabled());
    QCOMPARE(focus(), static_cast<QWidget*>(controls.e_legaJo));
    QVERIFY(controls.Panel3->isVisible());
    QVERIFY(!controls.B_Confirma->isEnabled());  // as it was
}

void TestGuiLines::sameFileTwice()
{
    enterHeader();
    const QString path = writeFile("twice.txt", fileBytes({goodRecord(1, 138000), goodRecord(2, 123456)}));
    import(path);
    QVERIFY(desktop.messages->shown.isEmpty());
    import(path);
    // The second run repeats both receipt numbers: one box, the lines stay.
    expectObservations(2,
        QString::fromUtf8("Renglón 3: comprobante 0000000000001, CUIT 20-12345678-6: "
                          "Comprobante repetido en el renglón 1\n"
                          "Renglón 4: comprobante 0000000000002, CUIT 20-12345678-6: "
                          "Comprobante repetido en el renglón 2"));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(declaration().usedRows(), 4);
    for (int row = 1; row <= 4; ++row)
        QCOMPARE(controls.cell(row, 0), QString::number(row));
    QCOMPARE(controls.cell(3, 1), QString("0000000000001"));
    QCOMPARE(controls.e_totreten->text(), QString("26"));
    QVERIFY(controls.B_Confirma->isEnabled());
}

void TestGuiLines::failedImportChangesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("failingLine");
    const QString cuit = "20-12345678-6";
    QTest::newRow("receipt number 3000000000") << fileBytes({goodRecord(1, 1000), goodRecord(2, 1000),
        record(cuit, "20260315", "00000000600", "0003000000000", "X", "00000120000")})
                                               << "''0003000000000'' is not a valid integer value" << 3;
    QTest::newRow("amount that is no number") << fileBytes(
        {goodRecord(1, 1000), record(cuit, "20260315", "0000000X600", "0000000000002", "X", "00000120000")})
                                              << "'0000000X6.00' is not a valid floating point value" << 2;
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 131 + 7) % 256);
    QTest::newRow("binary file") << binary << QString() << 1;
}

void TestGuiLines::failedImportChangesNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(int, failingLine);
    enterHeader();
    // Lines typed earlier stay; the failing run enables nothing.
    addToDeclaration({{"1", "5", "01/03/2026", "1380.00", "7", "A", "20-12345678-6"}});
    const auto before = gridLines(declaration());
    const QString path = writeFile("failing.txt", bytes);
    import(path);
    QCOMPARE(desktop.messages->shown.size(), 1);
    QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Error);
    if (!message.isEmpty())
        QCOMPARE(desktop.messages->shown.first().text, message);
    QCOMPARE(
        desktop.messages->shown.first().detail, QString::fromUtf8("Archivo: %1\nLínea: %2").arg(path).arg(failingLine));
    QCOMPARE(gridLines(declaration()), before);
    QCOMPARE(declaration().nextRow(), 2);
    QCOMPARE(controls.e_totreten->text(), QString("7"));
    QVERIFY(!controls.B_Confirma->isEnabled());
    QVERIFY(!controls.Panel1->isEnabled());  // no reset either
}

void TestGuiLines::importThatReadsNothing_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("errorBox");
    QTest::newRow("dialog cancelled") << QString() << false;
    QTest::newRow("file removed after the dialog") << "vanished.txt" << false;
    QTest::newRow("a folder chosen") << "." << false;
    QTest::newRow("empty file") << "empty.txt" << false;
    QTest::newRow("a file that cannot be read") << "/proc/self/mem" << true;
}

void TestGuiLines::importThatReadsNothing()
{
    QFETCH(QString, answer);
    QFETCH(bool, errorBox);
    enterHeader();
    writeFile("empty.txt", QByteArray());
    const QString path = answer.isEmpty() || answer.startsWith('/') ? answer : directory->filePath(answer);
    import(path);
    QCOMPARE(declaration().usedRows(), 0);
    QCOMPARE(controls.e_totreten->text(), QString("0"));
    if (errorBox) {
        QCOMPARE(desktop.messages->shown.size(), 1);
        QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Error);
        QVERIFY2(desktop.messages->shown.first().text.contains(path), qPrintable(desktop.messages->shown.first().text));
        QVERIFY(!controls.B_Confirma->isEnabled());
    } else {
        QVERIFY(desktop.messages->shown.isEmpty());
        QVERIFY(controls.B_Confirma->isEnabled());
    }
}

void TestGuiLines::noCapacityLimit()
{
    enterHeader();
    QStringList lines;
    for (int i = 1; i <= 600; ++i)
        lines << goodRecord(i, 100000);
    import(writeFile("many.txt", fileBytes(lines)));
    QCOMPARE(controls.Grilla->model()->rowCount(), 600);
    QCOMPARE(controls.e_totreten->text(), QString("3000"));
    startManualEntry();
    // The duplicate check sees the last imported line, and a typed line goes
    // after it.
    typeInto(controls.E_Comprobante, "0000000000600");
    pressTab();
    QCOMPARE(desktop.messages->texts(), QStringList{duplicateMessage});
    desktop.messages->shown.clear();
    controls.E_Comprobante->clear();
    typeLine("20123456786", "ULTIMO", "15032026", "601", "1380");
    QVERIFY(desktop.messages->shown.isEmpty());
    QCOMPARE(controls.cell(601, 0), QString("601"));
    QCOMPARE(controls.e_totreten->text(), QString("3007"));
    doubleClickRow(601);
    QCOMPARE(controls.e_totreten->text(), QString("3000"));

    // The reset empties every line row.
    desktop.messages->defaultAnswer = true;
    QTest::mouseClick(controls.B3, Qt::LeftButton);
    QCOMPARE(declaration().usedRows(), 0);
    QCOMPARE(controls.Grilla->model()->rowCount(), WithholdingGrid::ShownRows);
    QCOMPARE(controls.cell(600, 1), QString());
    QCOMPARE(declaration().nextRow(), 1);
}

QTEST_MAIN(TestGuiLines)
#include "tst_gui_lines.moc"
