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

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <memory>

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
    void leftoversWithoutJournalAreRemoved();
    void startupShowsARecoveryThatCannotBeMade();

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
    static Snapshot snapshot(const Place& place);
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
        QVERIFY2(!leftBehind.filter(QRegularExpression("^26300332\\.txt\\.\\w{6}$")).isEmpty(),
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

// Temporary files of ours left by anything else are removed at start-up;
// other files of the folder stay.
void TestCrash::leftoversWithoutJournalAreRemoved()
{
    prepareEarlier(true);
    const QStringList ours{
        "26300332.txt.AbC123", "26300332.pdf.x9Y8z7", ".confirma-pendiente.Qw12Er", "26B04505.txt.000000"};
    const QStringList others{"26300332.txt.bak", "notas.txt", "26300332.txt.AbC1234", "x6300332.pdf.AbC123"};
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
    QCOMPARE(box.text, QStringLiteral("La última confirmación quedó interrumpida y no se pudo completar ni deshacer"));
    QVERIFY2(box.detail.contains(m_place.database), qPrintable(box.detail));
    QCOMPARE(QDir(m_place.program).entryList(QDir::Files | QDir::Hidden, QDir::Name), left);

    QVERIFY(QFile::rename(away, m_place.database));
    desktop.messages->shown.clear();
    recoverInterruptedConfirmation(desktop.collaborators(m_place.program, m_place.database));
    QCOMPARE(desktop.messages->texts(), QStringList{});
    checkConsistent(true, true);
}

QTEST_MAIN(TestCrash)
#include "tst_crash.moc"
