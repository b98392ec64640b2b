#include "declaration/CertificateFiles.h"
#include "tests/support/RecordLines.h"
#include "tests/support/WindowFixture.h"

#include <QStringList>

#include <QLabel>
#include <QMessageBox>
#include <QTableView>

namespace {

const QString Question = QStringLiteral("Confirma Generar Archivo con Caracter de DDJJ ?");

// Receipt numbers `first`, ... of supplier 20-12345678-6, and one line of a
// second supplier between them.
QByteArray declarationBytes(int first, int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << recordlines::goodRecord(first + i, 120000 + 100 * i);
    lines.insert(1,
        recordlines::record(QStringLiteral("27-23456789-1"), QStringLiteral("20260310"), QStringLiteral("00000001000"),
            QStringLiteral("0000000000999"), QStringLiteral("MUÑOZ ÁLVAREZ SH"), QStringLiteral("00000200000")));
    return recordlines::fileBytes(lines);
}

// The window's controls are found by their names, as a user finds them by
// their place.
template <typename T = QWidget>
T* control(QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qWarning("no control %s", name);
    return found;
}

// Saves a picture of `widget` in the folder RETENCIONES_SCREENSHOTS names, if any.
void screenshot(QWidget* widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("RETENCIONES_SCREENSHOTS");
    if (!folder.isEmpty())
        widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

}  // namespace

class TestGuiCertificates : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init() { begin(Files::WithDatabase); }
    void cleanup()
    {
        certificatefiles::finishClearing();
        finish();
    }

    void buttonsInTheirPlaces();
    void periodWithoutFile();
    void certificatesOfThePeriod();
    void certificatesAfterConfirma();
    void fileTheReaderRefuses();

private:
    void enterHeader();
    void writeDeclaration(const QByteArray& bytes);
    QString declarationPath() const { return programDirectory + QStringLiteral("26300332.txt"); }
    QByteArray declarationFile() const;
    void expectWindowUnchanged();
};

void TestGuiCertificates::enterHeader()
{
    typeHeader("332", "3", "2026", Qt::Key_Return, Focus::Checked);
    QVERIFY(control(window.get(), "Panel3")->isVisible());
}

void TestGuiCertificates::writeDeclaration(const QByteArray& bytes)
{
    QFile file(declarationPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray TestGuiCertificates::declarationFile() const
{
    QFile file(declarationPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The certificates leave the header, the panel, the grid and the total as
// they were.
void TestGuiCertificates::expectWindowUnchanged()
{
    QCOMPARE(control<QLineEdit>(window.get(), "e_legaJo")->text(), QStringLiteral("332"));
    QCOMPARE(control<QLineEdit>(window.get(), "e_Mes")->text(), QStringLiteral("3"));
    QCOMPARE(control<QLineEdit>(window.get(), "E_ano")->text(), QStringLiteral("2026"));
    QVERIFY(control(window.get(), "Panel3")->isVisible());
    QVERIFY(!control(window.get(), "Panel2")->isVisible());
    QCOMPARE(control<QLineEdit>(window.get(), "e_totreten")->text(), QStringLiteral("0"));
    QCOMPARE(control<QTableView>(window.get(), "Grilla")->model()->index(0, 1).data().toString(), QString());
}

// CONSTANCIAS sits on the load-method panel beside the load buttons, the
// status line's button in a row above the status line; neither covers a
// control of the window.
void TestGuiCertificates::buttonsInTheirPlaces()
{
    auto* onPanel = control<QPushButton>(window.get(), "B_Constancias");
    auto* output = control<QPushButton>(window.get(), "B_ConstanciasSalida");
    QVERIFY(onPanel && output);
    QCOMPARE(onPanel->text(), QStringLiteral("CONSTANCIAS"));
    QCOMPARE(output->text(), QStringLiteral("Constancias"));
    QCOMPARE(onPanel->parentWidget(), control(window.get(), "Panel3"));
    QVERIFY(!onPanel->isVisible());
    QVERIFY(!output->isVisible());
    enterHeader();
    QVERIFY(onPanel->isVisible());
    QVERIFY(!output->isVisible());
    for (const char* neighbour : {"B1", "B2", "StaticText16", "StaticText33"})
        QVERIFY2(!onPanel->geometry().intersects(control(window.get(), neighbour)->geometry()), neighbour);
    QVERIFY(control(window.get(), "Panel3")->rect().contains(onPanel->geometry()));
    screenshot(window.get(), QStringLiteral("constancias-panel3"));

    // Tab reaches it between the two load buttons.
    control(window.get(), "B1")->setFocus();
    press(Qt::Key_Tab);
    QCOMPARE(focus(), static_cast<QWidget*>(onPanel));

    const QRect row(output->mapTo(window.get(), QPoint(0, 0)), output->size());
    const QRect status = control(window.get(), "salida")->geometry();
    QVERIFY(window->rect().contains(row));
    QVERIFY(row.bottom() < status.top());
    for (const char* neighbour : {"B_Confirma", "StaticText12", "e_totreten", "Grilla"})
        QVERIFY2(!row.intersects(control(window.get(), neighbour)->geometry()), neighbour);
}

void TestGuiCertificates::periodWithoutFile()
{
    enterHeader();
    click(control<QPushButton>(window.get(), "B_Constancias"));
    QCOMPARE(desktop.messages->texts(), QStringList{"Atención no existe la DDJJ " + declarationPath() + " !!!"});
    QCOMPARE(QDir(programDirectory).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
    expectWindowUnchanged();
}

void TestGuiCertificates::certificatesOfThePeriod()
{
    writeDeclaration(declarationBytes(101, 3));
    const QByteArray before = declarationFile();
    enterHeader();
    desktop.messages->whileShown = [](const ShownBox& shown) {
        if (qEnvironmentVariableIsEmpty("RETENCIONES_SCREENSHOTS"))
            return;
        // The box as the program shows it, for the picture.
        QMessageBox box(QMessageBox::Information, QString(), shown.text, QMessageBox::Ok);
        box.show();
        QTest::qWait(200);
        screenshot(&box, QStringLiteral("constancias-caja"));
    };
    click(control<QPushButton>(window.get(), "B_Constancias"));
    QCOMPARE(desktop.messages->texts(),
        QStringList{"Constancias generadas: 2 proveedores en " + programDirectory + "26300332-constancias"});
    QCOMPARE(QDir(programDirectory + "26300332-constancias").entryList(QDir::Files),
        (QStringList{"20-12345678-6.pdf", "27-23456789-1.pdf"}));
    QVERIFY(QFileInfo(programDirectory + "26300332-constancias.pdf").size() > 0);
    QCOMPARE(declarationFile(), before);
    expectWindowUnchanged();
}

// After CONFIRMA the status line's button acts on the declaration written,
// though the window has been reset for the next one.
void TestGuiCertificates::certificatesAfterConfirma()
{
    enterHeader();
    const QString import = directory->filePath("import.txt");
    {
        QFile file(import);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(declarationBytes(201, 3));
    }
    desktop.fileDialog->paths = {import};
    click(control<QPushButton>(window.get(), "B1"));
    desktop.messages->shown.clear();
    desktop.messages->answers = {true};
    click(control<QPushButton>(window.get(), "B_Confirma"));
    QCOMPARE(desktop.messages->texts(), QStringList{Question});
    auto* output = control<QPushButton>(window.get(), "B_ConstanciasSalida");
    QVERIFY(output->isVisible());
    QVERIFY(control(window.get(), "salida")->isVisible());
    const QByteArray written = declarationFile();
    QCOMPARE(written.size(), 4 * 198);
    screenshot(window.get(), QStringLiteral("constancias-salida"));

    desktop.messages->shown.clear();
    click(output);
    QCOMPARE(desktop.messages->texts(),
        QStringList{"Constancias generadas: 2 proveedores en " + programDirectory + "26300332-constancias"});
    QCOMPARE(QDir(programDirectory + "26300332-constancias").entryList(QDir::Files).size(), 2);
    QCOMPARE(declarationFile(), written);
    QCOMPARE(control<QLineEdit>(window.get(), "e_legaJo")->text(), QString());
    // The reset window's next period does not change what the button acts on.
    window->activateWindow();
    QTest::mouseClick(control(window.get(), "e_legaJo"), Qt::LeftButton);
    QTRY_COMPARE(focus(), control(window.get(), "e_legaJo"));
    typeHeader("332", "4", "2026", Qt::Key_Return);
    QVERIFY(control(window.get(), "Panel3")->isVisible());
    desktop.messages->shown.clear();
    click(output);
    QCOMPARE(desktop.messages->texts(),
        QStringList{"Constancias generadas: 2 proveedores en " + programDirectory + "26300332-constancias"});
}

void TestGuiCertificates::fileTheReaderRefuses()
{
    QByteArray bytes = declarationBytes(101, 2);
    bytes[198 + 60] = '\x02';
    writeDeclaration(bytes);
    enterHeader();
    click(control<QPushButton>(window.get(), "B_Constancias"));
    QCOMPARE(desktop.messages->shown.size(), 1);
    const ShownBox& shown = desktop.messages->shown.at(0);
    QCOMPARE(shown.kind, ShownBox::Error);
    QCOMPARE(shown.text,
        QStringLiteral("Carácter de control \\x02 en la línea 2, posición 61 (Razón Social): no se carga ninguna "
                       "línea del archivo"));
    QCOMPARE(shown.detail, "Archivo: " + declarationPath() + "\nLínea: 2");
    QCOMPARE(QDir(programDirectory).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{"26300332.txt"});
    expectWindowUnchanged();
}

QTEST_MAIN(TestGuiCertificates)
#include "tst_gui_certificates.moc"
