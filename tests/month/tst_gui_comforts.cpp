// The comforts of a month's work: the import dialog where the last import
// was, the grid showing the line just added, the open buttons after
// CONFIRMA, the help window that scrolls and closes with Esc.
#include "app/Ayuda.h"
#include "tests/month/MonthWindow.h"
#include "tests/support/RecordLines.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTextBlock>

using recordlines::fileBytes;
using recordlines::goodRecord;

class TestGuiComforts : public QObject, public MonthWindow
{
    Q_OBJECT

private slots:
    void init() { begin(Files::Directory); }
    void cleanup() { finish(); }

    void importDialogTitleAndFolder();
    void importFolderRememberedBetweenRuns();
    void gridShowsTheLastLineAdded();
    void helpScrollsWhenItsTextDoesNotFit();
    void escClosesTheHelpWindow();

private:
    TF_ayuda* openHelp()
    {
        click(control<QPushButton>("BitBtn2"));
        auto* help = window->findChild<TF_ayuda*>(QStringLiteral("F_ayuda"));
        if (help)
            QTest::qWaitForWindowExposed(help);
        return help;
    }
};

// The first time the dialog opens in the program's directory; then in the
// folder of the file last chosen, also when that import was cancelled by a
// file that no longer exists; a folder that is gone falls back.
void TestGuiComforts::importDialogTitleAndFolder()
{
    enterHeader();
    import(QString());
    QCOMPARE(desktop.fileDialog->calls, 1);
    QCOMPARE(desktop.fileDialog->title, QStringLiteral("Importar archivo de retenciones"));
    QCOMPARE(desktop.fileDialog->folder, programDirectory);

    QVERIFY(QDir(programDirectory).mkpath(QString::fromUtf8("exportados del año")));
    const QString folder = programDirectory + QString::fromUtf8("exportados del año");
    const QString path = folder + QStringLiteral("/marzo.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(fileBytes({goodRecord(1, 138000)}));
    file.close();
    import(path);
    QCOMPARE(linesShown(), 1);
    import(QString());
    QCOMPARE(desktop.fileDialog->folder, folder);

    QVERIFY(QDir(folder).removeRecursively());
    import(QString());
    QCOMPARE(desktop.fileDialog->folder, programDirectory);
}

// The folder is kept in the user's settings (QSettings) and read by the next
// run of the program.
void TestGuiComforts::importFolderRememberedBetweenRuns()
{
    QTemporaryDir settingsHome;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome.path());
    desktop.settings = desktopSettings();
    start();
    enterHeader();
    const QString path = programDirectory + QStringLiteral("marzo.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(fileBytes({goodRecord(1, 138000)}));
    file.close();
    QVERIFY(QDir(programDirectory).mkdir("otra"));
    QVERIFY(QFile::copy(path, programDirectory + "otra/abril.txt"));
    import(programDirectory + "otra/abril.txt");
    QCOMPARE(linesShown(), 1);
    end();

    // A new run with settings read afresh.
    desktop.settings = desktopSettings();
    start();
    enterHeader();
    import(QString());
    QCOMPARE(desktop.fileDialog->folder, programDirectory + "otra");
    QVERIFY(QFile::exists(settingsHome.path() + "/Retenciones/Retenciones.conf"));
}

// After an import, a re-load and ADICIONA the last line is in view; after a
// reset the first row.
void TestGuiComforts::gridShowsTheLastLineAdded()
{
    const auto inView = [this](int gridRow) {
        const QRect cell = grid()->visualRect(grid()->model()->index(gridRow - 1, 1));
        return cell.isValid() && grid()->viewport()->rect().contains(cell);
    };
    QStringList imported;
    for (int number = 1; number <= 100; ++number)
        imported << goodRecord(number, 138000);
    QStringList declared;
    for (int number = 201; number <= 250; ++number)
        declared << goodRecord(number, 138000);
    writeFile("26300332.txt", fileBytes(declared));
    enterHeader();
    import(writeFile("import.txt", fileBytes(imported)));
    QVERIFY(inView(100));
    QVERIFY(!inView(1));
    grid()->scrollToTop();
    startManualEntry();
    QCOMPARE(linesShown(), 150);
    QVERIFY(desktop.messages->shown.isEmpty());
    QVERIFY(inView(150));
    grid()->scrollToTop();
    control("E_CuitReten")->setFocus();
    typeLine("20123456786", "PROVEEDOR", "15032026", "9999", "1380");
    QCOMPARE(cell(151, 1), QString("9999"));
    QVERIFY(inView(151));

    desktop.messages->answers = {true};
    click(control<QPushButton>("B3"));
    QCOMPARE(linesShown(), 0);
    QCOMPARE(grid()->verticalScrollBar()->value(), 0);
    QVERIFY(inView(1));
}

void TestGuiComforts::helpScrollsWhenItsTextDoesNotFit()
{
    TF_ayuda* help = openHelp();
    QVERIFY(help);
    QScrollBar* bar = help->Memo1->verticalScrollBar();
    QCOMPARE(help->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    // A font that wraps the text to far more lines than the field shows.
    QFont large = help->Memo1->font();
    large.setPixelSize(22);
    help->Memo1->setFont(large);
    QTRY_VERIFY(bar->isVisible());
    QVERIFY(bar->maximum() > 0);
    // At its end the last line is in view (the layout of the new font may
    // still grow the range: the bar is moved to its end until it is).
    QTRY_VERIFY((bar->setValue(bar->maximum()),
        help->Memo1->viewport()->rect().contains(
            help->Memo1->cursorRect(QTextCursor(help->Memo1->document()->lastBlock())))));
    // Text that fits shows no bar.
    QFont small = large;
    small.setPixelSize(6);
    help->Memo1->setFont(small);
    QTRY_VERIFY(!bar->isVisible());
    help->close();
}

// Esc closes the help window and nothing else: the main window asks no
// reset question and keeps its header.
void TestGuiComforts::escClosesTheHelpWindow()
{
    enterHeader();
    TF_ayuda* help = openHelp();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    help->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help->Memo1, Qt::Key_Escape);
    QVERIFY(!help->isVisible());
    QCOMPARE(desktop.messages->texts().join('|'), QString());
    QCOMPARE(control<QLineEdit>("e_legaJo")->text(), QString("332"));
    QVERIFY(control("Panel3")->isVisible());
    // Shown again, it is the same window.
    QCOMPARE(openHelp(), help);
    QVERIFY(help->isVisible());
    help->close();
}

QTEST_MAIN(TestGuiComforts)
#include "tst_gui_comforts.moc"
