// What CONFIRMA refuses before anything is written: a year that is no four
// characters, and replacing, unasked, a declaration file this window did not
// re-load as it stands.
#include "tests/support/DatabaseFixture.h"
#include "tests/support/WindowFixture.h"

#include "app/Retenciones.h"
#include "db/Query.h"
#include "db/Transaction.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {

const QString Question = QStringLiteral("Confirma Generar Archivo con Caracter de DDJJ ?");
const QString Replace =
    QStringLiteral("Atención ya existe la DDJJ 26300332.txt con 2 renglones y será reemplazada. Continúa ?");

}  // namespace

class TestGuiConfirmGuard : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void yearOfOtherLength_data();
    void yearOfOtherLength();
    void replacingAskedUnlessReloaded_data();
    void replacingAskedUnlessReloaded();

private:
    void typeHeader(const QString& year) { WindowFixture::typeHeader("332", "3", year); }
    void confirm(const QList<bool>& answers);
    void confirmEarlier();
    QStringList storedReceipts() const;
    QStringList programFiles() const;
    QByteArray declarationFile() const;
};

void TestGuiConfirmGuard::init()
{
    begin(Files::WithDatabase);
}

void TestGuiConfirmGuard::cleanup()
{
    finish();
}

void TestGuiConfirmGuard::confirm(const QList<bool>& answers)
{
    desktop.messages->shown.clear();
    desktop.messages->answers = answers;
    QTest::mouseClick(controls.B_Confirma, Qt::LeftButton);
}

QStringList TestGuiConfirmGuard::storedReceipts() const
{
    db::Connection connection(database, fixture::sysdba());
    db::Transaction transaction(connection);
    db::Query query(transaction);
    query.setSql("select nrocom from reten order by jid");
    query.open();
    QStringList receipts;
    for (; !query.eof(); query.next())
        receipts << query.text(0).trimmed();
    return receipts;
}

QStringList TestGuiConfirmGuard::programFiles() const
{
    return QDir(programDirectory).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray TestGuiConfirmGuard::declarationFile() const
{
    QFile file(programDirectory + "26300332.txt");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void TestGuiConfirmGuard::yearOfOtherLength_data()
{
    QTest::addColumn<QString>("year");
    QTest::addColumn<bool>("withLine");
    QTest::newRow("five characters, empty grid") << "02020" << false;
    QTest::newRow("five characters, one line") << "02020" << true;
    QTest::newRow("six characters, empty grid") << "002026" << false;
}

// The header takes 02020 as the year 2020; CONFIRMA would name the files
// after its third and fourth characters, 02300332.
void TestGuiConfirmGuard::yearOfOtherLength()
{
    QFETCH(QString, year);
    QFETCH(bool, withLine);
    typeHeader(year);
    QVERIFY(!controls.Panel1->isEnabled());
    QTest::mouseClick(controls.B2, Qt::LeftButton);
    if (withLine) {
        addToDeclaration({{"1", "123", "15/03/2020", "1234.50", "6", "PANADERIA SA", "20-12345678-6"}});
    }
    confirm({true});
    QCOMPARE(desktop.messages->texts(), (QStringList{Question, "Atención error en el año !!!"}));
    QCOMPARE(desktop.messages->shown.at(1).kind, ShownBox::Information);
    QCOMPARE(programFiles(), QStringList{});
    QCOMPARE(storedReceipts(), QStringList{});
    QVERIFY(controls.salida->isHidden());
    QCOMPARE(controls.E_ano->text(), year);
}

// Declaration 1: lines 101 and 102 typed in, confirmed.
void TestGuiConfirmGuard::confirmEarlier()
{
    typeHeader("2026");
    QTest::mouseClick(controls.B2, Qt::LeftButton);
    addToDeclaration({
        {"1", "101", "15/03/2026", "1234.50", "6", "PANADERIA SA", "20-12345678-6"},
        {"2", "102", "16/03/2026", "1380.00", "7", "PANADERIA SA", "20-12345678-6"},
    });
    confirm({true});
    QCOMPARE(desktop.messages->texts(), QStringList{Question});
    QCOMPARE(storedReceipts(), (QStringList{"101", "102"}));
}

void TestGuiConfirmGuard::replacingAskedUnlessReloaded_data()
{
    QTest::addColumn<QString>("load");       // how the new declaration's lines come
    QTest::addColumn<bool>("changeOnDisk");  // the file changed after the re-load
    QTest::addColumn<bool>("answer");        // to the replace question
    QTest::addColumn<bool>("asked");
    QTest::newRow("re-loaded, unchanged") << "reload" << false << false << false;
    QTest::newRow("re-loaded, changed on disk, No") << "reload" << true << false << true;
    QTest::newRow("re-loaded, changed on disk, Yes") << "reload" << true << true << true;
    QTest::newRow("typed without re-load, No") << "import" << false << false << true;
    QTest::newRow("typed without re-load, Yes") << "import" << false << true << true;
    QTest::newRow("re-loaded, then reset, No") << "reset" << false << false << true;
}

void TestGuiConfirmGuard::replacingAskedUnlessReloaded()
{
    QFETCH(QString, load);
    QFETCH(bool, changeOnDisk);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    confirmEarlier();
    QByteArray earlier = declarationFile();
    QCOMPARE(earlier.size(), 2 * 198);

    if (load == "reset") {
        // What the window re-loaded is forgotten by the reset.
        typeHeader("2026");
        QTest::mouseClick(controls.B2, Qt::LeftButton);
        desktop.messages->answers = {true};
        QTest::mouseClick(controls.B3, Qt::LeftButton);
        QCOMPARE(declaration().usedRows(), 0);
    }
    typeHeader("2026");
    if (load == "reload") {
        QTest::mouseClick(controls.B2, Qt::LeftButton);
        QCOMPARE(controls.cell(2, 1), QStringLiteral("0000000000102"));
    } else {
        // The import's dialog cancelled: CONFIRMA enabled, nothing re-loaded.
        QTest::mouseClick(controls.B1, Qt::LeftButton);
        QVERIFY(controls.B_Confirma->isEnabled());
    }
    if (changeOnDisk) {
        QFile file(programDirectory + "26300332.txt");
        QVERIFY(file.open(QIODevice::Append));
        file.write(earlier.left(198));
        file.close();
        earlier = declarationFile();
    }
    // Line 103 in grid row 10, the rows before it that hold no line left as gaps.
    while (declaration().nextRow() < 10) {
        const int gap = declaration().nextRow();
        addToDeclaration({{QString::number(gap), "999", "17/03/2026", "1000.00", "5", "BORRADA SA", "20-12345678-6"}});
        deleteLine(gap);
    }
    addToDeclaration({{"10", "103", "17/03/2026", "1000.00", "5", "PANADERIA SA", "20-12345678-6"}});
    const QString total = controls.e_totreten->text();
    const bool panel2 = controls.Panel2->isVisible();
    const bool panel3 = controls.Panel3->isVisible();
    const bool panel1 = controls.Panel1->isEnabled();
    confirm({true, answer});

    QStringList expected{Question};
    if (asked)
        expected << (changeOnDisk ? QString(Replace).replace("con 2 renglones", "con 3 renglones") : Replace);
    QCOMPARE(desktop.messages->texts(), expected);
    if (asked)
        QCOMPARE(desktop.messages->shown.at(1).kind, ShownBox::Question);
    if (!asked || answer) {
        const QStringList receipts =
            load == "reload" ? QStringList{"0000000000101", "0000000000102", "103"} : QStringList{"103"};
        QCOMPARE(storedReceipts(), receipts);
        QCOMPARE(declarationFile().size(), receipts.size() * 198);
        QVERIFY(controls.salida->isVisible());
        QCOMPARE(declaration().usedRows(), 0);
    } else {
        // No: nothing anywhere, the window as it was.
        QCOMPARE(declarationFile(), earlier);
        QCOMPARE(storedReceipts(), (QStringList{"101", "102"}));
        QCOMPARE(programFiles(), (QStringList{"26300332.pdf", "26300332.txt"}));
        QCOMPARE(controls.cell(10, 1), QStringLiteral("103"));
        QCOMPARE(controls.e_totreten->text(), total);
        QCOMPARE(controls.E_ano->text(), QStringLiteral("2026"));
        QVERIFY(controls.salida->isVisible());  // from declaration 1
        QCOMPARE(controls.Panel2->isVisible(), panel2);
        QCOMPARE(controls.Panel3->isVisible(), panel3);
        QCOMPARE(controls.Panel1->isEnabled(), panel1);
    }
}

QTEST_MAIN(TestGuiConfirmGuard)
#include "tst_gui_confirmguard.moc"
