// The program as a process: one program per data folder, the end on a
// termination signal at any moment, the per-user database lock folder. Each
// case starts children: the real program, or this test program in a child
// mode that goes through the program's start-up with recording boxes and a
// scripted file dialog and drives the main window from a timer. A child
// reports on its standard output, one line each: "shown" once the main
// window is up, "box TEXT" for every box, "handlers kept" (or "handlers
// replaced") and "confirmed" after CONFIRMA, "ended CODE" once the start-up
// returns.
#include "tests/support/DatabaseFixture.h"
#include "tests/support/FakeCollaborators.h"
#include "tests/support/RecordLines.h"
#include "tests/support/WindowControls.h"

#include "app/LockFolder.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "core/Error.h"
#include "core/InstanceLock.h"
#include "core/ProcessLocale.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "declaration/PendingConfirmation.h"
#include "declaration/StoreSettings.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>

#include <QScopeGuard>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <thread>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const ChildModeVariable = "RETENCIONES_PROCESS_CHILD";
// How long a child may take to end after a signal before the test calls it hung.
constexpr int HangBoundMs = 10000;

// ---------------------------------------------------------------------------
// Child side.

void say(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

TF_Retenciones* shownMainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<TF_Retenciones*>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

// What SIGTERM, SIGINT and SIGHUP run now.
QList<void*> terminationHandlers()
{
    QList<void*> handlers;
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction action
        { };
        ::sigaction(signalNumber, nullptr, &action);
        handlers << ((action.sa_flags & SA_SIGINFO) ? reinterpret_cast<void*>(action.sa_sigaction)
                                                    : reinterpret_cast<void*>(action.sa_handler));
    }
    return handlers;
}

// The header of legajo 332 for 3/2026, the import file read into the grid,
// then CONFIRMA.
void confirmDeclaration(TF_Retenciones& window, ScriptedFileDialog& dialog)
{
    const WindowControls controls = WindowControls::of(window);
    controls.e_legaJo->setText(QStringLiteral("332"));
    window.runHandler([&] { window.e_legaJoExit(); });
    controls.e_Mes->setText(QStringLiteral("3"));
    window.runHandler([&] { window.e_MesExit(); });
    controls.E_ano->setText(QStringLiteral("2026"));
    window.runHandler([&] { window.E_anoExit(); });
    dialog.paths = {qEnvironmentVariable("RETENCIONES_CHILD_IMPORT")};
    window.runHandler([&] { window.B1Click(); });
    window.runHandler([&] { window.B_ConfirmaClick(); });
}

// Modes: "start" shows the main window and closes it; "confirm" confirms a
// declaration (the question answered Yes) and waits; "question" uses the
// desktop's own boxes, starts CONFIRMA and waits with its question open
// ("modal TEXT" once it is up); "lockfolder" only chooses the database lock
// folder ("lock FOLDER"), then creates the database RETENCIONES_CHILD_DATABASE
// and attaches to it ("attached").
int runChild(const QByteArray& mode, int argc, char** argv)
{
    prepareStartup();
    useUserFirebirdLockFolder();
    if (mode == "lockfolder") {
        say(QStringLiteral("lock ") + qEnvironmentVariable("FIREBIRD_LOCK"));
        QCoreApplication application(argc, argv);
        useNeutralProcessLocale();
        const QString database = qEnvironmentVariable("RETENCIONES_CHILD_DATABASE");
        try {
            db::Connection::createDatabase(database, fixture::sysdba(), QStringLiteral("WIN1252"), projectSchema());
            db::Connection connection(database, fixture::sysdba());
            db::Transaction transaction(connection);
            db::Query query(transaction);
            query.setSql(QStringLiteral("select count(*) from reten"));
            query.open();
            say(QStringLiteral("attached ") + query.text(0).trimmed());
        } catch (const Error& error) {
            say(QStringLiteral("error ") + error.message());
            return 1;
        }
        return 0;
    }

    QApplication application(argc, argv);
    useNeutralProcessLocale();
    configureApplication(application);

    FakeDesktop desktop;
    desktop.messages->defaultAnswer = true;
    desktop.messages->whileShown = [](const ShownBox& box) { say(QStringLiteral("box ") + box.text); };
    Collaborators collaborators =
        desktop.collaborators(qEnvironmentVariable("RETENCIONES_CHILD_PROGRAM_DIR"), storesettings::databaseName());
    if (mode == "question")
        collaborators.messages = realCollaborators().messages;

    QTimer watch;
    bool acted = false;
    QString modalReported;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            box && box->text() != modalReported) {
            modalReported = box->text();
            say(QStringLiteral("modal ") + modalReported);
        }
        TF_Retenciones* window = shownMainWindow();
        if (acted || !window)
            return;
        acted = true;
        say(QStringLiteral("shown"));
        if (mode == "start") {
            endProgram();
        } else if (mode == "confirm") {
            const QList<void*> before = terminationHandlers();
            confirmDeclaration(*window, *desktop.fileDialog);
            // The database library's first attachment does not take the signals away.
            say(terminationHandlers() == before ? QStringLiteral("handlers kept")
                                                : QStringLiteral("handlers replaced"));
            say(QStringLiteral("confirmed"));
        } else if (mode == "busy") {
            // A handler that keeps the event loop from turning for longer than
            // the program may take to end.
            say(QStringLiteral("busy"));
            std::this_thread::sleep_for(std::chrono::seconds(5));
            say(QStringLiteral("not ended"));
        } else if (mode == "import") {
            // The header, then the import of the file named to the child.
            const WindowControls controls = WindowControls::of(*window);
            controls.e_legaJo->setText(QStringLiteral("332"));
            window->runHandler([&] { window->e_legaJoExit(); });
            controls.e_Mes->setText(QStringLiteral("3"));
            window->runHandler([&] { window->e_MesExit(); });
            controls.E_ano->setText(QStringLiteral("2026"));
            window->runHandler([&] { window->E_anoExit(); });
            desktop.fileDialog->paths = {qEnvironmentVariable("RETENCIONES_CHILD_IMPORT")};
            say(QStringLiteral("importing"));
            window->runHandler([&] { window->B1Click(); });
            say(QStringLiteral("imported"));
        } else if (mode == "question") {
            // Out of the timer's call, so that the watch goes on while the box is open.
            QTimer::singleShot(
                0, window, [window, dialog = desktop.fileDialog] { confirmDeclaration(*window, *dialog); });
        }
    });
    watch.start(10);
    const int exitCode = runProgram(std::move(collaborators));
    say(QStringLiteral("ended ") + QString::number(exitCode));
    return exitCode;
}

// ---------------------------------------------------------------------------
// Parent side.

QString programUnderTest()
{
    return QStringLiteral(RETENCIONES_PROGRAM);
}

// Waits for a line of the child's output starting with `prefix`; the whole
// line, or an empty text when the child ended or the time ran out first.
QString waitForLine(QProcess& child, QStringList& seen, const QString& prefix, int timeoutMs = 60000)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        while (child.canReadLine()) {
            const QString line = QString::fromUtf8(child.readLine()).trimmed();
            seen << line;
            if (line.startsWith(prefix))
                return line;
        }
        if (timer.elapsed() > timeoutMs || child.state() == QProcess::NotRunning)
            break;
        child.waitForReadyRead(100);
    }
    seen << QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (const QString& line : std::as_const(seen)) {
        if (line.startsWith(prefix))
            return line;
    }
    return QString();
}

QStringList remainingLines(QProcess& child, QStringList seen)
{
    seen << QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (QString& line : seen)
        line = line.trimmed();
    return seen;
}

// True when process `pid` holds an flock on `file` (/proc/locks lists the
// holder's pid and the file's device and inode).
bool holdsFlock(qint64 pid, const QString& file)
{
    struct stat status
    { };
    if (::stat(QFile::encodeName(file).constData(), &status) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QString inodeSuffix = QLatin1Char(':') + QString::number(status.st_ino);
    for (const QByteArray& raw : locks.readAll().split('\n')) {
        const QStringList fields = QString::fromLatin1(raw).simplified().split(QLatin1Char(' '));
        if (fields.size() >= 6 && fields[1] == QLatin1String("FLOCK") && fields[4] == QString::number(pid)
            && fields[5].endsWith(inodeSuffix))
            return true;
    }
    return false;
}

struct FileState
{
    QByteArray digest;
    QDateTime modified;
    bool operator==(const FileState&) const = default;
};

FileState fileState(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return {QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256),
        QFileInfo(path).fileTime(QFileDevice::FileModificationTime)};
}

}  // namespace

namespace QTest {
template <>
char* toString(const FileState& state)
{
    return qstrdup(qPrintable(
        QString::fromLatin1(state.digest.toHex()) + QLatin1Char(' ') + state.modified.toString(Qt::ISODateWithMs)));
}
}  // namespace QTest

class TestGuiProcess : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondStartIsRefused_data();
    void secondStartIsRefused();
    void terminationSignalEndsTheProgram_data();
    void terminationSignalEndsTheProgram();
    void terminationSignalEndsABusyProgram();
    void userOwnLockFolder();
    void sharedDeclarationFolder();
    void fullLockFolder_data();
    void fullLockFolder();
    void readOnlyPlacesForAUser_data();
    void readOnlyPlacesForAUser();
    void terminationSignalDuringALargeImport();

private:
    QProcessEnvironment childEnvironment(const QByteArray& mode) const;
    void startChild(QProcess& child, const QByteArray& mode) const;
    QList<QStringList> storedRows() const;
    // Mounts a tmpfs of `size` at `folder` and fills it; false (with the
    // reason) when that cannot be done here.
    bool mountFullFileSystem(const QString& folder, QString& reason) const;
    struct ThrowawayUser
    {
        QString name;
        uint uid = 0;
        uint gid = 0;
    };
    // A system user made for the test (root only), removed again by the guard.
    static bool addUser(ThrowawayUser& user, QString& reason);

    std::unique_ptr<QTemporaryDir> m_directory;
    QString m_home;
    QString m_dataFolder;
    QString m_database;
    QString m_programDirectory;
    QString m_importFile;
};

void TestGuiProcess::init()
{
    m_directory = std::make_unique<QTemporaryDir>();
    QVERIFY(m_directory->isValid());
    m_home = m_directory->filePath(QStringLiteral("home"));
    m_dataFolder = m_home + QStringLiteral("/Retenciones");
    m_programDirectory = m_directory->filePath(QStringLiteral("program")) + QLatin1Char('/');
    QVERIFY(QDir().mkpath(m_dataFolder));
    QVERIFY(QDir().mkpath(m_programDirectory));
    m_database = m_dataFolder + QStringLiteral("/RETENCIONES.FDB");
    db::Connection::createDatabase(m_database, fixture::sysdba(), QStringLiteral("WIN1252"), projectSchema());
    m_importFile = m_directory->filePath(QStringLiteral("marzo.txt"));
    QFile import(m_importFile);
    QVERIFY(import.open(QIODevice::WriteOnly));
    import.write(recordlines::fileBytes({recordlines::goodRecord(1001, 123456), recordlines::goodRecord(1002, 138000),
                                            recordlines::goodRecord(1003, 30000)},
        "\r\n"));
}

void TestGuiProcess::cleanup()
{
    m_directory.reset();
}

QProcessEnvironment TestGuiProcess::childEnvironment(const QByteArray& mode) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_home);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!mode.isEmpty())
        environment.insert(QString::fromLatin1(ChildModeVariable), QString::fromLatin1(mode));
    environment.insert(QStringLiteral("RETENCIONES_CHILD_PROGRAM_DIR"), m_programDirectory);
    environment.insert(QStringLiteral("RETENCIONES_CHILD_IMPORT"), m_importFile);
    return environment;
}

void TestGuiProcess::startChild(QProcess& child, const QByteArray& mode) const
{
    child.setProcessEnvironment(childEnvironment(mode));
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
}

QList<QStringList> TestGuiProcess::storedRows() const
{
    db::Connection connection(m_database, fixture::sysdba());
    db::Transaction transaction(connection);
    db::Query query(transaction);
    query.setSql(QStringLiteral("select nrocom, importe, periodo from reten order by jid"));
    query.open();
    QList<QStringList> rows;
    for (; !query.eof(); query.next())
        rows << QStringList{query.text(0).trimmed(), query.text(1).trimmed(), query.text(2).trimmed()};
    return rows;
}

void TestGuiProcess::secondStartIsRefused_data()
{
    QTest::addColumn<int>("holderEnd");
    QTest::newRow("holder killed") << int(SIGKILL);
    QTest::newRow("holder terminated") << int(SIGTERM);
}

// The real program holds the data folder; a second start shows its box and
// ends, leaving the database and both folders as they were. Once the holder
// has gone, however it went, the next start opens the window.
void TestGuiProcess::secondStartIsRefused()
{
    QFETCH(int, holderEnd);
    QProcess holder;
    holder.setProcessEnvironment(childEnvironment(QByteArray()));
    holder.setProcessChannelMode(QProcess::ForwardedChannels);
    holder.start(programUnderTest(), {});
    QVERIFY2(holder.waitForStarted(), qPrintable(holder.errorString()));
    auto stopHolder = qScopeGuard([&] {
        holder.kill();
        holder.waitForFinished();
    });
    const QString lockFile = m_dataFolder + QLatin1Char('/') + InstanceLock::lockFileName();
    QTRY_VERIFY_WITH_TIMEOUT(holdsFlock(holder.processId(), lockFile), 30000);

    const QStringList dataFolderBefore = QDir(m_dataFolder).entryList(QDir::AllEntries | QDir::Hidden, QDir::Name);
    const FileState databaseBefore = fileState(m_database);
    QVERIFY(!databaseBefore.digest.isEmpty());

    QProcess second;
    startChild(second, "start");
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(remainingLines(second, {}),
        (QStringList{QStringLiteral("box Atención el programa ya está abierto !!!"), QStringLiteral("ended 0")}));
    QCOMPARE(fileState(m_database), databaseBefore);
    QCOMPARE(QDir(m_dataFolder).entryList(QDir::AllEntries | QDir::Hidden, QDir::Name), dataFolderBefore);
    QCOMPARE(QDir(m_programDirectory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});
    QCOMPARE(holder.state(), QProcess::Running);

    ::kill(pid_t(holder.processId()), holderEnd);
    QVERIFY(holder.waitForFinished(10000));
    stopHolder.dismiss();
    if (holderEnd == SIGTERM) {
        // The real program's own way out.
        QCOMPARE(holder.exitStatus(), QProcess::NormalExit);
        QCOMPARE(holder.exitCode(), 128 + SIGTERM);
    } else {
        QCOMPARE(holder.exitStatus(), QProcess::CrashExit);
    }

    QProcess next;
    startChild(next, "start");
    QVERIFY(next.waitForFinished(60000));
    QCOMPARE(next.exitCode(), 0);
    QCOMPARE(remainingLines(next, {}), (QStringList{QStringLiteral("shown"), QStringLiteral("ended 0")}));
}

void TestGuiProcess::terminationSignalEndsTheProgram_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QString>("waitFor");
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<int>("storedLines");
    QTest::newRow("SIGTERM after CONFIRMA") << QByteArray("confirm") << QString("confirmed") << int(SIGTERM) << 3;
    QTest::newRow("SIGINT after CONFIRMA") << QByteArray("confirm") << QString("confirmed") << int(SIGINT) << 3;
    QTest::newRow("SIGHUP after CONFIRMA") << QByteArray("confirm") << QString("confirmed") << int(SIGHUP) << 3;
    QTest::newRow("SIGTERM before CONFIRMA") << QByteArray("start-and-wait") << QString("shown") << int(SIGTERM) << -1;
    // The store was emptied and committed before the question.
    QTest::newRow("SIGTERM with the question open")
        << QByteArray("question") << QString("modal Confirma Generar Archivo con Caracter de DDJJ ?") << int(SIGTERM)
        << 0;
}

// The signal ends the child through the program's own way out; what
// CONFIRMA committed is in the table afterwards.
void TestGuiProcess::terminationSignalEndsTheProgram()
{
    QFETCH(QByteArray, mode);
    QFETCH(QString, waitFor);
    QFETCH(int, signalNumber);
    QFETCH(int, storedLines);
    if (storedLines < 0) {
        // Rows left by an earlier declaration stay untouched.
        db::Connection connection(m_database, fixture::sysdba());
        db::Transaction transaction(connection);
        db::Query query(transaction);
        query.setSql(QStringLiteral("insert into reten (nrocom, fecha, importe, razon, cuit, periodo) "
                                    "values ('77', '01/02/2026', 5, 'ANTERIOR', '20-12345678-9', '2/2026')"));
        query.execute();
        transaction.commit();
    }

    QProcess child;
    startChild(child, mode);
    auto stopChild = qScopeGuard([&] {
        child.kill();
        child.waitForFinished();
    });
    QStringList seen;
    QVERIFY2(!waitForLine(child, seen, waitFor).isEmpty(), qPrintable(seen.join('\n')));

    // Only a bound against hanging; bench/termination measures how soon it ends.
    ::kill(pid_t(child.processId()), signalNumber);
    QVERIFY2(child.waitForFinished(HangBoundMs), "the child did not end");
    stopChild.dismiss();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 128 + signalNumber);
    const QStringList lines = remainingLines(child, seen);
    QCOMPARE(lines.last(), QStringLiteral("ended %1").arg(128 + signalNumber));
    if (mode == "confirm")
        QVERIFY2(lines.contains(QStringLiteral("handlers kept")), qPrintable(lines.join('\n')));

    const QList<QStringList> rows = storedRows();
    if (storedLines < 0) {
        QCOMPARE(rows, (QList<QStringList>{{"77", "5.00", "2/2026"}}));
    } else if (storedLines == 0) {
        QCOMPARE(rows, QList<QStringList>{});
    } else {
        QCOMPARE(rows,
            (QList<QStringList>{{"0000000001001", "6.00", "3/2026"}, {"0000000001002", "7.00", "3/2026"},
                {"0000000001003", "1.00", "3/2026"}}));
    }
}

// A handler that does not let the event loop turn cannot keep the program
// alive: the watchdog ends the process all the same, with the signal's code.
void TestGuiProcess::terminationSignalEndsABusyProgram()
{
    QProcess child;
    startChild(child, "busy");
    auto stopChild = qScopeGuard([&] {
        child.kill();
        child.waitForFinished();
    });
    QStringList seen;
    QVERIFY2(!waitForLine(child, seen, QStringLiteral("busy")).isEmpty(), qPrintable(seen.join('\n')));
    // The handler sleeps for five seconds; the watchdog ends the process
    // before that. Only a bound against hanging here: bench/termination
    // measures how soon it ends.
    ::kill(pid_t(child.processId()), SIGTERM);
    QVERIFY2(child.waitForFinished(HangBoundMs), "the child did not end");
    stopChild.dismiss();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 128 + SIGTERM);
    const QStringList lines = remainingLines(child, seen);
    QVERIFY2(!lines.contains(QStringLiteral("not ended")), qPrintable(lines.join('\n')));
    // Nothing written anywhere, the store as it was, and the next start opens the window.
    QCOMPARE(QDir(m_programDirectory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});
    QCOMPARE(storedRows(), QList<QStringList>{});
    QProcess next;
    startChild(next, "start");
    QVERIFY(next.waitForFinished(60000));
    QCOMPARE(next.exitCode(), 0);
    QCOMPARE(remainingLines(next, {}), (QStringList{QStringLiteral("shown"), QStringLiteral("ended 0")}));
}

// A user other than root, started without FIREBIRD_LOCK, uses a lock folder
// of its own, made by the program, which the engine then fills.
void TestGuiProcess::userOwnLockFolder()
{
    if (::geteuid() != 0)
        QSKIP("needs root to create a user");
    const QString user = QStringLiteral("retpr%1").arg(QCoreApplication::applicationPid());
    QProcess add;
    add.start(QStringLiteral("useradd"),
        {"--system", "--no-create-home", "--user-group", "--shell", "/usr/sbin/nologin", user});
    QVERIFY(add.waitForFinished());
    QVERIFY2(add.exitCode() == 0, add.readAllStandardError().constData());
    auto removeUser = qScopeGuard([&] { QProcess::execute(QStringLiteral("userdel"), {user}); });
    QProcess id;
    id.start(QStringLiteral("id"), {"-u", user});
    QVERIFY(id.waitForFinished());
    const uint uid = QString::fromLatin1(id.readAllStandardOutput()).trimmed().toUInt();
    QVERIFY(uid != 0);
    id.start(QStringLiteral("id"), {"-g", user});
    QVERIFY(id.waitForFinished());
    const uint gid = QString::fromLatin1(id.readAllStandardOutput()).trimmed().toUInt();

    const QString expectedFolder = QStringLiteral("/tmp/firebird-retenciones-%1").arg(uid);
    QDir(expectedFolder).removeRecursively();
    auto removeFolder = qScopeGuard([&] { QDir(expectedFolder).removeRecursively(); });
    QVERIFY(::chown(QFile::encodeName(m_directory->path()).constData(), uid, gid) == 0);
    QVERIFY(::chown(QFile::encodeName(m_home).constData(), uid, gid) == 0);

    QProcessEnvironment environment = childEnvironment("lockfolder");
    environment.remove(QStringLiteral("FIREBIRD_LOCK"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("RETENCIONES_CHILD_DATABASE"), m_home + QStringLiteral("/own.fdb"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral("setpriv"),
        {"--reuid", QString::number(uid), "--regid", QString::number(gid), "--clear-groups",
            QCoreApplication::applicationFilePath()});
    QVERIFY(child.waitForFinished(60000));
    const QStringList lines = remainingLines(child, {});
    QCOMPARE(lines, (QStringList{"lock " + expectedFolder, QStringLiteral("attached 0")}));
    QCOMPARE(child.exitCode(), 0);

    const QFileInfo folder(expectedFolder);
    QVERIFY(folder.isDir());
    QCOMPARE(folder.ownerId(), uid);
    QCOMPARE(folder.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
        QFile::Permissions());
    const QFileInfoList engineFiles = QDir(expectedFolder).entryInfoList(QDir::Files | QDir::Hidden);
    QVERIFY2(!engineFiles.isEmpty(), "the engine left nothing in the lock folder");
    for (const QFileInfo& file : engineFiles)
        QCOMPARE(file.ownerId(), uid);
}

bool TestGuiProcess::mountFullFileSystem(const QString& folder, QString& reason) const
{
    if (::geteuid() != 0) {
        reason = QStringLiteral("a file system of limited size is mounted only as root");
        return false;
    }
    QDir().mkpath(folder);
    QProcess mount;
    mount.setProcessChannelMode(QProcess::MergedChannels);
    mount.start(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=512k", "tmpfs", folder});
    if (!mount.waitForFinished() || mount.exitCode() != 0) {
        reason = QStringLiteral("a tmpfs cannot be mounted here: ") + QString::fromLocal8Bit(mount.readAll());
        return false;
    }
    QFile filler(folder + QStringLiteral("/relleno.bin"));
    if (!filler.open(QIODevice::WriteOnly)) {
        reason = filler.errorString();
        return false;
    }
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) { }
    return true;
}

bool TestGuiProcess::addUser(ThrowawayUser& user, QString& reason)
{
    if (::geteuid() != 0) {
        reason = QStringLiteral("needs root to create a user");
        return false;
    }
    user.name = QStringLiteral("retro%1").arg(QCoreApplication::applicationPid());
    QProcess add;
    add.start(QStringLiteral("useradd"),
        {"--system", "--no-create-home", "--user-group", "--shell", "/usr/sbin/nologin", user.name});
    if (!add.waitForFinished() || add.exitCode() != 0) {
        reason = QString::fromLocal8Bit(add.readAllStandardError());
        return false;
    }
    QProcess id;
    id.start(QStringLiteral("id"), {"-u", user.name});
    id.waitForFinished();
    user.uid = QString::fromLatin1(id.readAllStandardOutput()).trimmed().toUInt();
    id.start(QStringLiteral("id"), {"-g", user.name});
    id.waitForFinished();
    user.gid = QString::fromLatin1(id.readAllStandardOutput()).trimmed().toUInt();
    return user.uid != 0;
}

// Two accounts run the program from one folder they may both write to (a
// shared checkout), each with its own data folder and database. While the
// first one's CONFIRMA is half done (its journal and temporary file in the
// shared folder), the second start is refused with the program's box and
// leaves both files alone.
void TestGuiProcess::sharedDeclarationFolder()
{
    QProcess first;
    startChild(first, "start-and-wait");
    auto stopFirst = qScopeGuard([&] {
        first.kill();
        first.waitForFinished();
    });
    QStringList seen;
    QVERIFY2(!waitForLine(first, seen, QStringLiteral("shown")).isEmpty(), qPrintable(seen.join('\n')));

    PendingConfirmation journal;
    journal.folder = QDir::cleanPath(m_programDirectory);
    journal.temporaryName = QStringLiteral(".~retenciones.26300332.txt.AbC123");
    journal.declarationName = QStringLiteral("26300332.txt");
    journal.reportName = QStringLiteral("26300332.pdf");
    journal.period = QStringLiteral("3/2026");
    journal.periodo = QStringLiteral("Periodo : 3/2026 Legajo : 332 X");
    journal.total = QStringLiteral("6.00");
    journal.lineCount = 1;
    journal.linesDigest = QByteArray(32, '\1');
    const QByteArray declaration = recordlines::fileBytes({recordlines::goodRecord(1001, 123456)}, "\r\n");
    journal.contentDigest = QCryptographicHash::hash(declaration, QCryptographicHash::Sha256);
    pending::writeJournal(m_programDirectory, journal);
    QFile temporary(m_programDirectory + journal.temporaryName);
    QVERIFY(temporary.open(QIODevice::WriteOnly));
    temporary.write(declaration);
    temporary.close();
    const FileState journalBefore = fileState(m_programDirectory + PendingConfirmation::JournalName);

    const QString otherHome = m_directory->filePath(QStringLiteral("otra-cuenta"));
    QVERIFY(QDir().mkpath(otherHome + QStringLiteral("/Retenciones")));
    const QString otherDatabase = otherHome + QStringLiteral("/Retenciones/RETENCIONES.FDB");
    db::Connection::createDatabase(otherDatabase, fixture::sysdba(), QStringLiteral("WIN1252"), projectSchema());
    QProcessEnvironment environment = childEnvironment("start");
    environment.insert(QStringLiteral("HOME"), otherHome);
    QProcess second;
    second.setProcessEnvironment(environment);
    second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    second.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(remainingLines(second, {}),
        (QStringList{QStringLiteral("box Atención el programa ya está abierto !!!"), QStringLiteral("ended 0")}));
    QCOMPARE(fileState(m_programDirectory + PendingConfirmation::JournalName), journalBefore);
    QCOMPARE(fileState(m_programDirectory + journal.temporaryName).digest,
        QCryptographicHash::hash(declaration, QCryptographicHash::Sha256));
    QCOMPARE(first.state(), QProcess::Running);
}

void TestGuiProcess::fullLockFolder_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::newRow("the database created") << QByteArray("lockfolder");
    QTest::newRow("CONFIRMA in the window") << QByteArray("confirm");
}

// The engine's lock folder is on a full disk. Before the engine maps a lock
// file there (and the first touch of a page ends the process with SIGBUS),
// the program says in Spanish that there is no room; nothing is written.
void TestGuiProcess::fullLockFolder()
{
    QFETCH(QByteArray, mode);
    const QString lockFolder = m_directory->filePath(QStringLiteral("lock"));
    QString reason;
    if (!mountFullFileSystem(lockFolder, reason))
        QSKIP(qPrintable(reason));
    auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {lockFolder}); });
    const FileState databaseBefore = fileState(m_database);

    QProcessEnvironment environment = childEnvironment(mode);
    environment.insert(QStringLiteral("FIREBIRD_LOCK"), lockFolder);
    const QString created = m_home + QStringLiteral("/own.fdb");
    environment.insert(QStringLiteral("RETENCIONES_CHILD_DATABASE"), created);
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QStringList seen;
    if (mode == "confirm") {
        // The window stays up after CONFIRMA; the signal ends it.
        QVERIFY2(!waitForLine(child, seen, QStringLiteral("confirmed")).isEmpty(), qPrintable(seen.join('\n')));
        ::kill(pid_t(child.processId()), SIGTERM);
    }
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    const QStringList lines = remainingLines(child, seen);
    const QString noRoom = QStringLiteral(
        "No queda lugar en la carpeta de bloqueo de la base de datos \"%1\": la base de datos no se abrió.")
                               .arg(lockFolder);
    if (mode == "lockfolder") {
        QCOMPARE(lines, (QStringList{"lock " + lockFolder, "error " + noRoom}));
        QVERIFY(!QFile::exists(created));
    } else {
        QVERIFY2(lines.contains(QStringLiteral("box No se grabó la DDJJ: el archivo de la DDJJ, la base de datos y el "
                                               "reporte quedaron como estaban.")),
            qPrintable(lines.join('\n')));
        QCOMPARE(lines.last(), QStringLiteral("ended %1").arg(128 + SIGTERM));
    }
    QCOMPARE(QDir(m_programDirectory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});
    QCOMPARE(fileState(m_database), databaseBefore);
    QCOMPARE(
        QDir(lockFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"relleno.bin"});
}

void TestGuiProcess::readOnlyPlacesForAUser_data()
{
    QTest::addColumn<QString>("place");
    QTest::newRow("read-only data folder") << "data folder";
    QTest::newRow("read-only declaration file") << "declaration file";
}

// A user who is not root confirms where it may not write: the data folder
// (which is then also the folder of the declaration files) made read-only,
// or the period's declaration file made read-only by the agent. A clear box
// says that nothing was recorded, and nothing changed: the folder, the file
// and the table are as they were.
void TestGuiProcess::readOnlyPlacesForAUser()
{
    QFETCH(QString, place);
    ThrowawayUser user;
    QString reason;
    if (!addUser(user, reason))
        QSKIP(qPrintable(reason));
    auto removeUser = qScopeGuard([&] { QProcess::execute(QStringLiteral("userdel"), {user.name}); });
    const QString lockFolder = QStringLiteral("/tmp/firebird-retenciones-%1").arg(user.uid);
    auto removeLockFolder = qScopeGuard([&] { QDir(lockFolder).removeRecursively(); });
    QProcess::execute(
        QStringLiteral("chown"), {"-R", QStringLiteral("%1:%2").arg(user.uid).arg(user.gid), m_directory->path()});
    const QString declarationFolder = place == "data folder" ? m_dataFolder + QLatin1Char('/') : m_programDirectory;
    const QString declaration = declarationFolder + QStringLiteral("26300332.txt");
    QFile earlier(declaration);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write(recordlines::fileBytes({recordlines::goodRecord(77, 1000)}, "\r\n"));
    earlier.close();
    QVERIFY(::chown(QFile::encodeName(declaration).constData(), user.uid, user.gid) == 0);
    const QString readOnly = place == "data folder" ? m_dataFolder : declaration;
    QVERIFY(::chmod(QFile::encodeName(readOnly).constData(), place == "data folder" ? 0555 : 0444) == 0);
    auto writable = qScopeGuard([&] { ::chmod(QFile::encodeName(m_dataFolder).constData(), 0755); });
    const QStringList folderBefore =
        QDir(declarationFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    const FileState declarationBefore = fileState(declaration);
    const FileState databaseBefore = fileState(m_database);

    QProcessEnvironment environment = childEnvironment("confirm");
    environment.remove(QStringLiteral("FIREBIRD_LOCK"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("RETENCIONES_CHILD_PROGRAM_DIR"), declarationFolder);
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral("setpriv"),
        {"--reuid", QString::number(user.uid), "--regid", QString::number(user.gid), "--clear-groups",
            QCoreApplication::applicationFilePath()});
    QStringList seen;
    QVERIFY2(!waitForLine(child, seen, QStringLiteral("confirmed")).isEmpty(), qPrintable(seen.join('\n')));
    ::kill(pid_t(child.processId()), SIGTERM);
    QVERIFY(child.waitForFinished(60000));
    const QStringList lines = remainingLines(child, seen);
    QVERIFY2(lines.contains(QStringLiteral("box No se grabó la DDJJ: el archivo de la DDJJ, la base de datos y el "
                                           "reporte quedaron como estaban.")),
        qPrintable(lines.join('\n')));
    QCOMPARE(lines.last(), QStringLiteral("ended %1").arg(128 + SIGTERM));
    QCOMPARE(QDir(declarationFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
        folderBefore);
    QCOMPARE(fileState(declaration), declarationBefore);
    QCOMPARE(fileState(m_database), databaseBefore);
    QCOMPARE(storedRows(), QList<QStringList>{});
}

// SIGTERM while a handler imports 500,000 lines: the program ends (bound
// against hanging only; bench/termination measures how soon) with the
// signal's code and leaves nothing behind: no file beside the program, the
// table as it was.
void TestGuiProcess::terminationSignalDuringALargeImport()
{
    const QString large = m_directory->filePath(QStringLiteral("grande.txt"));
    {
        QFile file(large);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QStringList block;
        for (int i = 1; i <= 1000; ++i)
            block << recordlines::goodRecord(i, 120000);
        const QByteArray bytes = recordlines::fileBytes(block, "\r\n");
        for (int i = 0; i < 500; ++i)
            QCOMPARE(file.write(bytes), qint64(bytes.size()));
    }
    const FileState databaseBefore = fileState(m_database);
    QProcessEnvironment environment = childEnvironment("import");
    environment.insert(QStringLiteral("RETENCIONES_CHILD_IMPORT"), large);
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    auto stopChild = qScopeGuard([&] {
        child.kill();
        child.waitForFinished();
    });
    QStringList seen;
    QVERIFY2(!waitForLine(child, seen, QStringLiteral("importing")).isEmpty(), qPrintable(seen.join('\n')));
    ::kill(pid_t(child.processId()), SIGTERM);
    QVERIFY2(child.waitForFinished(HangBoundMs), "the child did not end");
    stopChild.dismiss();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 128 + SIGTERM);
    QCOMPARE(QDir(m_programDirectory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});
    QCOMPARE(fileState(m_database), databaseBefore);
}

int main(int argc, char** argv)
{
    if (const QByteArray mode = qgetenv(ChildModeVariable); !mode.isEmpty())
        return runChild(mode, argc, argv);
    QApplication application(argc, argv);
    TestGuiProcess test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_process.moc"
