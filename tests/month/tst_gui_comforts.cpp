// The comforts of a month's work: the import dialog where the last import
// was, the grid showing the line just added, the open buttons after
// CONFIRMA, the help window that scrolls and closes with Esc.
#include "app/Ayuda.h"
#include "tests/month/MonthWindow.h"
#include "tests/support/RecordLines.h"
#include "tests/support/RecordingOpener.h"

#include <QDir>
#include <QLabel>
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
    void init() { begin(Files::WithDatabase); }
    void cleanup() { finish(); }

    void importDialogTitleAndFolder();
    void importFolderRememberedBetweenRuns();
    void gridShowsTheLastLineAdded();
    void openButtonsAfterConfirma();
    void openButtonsFollowTheFiles();
    void noOpenerNoButtons();
    void helpScrollsWhenItsTextDoesNotFit();
    void escClosesTheHelpWindow();

private:
    // One imported line confirmed with Yes.
    void confirmOneLine()
    {
        enterHeader();
        import(writeFile("import.txt", fileBytes({goodRecord(1, 138000)})));
        desktop.messages->answers = {true};
        click(control<QPushButton>("B_Confirma"));
        QVERIFY(control<QLabel>("salida")->isVisible());
    }
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

// After CONFIRMA the two buttons stand at the right end of the status line
// and open the report and the folder through the desktop's opener.
void TestGuiComforts::openButtonsAfterConfirma()
{
    RecordingOpener opener;
    // A folder with a blank and an "ñ", as the agent's own may be.
    programDirectory = directory->filePath(QString::fromUtf8("mis declaraciones ñ")) + QLatin1Char('/');
    QVERIFY(QDir().mkpath(programDirectory));
    desktop.opener = desktopOpener();
    start();
    auto* report = control<QPushButton>("B_AbreReporte");
    auto* folder = control<QPushButton>("B_AbreCarpeta");
    QVERIFY(report->isHidden());
    QVERIFY(folder->isHidden());
    confirmOneLine();
    QVERIFY(report->isVisible());
    QVERIFY(folder->isVisible());
    QCOMPARE(report->text(), QStringLiteral("Abrir reporte"));
    QCOMPARE(folder->text(), QStringLiteral("Abrir carpeta"));
    // Side by side in a row right above the right end of the status line,
    // which keeps its full width; they cover no other control.
    auto* salida = control<QLabel>("salida");
    QCOMPARE(salida->geometry(), QRect(0, 635, 931, 20));
    QWidget* content = salida->parentWidget();
    const auto placed = [content](
                            QWidget* widget) { return QRect(widget->mapTo(content, QPoint(0, 0)), widget->size()); };
    QCOMPARE(placed(report), QRect(704, 608, 110, 24));
    QCOMPARE(placed(folder), QRect(818, 608, 110, 24));
    // The certificates' button of the same row stands to their left.
    QCOMPARE(placed(control("B_ConstanciasSalida")), QRect(590, 608, 110, 24));
    QWidget* row = report->parentWidget();
    for (QWidget* other : content->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (other != row && other->isVisible())
            QVERIFY2(!other->geometry().intersects(row->geometry()), qPrintable(other->objectName()));
    }

    click(report);
    QTRY_COMPARE(opener.opened(), QStringList{programDirectory + "26300332.pdf"});
    click(folder);
    QTRY_COMPARE(opener.opened(), (QStringList{programDirectory + "26300332.pdf", programDirectory.chopped(1)}));
    QCOMPARE(desktop.messages->texts(), QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?"});
}

// Visible exactly while what they open exists: the report button goes with
// the PDF, the folder button with both files; a button pressed after its file
// went says so and opens nothing.
void TestGuiComforts::openButtonsFollowTheFiles()
{
    RecordingOpener opener;
    desktop.opener = desktopOpener();
    start();
    confirmOneLine();
    auto* report = control<QPushButton>("B_AbreReporte");
    auto* folder = control<QPushButton>("B_AbreCarpeta");
    auto* salida = control<QLabel>("salida");
    QVERIFY(report->isVisible());
    QVERIFY(QFile::remove(programDirectory + "26300332.pdf"));
    QTRY_VERIFY(report->isHidden());
    QVERIFY(folder->isVisible());
    // The one left stands at the right end.
    QCOMPARE(QRect(folder->mapTo(salida->parentWidget(), QPoint(0, 0)), folder->size()), QRect(818, 608, 110, 24));
    QVERIFY(QFile::remove(programDirectory + "26300332.txt"));
    QTRY_VERIFY(folder->isHidden());
    QCOMPARE(salida->width(), salida->parentWidget()->width());

    // Written again (a copy of the program, the agent restoring them): back.
    writeFile("26300332.pdf", "%PDF-1.3\n");
    QTRY_VERIFY(report->isVisible());
    QVERIFY(folder->isVisible());
    // Gone between the last look and the click.
    QVERIFY(QFile::remove(programDirectory + "26300332.pdf"));
    desktop.messages->shown.clear();
    window->B_AbreReporteClick();
    QCOMPARE(desktop.messages->texts(),
        QStringList{QString::fromUtf8("Atención %1 ya no existe !!!").arg(programDirectory + "26300332.pdf")});
    QVERIFY(opener.opened().isEmpty());
    QVERIFY(report->isHidden());
}

// Without a desktop opener nothing could be opened: no buttons.
void TestGuiComforts::noOpenerNoButtons()
{
    confirmOneLine();
    QVERIFY(control("B_AbreReporte")->isHidden());
    QVERIFY(control("B_AbreCarpeta")->isHidden());
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
