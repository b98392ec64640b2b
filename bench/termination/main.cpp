// Time from a termination signal to the end of the program, measured from
// outside: a child goes through the program's start-up (offscreen platform),
// confirms a declaration of a few lines read from an import file into a
// fresh database and waits; the parent then sends SIGTERM and waits for the
// child to end. Also measured with no CONFIRMA before the signal (the
// database never attached), and with the signal sent as the import and the
// CONFIRMA of 10,000 lines start (it is seen once a handler lets window
// events run: the export's progress window, which it then cancels), and
// with the signal sent while a handler keeps the event loop from turning for
// five seconds (the watchdog's grace ends the process), and as an import of
// 500,000 lines starts.
// Several runs each; median, min and max.
#include "tests/support/DatabaseFixture.h"
#include "tests/support/Schema.h"

#include "app/LockFolder.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "core/ProcessLocale.h"
#include "db/Connection.h"
#include "declaration/StoreSettings.h"
#include "tests/support/WindowControls.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace {

class YesBoxes : public MessageBoxes
{
public:
    // The signal during the export cancels it, and its box says so; nothing to report.
    void information(const QString&) override { }
    bool question(const QString&, DefaultButton) override { return true; }
    void error(const QString& message, const QString&) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(message));
    }
};

class NoBeep : public SystemBeep
{
public:
    void beep() override { }
};

class ImportFileDialog : public OpenFileDialog
{
public:
    QString getOpenFileName(const QString&, const QString&) override { return qEnvironmentVariable("BENCH_IMPORT"); }
};

// One record of the import file: supplier CUIT, date, withheld and receipt
// amounts in hundredths, receipt number, supplier, declarant.
QByteArray importRecord(int number)
{
    const qint64 receiptCents = 100000 + number * 100;
    QString line = QStringLiteral("20-12345678-9") + QStringLiteral("20260315") + QStringLiteral("032026");
    line += QString::number(receiptCents / 200).rightJustified(11, QLatin1Char('0'));
    line += QString::number(number).rightJustified(13, QLatin1Char('0'));
    line += QStringLiteral("PROVEEDOR SA").leftJustified(60, QLatin1Char(' '));
    line += QStringLiteral("30-71234567-1");
    line += QStringLiteral("MUNICIPAL SERVICIOS SRL").leftJustified(60, QLatin1Char(' '));
    line += QString::number(receiptCents).rightJustified(11, QLatin1Char('0'));
    return line.toLatin1() + "\r\n";
}

enum class Moment { AfterConfirma, BeforeConfirma, DuringConfirma, Busy, DuringImport };

int runChild(int argc, char** argv, Moment moment)
{
    prepareStartup();
    useUserFirebirdLockFolder();
    QApplication application(argc, argv);
    useNeutralProcessLocale();
    configureApplication(application);
    Collaborators collaborators;
    collaborators.messages = std::make_shared<YesBoxes>();
    collaborators.beep = std::make_shared<NoBeep>();
    collaborators.fileDialog = std::make_shared<ImportFileDialog>();
    collaborators.programDirectory = qEnvironmentVariable("BENCH_PROGRAM_DIR");
    collaborators.databaseName = storesettings::databaseName();
    QTimer::singleShot(0, [moment] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<TF_Retenciones*>(widget);
            if (!window)
                continue;
            // The period 03/2026 of legajo 332, as a user types it.
            const auto typeHeader = [](TF_Retenciones& window) {
                const WindowControls controls = WindowControls::of(window);
                controls.e_legaJo->setText(QStringLiteral("332"));
                window.runHandler([&window] { window.e_legaJoExit(); });
                controls.e_Mes->setText(QStringLiteral("3"));
                window.runHandler([&window] { window.e_MesExit(); });
                controls.E_ano->setText(QStringLiteral("2026"));
                window.runHandler([&window] { window.E_anoExit(); });
            };
            if (moment == Moment::Busy) {
                std::puts("ready");
                std::fflush(stdout);
                std::this_thread::sleep_for(std::chrono::seconds(5));
                return;
            }
            if (moment == Moment::DuringImport) {
                typeHeader(*window);
                std::puts("ready");
                std::fflush(stdout);
                window->runHandler([window] { window->B1Click(); });
                return;
            }
            if (moment == Moment::DuringConfirma) {
                std::puts("ready");
                std::fflush(stdout);
            }
            if (moment != Moment::BeforeConfirma) {
                typeHeader(*window);
                window->runHandler([window] { window->B1Click(); });
                window->runHandler([window] { window->B_ConfirmaClick(); });
            }
            if (moment != Moment::DuringConfirma) {
                std::puts("ready");
                std::fflush(stdout);
            }
        }
    });
    return runProgram(std::move(collaborators));
}

// Milliseconds from SIGTERM to the child's end; negative when it failed.
double runOnce(const QString& self, Moment moment, const QTemporaryDir& directory)
{
    const QString home = directory.filePath(QStringLiteral("home"));
    QDir(home).removeRecursively();
    QDir().mkpath(home + QStringLiteral("/Retenciones"));
    db::Connection::createDatabase(home + QStringLiteral("/Retenciones/RETENCIONES.FDB"), fixture::sysdba(),
        QStringLiteral("WIN1252"), projectSchema());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("BENCH_CHILD"), QString::number(int(moment)));
    environment.insert(QStringLiteral("BENCH_PROGRAM_DIR"), directory.filePath(QStringLiteral("program")) + '/');
    environment.insert(QStringLiteral("BENCH_IMPORT"),
        directory.filePath(moment == Moment::DuringConfirma ? QStringLiteral("large.txt")
                : moment == Moment::DuringImport            ? QStringLiteral("huge.txt")
                                                            : QStringLiteral("import.txt")));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, {});
    if (!child.waitForStarted())
        return -1;
    while (!child.canReadLine()) {
        if (!child.waitForReadyRead(60000))
            return -1;
    }
    if (child.readLine().trimmed() != "ready")
        return -1;
    QElapsedTimer timer;
    timer.start();
    ::kill(pid_t(child.processId()), SIGTERM);
    if (!child.waitForFinished(30000))
        return -1;
    const double milliseconds = double(timer.nsecsElapsed()) / 1e6;
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 128 + SIGTERM)
        return -1;
    // CONFIRMA wrote its declaration file (and went no further than a box otherwise).
    QFile declaration(directory.filePath(QStringLiteral("program/26300332.txt")));
    const bool written = declaration.exists();
    declaration.remove();
    // During CONFIRMA the program may reach the export's progress window
    // before its grace ends, or be ended by the watchdog before that (a
    // loaded machine): either way it ends, which is what is measured here.
    if (moment == Moment::DuringConfirma)
        return milliseconds;
    return written == (moment == Moment::AfterConfirma) ? milliseconds : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (const QByteArray mode = qgetenv("BENCH_CHILD"); !mode.isEmpty())
        return runChild(argc, argv, Moment(mode.toInt()));

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QCoreApplication application(argc, argv);
    useUserFirebirdLockFolder();
    QTemporaryDir directory;
    QDir().mkpath(directory.filePath(QStringLiteral("program")));
    for (const auto& [name, lines] :
        {std::pair{"import.txt", 20}, std::pair{"large.txt", 10000}, std::pair{"huge.txt", 500000}}) {
        QFile import(directory.filePath(QString::fromLatin1(name)));
        if (!import.open(QIODevice::WriteOnly))
            return 1;
        for (int i = 1; i <= lines; ++i)
            import.write(importRecord(i));
    }

    constexpr int runs = 10;
    const std::pair<Moment, const char*> moments[] = {
        {Moment::AfterConfirma, "after a CONFIRMA of 20 lines"},
        {Moment::BeforeConfirma, "before any CONFIRMA"},
        {Moment::DuringConfirma, "sent as the import and CONFIRMA of 10,000 lines start"},
        {Moment::Busy, "with a handler keeping the event loop from turning"},
        {Moment::DuringImport, "sent as an import of 500,000 lines starts"},
    };
    for (const auto& [moment, description] : moments) {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            const double milliseconds = runOnce(QCoreApplication::applicationFilePath(), moment, directory);
            if (milliseconds < 0) {
                std::fprintf(stderr, "run %d failed\n", i + 1);
                return 1;
            }
            times.push_back(milliseconds);
        }
        std::sort(times.begin(), times.end());
        std::printf("SIGTERM to end of program, %s, %d runs: median %.1f ms, min %.1f ms, max %.1f ms\n", description,
            runs, times[times.size() / 2], times.front(), times.back());
    }
    return 0;
}
