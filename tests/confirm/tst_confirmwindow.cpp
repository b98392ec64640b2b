#include "tests/support/DatabaseFixture.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/WindowFixture.h"

#include "app/Retenciones.h"
#include "declaration/Confirmation.h"
#include "declaration/Store.h"
#include "declaration/WithholdingGrid.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

// CONFIRMA through the real window on the offscreen platform, with the boxes
// answered by the test and a real embedded database in a temporary directory.
class TestConfirmWindow : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void confirmedDeclarationResetsTheWindow();
    void answerNoLeavesTheWindowAsItWas();
    void secondConfirmaOnTheEmptyHeaderStopsAtTheMonth();
    void emptyLegajoIsRefused();
    void missingDatabaseShowsItsTextAndKeepsTheWindow();
    void controlReport_data();
    void controlReport();
    void cancelledExportWritesNoReport();
    void reportTargetThatIsAFolderShowsTheError();

private:
    void addLines();
    void clickConfirma();
    void confirmLines(const QList<bool>& answers);
    QList<QStringList> committedRows() const;
    QStringList programFiles() const;
    void addNumberedLines(int count);
};

void TestConfirmWindow::init()
{
    begin(Files::WithDatabase);
}

void TestConfirmWindow::cleanup()
{
    finish();
}

// Two lines and a gap, as "Carga Manual" and ADICIONA leave them, with
// CONFIRMA enabled.
void TestConfirmWindow::addLines()
{
    addToDeclaration({
        {"1", "123", "15/03/2026", "1234.50", "6", "PANADERIA SA", "20-12345678-6"},
        {"2", "125", "15/03/2026", "1000.00", "5", "BORRADA SA", "20-12345678-6"},
        {"3", "124", "16/03/2026", "1380.00", "7", "ÑANDÚ SRL", "20-12345678-6"},
    });
    deleteLine(2);
    controls.Panel3->hide();
    controls.Panel2->show();
    controls.B_Confirma->setEnabled(true);
}

void TestConfirmWindow::clickConfirma()
{
    QTest::mouseClick(controls.B_Confirma, Qt::LeftButton);
}

// Header 332, March 2026 and the lines of addLines, confirmed with the answers given.
void TestConfirmWindow::confirmLines(const QList<bool>& answers)
{
    typeHeader("332", "3", "2026");
    addLines();
    desktop.messages->answers = answers;
    clickConfirma();
}

QList<QStringList> TestConfirmWindow::committedRows() const
{
    return fixture::selectRows(database, "select nrocom, periodo from reten order by jid");
}

QStringList TestConfirmWindow::programFiles() const
{
    return QDir(programDirectory).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void TestConfirmWindow::confirmedDeclarationResetsTheWindow()
{
    typeHeader("332", "3", "2026");
    QVERIFY(!controls.Panel1->isEnabled());
    addLines();
    desktop.messages->answers = {true};
    clickConfirma();

    QCOMPARE(desktop.messages->texts(), QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?"});
    QCOMPARE(programFiles(), (QStringList{"26300332.pdf", "26300332.txt"}));
    QFile file(programDirectory + "26300332.txt");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QCOMPARE(content.size(), 2 * 198);
    QCOMPARE(content.mid(27, 11), QByteArray("00000000600"));
    QCOMPARE(content.mid(184, 11), QByteArray("00000123450"));
    QCOMPARE(committedRows(), (QList<QStringList>{{"123", "3/2026"}, {"124", "3/2026"}}));

    QVERIFY(controls.salida->isVisible());
    QCOMPARE(controls.salida->text(),
        "SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  " + programDirectory + " CON EL NOMBRE :26300332");
    // Limpia, the panels hidden, CONFIRMA still enabled.
    QVERIFY(controls.Panel1->isEnabled());
    QCOMPARE(controls.e_legaJo->text(), QString());
    QCOMPARE(controls.e_Mes->text(), QString());
    QCOMPARE(controls.e_totreten->text(), QStringLiteral("0"));
    QCOMPARE(declaration().usedRows(), 0);
    QCOMPARE(declaration().nextRow(), 1);
    QVERIFY(controls.Panel2->isHidden());
    QVERIFY(controls.Panel3->isHidden());
    QVERIFY(controls.B_Confirma->isEnabled());
    // The progress window had the activation; the focus is back once the
    // main window is active again.
    QCOMPARE(window->focusWidget(), controls.e_legaJo);
    QTRY_COMPARE(QApplication::focusWidget(), controls.e_legaJo);
    QVERIFY(window->store());
}

void TestConfirmWindow::answerNoLeavesTheWindowAsItWas()
{
    confirmLines({false});

    QCOMPARE(desktop.messages->texts(), QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?"});
    QCOMPARE(programFiles(), QStringList{});
    QCOMPARE(controls.e_legaJo->text(), QStringLiteral("332"));
    QCOMPARE(controls.cell(3, 1), QStringLiteral("124"));
    QCOMPARE(controls.e_totreten->text(), QStringLiteral("13"));
    QVERIFY(controls.salida->isHidden());
    QVERIFY(controls.Panel2->isVisible());
}

void TestConfirmWindow::secondConfirmaOnTheEmptyHeaderStopsAtTheMonth()
{
    confirmLines({true, true});
    const QString status = controls.salida->text();
    desktop.messages->shown.clear();

    clickConfirma();
    QCOMPARE(desktop.messages->texts(),
        (QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?", "Atención error en el nro de mes !!!"}));
    QCOMPARE(desktop.messages->shown.at(1).kind, ShownBox::Information);
    // The stored lines of the declaration before stay.
    QCOMPARE(committedRows().size(), 2);
    QCOMPARE(controls.salida->text(), status);
    QCOMPARE(programFiles(), (QStringList{"26300332.pdf", "26300332.txt"}));
}

void TestConfirmWindow::emptyLegajoIsRefused()
{
    // An empty legajo passes the header's own lookup (it matches the empty
    // registry rows) and the year locks the header; CONFIRMA refuses it.
    typeHeader("", "3", "2026");
    QVERIFY(!controls.Panel1->isEnabled());
    QCOMPARE(desktop.messages->texts(), QStringList{});
    addLines();
    desktop.messages->answers = {true};
    clickConfirma();
    QCOMPARE(desktop.messages->texts(),
        (QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?", "Atención Legajo no existente !!!"}));
    QCOMPARE(programFiles(), QStringList{});
    QCOMPARE(committedRows(), QList<QStringList>{});
    QCOMPARE(controls.cell(1, 1), QStringLiteral("123"));
    QVERIFY(controls.salida->isHidden());
}

void TestConfirmWindow::missingDatabaseShowsItsTextAndKeepsTheWindow()
{
    QVERIFY(QFile::remove(database));
    confirmLines({true});

    QCOMPARE(desktop.messages->shown.size(), 2);
    const ShownBox error = desktop.messages->shown.at(1);
    QCOMPARE(error.kind, ShownBox::Error);
    QCOMPARE(error.text,
        QStringLiteral(
            "No se grabó la DDJJ: el archivo de la DDJJ, la base de datos y el reporte quedaron como estaban."));
    QVERIFY2(error.detail.contains(database), qPrintable(error.detail));
    QCOMPARE(programFiles(), QStringList{});
    QCOMPARE(controls.e_legaJo->text(), QStringLiteral("332"));
    QCOMPARE(controls.cell(3, 1), QStringLiteral("124"));
    QVERIFY(controls.salida->isHidden());
    QVERIFY(controls.B_Confirma->isEnabled());
}

// Lines as ADICIONA leaves them: receipt numbers 1001, 1002, ..., withholding 6.
void TestConfirmWindow::addNumberedLines(int count)
{
    for (int row = 1; row <= count; ++row) {
        addToDeclaration({{QString::number(row), QString::number(1000 + row), "15/03/2026", "1234.50", "6",
            "PANADERIA SA", "20-12345678-6"}});
    }
    controls.Panel3->hide();
    controls.Panel2->show();
    controls.B_Confirma->setEnabled(true);
}

void TestConfirmWindow::controlReport_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("pages");
    QTest::newRow("three lines") << 3 << 1;
    QTest::newRow("no lines") << 0 << 1;
    QTest::newRow("a hundred lines") << 100 << 3;
}

// The PDF written by CONFIRMA beside the declaration file, read with the
// external checkers: the period line, every receipt in grid order, amounts
// with two decimals and the declaration's total on every page.
void TestConfirmWindow::controlReport()
{
    QFETCH(int, lines);
    QFETCH(int, pages);
    typeHeader("332", "3", "2026");
    const QString company = controls.e_Razon->text();
    QVERIFY(!company.isEmpty());
    addNumberedLines(lines);
    desktop.messages->answers = {true};
    clickConfirma();
    QCOMPARE(desktop.messages->texts(), QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?"});
    const QString pdf = programDirectory + "26300332.pdf";
    QVERIFY(QFile::exists(pdf));

    const ToolResult check = runTool("qpdf", {"--check", pdf});
    QCOMPARE(check.exitCode, 0);
    QVERIFY2(check.err.isEmpty(), qPrintable(check.err));
    const ToolResult text = runTool("pdftotext", {pdf, "-"});
    QCOMPARE(text.exitCode, 0);
    const QStringList pageTexts = text.out.split(QChar('\f'), Qt::SkipEmptyParts);
    QCOMPARE(pageTexts.size(), pages);
    const QString total = QString::number(6 * lines) + ".00";
    for (const QString& page : pageTexts) {
        QVERIFY2(page.contains("Periodo : 3/2026 Legajo : 332 " + company), qPrintable(page));
        QVERIFY2(page.contains("Total Retenido ====>"), qPrintable(page));
        QVERIFY2(page.contains(total), qPrintable(page));
        QVERIFY(page.contains(QString::fromUtf8("DDJJ Agentes de Retención")));
    }
    // Receipts in grid order across the pages, each with its amount 6.00.
    qsizetype position = 0;
    for (int row = 1; row <= lines; ++row) {
        const qsizetype found = text.out.indexOf(QString::number(1000 + row), position);
        QVERIFY2(found >= 0, qPrintable(QString::number(1000 + row)));
        position = found;
    }
    QCOMPARE(qsizetype(text.out.count("6.00")) - (total == "6.00" ? pages : 0), qsizetype(lines));
    QVERIFY(controls.salida->text().startsWith("SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  "));
}

void TestConfirmWindow::cancelledExportWritesNoReport()
{
    // An earlier report of the same name, of the declaration this one replaces.
    QFile earlier(programDirectory + "26300332.pdf");
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier report");
    earlier.close();

    typeHeader("332", "3", "2026");
    addNumberedLines(200);
    desktop.messages->answers = {true};
    // The progress window processes pending events between records; the
    // timer fires there and presses its cancel button.
    QTimer::singleShot(0, [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->windowTitle() == "Exporting Progress" && widget->isVisible())
                QMetaObject::invokeMethod(widget, "reject");
        }
    });
    clickConfirma();

    QCOMPARE(desktop.messages->texts(),
        (QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?", Confirmation::ReportNotGeneratedMessage}));
    // No earlier report stands under the new declaration's name.
    QVERIFY(!earlier.exists());
    // The declaration is committed all the same, and the window reset.
    QCOMPARE(committedRows().size(), 200);
    QCOMPARE(QFileInfo(programDirectory + "26300332.txt").size(), qint64(200 * 198));
    QVERIFY(controls.salida->text().startsWith("SU ARCHIVO TXT FUE GENERADO EN  "));
    QCOMPARE(declaration().usedRows(), 0);
}

void TestConfirmWindow::reportTargetThatIsAFolderShowsTheError()
{
    QVERIFY(QDir(programDirectory).mkdir("26300332.pdf"));
    confirmLines({true});

    QCOMPARE(desktop.messages->shown.size(), 2);
    const ShownBox error = desktop.messages->shown.at(1);
    QCOMPARE(error.kind, ShownBox::Error);
    QCOMPARE(error.text,
        QStringLiteral("La DDJJ quedó grabada en el archivo %1 y en la base de datos, pero el reporte de control (PDF) "
                       "no se generó; el programa lo generará al volver a iniciarse.")
            .arg(programDirectory + "26300332.txt"));
    QVERIFY2(error.detail.startsWith("Cannot create file \"" + programDirectory + "26300332.pdf\"."),
        qPrintable(error.detail));
    // The store and the declaration file are committed; the window is not reset.
    QCOMPARE(committedRows().size(), 2);
    QCOMPARE(QFileInfo(programDirectory + "26300332.txt").size(), qint64(2 * 198));
    QCOMPARE(controls.cell(3, 1), QStringLiteral("124"));
    QVERIFY(controls.salida->isHidden());
}

QTEST_MAIN(TestConfirmWindow)
#include "tst_confirmwindow.moc"
