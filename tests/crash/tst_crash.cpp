// CONFIRMA killed at each of its steps in a process of its own, then the
// start-up recovery: the declaration file, the table RETEN and the control
// report must describe one declaration, the earlier one or the new one, whole,
// with no temporary file left in the program's directory. The recovery is
// killed at each of its own steps too, and run again.
#include "tests/support/DatabaseFixture.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/FakeCollaborators.h"

#include "app/StartupRecovery.h"

#include "db/Query.h"
#include "db/Transaction.h"
#include "declaration/PendingConfirmation.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// What a program's directory and its database say about the declarations.
struct Snapshot
{
    QByteArray declaration;  // bytes of 26300332.txt, or "(none)"
    QString report;          // pdftotext of 26300332.pdf, or "(none)"
    QStringList rows;        // RETEN in JID order
    QStringList files;       // every file of the directory, hidden ones too

    bool describesSameAs(const Snapshot& other) const
    {
        return declaration == other.declaration && report == other.report && rows == other.rows;
    }
};

const QString DeclarationName = QStringLiteral("26300332.txt");
const QString ReportName = QStringLiteral("26300332.pdf");

}  // namespace

class TestCrash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void killedConfirma_data();
    void killedConfirma();
    void killedRecovery_data();
    void killedRecovery();
    void onlyTheProgramsTemporariesAreRemoved();
    void journalFormat();
    void untrustedJournal_data();
    void untrustedJournal();
    void startupShowsARecoveryThatCannotBeMade();
    void declarationThroughALink_data();
    void declarationThroughALink();
    void fullDiskLeavesNoEarlierReport();

private:
    struct Place
    {
        std::unique_ptr<QTemporaryDir> root;
        QString program;
        QString database;
    };
    static Place newPlace();
    static QString child();
    // Runs the child to its end; its exit status.
    static int runChild(const QStringList& arguments);
    static int expectedStatus(const QString& killAt);
    // Fails unless the child ends as `killAt` says: killed there, or whole.
    static void confirmInChild(const Place& place, int month, int first, int count, const QString& killAt);
    // Runs the child to its end; its exit status and standard output.
    static std::pair<int, QString> runChildWithOutput(const QStringList& arguments);
    static Snapshot snapshot(const Place& place);
    static QByteArray readAll(const QString& path);
    static void writeAll(const QString& path, const QByteArray& bytes);
    // The journal with fields replaced and its checksum made anew, as a
    // program would write it.
    static QByteArray resealed(const QByteArray& journal, const QList<std::pair<QByteArray, QString>>& fields);
    QStringList temporaryFiles() const;
    QByteArray m_earlierOtherPeriodFileBytes() const { return m_otherPeriodFile; }
    static QString pdfText(const QString& path);
    void prepareEarlier(bool samePeriod);
    void checkConsistent(bool expectNew, bool samePeriod);

    Snapshot m_newDeclaration;      // 201, 202, 203 for 3/2026, completed
    Snapshot m_earlierSamePeriod;   // 101, 102 for 3/2026
    Snapshot m_earlierOtherPeriod;  // 101, 102 for 2/2026: no 26300332 files
    QByteArray m_otherPeriodFile;   // 26200332.txt of that one
    Place m_place;
    Snapshot m_before;
};

TestCrash::Place TestCrash::newPlace()
{
    Place place;
    place.root = std::make_unique<QTemporaryDir>();
    if (!place.root->isValid() || !QDir(place.root->path()).mkdir("program"))
        qFatal("no temporary directory");
    place.program = place.root->filePath("program") + '/';
    place.database = fixture::createDatabase(*place.root, "RETENCIONES.FDB");
    return place;
}

QString TestCrash::child()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/confirma_child");
}

// Through the shell, whose exit status tells the signal that ended the
// child: 128 + 9 for SIGKILL, 128 + 25 for SIGXFSZ.
int TestCrash::runChild(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start("/bin/sh", QStringList{"-c", "\"$0\" \"$@\"", child()} + arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        qFatal("confirma_child did not finish");
    return process.exitCode();
}

std::pair<int, QString> TestCrash::runChildWithOutput(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start("/bin/sh", QStringList{"-c", "\"$0\" \"$@\"", child()} + arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        qFatal("confirma_child did not finish");
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

QByteArray TestCrash::readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void TestCrash::writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray TestCrash::resealed(const QByteArray& journal, const QList<std::pair<QByteArray, QString>>& fields)
{
    QList<QByteArray> lines = journal.left(journal.indexOf("\nsha256=") + 1).split('\n');
    for (QByteArray& line : lines) {
        for (const auto& [key, value] : fields) {
            if (line.startsWith(key + '='))
                line = key + '=' + value.toUtf8().toPercentEncoding();
        }
    }
    const QByteArray body = lines.join('\n');
    return body + "sha256=" + QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex() + "\nFIN\n";
}

// The program's temporary files in the place's program folder.
QStringList TestCrash::temporaryFiles() const
{
    return QDir(m_place.program).entryList({".~retenciones.*"}, QDir::Files | QDir::Hidden, QDir::Name);
}

void TestCrash::confirmInChild(const Place& place, int month, int first, int count, const QString& killAt)
{
    const int status = runChild({"confirm", place.program, place.database, QString::number(month),
        QString::number(first), QString::number(count), killAt});
    QCOMPARE(status, expectedStatus(killAt));
}

int TestCrash::expectedStatus(const QString& killAt)
{
    if (killAt == "none")
        return 0;
    return 128 + (killAt.endsWith("-write") ? SIGXFSZ : SIGKILL);
}

QString TestCrash::pdfText(const QString& path)
{
    if (!QFile::exists(path))
        return QStringLiteral("(none)");
    const ToolResult check = runTool("qpdf", {"--check", path});
    if (check.exitCode != 0 || !check.err.isEmpty())
        return QStringLiteral("(broken) ") + check.err + check.out;
    const ToolResult text = runTool("pdftotext", {path, "-"});
    if (text.exitCode != 0)
        return QStringLiteral("(unreadable) ") + text.err;
    return text.out;
}

Snapshot TestCrash::snapshot(const Place& place)
{
    Snapshot result;
    QFile file(place.program + DeclarationName);
    result.declaration = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    result.report = pdfText(place.program + ReportName);
    db::Connection connection(place.database, fixture::sysdba());
    db::Transaction transaction(connection);
    db::Query query(transaction);
    query.setSql("select nrocom, fecha, importe, razon, cuit, periodo from reten order by jid");
    query.open();
    for (; !query.eof(); query.next()) {
        QStringList fields;
        for (int i = 0; i < 6; ++i)
            fields << query.text(i).trimmed();
        result.rows << fields.join('|');
    }
    result.files = QDir(place.program).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    return result;
}

void TestCrash::initTestCase()
{
    QVERIFY2(QFile::exists(child()), qPrintable(child()));
    {
        const Place place = newPlace();
        confirmInChild(place, 3, 201, 3, "none");
        m_newDeclaration = snapshot(place);
    }
    {
        const Place place = newPlace();
        confirmInChild(place, 3, 101, 2, "none");
        m_earlierSamePeriod = snapshot(place);
    }
    {
        const Place place = newPlace();
        confirmInChild(place, 2, 101, 2, "none");
        m_earlierOtherPeriod = snapshot(place);
        QFile file(place.program + "26200332.txt");
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_otherPeriodFile = file.readAll();
    }
    // The references themselves: whole declarations, told apart.
    QCOMPARE(m_newDeclaration.declaration.size(), 3 * 198);
    QCOMPARE(m_newDeclaration.rows.size(), 3);
    QVERIFY(m_newDeclaration.report.contains("Total Retenido ====>"));
    QVERIFY(m_newDeclaration.report.contains("606.00"));
    QCOMPARE(m_earlierSamePeriod.declaration.size(), 2 * 198);
    QVERIFY(m_earlierSamePeriod.report.contains("203.00"));
    QCOMPARE(m_newDeclaration.files, (QStringList{ReportName, DeclarationName}));
    QCOMPARE(m_earlierOtherPeriod.declaration, QByteArray("(none)"));
    QCOMPARE(m_earlierOtherPeriod.report, QStringLiteral("(none)"));
    QCOMPARE(m_earlierOtherPeriod.rows.size(), 2);
}

void TestCrash::init()
{
    m_place = newPlace();
}

void TestCrash::cleanup()
{
    m_place = Place();
}

// The earlier declaration, confirmed to its end: for the same period (its
// files are the ones the new declaration replaces) or for February.
void TestCrash::prepareEarlier(bool samePeriod)
{
    confirmInChild(m_place, samePeriod ? 3 : 2, 101, 2, "none");
    m_before = snapshot(m_place);
    QVERIFY(m_before.describesSameAs(samePeriod ? m_earlierSamePeriod : m_earlierOtherPeriod));
}

void TestCrash::checkConsistent(bool expectNew, bool samePeriod)
{
    const Snapshot after = snapshot(m_place);
    const Snapshot& expected = expectNew ? m_newDeclaration : m_before;
    QCOMPARE(after.declaration, expected.declaration);
    QCOMPARE(after.rows, expected.rows);
    QCOMPARE(after.report, expected.report);
    QStringList files;
    if (!samePeriod)
        files << "26200332.pdf"
              << "26200332.txt";
    if (expectNew || samePeriod)
        files << ReportName << DeclarationName;
    QCOMPARE(after.files, files);
    if (!samePeriod) {
        QFile other(m_place.program + "26200332.txt");
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), m_otherPeriodFile);
    }
}

void TestCrash::killedConfirma_data()
{
    QTest::addColumn<QString>("killAt");
    QTest::addColumn<bool>("samePeriod");
    QTest::addColumn<bool>("expectNew");
    // Each step of CONFIRMA, in order, and the middle of the two file writes.
    const QList<std::pair<const char*, bool>> points{
        {"checks", false},
        {"file-write", false},
        {"file", false},
        {"journal", false},
        {"delete", false},
        {"insert", false},
        {"commit", true},
        {"rename", true},
        {"report-write", true},
        {"report", true},
        {"done", true},
    };
    for (const auto& [point, expectNew] : points) {
        QTest::addRow("%s, replacing", point) << QString(point) << true << expectNew;
        QTest::addRow("%s, new period", point) << QString(point) << false << expectNew;
    }
}

void TestCrash::killedConfirma()
{
    QFETCH(QString, killAt);
    QFETCH(bool, samePeriod);
    QFETCH(bool, expectNew);
    prepareEarlier(samePeriod);
    QVERIFY(!QTest::currentTestFailed());
    confirmInChild(m_place, 3, 201, 3, killAt);
    QVERIFY(!QTest::currentTestFailed());

    // Stopped in the middle of the declaration file's write: its temporary
    // file is there. (The PDF's writer uses an unnamed file where the system
    // has them, so its write leaves no name behind.)
    const QStringList leftBehind = QDir(m_place.program).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    if (killAt == "file-write")
        QVERIFY2(!leftBehind.filter(QRegularExpression("^\\.~retenciones\\.26300332\\.txt\\.\\w{6}$")).isEmpty(),
            qPrintable(leftBehind.join(' ')));
    qInfo("left behind: %s", qPrintable(leftBehind.join(' ')));

    const pending::RecoveryResult result = pending::recover(m_place.program, m_place.database);
    QVERIFY2(result.outcome != pending::RecoveryOutcome::Failed, qPrintable(result.error));
    checkConsistent(expectNew, samePeriod);
    if (QTest::currentTestFailed())
        return;
    // A second start finds nothing to do.
    QCOMPARE(pending::recover(m_place.program, m_place.database).outcome, pending::RecoveryOutcome::NothingPending);
    checkConsistent(expectNew, samePeriod);
}

void TestCrash::killedRecovery_data()
{
    QTest::addColumn<QString>("confirmaKilledAt");
    QTest::addColumn<QString>("recoveryKilledAt");
    QTest::addColumn<bool>("expectNew");
    for (const char* step : {"decided", "declaration", "report", "journal", "leftovers"}) {
        QTest::addRow("confirma at insert, recovery at %s", step) << "insert" << QString(step) << false;
        QTest::addRow("confirma at commit, recovery at %s", step) << "commit" << QString(step) << true;
        QTest::addRow("confirma at report-write, recovery at %s", step) << "report-write" << QString(step) << true;
    }
}

void TestCrash::killedRecovery()
{
    QFETCH(QString, confirmaKilledAt);
    QFETCH(QString, recoveryKilledAt);
    QFETCH(bool, expectNew);
    prepareEarlier(true);
    QVERIFY(!QTest::currentTestFailed());
    confirmInChild(m_place, 3, 201, 3, confirmaKilledAt);
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(runChild({"recover", m_place.program, m_place.database, recoveryKilledAt}), 128 + SIGKILL);

    const pending::RecoveryResult result = pending::recover(m_place.program, m_place.database);
    QVERIFY2(result.outcome != pending::RecoveryOutcome::Failed, qPrintable(result.error));
    checkConsistent(expectNew, true);
}

// Only the program's own temporary files are removed at start-up: names
// that carry its own word after a leading dot and stand for a declaration
// file, a control report or the journal. The agent's copies beside the
// declaration, whatever their suffix, stay.
void TestCrash::onlyTheProgramsTemporariesAreRemoved()
{
    prepareEarlier(true);
    const QStringList ours{".~retenciones.26300332.txt.AbC123", ".~retenciones.26300332.pdf.x9Y8z7",
        ".~retenciones..confirma-pendiente.Qw12Er", ".~retenciones.26B04505.txt.000000"};
    const QStringList others{"26300332.txt.backup", "26300332.txt.copia1", "26300332.pdf.copia1", "26300332.txt.AbC123",
        ".26300332.txt.AbC123", "26300332.txt.bak", "notas.txt", ".~retenciones.notas.txt.AbC123",
        ".~retenciones.26300332.txt.AbC1234", ".~retenciones.26300332.txt"};
    for (const QString& name : ours + others) {
        QFile file(m_place.program + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("partial");
    }
    const pending::RecoveryResult result = pending::recover(m_place.program, m_place.database);
    QCOMPARE(result.outcome, pending::RecoveryOutcome::NothingPending);
    QStringList removed = result.removedLeftovers;
    removed.sort();
    QStringList expectedRemoved = ours;
    expectedRemoved.sort();
    QCOMPARE(removed, expectedRemoved);
    QStringList remaining = QStringList{ReportName, DeclarationName} + others;
    remaining.sort();
    QCOMPARE(QDir(m_place.program).entryList(QDir::Files | QDir::Hidden, QDir::Name), remaining);
    QVERIFY(snapshot(m_place).describesSameAs(m_before));
}

// After a kill past the commit the journal reads, byte for byte: its
// heading, the folder it lies in, the temporary file beside the declaration
// file, the names, the report's captions, the lines' count and digests, and
// a SHA-256 of everything before that line.
void TestCrash::journalFormat()
{
    prepareEarlier(true);
    QVERIFY(!QTest::currentTestFailed());
    confirmInChild(m_place, 3, 201, 3, "commit");
    QVERIFY(!QTest::currentTestFailed());
    const QByteArray journal = readAll(m_place.program + ".confirma-pendiente");
    const QList<QByteArray> lines = journal.split('\n');
    QCOMPARE(lines.size(), 14);
    QCOMPARE(lines.at(0), QByteArray("CONFIRMA-PENDIENTE 2"));
    QCOMPARE(lines.at(1), "carpeta=" + QDir::cleanPath(m_place.program).toUtf8().toPercentEncoding());
    const QString temporary = temporaryFiles().value(0);
    QVERIFY2(QRegularExpression("^\\.~retenciones\\.26300332\\.txt\\.[A-Za-z0-9]{6}$").match(temporary).hasMatch(),
        qPrintable(temporary));
    QCOMPARE(lines.at(2), "temporal=" + temporary.toUtf8().toPercentEncoding());
    QCOMPARE(lines.at(3), QByteArray("ddjj=26300332.txt"));
    QCOMPARE(lines.at(4), QByteArray("reporte=26300332.pdf"));
    QCOMPARE(lines.at(5), QByteArray("periodo=3%2F2026"));
    QVERIFY(lines.at(6).startsWith("leyenda=Periodo%20%3A%203%2F2026%20Legajo%20%3A%20332%20"));
    QCOMPARE(lines.at(7), QByteArray("total=606.00"));
    QCOMPARE(lines.at(8), QByteArray("renglones=3"));
    QVERIFY(QRegularExpression("^renglones-sha256=[0-9a-f]{64}$").match(QString::fromLatin1(lines.at(9))).hasMatch());
    QCOMPARE(lines.at(10),
        "ddjj-sha256=" + QCryptographicHash::hash(m_newDeclaration.declaration, QCryptographicHash::Sha256).toHex());
    const qsizetype checksumAt = journal.indexOf("\nsha256=") + 1;
    QCOMPARE(lines.at(11),
        "sha256=" + QCryptographicHash::hash(journal.left(checksumAt), QCryptographicHash::Sha256).toHex());
    QCOMPARE(lines.at(12), QByteArray("FIN"));
    QCOMPARE(lines.at(13), QByteArray());
}

void TestCrash::untrustedJournal_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("cut in half") << "cut";
    QTest::newRow("emptied") << "empty";
    QTest::newRow("a digit changed") << "digit";
    QTest::newRow("checksum line removed") << "unsealed";
    // Well formed, with a checksum that agrees, and still not to be followed.
    QTest::newRow("names the declaration file as its temporary file") << "declaration";
    QTest::newRow("names another declaration's temporary file") << "other";
    QTest::newRow("brought from another folder") << "folder";
}

// The program died after the commit and before the rename; the journal is
// then damaged or names what it must not. Nothing it says is done and
// nothing is deleted: the declaration file and the store stay as they are
// (the store already holds the new declaration), the temporary file that
// holds the only file copy of it is kept under a plain name, and so is the
// journal; the box says so in Spanish and says what to do. A later start
// keeps them too, and a new CONFIRMA, as the box asks, makes file, store and
// report agree again.
void TestCrash::untrustedJournal()
{
    QFETCH(QString, damage);
    prepareEarlier(true);
    QVERIFY(!QTest::currentTestFailed());
    confirmInChild(m_place, 3, 201, 3, "commit");
    QVERIFY(!QTest::currentTestFailed());
    const QString journalPath = m_place.program + ".confirma-pendiente";
    const QString temporary = temporaryFiles().value(0);
    QVERIFY(!temporary.isEmpty());
    QCOMPARE(readAll(m_place.program + temporary), m_newDeclaration.declaration);

    QByteArray journal = readAll(journalPath);
    if (damage == "cut") {
        journal.truncate(journal.size() / 2);
    } else if (damage == "empty") {
        journal.clear();
    } else if (damage == "digit") {
        journal.replace("renglones=3", "renglones=2");
    } else if (damage == "unsealed") {
        journal = resealed(journal, {});
        journal.remove(journal.indexOf("\nsha256=") + 1, 72);
    } else if (damage == "declaration") {
        journal = resealed(journal, {{"temporal", "26300332.txt"}});
    } else if (damage == "other") {
        QFile other(m_place.program + ".~retenciones.26200332.txt.AbC123");
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(m_earlierOtherPeriodFileBytes());
        other.close();
        journal = resealed(journal, {{"temporal", ".~retenciones.26200332.txt.AbC123"}});
    } else if (damage == "folder") {
        // The same journal, as it reads in the folder it was written in.
        journal = resealed(journal, {{"carpeta", m_place.root->filePath("otra")}});
    }
    writeAll(journalPath, journal);
    const QStringList before = QDir(m_place.program).entryList(QDir::Files | QDir::Hidden, QDir::Name);

    FakeDesktop desktop;
    recoverInterruptedConfirmation(desktop.collaborators(m_place.program, m_place.database));
    QCOMPARE(desktop.messages->shown.size(), 1);
    const ShownBox box = desktop.messages->shown.at(0);
    QCOMPARE(box.kind, ShownBox::Error);
    QCOMPARE(box.text,
        QStringLiteral(
            "La última confirmación quedó interrumpida y su registro no se puede usar: no se cambió ni se "
            "borró nada, y se conservaron en %1 los archivos que detalla este mensaje; vuelva a confirmar la "
            "declaración del período para que el archivo de la DDJJ, la base de datos y el reporte "
            "coincidan.")
            .arg(m_place.program));

    // Every file is still there, the journal and our temporary files under
    // plain names that say they were kept; contents unchanged.
    const Snapshot after = snapshot(m_place);
    QCOMPARE(after.declaration, m_before.declaration);
    QCOMPARE(after.report, m_before.report);
    QCOMPARE(after.rows, m_newDeclaration.rows);
    QCOMPARE(after.files.size(), before.size());
    QVERIFY2(after.files.filter(QRegularExpression("^\\.")).isEmpty(), qPrintable(after.files.join(' ')));
    const QStringList keptJournal =
        after.files.filter(QRegularExpression("^confirma-pendiente\\.conservado-\\d{8}-\\d{6}$"));
    QCOMPARE(keptJournal.size(), 1);
    QCOMPARE(readAll(m_place.program + keptJournal.at(0)), journal);
    const QString keptDeclaration = "26300332.conservado-" + temporary.right(6) + ".txt";
    QVERIFY2(after.files.contains(keptDeclaration), qPrintable(after.files.join(' ')));
    QCOMPARE(readAll(m_place.program + keptDeclaration), m_newDeclaration.declaration);
    for (const QString& kept : keptJournal + QStringList{keptDeclaration})
        QVERIFY2(box.detail.contains(kept), qPrintable(box.detail));

    // The next start finds nothing to do and keeps them.
    QCOMPARE(pending::recover(m_place.program, m_place.database).outcome, pending::RecoveryOutcome::NothingPending);
    QCOMPARE(snapshot(m_place).files, after.files);

    confirmInChild(m_place, 3, 201, 3, "none");
    QVERIFY(!QTest::currentTestFailed());
    const Snapshot confirmed = snapshot(m_place);
    QVERIFY(confirmed.describesSameAs(m_newDeclaration));
    QCOMPARE(confirmed.files, after.files);
}

// The database out of reach at the start after a kill past the commit: the
// error box says so, and the journal and the temporary file it names stay
// for the next start, which completes the declaration.
void TestCrash::startupShowsARecoveryThatCannotBeMade()
{
    prepareEarlier(true);
    QVERIFY(!QTest::currentTestFailed());
    confirmInChild(m_place, 3, 201, 3, "commit");
    QVERIFY(!QTest::currentTestFailed());
    const QStringList left = QDir(m_place.program).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    QCOMPARE(left.size(), 4);
    QVERIFY(left.contains(".confirma-pendiente"));

    const QString away = m_place.database + ".away";
    QVERIFY(QFile::rename(m_place.database, away));
    FakeDesktop desktop;
    recoverInterruptedConfirmation(desktop.collaborators(m_place.program, m_place.database));
    QCOMPARE(desktop.messages->shown.size(), 1);
    const ShownBox box = desktop.messages->shown.at(0);
    QCOMPARE(box.kind, ShownBox::Error);
    QCOMPARE(box.text,
        QStringLiteral("La última confirmación quedó interrumpida y no se pudo completar ni deshacer: sus archivos se "
                       "conservan y el programa lo intentará de nuevo al volver a iniciarse."));
    QVERIFY2(box.detail.contains(m_place.database), qPrintable(box.detail));
    QCOMPARE(QDir(m_place.program).entryList(QDir::Files | QDir::Hidden, QDir::Name), left);

    QVERIFY(QFile::rename(away, m_place.database));
    desktop.messages->shown.clear();
    recoverInterruptedConfirmation(desktop.collaborators(m_place.program, m_place.database));
    QCOMPARE(desktop.messages->texts(), QStringList{});
    checkConsistent(true, true);
}

void TestCrash::declarationThroughALink_data()
{
    QTest::addColumn<QString>("killAt");
    QTest::newRow("completed") << "none";
    QTest::newRow("killed after the commit") << "commit";
}

// The agent keeps the period's declaration file in a folder of its own and
// a link to it beside the program. CONFIRMA asks before replacing the file
// the link leads to, naming it, writes the new declaration there (its
// temporary file beside it, renamed over it) and leaves the link in place;
// after a kill the start-up finishes it through the link as well.
void TestCrash::declarationThroughALink()
{
    QFETCH(QString, killAt);
    prepareEarlier(true);
    QVERIFY(!QTest::currentTestFailed());
    const QString elsewhere = m_place.root->filePath("mis ddjj");
    QVERIFY(QDir().mkpath(elsewhere));
    const QString target = elsewhere + "/marzo.txt";
    QVERIFY(QFile::rename(m_place.program + DeclarationName, target));
    QVERIFY(QFile::link(target, m_place.program + DeclarationName));

    const auto [status, output] =
        runChildWithOutput({"confirm", m_place.program, m_place.database, "3", "201", "3", killAt});
    QCOMPARE(status, expectedStatus(killAt));
    QVERIFY2(output.contains(QStringLiteral(
                 "question: Atención ya existe la DDJJ %1 con 2 renglones y será reemplazada. Continúa ?\n")
                                 .arg(target)),
        qPrintable(output));
    if (killAt != "none") {
        const pending::RecoveryResult result = pending::recover(m_place.program, m_place.database);
        QCOMPARE(result.outcome, pending::RecoveryOutcome::RolledForward);
    }
    const QFileInfo link(m_place.program + DeclarationName);
    QVERIFY(link.isSymLink());
    QCOMPARE(link.symLinkTarget(), target);
    QCOMPARE(readAll(target), m_newDeclaration.declaration);
    QCOMPARE(QDir(elsewhere).entryList(QDir::Files | QDir::Hidden), QStringList{"marzo.txt"});
    checkConsistent(true, true);
}

// The program's folder on a file system of its own, so small that the new
// declaration file and the journal still fit and the control report does
// not. CONFIRMA writes the declaration file and the store, says so and why
// the report is missing; no earlier report stands under the new
// declaration's name. A start while the disk is still full keeps the
// journal; once there is room, the next start writes the report.
void TestCrash::fullDiskLeavesNoEarlierReport()
{
    if (::geteuid() != 0)
        QSKIP("a file system of limited size is mounted only as root");
    const QString mountPoint = QDir::cleanPath(m_place.program);
    QProcess mount;
    mount.setProcessChannelMode(QProcess::MergedChannels);
    mount.start("mount", {"-t", "tmpfs", "-o", "size=512k", "tmpfs", mountPoint});
    if (!mount.waitForFinished() || mount.exitCode() != 0)
        QSKIP(qPrintable("a tmpfs cannot be mounted here: " + QString::fromLocal8Bit(mount.readAll())));
    auto unmount = qScopeGuard([&] { QProcess::execute("umount", {mountPoint}); });

    prepareEarlier(true);
    QVERIFY(!QTest::currentTestFailed());
    QVERIFY(QFileInfo(m_place.program + ReportName).size() > 16 * 1024);
    const auto freeBytes = [&] {
        struct statvfs room
        { };
        return ::statvfs(QFile::encodeName(mountPoint).constData(), &room) == 0
            ? qint64(room.f_bavail) * qint64(room.f_frsize)
            : qint64(-1);
    };
    // Writes `name` until the disk is full, then gives `room` bytes back.
    const auto fill = [this](const QString& name, qint64 room) {
        const QByteArray path = QFile::encodeName(m_place.program + name);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        const QByteArray block(512, 'x');
        off_t size = 0;
        for (ssize_t written = 0; (written = ::write(fd, block.constData(), size_t(block.size()))) > 0;)
            size += written;
        const bool full = errno == ENOSPC;
        const bool given = room == 0 || ::ftruncate(fd, size - size % 4096 - room) == 0;
        ::close(fd);
        return full && given;
    };
    // Three pages left.
    QVERIFY(fill("relleno.bin", 12 * 1024));
    QCOMPARE(freeBytes(), 12 * 1024);

    const auto [status, output] =
        runChildWithOutput({"confirm", m_place.program, m_place.database, "3", "201", "3", "none"});
    QCOMPARE(status, 6);
    const QString expected =
        QStringLiteral("error: La DDJJ quedó grabada en el archivo %1 y en la base de datos, pero el reporte de "
                       "control (PDF) no se generó; el programa lo generará al volver a iniciarse.\n"
                       "detail: Cannot create file \"%2\". %3\n")
            .arg(m_place.program + DeclarationName, m_place.program + ReportName,
                QString::fromLocal8Bit(std::strerror(ENOSPC)));
    QVERIFY2(output.endsWith(expected), qPrintable(output));
    Snapshot after = snapshot(m_place);
    QCOMPARE(after.declaration, m_newDeclaration.declaration);
    QCOMPARE(after.rows, m_newDeclaration.rows);
    QCOMPARE(after.report, QStringLiteral("(none)"));
    QCOMPARE(after.files, (QStringList{".confirma-pendiente", DeclarationName, "relleno.bin"}));

    // Full again: the start cannot write the report and keeps the journal.
    QVERIFY(fill("relleno2.bin", 0));
    QCOMPARE(freeBytes(), 0);
    QCOMPARE(pending::recover(m_place.program, m_place.database).outcome, pending::RecoveryOutcome::Failed);
    after = snapshot(m_place);
    QCOMPARE(after.report, QStringLiteral("(none)"));
    QCOMPARE(after.files, (QStringList{".confirma-pendiente", DeclarationName, "relleno.bin", "relleno2.bin"}));

    QVERIFY(QFile::remove(m_place.program + "relleno.bin"));
    QVERIFY(QFile::remove(m_place.program + "relleno2.bin"));
    QCOMPARE(pending::recover(m_place.program, m_place.database).outcome, pending::RecoveryOutcome::RolledForward);
    checkConsistent(true, true);
}

QTEST_MAIN(TestCrash)
#include "tst_crash.moc"
