// CONFIRMA on 499 and on 10,000 lines against an embedded database in a
// temporary directory: the time of each step, for the first CONFIRMA of a run
// (which connects) and for a later one. Aims: 499 lines under 200 ms, 10,000
// lines under 2 s.

#include "db/Connection.h"
#include "declaration/Confirmation.h"
#include "declaration/Declaration.h"
#include "declaration/Store.h"
#include "tests/support/DatabaseFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <utility>

namespace {

void fillDeclaration(Declaration& declaration, int lines)
{
    declaration.clear();
    declaration.setLegajo(QStringLiteral("332"));
    declaration.setMonth(QStringLiteral("3"));
    declaration.setYear(QStringLiteral("2026"));
    declaration.setDeclarant(QStringLiteral("30-71234567-1"), QStringLiteral("MUNICIPAL SERVICIOS SRL"));
    std::vector<WithholdingLine> rows;
    rows.reserve(lines);
    qint64 totalCents = 0;
    for (int row = 1; row <= lines; ++row) {
        const qint64 receiptCents = 100000 + qint64(row) * 137;
        rows.push_back({QString::number(row), QString::number(1000000 + row), QStringLiteral("15/03/2026"),
            QString::number(receiptCents / 100) + QLatin1Char('.')
                + QString::number(receiptCents % 100).rightJustified(2, QLatin1Char('0')),
            QString::number(receiptCents / 20000), QStringLiteral("PROVEEDOR ÑANDÚ %1 SA").arg(row),
            QStringLiteral("20-12345678-6")});
        totalCents += receiptCents / 20000 * 100;
    }
    declaration.appendLines(lines, totalCents, [&rows] { return std::exchange(rows, {}); });
}

void runConfirma(WithholdingStore& store, const QString& directory, const Declaration& declaration, const char* label)
{
    Confirmation confirmation(store, directory, [](const QString&) { return true; });
    QElapsedTimer clock;
    qint64 last = 0;
    QString steps;
    confirmation.setStepObserver([&](const char* step) {
        const qint64 now = clock.nsecsElapsed();
        steps += QStringLiteral(" %1 %2").arg(QLatin1String(step)).arg((now - last) / 1e6, 0, 'f', 1);
        last = now;
    });
    Confirmation::Prompts prompts{[](const QString&) { return true; },
        [](const QString& message) { std::fprintf(stderr, "refused: %s\n", qPrintable(message)); }};
    clock.start();
    const auto confirmed = confirmation.run(declaration, prompts);
    const double total = clock.nsecsElapsed() / 1e6;
    if (!confirmed) {
        std::fprintf(stderr, "CONFIRMA did not complete\n");
        std::exit(1);
    }
    std::printf(
        "%6d lines, %-7s total %8.1f ms  (ms per step:%s)\n", confirmed->lineCount, label, total, qPrintable(steps));
}

// The insert prepared anew for every line, as a statement whose text is set
// before each use would be without keeping the prepared statement.
void insertPreparingEveryLine(WithholdingStore& store, const Declaration& declaration)
{
    QElapsedTimer clock;
    clock.start();
    store.deleteLines();
    for (int row = 1; row <= declaration.usedRows(); ++row) {
        const WithholdingLine& line = declaration.line(row);
        store.t_reten.unprepare();
        store.storeLine(
            {line.receiptNumber, line.date, 600, line.supplierName, line.supplierCuit, QStringLiteral("3/2026")});
    }
    store.rollback();
    std::printf("%6d lines, insert prepared for every line: %8.1f ms (for comparison, rolled back)\n",
        declaration.usedRows(), clock.nsecsElapsed() / 1e6);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK")) {
        std::fprintf(stderr, "set FIREBIRD_LOCK to a writable directory (scripts/env.sh does)\n");
        return 1;
    }
    QTemporaryDir directory;
    const QString database = fixture::createDatabase(directory, QStringLiteral("RETENCIONES.FDB"));
    const QString programDirectory = directory.path() + QLatin1Char('/');

    Declaration declaration;
    for (int lines : {499, 10000}) {
        WithholdingStore store(database);
        fillDeclaration(declaration, lines);
        runConfirma(store, programDirectory, declaration, "first");
        runConfirma(store, programDirectory, declaration, "again");
        runConfirma(store, programDirectory, declaration, "again");
        insertPreparingEveryLine(store, declaration);
    }
    return 0;
}
