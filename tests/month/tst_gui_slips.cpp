// Ordinary slips that must not lose work: closing the window with lines not
// confirmed, Esc then Enter, Enter in the question about replacing a
// declaration file. The real message boxes are used where the question is
// which button Enter presses.
#include "app/Startup.h"
#include "tests/month/MonthWindow.h"
#include "tests/support/RecordLines.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using recordlines::fileBytes;
using recordlines::goodRecord;

namespace {

const QString resetQuestion = QStringLiteral("Esta seguro de Limpiar todo lo Ingresado ?");
const QString confirmQuestion = QStringLiteral("Confirma Generar Archivo con Caracter de DDJJ ?");

// Presses `key` in each of the next real message boxes as they open, and
// keeps what each one asked and which button was its default.
class BoxAnswerer
{
public:
    struct Seen
    {
        QString text;
        QString defaultButton;
    };
    QList<Seen> seen;

    explicit BoxAnswerer(Qt::Key key)
        : m_key(key)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }

private:
    void answer()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box == m_last)
            return;
        m_last = box;
        QAbstractButton* chosen = box->defaultButton();
        seen << Seen{box->text(), chosen ? box->standardButton(chosen) == QMessageBox::No ? "No" : "Yes" : "none"};
        QTest::keyClick(box, m_key);
    }

    Qt::Key m_key;
    QTimer m_timer;
    // Null once that box is gone, so a later box at the same address counts.
    QPointer<QMessageBox> m_last;
};

}  // namespace

class TestGuiSlips : public QObject, public MonthWindow
{
    Q_OBJECT

private slots:
    void init() { begin(Files::WithDatabase); }
    void cleanup() { finish(); }

    void closingWithLinesAsksFirst();
    void closingWithoutLinesAsksNothing();
    void closingAfterConfirmaAsksNothing();
    void escThenEnterChangesNothing();
    void enterInTheCloseQuestionKeepsTheWindow();
    void enterInTheReplaceQuestionKeepsTheFile();
    void endingSignalAsksNothing();

private:
    void importThreeLinesAndDeleteOne()
    {
        enterHeader();
        import(
            writeFile("import.txt", fileBytes({goodRecord(1, 120000), goodRecord(2, 138000), goodRecord(3, 123456)})));
        const QRect cell = grid()->visualRect(grid()->model()->index(1, 2));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(linesShown(), 2);
    }
    // The window again, with the desktop's own message boxes.
    void startWithDesktopBoxes()
    {
        end();
        Collaborators collaborators = desktop.collaborators(programDirectory, database);
        collaborators.messages = desktopMessageBoxes();
        start(collaborators);
    }
    void confirm()
    {
        desktop.messages->answers = {true};
        click(control<QPushButton>("B_Confirma"));
        QVERIFY(control<QLabel>("salida")->isVisible());
    }
};

// Two lines (a gap is none): the question with No as its default; No keeps
// the window and its lines, Yes closes it.
void TestGuiSlips::closingWithLinesAsksFirst()
{
    importThreeLinesAndDeleteOne();
    desktop.messages->answers = {false};
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QCOMPARE(desktop.messages->shown.size(), 1);
    const ShownBox box = desktop.messages->shown.first();
    QCOMPARE(box.kind, ShownBox::Question);
    QCOMPARE(box.text, QString::fromUtf8("Atención hay 2 renglones sin confirmar. Sale sin generar la DDJJ ?"));
    QCOMPARE(box.defaultButton, MessageBoxes::DefaultButton::No);
    QCOMPARE(linesShown(), 2);
    QCOMPARE(control<QLineEdit>("e_totreten")->text(), QString("12"));

    desktop.messages->answers = {true};
    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QCOMPARE(desktop.messages->shown.size(), 2);
}

void TestGuiSlips::closingWithoutLinesAsksNothing()
{
    enterHeader();
    QVERIFY(window->close());
    QVERIFY(desktop.messages->shown.isEmpty());
}

void TestGuiSlips::closingAfterConfirmaAsksNothing()
{
    importThreeLinesAndDeleteOne();
    confirm();
    desktop.messages->shown.clear();
    QVERIFY(window->close());
    QVERIFY(desktop.messages->shown.isEmpty());
}

// Esc asks the reset question with No as its default: Enter keeps everything.
void TestGuiSlips::escThenEnterChangesNothing()
{
    startWithDesktopBoxes();
    importThreeLinesAndDeleteOne();
    BoxAnswerer enter(Qt::Key_Return);
    press(Qt::Key_Escape);
    QCOMPARE(enter.seen.size(), 1);
    QCOMPARE(enter.seen.first().text, resetQuestion);
    QCOMPARE(enter.seen.first().defaultButton, QString("No"));
    QCOMPARE(linesShown(), 2);
    QCOMPARE(control<QLineEdit>("e_legaJo")->text(), QString("332"));
    QVERIFY(control("Panel3")->isVisible());
    QVERIFY(control<QPushButton>("B_Confirma")->isEnabled());
}

void TestGuiSlips::enterInTheCloseQuestionKeepsTheWindow()
{
    startWithDesktopBoxes();
    importThreeLinesAndDeleteOne();
    BoxAnswerer enter(Qt::Key_Return);
    QVERIFY(!window->close());
    QCOMPARE(enter.seen.size(), 1);
    QCOMPARE(enter.seen.first().defaultButton, QString("No"));
    QVERIFY(window->isVisible());
    QCOMPARE(linesShown(), 2);
}

// CONFIRMA's own question keeps Yes as its default; the question about
// replacing a declaration file this window did not re-load has No.
void TestGuiSlips::enterInTheReplaceQuestionKeepsTheFile()
{
    const QByteArray earlier = fileBytes({goodRecord(77, 138000)});
    writeFile("26300332.txt", earlier);
    startWithDesktopBoxes();
    importThreeLinesAndDeleteOne();
    BoxAnswerer enter(Qt::Key_Return);
    click(control<QPushButton>("B_Confirma"));
    QCOMPARE(enter.seen.size(), 2);
    QCOMPARE(enter.seen.at(0).text, confirmQuestion);
    QCOMPARE(enter.seen.at(0).defaultButton, QString("Yes"));
    QCOMPARE(enter.seen.at(1).text,
        QString::fromUtf8("Atención ya existe la DDJJ 26300332.txt con 1 renglones y será reemplazada. Continúa ?"));
    QCOMPARE(enter.seen.at(1).defaultButton, QString("No"));
    QFile file(programDirectory + "26300332.txt");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), earlier);
    QVERIFY(!QFile::exists(programDirectory + "26300332.pdf"));
    QCOMPARE(linesShown(), 2);
}

// A termination signal closes every window through endProgram(): no
// question may hold the program. The program stays "ending" from then on, so
// this test runs last.
void TestGuiSlips::endingSignalAsksNothing()
{
    importThreeLinesAndDeleteOne();
    desktop.messages->answers = {false};
    endProgram();
    QVERIFY(!window->isVisible());
    QVERIFY(desktop.messages->shown.isEmpty());
}

QTEST_MAIN(TestGuiSlips)
#include "tst_gui_slips.moc"
