// The supplier CUIT's check digit in the line-entry panel, and the box an
// import shows about the lines it kept, driven through the real window.
#include "app/MaskEdit.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "declaration/WithholdingGrid.h"
#include "tests/support/FakeCollaborators.h"
#include "tests/support/RecordLines.h"
#include "tests/support/WindowFixture.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using recordlines::fileBytes;
using recordlines::record;

namespace {

const QString cuitMessage = QString::fromUtf8("Atención el CUIT del proveedor no es válido (dígito verificador) !!!");
const QString incompleteMessage = QString::fromUtf8("Atención Falta ingresar Legajo o Nro. Comprobante !!!");
const QString invalidInput = QStringLiteral("Invalid input value.  Use escape key to abandon changes");
const QString mismatchMessage = QString::fromUtf8("Atención, No coincide importe de retención, verifique!!!");

// 2012345678 weighs 148 = 13 * 11 + 5: its check digit is 6.
const QString validCuit = QStringLiteral("20-12345678-6");
const QString wrongCuit = QStringLiteral("20-12345678-9");

// A line whose amounts pass the cross-check: 1380.00 withholding 6.90.
QString line(const QString& cuit, const QString& receipt)
{
    return record(cuit, QStringLiteral("20260315"), QStringLiteral("00000000690"), receipt,
        QStringLiteral("PROVEEDOR SA"), QStringLiteral("00000138000"));
}

}  // namespace

class TestGuiCuitEntry : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void leavingTheField_data();
    void leavingTheField();
    void enterInTheFieldChecksToo();
    void partlyFilledFieldBehavesAsBefore();
    void addingRefusesAWrongCheckDigit_data();
    void addingRefusesAWrongCheckDigit();
    void importKeepsTheLinesAndTells();
    void secondImportNamesTheEarlierLines();
    void importWithoutObservationsShowsNothing();
    void mismatchShowsOnlyItsOwnBox();
    void importErrorShowsOnlyTheError();

private:
    QString writeFile(const QString& name, const QStringList& lines);
    void enterHeader();
    void startManualEntry();
    void import(const QString& path);
    void pressTab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }
    RecordingMessageBoxes& boxes() const { return *desktop.messages; }
};

void TestGuiCuitEntry::init()
{
    begin(Files::Directory);
}

void TestGuiCuitEntry::cleanup()
{
    finish();
}

QString TestGuiCuitEntry::writeFile(const QString& name, const QStringList& lines)
{
    const QString path = directory->filePath(name);
    const QByteArray bytes = fileBytes(lines);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Legajo 332, month 3, year 2026: the method panel opens.
void TestGuiCuitEntry::enterHeader()
{
    typeHeader("332", "3", "2026");
    QVERIFY(controls.Panel3->isVisible());
}

void TestGuiCuitEntry::startManualEntry()
{
    QTest::mouseClick(controls.B2, Qt::LeftButton);
    QVERIFY(controls.Panel2->isVisible());
    QCOMPARE(focus(), static_cast<QWidget*>(controls.E_CuitReten));
}

void TestGuiCuitEntry::import(const QString& path)
{
    desktop.fileDialog->paths = QStringList{path};
    QTest::mouseClick(controls.B1, Qt::LeftButton);
}

void TestGuiCuitEntry::leavingTheField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::newRow("right check digit") << "20123456786" << false;
    QTest::newRow("check digit 0") << "30000000090" << false;
    QTest::newRow("wrong check digit") << "20123456789" << true;
    // 2000000001 weighs 12 = 11 + 1: no eleventh digit is right.
    QTest::newRow("ten digits without a check digit") << "20000000010" << true;
    QTest::newRow("nothing typed") << "" << false;
}

void TestGuiCuitEntry::leavingTheField()
{
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    enterHeader();
    startManualEntry();
    QTest::keyClicks(controls.E_CuitReten, typed);
    pressTab();
    if (refused) {
        QCOMPARE(boxes().texts(), QStringList{cuitMessage});
        QCOMPARE(boxes().shown.first().kind, ShownBox::Information);
        QCOMPARE(focus(), static_cast<QWidget*>(controls.E_CuitReten));
        QCOMPARE(controls.E_CuitReten->value(), typed);
        // Leaving it again refuses again.
        pressTab();
        QCOMPARE(boxes().texts(), (QStringList{cuitMessage, cuitMessage}));
        QCOMPARE(focus(), static_cast<QWidget*>(controls.E_CuitReten));
    } else {
        QVERIFY(boxes().shown.isEmpty());
        QCOMPARE(focus(), static_cast<QWidget*>(controls.empresa));
    }
    QCOMPARE(desktop.beep->count, 0);
}

void TestGuiCuitEntry::enterInTheFieldChecksToo()
{
    enterHeader();
    startManualEntry();
    QTest::keyClicks(controls.E_CuitReten, "20123456789");
    QTest::keyClick(controls.E_CuitReten, Qt::Key_Return);
    QCOMPARE(boxes().texts(), QStringList{cuitMessage});
    QCOMPARE(focus(), static_cast<QWidget*>(controls.E_CuitReten));

    // Corrected, it is left without a word.
    QTest::keyClick(controls.E_CuitReten, Qt::Key_Backspace);
    QTest::keyClicks(controls.E_CuitReten, "6");
    QTest::keyClick(controls.E_CuitReten, Qt::Key_Return);
    QCOMPARE(boxes().texts(), QStringList{cuitMessage});
    QCOMPARE(focus(), static_cast<QWidget*>(controls.empresa));
}

// The masked field's own refusal comes first and alone, as before.
void TestGuiCuitEntry::partlyFilledFieldBehavesAsBefore()
{
    enterHeader();
    startManualEntry();
    QTest::keyClicks(controls.E_CuitReten, "2012345");
    pressTab();
    QCOMPARE(boxes().shown.size(), 1);
    QCOMPARE(boxes().shown.first().kind, ShownBox::Error);
    QCOMPARE(boxes().shown.first().text, invalidInput);
    QCOMPARE(desktop.beep->count, 1);
    QCOMPARE(focus(), static_cast<QWidget*>(controls.E_CuitReten));
}

void TestGuiCuitEntry::addingRefusesAWrongCheckDigit_data()
{
    QTest::addColumn<QString>("cuitValue");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("wrong check digit") << "20123456789" << QStringList{cuitMessage};
    QTest::newRow("ten digits without a check digit") << "20000000019" << QStringList{cuitMessage};
    // An empty CUIT keeps its own message.
    QTest::newRow("empty") << "" << QStringList{incompleteMessage};
}

void TestGuiCuitEntry::addingRefusesAWrongCheckDigit()
{
    QFETCH(QString, cuitValue);
    QFETCH(QStringList, messages);
    enterHeader();
    startManualEntry();
    // The other fields are filled and the focus is on a field without a check,
    // so that only ADICIONA judges the CUIT the program put into the field.
    controls.E_Comprobante->setText("1001");
    controls.Impo_compro->setText("1380.00");
    controls.E_Importe->setText("7");
    controls.E_Importe->setFocus();
    QCOMPARE(focus(), static_cast<QWidget*>(controls.E_Importe));
    QVERIFY(boxes().shown.isEmpty());
    controls.E_CuitReten->setText(cuitValue);

    QTest::mouseClick(controls.B_adiciona, Qt::LeftButton);
    QCOMPARE(boxes().texts(), messages);
    // A refused CUIT takes the focus back to its field; a missing field
    // leaves it where the click put it.
    QWidget* const focusAfter = messages.first() == cuitMessage ? static_cast<QWidget*>(controls.E_CuitReten)
                                                                : static_cast<QWidget*>(controls.B_adiciona);
    QCOMPARE(focus(), focusAfter);
    QCOMPARE(declaration().usedRows(), 0);
    QCOMPARE(declaration().nextRow(), 1);
    QCOMPARE(controls.e_totreten->text(), QString("0"));
    QCOMPARE(controls.E_Comprobante->text(), QString("1001"));
    QCOMPARE(controls.E_Importe->text(), QString("7"));
    QCOMPARE(controls.E_CuitReten->value(), cuitValue.isEmpty() ? QString(11, QLatin1Char(' ')) : cuitValue);

    // With the right check digit the same line goes in.
    boxes().shown.clear();
    controls.E_CuitReten->setText("20123456786");
    controls.E_Importe->setFocus();
    QTest::mouseClick(controls.B_adiciona, Qt::LeftButton);
    QVERIFY(boxes().shown.isEmpty());
    QCOMPARE(declaration().usedRows(), 1);
    QCOMPARE(controls.cell(1, 6), validCuit);
    QCOMPARE(controls.e_totreten->text(), QString("7"));
}

void TestGuiCuitEntry::importKeepsTheLinesAndTells()
{
    enterHeader();
    QVERIFY(!controls.B_Confirma->isEnabled());
    import(writeFile("observed.txt",
        {line(validCuit, "0000000000001"), line(wrongCuit, "0000000000002"), line(validCuit, "0000000000001"),
            line(QStringLiteral("20123456786"), "0000000000004"), line(validCuit, "0000000000005"),
            line(wrongCuit, "0000000000001")}));
    QCOMPARE(boxes().shown.size(), 1);
    const ShownBox box = boxes().shown.first();
    QCOMPARE(box.kind, ShownBox::Information);
    QCOMPARE(box.text, QString::fromUtf8("Atención revise el archivo importado: 5 renglones con observaciones !!!"));
    QCOMPARE(box.detail.split(QLatin1Char('\n')),
        (QStringList{
            QString::fromUtf8("Renglón 1: comprobante 0000000000001, CUIT 20-12345678-6: "
                              "Comprobante repetido en el renglón 3"),
            QString::fromUtf8("Renglón 2: comprobante 0000000000002, CUIT 20-12345678-9: CUIT inválido"),
            QString::fromUtf8("Renglón 3: comprobante 0000000000001, CUIT 20-12345678-6: "
                              "Comprobante repetido en el renglón 1"),
            QString::fromUtf8("Renglón 4: comprobante 0000000000004, CUIT 20123456786: CUIT inválido"),
            QString::fromUtf8("Renglón 6: comprobante 0000000000001, CUIT 20-12345678-9: "
                              "CUIT inválido; Comprobante repetido en el renglón 1"),
        }));
    // Every line stays, and the import goes on as without the box.
    QCOMPARE(declaration().usedRows(), 6);
    QCOMPARE(declaration().nextRow(), 7);
    QCOMPARE(controls.e_totreten->text(), QString("42"));
    QCOMPARE(controls.cell(2, 6), wrongCuit);
    QVERIFY(controls.B_Confirma->isEnabled());
    QVERIFY(controls.Panel3->isVisible());
    QVERIFY(!controls.Panel1->isEnabled());
}

void TestGuiCuitEntry::secondImportNamesTheEarlierLines()
{
    enterHeader();
    const QString path = writeFile("twice.txt", {line(validCuit, "0000000000011"), line(validCuit, "0000000000012")});
    import(path);
    QVERIFY(boxes().shown.isEmpty());
    import(path);
    QCOMPARE(boxes().shown.size(), 1);
    QCOMPARE(boxes().shown.first().text,
        QString::fromUtf8("Atención revise el archivo importado: 2 renglones con observaciones !!!"));
    QCOMPARE(boxes().shown.first().detail,
        QString::fromUtf8("Renglón 3: comprobante 0000000000011, CUIT 20-12345678-6: "
                          "Comprobante repetido en el renglón 1\n"
                          "Renglón 4: comprobante 0000000000012, CUIT 20-12345678-6: "
                          "Comprobante repetido en el renglón 2"));
    QCOMPARE(declaration().usedRows(), 4);
    QCOMPARE(controls.e_totreten->text(), QString("28"));
    QVERIFY(controls.B_Confirma->isEnabled());
}

void TestGuiCuitEntry::importWithoutObservationsShowsNothing()
{
    enterHeader();
    // A receipt number 0 is passed over: it neither counts nor repeats.
    import(writeFile("good.txt",
        {line(validCuit, "0000000000001"), line(wrongCuit, "0000000000000"), line(validCuit, "0000000000000"),
            line("30-71234567-1", "0000000000002")}));
    QVERIFY(boxes().shown.isEmpty());
    QCOMPARE(declaration().usedRows(), 2);
    QVERIFY(controls.B_Confirma->isEnabled());
}

void TestGuiCuitEntry::mismatchShowsOnlyItsOwnBox()
{
    enterHeader();
    import(writeFile("mismatch.txt",
        {line(wrongCuit, "0000000000001"), line(validCuit, "0000000000001"),
            record(validCuit, "20260315", "00000000700", "0000000000003", "X", "00000138000")}));
    QCOMPARE(boxes().texts(), QStringList{mismatchMessage});
    // The reset as before.
    QCOMPARE(declaration().usedRows(), 0);
    QCOMPARE(declaration().nextRow(), 1);
    QCOMPARE(controls.e_legaJo->text(), QString());
    QVERIFY(controls.Panel1->isEnabled());
    QVERIFY(!controls.B_Confirma->isEnabled());
}

void TestGuiCuitEntry::importErrorShowsOnlyTheError()
{
    enterHeader();
    import(writeFile("failing.txt",
        {line(wrongCuit, "0000000000001"), line(validCuit, "0000000000001"), line(validCuit, "0003000000000")}));
    QCOMPARE(boxes().shown.size(), 1);
    QCOMPARE(boxes().shown.first().kind, ShownBox::Error);
    QCOMPARE(boxes().shown.first().text, QString("''0003000000000'' is not a valid integer value"));
    QVERIFY(!controls.B_Confirma->isEnabled());
}

QTEST_MAIN(TestGuiCuitEntry)
#include "tst_gui_cuitentry.moc"
