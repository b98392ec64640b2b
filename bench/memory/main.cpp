// Peak memory of CONFIRMA on 10,000 lines as the window runs it: the checks,
// the declaration file, the lines stored in an embedded database in a
// temporary directory and the control report exported as a PDF beside the
// declaration file. Prints the process's peak resident size (VmHWM) before
// and after, and the growth of each CONFIRMA. Aim: under 150 MB.
//
// Usage: bench_memory [LINES [ROUNDS]]   (10000 lines, 1 round by default)

#include "db/Connection.h"
#include "declaration/Confirmation.h"
#include "declaration/ControlReport.h"
#include "declaration/Declaration.h"
#include "declaration/Store.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/PeakMemory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

double megabytes(qint64 kilobytes)
{
    return kilobytes / 1024.0;
}

// The lines as typed: receipt amounts with cents, the withholding the line
// entry computes, company names with letters outside ASCII.
void fillDeclaration(Declaration& declaration, int lines)
{
    std::vector<WithholdingLine> rows;
    rows.reserve(lines);
    qint64 totalCents = 0;
    for (int row = 1; row <= lines; ++row) {
        const qint64 receiptCents = 100000 + qint64(row) * 137;
        const qint64 withholding = receiptCents / 20000;
        totalCents += withholding * 100;
        rows.push_back({QString::number(row), QString::number(1000000 + row), QStringLiteral("15/03/2026"),
            QString::number(receiptCents / 100) + QLatin1Char('.')
                + QString::number(receiptCents % 100).rightJustified(2, QLatin1Char('0')),
            QString::number(withholding), QStringLiteral("PROVEEDOR ÑANDÚ %1 SA").arg(row),
            QStringLiteral("20-12345678-6")});
    }
    declaration.appendLines(lines, totalCents, [&rows] { return std::exchange(rows, {}); });
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK")) {
        std::fprintf(stderr, "set FIREBIRD_LOCK to a writable directory (scripts/env.sh does)\n");
        return 1;
    }
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 1;
    if (lines < 0 || rounds < 1) {
        std::fprintf(stderr, "usage: bench_memory [LINES [ROUNDS]]\n");
        return 1;
    }

    QTemporaryDir directory;
    const QString database = fixture::createDatabase(directory, QStringLiteral("RETENCIONES.FDB"));
    const QString programDirectory = directory.path() + QLatin1Char('/');
    std::printf("started:          peak %7.1f MB, resident %7.1f MB\n", megabytes(peakmemory::highWaterKilobytes()),
        megabytes(peakmemory::residentKilobytes()));

    Declaration declaration;
    declaration.setLegajo(QStringLiteral("332"));
    declaration.setMonth(QStringLiteral("3"));
    declaration.setYear(QStringLiteral("2026"));
    declaration.setDeclarant(QStringLiteral("30-71234567-1"), QStringLiteral("MUNICIPAL SERVICIOS SRL"));
    fillDeclaration(declaration, lines);
    std::printf("%6d lines typed: peak %7.1f MB, resident %7.1f MB\n", lines,
        megabytes(peakmemory::highWaterKilobytes()), megabytes(peakmemory::residentKilobytes()));

    // The window keeps its store, connected, for the rest of the run.
    WithholdingStore store(database);
    for (int round = 1; round <= rounds; ++round) {
        Confirmation confirmation(store, programDirectory, [](const QString&) { return true; });
        confirmation.setControlReport(nullptr);
        const Confirmation::Prompts prompts{[](const QString&) { return true; },
            [](const QString& message) { std::fprintf(stderr, "refused: %s\n", qPrintable(message)); }};
        QElapsedTimer clock;
        clock.start();
        const auto confirmed = confirmation.run(declaration, prompts);
        const double elapsed = clock.nsecsElapsed() / 1e6;
        if (!confirmed || !confirmed->reportWritten || confirmed->lineCount != lines) {
            std::fprintf(stderr, "CONFIRMA did not complete\n");
            return 1;
        }
        std::printf("CONFIRMA %d:       peak %7.1f MB, resident %7.1f MB, %8.1f ms, file %lld bytes, PDF %lld bytes, "
                    "database %lld bytes\n",
            round, megabytes(peakmemory::highWaterKilobytes()), megabytes(peakmemory::residentKilobytes()), elapsed,
            static_cast<long long>(QFileInfo(confirmed->declarationPath).size()),
            static_cast<long long>(QFileInfo(confirmed->reportPath).size()),
            static_cast<long long>(QFileInfo(database).size()));
    }
    store.disconnect();
    const qint64 peak = peakmemory::peakKilobytes();
    std::printf("peak memory of %d lines, %d CONFIRMA: %.1f MB (aim: under 150 MB)\n", lines, rounds, megabytes(peak));
    return 0;
}
