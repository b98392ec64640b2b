// CONFIRMA on 499 and on 10,000 lines against an embedded database in a
// temporary directory: the time of each step, for the first CONFIRMA of a run
// (which connects) and for a later one. Aims: 499 lines under 200 ms, 10,000
// lines under 2 s.

#include "db/Connection.h"
#include "declaration/Confirmation.h"
#include "declaration/Store.h"
#include "tests/support/DatabaseFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void fillGrid(WithholdingGrid& grid, int lines)
{
    grid.clearLines();
    std::vector<WithholdingGrid::Line> rows;
    rows.reserve(lines);
    for (int row = 1; row <= lines; ++row) {
        const qint64 receiptCents = 100000 + qint64(row) * 137;
        rows.push_back({QString::number(row), QString::number(1000000 + row), QStringLiteral("15/03/2026"),
            QString::number(receiptCents / 100) + QLatin1Char('.')
                + QString::number(receiptCents % 100).rightJustified(2, QLatin1Char('0')),
            QString::number(receiptCents / 20000), QStringLiteral("PROVEEDOR ÑANDÚ %1 SA").arg(row),
            QStringLiteral("20-12345678-6")});
    }
    grid.setLines(1, std::move(rows));
}

void runConfirma(WithholdingStore& store, const QString& directory, const WithholdingGrid& grid, const char* label)
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
    const auto confirmed =
        confirmation.run({"3", "2026", "332", "30-71234567-1", "MUNICIPAL SERVICIOS SRL"}, grid, prompts);
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
void insertPreparingEveryLine(WithholdingStore& store, const WithholdingGrid& grid)
{
    QElapsedTimer clock;
    clock.start();
    store.deleteLines();
    for (int row = 1; row <= grid.usedRows(); ++row) {
        const WithholdingGrid::Line& cells = grid.line(row);
        store.t_reten.unprepare();
        store.storeLine({cells[1], cells[2], 600, cells[5], cells[6], QStringLiteral("3/2026")});
    }
    store.rollback();
    std::printf("%6d lines, insert prepared for every line: %8.1f ms (for comparison, rolled back)\n", grid.usedRows(),
        clock.nsecsElapsed() / 1e6);
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

    WithholdingGrid grid;
    for (int lines : {499, 10000}) {
        WithholdingStore store(database);
        fillGrid(grid, lines);
        runConfirma(store, programDirectory, grid, "first");
        runConfirma(store, programDirectory, grid, "again");
        runConfirma(store, programDirectory, grid, "again");
        insertPreparingEveryLine(store, grid);
    }
    return 0;
}
