// Runs the real CONFIRMA sequence, or the start-up recovery, in a process of
// its own and ends that process abruptly at a chosen step, as a power cut or
// a killed program would.
//
//   confirma_child confirm <programDir> <database> <month> <firstReceipt> <count> <killAt>
//   confirma_child recover <programDir> <database> <killAt>
//
// CONFIRMA prints each question it asks ("question: TEXT", answered Yes) and
// an error it ends with ("error: TEXT", "detail: DETAIL", status 6).
// killAt is a step name of the observer (SIGKILL as the step ends), "none",
// or for CONFIRMA "file-write" / "report-write": a file-size limit that stops
// the process with SIGXFSZ in the middle of writing the declaration file or
// the control report (whose lines are then read ahead into memory).
#include "core/Error.h"
#include "declaration/AgentRegistry.h"
#include "declaration/Confirmation.h"
#include "declaration/ControlReport.h"
#include "declaration/Declaration.h"
#include "declaration/PendingConfirmation.h"
#include "declaration/Store.h"
#include "tests/support/MemoryDataSet.h"

#include <QGuiApplication>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace {

// Small enough to stop any declaration file or PDF these tests write.
constexpr rlim_t WriteLimit = 300;

void limitFileSize()
{
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    std::signal(SIGXFSZ, SIG_DFL);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = WriteLimit;
    setrlimit(RLIMIT_FSIZE, &limit);
}

int confirm(const QStringList& args)
{
    const QString directory = args.at(0);
    const QString database = args.at(1);
    const QString month = args.at(2);
    const int first = args.at(3).toInt();
    const int count = args.at(4).toInt();
    const QByteArray killAt = args.at(5).toLatin1();

    AgentRegistry registry;
    registry.load();
    const std::optional<Agent> agent = registry.lookup(QStringLiteral("332"));
    if (!agent)
        return 3;
    Declaration declaration;
    declaration.setLegajo(QStringLiteral("332"));
    declaration.setMonth(month);
    declaration.setYear(QStringLiteral("2026"));
    declaration.setDeclarant(agent->cuit, agent->companyName);
    for (int row = 1; row <= count; ++row) {
        const int receipt = first + row - 1;
        declaration.addLine({QString::number(row), QString::number(receipt),
            QStringLiteral("15/%1/2026").arg(month.toInt(), 2, 10, QLatin1Char('0')),
            QString::number(200 * receipt) + QStringLiteral(".00"), QString::number(receipt),
            QStringLiteral("PROVEEDOR %1 SA").arg(receipt), QStringLiteral("20-12345678-6")});
    }

    WithholdingStore store(database);
    Confirmation confirmation(
        store, directory, [&](const QString& legajo) { return registry.lookup(legajo).has_value(); });
    if (killAt != "report-write") {
        // As the window exports it, without the progress window.
        confirmation.setControlReport(nullptr);
    } else {
        confirmation.setReportExport([periodo = declaration.periodoCaption(), total = declaration.totalText()](
                                         DataSet& lines, const QString& pdfPath) {
            // The stored lines are read first, so that the size limit stops the
            // PDF's write and not the database's own.
            const QStringList names = ControlReport::fieldNames();
            MemoryDataSet copy(names);
            for (lines.first(); !lines.eof(); lines.next()) {
                std::vector<FieldValue> values;
                for (const QString& name : names)
                    values.push_back(lines.field(name));
                copy.append(values);
            }
            limitFileSize();
            return controlreport::exportControlReport(copy, pdfPath, periodo, total, nullptr)
                == ExportOutcome::Completed;
        });
    }
    confirmation.setStepObserver([&](const char* step) {
        if (killAt == "file-write" && std::strcmp(step, "checks") == 0)
            limitFileSize();
        else if (killAt == step)
            std::raise(SIGKILL);
    });
    // Every question on the standard output, answered Yes.
    const Confirmation::Prompts prompts{[](const QString& question) {
                                            std::printf("question: %s\n", qPrintable(question));
                                            std::fflush(stdout);
                                            return true;
                                        },
        [](const QString& message) { std::fprintf(stderr, "refused: %s\n", qPrintable(message)); }};
    try {
        const std::optional<ConfirmedDeclaration> confirmed = confirmation.run(declaration, prompts);
        return confirmed && confirmed->reportWritten ? 0 : 4;
    } catch (const Error& error) {
        // The error box's text and detail.
        std::printf("error: %s\ndetail: %s\n", qPrintable(error.message()), qPrintable(error.detail()));
        return 6;
    }
}

int recover(const QStringList& args)
{
    const QByteArray killAt = args.at(2).toLatin1();
    const pending::RecoveryResult result = pending::recover(args.at(0), args.at(1), [&](const char* step) {
        if (killAt == step)
            std::raise(SIGKILL);
    });
    if (result.outcome == pending::RecoveryOutcome::Failed) {
        std::fprintf(stderr, "recovery failed: %s\n", qPrintable(result.error));
        return 5;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // The report measures its texts with the font services.
    QGuiApplication application(argc, argv);
    QStringList args = application.arguments().mid(1);
    if (args.size() == 7 && args.first() == QLatin1String("confirm"))
        return confirm(args.mid(1));
    if (args.size() == 4 && args.first() == QLatin1String("recover"))
        return recover(args.mid(1));
    std::fprintf(stderr, "usage: confirma_child confirm|recover ...\n");
    return 2;
}
