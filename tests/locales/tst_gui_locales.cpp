// One whole declaration under the environment the test is started in: ctest
// runs this program several times, under different locales (LANG) and with
// program and home folders whose names hold a blank and an "ñ". The program
// goes through the start-up steps of the real program, is run from the
// folder of its executable and keeps the database under the home folder, as
// the real program does; every run must give the same declaration file, the
// same table rows and the same report text, spelled out here once.
#include "tests/support/DatabaseFixture.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/FakeCollaborators.h"
#include "tests/support/RecordLines.h"
#include "tests/support/Schema.h"
#include "tests/support/WindowFixture.h"

#include "app/LockFolder.h"
#include "app/MaskEdit.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "core/Error.h"
#include "core/ProcessLocale.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "declaration/StoreSettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <locale.h>

namespace {

// Creates the database file; the database's error text, or an empty text.
QString createDatabase(const QString& path)
{
    try {
        db::Connection::createDatabase(path, fixture::sysdba(), QStringLiteral("WIN1252"), projectSchema());
    } catch (const Error& error) {
        return error.message();
    }
    return QString();
}

// The report's text as pdftotext -layout gives it, each line with its runs
// of blanks made one.
QStringList simplifiedLines(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString simplified = line.simplified();
        if (!simplified.isEmpty())
            lines << simplified;
    }
    return lines;
}

}  // namespace

class TestGuiLocales : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void wholeDeclaration();

private:
    void enter(QWidget* field, const QString& text)
    {
        QCOMPARE(focus(), field);
        type(text);
        QTest::keyClick(focus(), Qt::Key_Return);
    }
    QList<QStringList> storedRows() const;

    QString m_declarationFile;
    QString m_reportFile;
    std::unique_ptr<QTemporaryDir> m_scratch;
};

void TestGuiLocales::initTestCase()
{
    // A locale that is not installed would leave the C library in "C" and
    // the run would prove nothing.
    const QByteArray wanted = qgetenv("LANG");
    locale_t installed = ::newlocale(LC_ALL_MASK, "", locale_t(0));
    QVERIFY2(installed != locale_t(0),
        qPrintable("locale " + wanted + " is not installed (scripts/install-deps.sh generates it)"));
    ::freelocale(installed);
    qInfo("LANG=%s HOME=%s program folder %s; C library LC_CTYPE %s, LC_NUMERIC %s", wanted.constData(),
        qgetenv("HOME").constData(), qPrintable(realProgramDirectory()), std::setlocale(LC_CTYPE, nullptr),
        std::setlocale(LC_NUMERIC, nullptr));
}

void TestGuiLocales::init()
{
    programDirectory = realProgramDirectory();
    database = storesettings::databaseName();
    m_declarationFile = programDirectory + QStringLiteral("26300332.txt");
    m_reportFile = programDirectory + QStringLiteral("26300332.pdf");
    QFile::remove(m_declarationFile);
    QFile::remove(m_reportFile);
    QVERIFY(QDir().mkpath(QFileInfo(database).absolutePath()));
    QFile::remove(database);
    QCOMPARE(createDatabase(database), QString());
    m_scratch = std::make_unique<QTemporaryDir>();
    QVERIFY(m_scratch->isValid());

    desktop = FakeDesktop();
    start();
}

void TestGuiLocales::cleanup()
{
    end();
    m_scratch.reset();
    QFile::remove(m_declarationFile);
    QFile::remove(m_reportFile);
    QFile::remove(database);
}

QList<QStringList> TestGuiLocales::storedRows() const
{
    db::Connection connection(database, fixture::sysdba());
    db::Transaction transaction(connection);
    db::Query query(transaction);
    query.setSql(QStringLiteral("select nrocom, fecha, importe, razon, cuit, periodo from reten order by jid"));
    query.open();
    QList<QStringList> rows;
    for (; !query.eof(); query.next()) {
        QStringList row;
        for (int field = 0; field < 6; ++field)
            row << query.text(field).trimmed();
        rows << row;
    }
    return rows;
}

// Header, two imported lines, one typed line with an "ñ", one typed line
// deleted again, CONFIRMA answered Yes.
void TestGuiLocales::wholeDeclaration()
{
    const QString importPath = m_scratch->filePath(QStringLiteral("importación ñ.txt"));
    {
        using recordlines::record;
        QFile file(importPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(recordlines::fileBytes({record("20-17254359-7", "20260305", "00000000617", "0000000001001",
                                               QString::fromUtf8("PANADERÍA ÑANDÚ SA"), "00000123456"),
                                              record("27-28465123-0", "20260312", "00000000690", "0000000001002",
                                                  "TRANSPORTES DEL SUR SRL", "00000138000")},
            "\r\n"));
    }

    enter(controls.e_legaJo, QStringLiteral("332"));
    enter(controls.e_Mes, QStringLiteral("3"));
    enter(controls.E_ano, QStringLiteral("2026"));
    QCOMPARE(controls.e_Cuit->text(), QStringLiteral("30-69714471-0"));
    QCOMPARE(controls.e_Razon->text(), QString::fromUtf8("DISTRIBUIDORA LA CAÑADA S.A."));

    desktop.fileDialog->paths = {importPath};
    QTest::mouseClick(controls.B1, Qt::LeftButton);
    QCOMPARE(controls.e_totreten->text(), QStringLiteral("13"));
    QTest::mouseClick(controls.B2, Qt::LeftButton);

    for (const QStringList& line :
        {QStringList{"20111111112", QString::fromUtf8("ferretería la peña"), "10032026", "2001", "1234.5"},
            QStringList{"27222222228", "Kiosco Central", "20032026", "2002", "1380"}}) {
        enter(controls.E_CuitReten, line[0]);
        enter(controls.empresa, line[1]);
        enter(controls.E_FECha, line[2]);
        enter(controls.E_Comprobante, line[3]);
        enter(controls.Impo_compro, line[4]);
        QCOMPARE(focus(), static_cast<QWidget*>(controls.B_adiciona));
        QTest::keyClick(focus(), Qt::Key_Return);
    }
    QCOMPARE(controls.e_totreten->text(), QStringLiteral("26"));
    const QModelIndex kiosk = controls.Grilla->model()->index(3, 2);
    controls.Grilla->scrollTo(kiosk);
    const QPoint cell = controls.Grilla->visualRect(kiosk).center();
    QTest::mouseClick(controls.Grilla->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(controls.Grilla->viewport(), Qt::LeftButton, {}, cell);
    QCOMPARE(controls.e_totreten->text(), QStringLiteral("19"));

    desktop.messages->answers = {true};
    QTest::mouseClick(controls.B_Confirma, Qt::LeftButton);
    QCOMPARE(desktop.messages->texts(), QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?"});

    // Supplier CUIT, year, month, date, withholding, receipt number, supplier,
    // declarant CUIT, declarant, receipt amount; Windows-1252, CR CR LF.
    const QString declarant = QStringLiteral("30-69714471-0")
        + QString::fromUtf8("DISTRIBUIDORA LA CAÑADA S.A.").leftJustified(60, QLatin1Char(' '));
    const QString expectedText = "20-17254359-7"
                                 "2026"
                                 "03"
                                 "05032026"
                                 "00000000600"
                                 "0000000001001"
        + QString::fromUtf8("PANADERÍA ÑANDÚ SA").leftJustified(60, QLatin1Char(' ')) + declarant + "00000123456"
        + "\r\r\n"
        + "27-28465123-0"
          "2026"
          "03"
          "12032026"
          "00000000700"
          "0000000001002"
        + QStringLiteral("TRANSPORTES DEL SUR SRL").leftJustified(60, QLatin1Char(' ')) + declarant + "00000138000"
        + "\r\r\n"
        + "20-11111111-2"
          "2026"
          "03"
          "10032026"
          "00000000600"
          "0000000002001"
        + QString::fromUtf8("FERRETERÍA LA PEÑA").leftJustified(60, QLatin1Char(' ')) + declarant + "00000123450"
        + "\r\r\n";
    QFile declarationFile(m_declarationFile);
    QVERIFY(declarationFile.open(QIODevice::ReadOnly));
    // Latin-1 and Windows-1252 agree on every letter used here.
    QCOMPARE(declarationFile.readAll(), expectedText.toLatin1());

    QCOMPARE(storedRows(),
        (QList<QStringList>{
            {"0000000001001", "05/03/2026", "6.00", QString::fromUtf8("PANADERÍA ÑANDÚ SA"), "20-17254359-7", "3/2026"},
            {"0000000001002", "12/03/2026", "7.00", "TRANSPORTES DEL SUR SRL", "27-28465123-0", "3/2026"},
            {"2001", "10/03/2026", "6.00", QString::fromUtf8("FERRETERÍA LA PEÑA"), "20-11111111-2", "3/2026"},
        }));

    const ToolResult check = runTool(QStringLiteral("qpdf"), {"--check", m_reportFile});
    QCOMPARE(check.exitCode, 0);
    QVERIFY2(check.err.isEmpty(), qPrintable(check.err));
    const ToolResult text = runTool(QStringLiteral("pdftotext"), {"-layout", m_reportFile, "-"});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.err.isEmpty(), qPrintable(text.err));
    QCOMPARE(simplifiedLines(text.out),
        (QStringList{
            QString::fromUtf8("DDJJ Agentes de Retención"),
            QString::fromUtf8("Periodo : 3/2026 Legajo : 332 DISTRIBUIDORA LA CAÑADA S.A."),
            QString::fromUtf8("Nro. Comprobante Fecha Cuit Importe Retenido Razón Social"),
            QString::fromUtf8("0000000001001 05/03/2026 20-17254359-7 6.00 PANADERÍA ÑANDÚ SA"),
            "0000000001002 12/03/2026 27-28465123-0 7.00 TRANSPORTES DEL SUR SRL",
            QString::fromUtf8("2001 10/03/2026 20-11111111-2 6.00 FERRETERÍA LA PEÑA"),
            "Declaro que los datos consignados en el archivo generado son correctos y completos y que han sido",
            "confeccionados sin omitir ni falsear dato alguno que deba contener, siendo fiel expresión de la "
            "verdad.",
            "Total Retenido ====> 19.00",
        }));

    QCOMPARE(controls.salida->text(),
        "SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  " + programDirectory + " CON EL NOMBRE :26300332");
    QCOMPARE(controls.e_totreten->text(), QStringLiteral("0"));
}

// The start-up steps of the real program around the test run.
int main(int argc, char** argv)
{
    prepareStartup();
    useUserFirebirdLockFolder();
    QApplication application(argc, argv);
    useNeutralProcessLocale();
    configureApplication(application);
    TestGuiLocales test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_locales.moc"
