// The control report exported for 499 and for 10,000 stored lines: the lines
// stored in an embedded database in a temporary directory, opened by the
// report's select and exported through the PDF writer; the time of the select
// and of the export, and the size of the file. The export alone over lines
// held in memory is timed too. Aims: 499 lines under 150 ms, 10,000 under 2 s.

#include "db/Connection.h"
#include "declaration/ControlReport.h"
#include "declaration/Store.h"
#include "declaration/StoreDataSet.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/MemoryDataSet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

StoredLine lineNumber(int row)
{
    return {QString::number(1000000 + row), QStringLiteral("15/03/2026"), qint64(row % 900 + 1) * 100,
        QStringLiteral("PROVEEDOR ÑANDÚ %1 SA").arg(row), QStringLiteral("20-12345678-6"), QStringLiteral("3/2026")};
}

QString periodo()
{
    return controlreport::periodoCaption("3", "2026", "332", "MUNICIPAL SERVICIOS SRL");
}

double milliseconds(const QElapsedTimer& clock)
{
    return clock.nsecsElapsed() / 1e6;
}

void exportFromStore(WithholdingStore& store, const QString& directory, int lines, int round)
{
    store.deleteLines();
    for (int row = 1; row <= lines; ++row)
        store.storeLine(lineNumber(row));
    store.commit();

    const QString path = directory + QStringLiteral("/26300332.pdf");
    QElapsedTimer clock;
    clock.start();
    StoreDataSet data(store.openLines());
    const double select = milliseconds(clock);
    clock.restart();
    const ExportOutcome outcome =
        controlreport::exportControlReport(data, path, periodo(), QStringLiteral("1"), nullptr);
    const double exported = milliseconds(clock);
    if (outcome != ExportOutcome::Completed) {
        std::fprintf(stderr, "export did not complete\n");
        std::exit(1);
    }
    std::printf("%6d stored lines, round %d: select %7.1f ms, export %7.1f ms, total %7.1f ms, %9lld bytes\n", lines,
        round, select, exported, select + exported, static_cast<long long>(QFileInfo(path).size()));
}

void exportFromMemory(const QString& directory, int lines)
{
    MemoryDataSet data(ControlReport::fieldNames());
    for (int row = 1; row <= lines; ++row) {
        const StoredLine line = lineNumber(row);
        data.append({MemoryDataSet::string(line.receiptNumber), MemoryDataSet::string(line.date),
            MemoryDataSet::string(line.supplierCuit), MemoryDataSet::bcd(line.withholdingCents, 2),
            MemoryDataSet::string(line.supplierName)});
    }
    const QString path = directory + QStringLiteral("/memory.pdf");
    QElapsedTimer clock;
    clock.start();
    controlreport::exportControlReport(data, path, periodo(), QStringLiteral("1"), nullptr);
    std::printf("%6d lines in memory:        export %7.1f ms, %9lld bytes\n", lines, milliseconds(clock),
        static_cast<long long>(QFileInfo(path).size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTemporaryDir directory;
    const QString database = fixture::createDatabase(directory, QStringLiteral("RETENCIONES.FDB"));
    WithholdingStore store(database);
    // The first export of a run also loads the fonts' metrics; later ones
    // find them loaded.
    for (int round = 1; round <= 2; ++round) {
        for (int lines : {499, 10000})
            exportFromStore(store, directory.path(), lines, round);
    }
    for (int lines : {499, 1000, 5000, 10000})
        exportFromMemory(directory.path(), lines);
    store.disconnect();
    return 0;
}
