#include "tests/support/DatabaseFixture.h"
#include "tests/support/FakeCollaborators.h"
#include "tests/support/WindowFixture.h"

#include "declaration/StoreSettings.h"

#include "app/ExportProgress.h"
#include "app/LockFolder.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "declaration/WithholdingGrid.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <memory>
#include <unistd.h>

// What an installed program does differently from one run in its build tree:
// where the files of a confirmed declaration go, the database made on the
// first start, the per-user lock folder and the toolkit's Spanish texts.
class TestInstall : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void confirmedFilesGoToTheNamedFolder_data();
    void confirmedFilesGoToTheNamedFolder();
    void databaseIsMadeOnlyWhenAbsent();
    void failedCreationLeavesNoDatabase();
    void lockFolderIsTheScriptsOne_data();
    void lockFolderIsTheScriptsOne();
    void toolkitTextsInSpanish();
    void windowIconIsTheInstalledOne();
};

namespace {

QStringList filesIn(const QString& directory)
{
    return QDir(directory).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

int storedRows(const QString& database)
{
    db::Connection connection(database, fixture::sysdba());
    db::Transaction transaction(connection);
    db::Query query(transaction);
    query.setSql("select count(*) from reten");
    query.open();
    return query.text(0).toInt();
}

}  // namespace

void TestInstall::confirmedFilesGoToTheNamedFolder_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("toDataFolder");
    // A build tree or a copy in the user's own folder: nothing changes.
    QTest::newRow("writable program folder") << "program" << false;
    // An installed program as a user who may not write beside it (root may,
    // and the row is skipped for it).
    QTest::newRow("folder without write permission") << "readonly" << true;
    // A folder of the system that takes no files, whoever asks.
    QTest::newRow("folder that takes no files") << "/proc" << true;
    QTest::newRow("folder that is gone") << "gone" << true;
}

void TestInstall::confirmedFilesGoToTheNamedFolder()
{
    QFETCH(QString, program);
    QFETCH(bool, toDataFolder);
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    QString programDirectory = QDir::isAbsolutePath(program) ? program : directory.filePath(program);
    if (program != "gone")
        QVERIFY(QDir().mkpath(programDirectory));
    programDirectory += '/';
    if (program == "readonly") {
        QVERIFY(QFile::setPermissions(programDirectory, QFile::ReadOwner | QFile::ExeOwner));
        if (::geteuid() == 0)
            QSKIP("root writes into a folder without write permission");
    }
    // The data folder does not exist yet, as for a new user.
    const QString dataDirectory = directory.filePath("home/Retenciones") + '/';
    const QString database = fixture::createDatabase(directory, "RETENCIONES.FDB");

    const QString outputDirectory = ::outputDirectory(programDirectory, dataDirectory);
    QCOMPARE(outputDirectory, toDataFolder ? dataDirectory : programDirectory);
    desktop = FakeDesktop();
    desktop.messages->answers = {true};
    start(desktop.collaborators(outputDirectory, database));
    typeHeader("332", "3", "2026");
    QVERIFY(!controls.Panel1->isEnabled());
    addToDeclaration({{"1", "123", "15/03/2026", "1234.50", "6", "PANADERIA SA", "20-12345678-6"}});
    controls.Panel3->hide();
    controls.B_Confirma->setEnabled(true);
    QTest::mouseClick(controls.B_Confirma, Qt::LeftButton);

    QCOMPARE(desktop.messages->texts(), QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?"});
    const QStringList declarationFiles{"26300332.pdf", "26300332.txt"};
    QCOMPARE(filesIn(dataDirectory), toDataFolder ? declarationFiles : QStringList());
    if (!toDataFolder)
        QCOMPARE(filesIn(programDirectory), declarationFiles);
    QCOMPARE(controls.salida->text(),
        "SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  " + outputDirectory + " CON EL NOMBRE :26300332");
    QCOMPARE(storedRows(database), 1);
    end();
    if (program == "readonly")
        QFile::setPermissions(programDirectory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestInstall::databaseIsMadeOnlyWhenAbsent()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString schema = qEnvironmentVariable("RETENCIONES_SOURCE_DIR") + "/db/schema.sql";
    // A new user: not even the folder of the database exists.
    const QString database = directory.filePath("home/Retenciones/RETENCIONES.FDB");
    storesettings::createDatabaseIfAbsent(database, schema);
    QCOMPARE(filesIn(directory.filePath("home/Retenciones")), QStringList{"RETENCIONES.FDB"});
    QCOMPARE(storedRows(database), 0);

    // An existing file is the user's database and is never touched.
    const QString existing = directory.filePath("existing.fdb");
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a database");
    file.close();
    storesettings::createDatabaseIfAbsent(existing, schema);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("not a database"));

    // Without the installed schema nothing is made.
    const QString withoutSchema = directory.filePath("none/RETENCIONES.FDB");
    storesettings::createDatabaseIfAbsent(withoutSchema, directory.filePath("missing.sql"));
    QVERIFY(!QFile::exists(withoutSchema));
}

void TestInstall::failedCreationLeavesNoDatabase()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString schema = directory.filePath("broken.sql");
    QFile file(schema);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("CREATE TABLE RETEN (JID INTEGER);\nCREATE TABLE RETEN (JID INTEGER);\n");
    file.close();
    const QString database = directory.filePath("RETENCIONES.FDB");
    storesettings::createDatabaseIfAbsent(database, schema);
    // The second table fails after the file was made: neither the database
    // nor its temporary file stays, so the next start tries again.
    QCOMPARE(filesIn(directory.path()), QStringList{"broken.sql"});
}

void TestInstall::lockFolderIsTheScriptsOne_data()
{
    QTest::addColumn<bool>("withRuntimeFolder");
    QTest::newRow("XDG_RUNTIME_DIR set") << true;
    QTest::newRow("XDG_RUNTIME_DIR unset") << false;
}

void TestInstall::lockFolderIsTheScriptsOne()
{
    QFETCH(bool, withRuntimeFolder);
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    if (withRuntimeFolder)
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    else
        qunsetenv("XDG_RUNTIME_DIR");
    const QString program = userFirebirdLockFolder();

    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("FIREBIRD_LOCK");
    shell.setProcessEnvironment(environment);
    shell.start("bash",
        {"-c", "source \"$0\" && printf %s \"$FIREBIRD_LOCK\"",
            qEnvironmentVariable("RETENCIONES_SOURCE_DIR") + "/scripts/env.sh"});
    QVERIFY(shell.waitForFinished());
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
    QCOMPARE(shell.exitCode(), 0);
    QCOMPARE(program, QString::fromLocal8Bit(shell.readAllStandardOutput()));
    if (withRuntimeFolder && ::getuid() != 0)
        QVERIFY(program.startsWith(runtime.path() + '/'));
}

void TestInstall::toolkitTextsInSpanish()
{
    QVERIFY2(installToolkitTranslation(*qApp), "qtbase_es.qm not found (package qt6-translations-l10n)");
    QMessageBox question(QMessageBox::Question, "Retenciones", "Confirma Generar Archivo con Caracter de DDJJ ?",
        QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.button(QMessageBox::Yes)->text(), QStringLiteral("&Sí"));
    QCOMPARE(question.button(QMessageBox::No)->text(), QStringLiteral("&No"));
    QMessageBox information(QMessageBox::Information, "Retenciones", "x", QMessageBox::Ok);
    QCOMPARE(information.button(QMessageBox::Ok)->text(), QStringLiteral("Aceptar"));
    // The system's own texts stay as they are.
    QCOMPARE(question.text(), QStringLiteral("Confirma Generar Archivo con Caracter de DDJJ ?"));

    ExportProgress progress;
    QCOMPARE(progress.findChild<QPushButton*>("CancelButton")->text(), QStringLiteral("Cancelar"));
    QCOMPARE(progress.windowTitle(), QStringLiteral("Exporting Progress"));
}

void TestInstall::windowIconIsTheInstalledOne()
{
    configureApplication(*qApp);
    // The sizes the desktop entry's icon is installed in, from the same files.
    QCOMPARE(QApplication::windowIcon().availableSizes(), (QList<QSize>{{48, 48}, {128, 128}, {256, 256}}));
    for (const QString size : {"48", "128", "256"}) {
        QFile compiledIn(":/icons/ar.gob.vestora.Retenciones-" + size + ".png");
        QFile installed(qEnvironmentVariable("RETENCIONES_SOURCE_DIR") + "/resources/icons/ar.gob.vestora.Retenciones-"
            + size + ".png");
        QVERIFY(compiledIn.open(QIODevice::ReadOnly));
        QVERIFY(installed.open(QIODevice::ReadOnly));
        QCOMPARE(compiledIn.readAll(), installed.readAll());
    }
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("ar.gob.vestora.Retenciones"));
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
