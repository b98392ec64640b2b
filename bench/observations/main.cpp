// Works out the observations of an import and prints their figures.
//
// First table: the observations on the grid alone (invalid CUIT, repeated
// receipt number, date outside the period) on grids of generated lines, per
// size and case, the box's detail text included.
//
// Second table: an import of 10,000 lines checked against 24 declaration
// files of other periods of the same legajo, 10,000 lines each, in the folder
// where CONFIRMA writes them, beside the same import checked without them.
// Each case runs in a process of its own so that its peak memory is its own.
#include "declaration/Cuit.h"
#include "declaration/Declaration.h"
#include "declaration/ImportObservations.h"
#include "declaration/LineLoad.h"
#include "declaration/Record.h"
#include "tests/support/PeakMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

enum class Case { Clean, EveryReceiptTwice, EveryCuitInvalid, EveryDateOutside };

WithholdingLine gridLine(int row, Case kind)
{
    const int receipt = kind == Case::EveryReceiptTwice ? (row + 1) / 2 : row;
    const QString cuit =
        kind == Case::EveryCuitInvalid ? QStringLiteral("20-12345678-9") : QStringLiteral("20-12345678-6");
    const QString date = kind == Case::EveryDateOutside ? QStringLiteral("15/04/2026") : QStringLiteral("15/03/2026");
    return {QString::number(row), QString::number(receipt).rightJustified(13, QLatin1Char('0')), date,
        QStringLiteral("000001380.00"), QStringLiteral("7"), QStringLiteral("PROVEEDOR SA"), cuit};
}

const char* caseName(Case kind)
{
    switch (kind) {
    case Case::Clean:
        return "clean";
    case Case::EveryReceiptTwice:
        return "receipts twice";
    case Case::EveryCuitInvalid:
        return "CUITs invalid";
    case Case::EveryDateOutside:
        return "dates outside";
    }
    return "";
}

// Legajo 332, March 2026.
void setPeriod(Declaration& declaration)
{
    declaration.setLegajo(QStringLiteral("332"));
    declaration.setMonth(QStringLiteral("3"));
    declaration.setYear(QStringLiteral("2026"));
}

int gridTable()
{
    std::printf("Observations on the grid\n");
    std::printf("%10s %16s %10s %14s %12s\n", "lines", "case", "observed", "detail chars", "ms (best)");
    for (const int lines : {1000, 10000, 100000}) {
        for (const Case kind : {Case::Clean, Case::EveryReceiptTwice, Case::EveryCuitInvalid, Case::EveryDateOutside}) {
            std::vector<WithholdingLine> rows;
            rows.reserve(size_t(lines));
            for (int row = 1; row <= lines; ++row)
                rows.push_back(gridLine(row, kind));
            Declaration declaration;
            setPeriod(declaration);
            declaration.appendLines(lines, qint64(lines) * 700, [&rows] { return std::exchange(rows, {}); });

            double best = 0;
            qint64 observed = 0;
            qsizetype detailSize = 0;
            for (int run = 0; run < 5; ++run) {
                QElapsedTimer timer;
                timer.start();
                const importobservations::Observations observations =
                    importobservations::observe(declaration, 1, lines);
                const QString detail = importobservations::detail(observations);
                const double milliseconds = double(timer.nsecsElapsed()) / 1e6;
                observed = observations.count;
                detailSize = detail.size();
                best = run == 0 ? milliseconds : std::min(best, milliseconds);
            }
            std::printf("%10d %16s %10lld %14lld %12.2f\n", lines, caseName(kind), observed, qint64(detailSize), best);
            std::fflush(stdout);
        }
    }
    return 0;
}

constexpr int ImportLines = 10000;
constexpr int OtherFiles = 24;
constexpr int OtherLines = 10000;
// Every hundredth line of the import stands in each other file too.
constexpr int SharedEvery = 100;

// A CUIT with its right check digit, one of 500 suppliers.
QByteArray supplierCuit(int supplier)
{
    for (int number = 10000000 + (supplier % 500) * 1000;; ++number) {
        const QString firstTen = QStringLiteral("20") + QString::number(number);
        const int digit = cuit::checkDigit(firstTen);
        if (digit >= 0)
            return QStringLiteral("20-%1-%2").arg(number).arg(digit).toLatin1();
    }
}

// One record of supplier `supplier`, receipt `receipt`, for the period; every
// seventh company name holds an Ñ, as real files do.
QByteArray record(int supplier, int receipt, int year, int month)
{
    const qint64 receiptCents = 100000 + qint64(receipt % 5000) * 137;
    const qint64 withheldCents = receiptCents / 200;
    const QString name = (supplier % 7 == 0 ? QStringLiteral("COMPAÑIA %1 SA") : QStringLiteral("PROVEEDOR %1 SRL"))
                             .arg(supplier)
                             .leftJustified(60, QLatin1Char(' '));
    const QByteArray period = QByteArray::number(year) + QByteArray::number(month + 100).mid(1);
    QByteArray line;
    line += supplierCuit(supplier);
    line += period;
    line += QByteArray("15") + QByteArray::number(month + 100).mid(1) + QByteArray::number(year);
    line += QByteArray::number(withheldCents).rightJustified(11, '0');
    line += QByteArray::number(receipt).rightJustified(13, '0');
    line += name.toLatin1();
    line += "30-71234567-1";
    line += QByteArray("MUNICIPAL SERVICIOS SRL").leftJustified(60, ' ');
    line += QByteArray::number(receiptCents).rightJustified(11, '0');
    return line + "\r\r\n";
}

bool writeFiles(const QString& folder)
{
    QFile import(folder + QStringLiteral("/import.txt"));
    if (!import.open(QIODevice::WriteOnly))
        return false;
    for (int line = 1; line <= ImportLines; ++line)
        import.write(record(line, 500000 + line, 2026, 3));
    import.close();
    // 24 periods before March 2026: March 2024 to February 2026.
    for (int file = 0; file < OtherFiles; ++file) {
        const int monthIndex = 2024 * 12 + 2 + file;
        const int year = monthIndex / 12;
        const int month = monthIndex % 12 + 1;
        const QString name = record::declarationFileName(QString::number(month), QString::number(year), "332");
        QFile other(folder + QLatin1Char('/') + name);
        if (!other.open(QIODevice::WriteOnly))
            return false;
        for (int line = 1; line <= OtherLines; ++line) {
            const bool shared = line % SharedEvery == 0;
            other.write(shared ? record(line, 500000 + line, year, month)
                               : record(line, 1000000 * (file + 1) + line, year, month));
        }
    }
    return true;
}

// One case in this process: the import, then its observations with or
// without the other declaration files. Prints the times in nanoseconds, the
// baseline and the peak in kB, and what was found.
int measure(const QString& folder, bool withOthers)
{
    // VmHWM alone: the kernel's lifetime maximum of a started process
    // carries the parent's.
    peakmemory::resetPeak();
    const qint64 baseline = peakmemory::highWaterKilobytes();
    Declaration declaration;
    setPeriod(declaration);
    QElapsedTimer timer;
    timer.start();
    lineload::importFile(folder + QStringLiteral("/import.txt"), declaration);
    const qint64 importNanoseconds = timer.nsecsElapsed();

    timer.restart();
    const importobservations::Observations observations =
        importobservations::observe(declaration, 1, declaration.nextRow() - 1, withOthers ? folder : QString());
    const QString detail = importobservations::detail(observations);
    const qint64 observeNanoseconds = timer.nsecsElapsed();
    const qint64 peak = peakmemory::highWaterKilobytes();
    std::printf("%lld %lld %lld %lld %lld %lld\n", importNanoseconds, observeNanoseconds, baseline, peak,
        observations.count, qint64(detail.size()));
    return 0;
}

int folderTable(const QString& program)
{
    QTemporaryDir directory;
    if (!writeFiles(directory.path())) {
        std::fprintf(stderr, "cannot write the files\n");
        return 1;
    }
    std::printf("\nImport of %d lines against %d declaration files of %d lines each (best of 3)\n", ImportLines,
        OtherFiles, OtherLines);
    std::printf(
        "%22s %12s %14s %12s %12s %10s\n", "case", "import ms", "observe ms", "peak MB", "growth MB", "observed");
    qint64 importOnlyGrowth = 0;
    for (const bool withOthers : {false, true}) {
        double bestImport = 0;
        double bestObserve = 0;
        qint64 growth = 0;
        qint64 peak = 0;
        qint64 observed = 0;
        for (int run = 0; run < 3; ++run) {
            QProcess child;
            child.start(program,
                {QStringLiteral("--measure"), directory.path(),
                    withOthers ? QStringLiteral("others") : QStringLiteral("alone")});
            if (!child.waitForFinished(300000) || child.exitCode() != 0) {
                std::fprintf(stderr, "%s", child.readAllStandardError().constData());
                return 1;
            }
            const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
            const double importMs = figures.value(0).toDouble() / 1e6;
            const double observeMs = figures.value(1).toDouble() / 1e6;
            bestImport = run == 0 ? importMs : std::min(bestImport, importMs);
            bestObserve = run == 0 ? observeMs : std::min(bestObserve, observeMs);
            peak = std::max(peak, figures.value(3).toLongLong());
            growth = std::max(growth, figures.value(3).toLongLong() - figures.value(2).toLongLong());
            observed = figures.value(4).toLongLong();
        }
        if (!withOthers)
            importOnlyGrowth = growth;
        std::printf("%22s %12.1f %14.1f %12.1f %12.1f %10lld\n",
            withOthers ? "with 24 other files" : "without other files", bestImport, bestObserve, peak / 1024.0,
            growth / 1024.0, observed);
        if (withOthers)
            std::printf(
                "%22s %12s %14s %12s %12.1f\n", "more than alone", "", "", "", (growth - importOnlyGrowth) / 1024.0);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--measure"))
        return measure(arguments.at(2), arguments.at(3) == QLatin1String("others"));
    if (const int failed = gridTable())
        return failed;
    return folderTable(application.applicationFilePath());
}
