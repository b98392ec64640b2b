// Imports generated files of valid declaration records into the main window's
// grid, as "Importación de Archivo" does, and prints lines per second and the
// peak memory for each size. Each size runs in a process of its own so that
// its peak memory is its own.
#include "app/Collaborators.h"
#include "app/Retenciones.h"
#include "declaration/Declaration.h"
#include "declaration/LineLoad.h"
#include "tests/support/PeakMemory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class SilentBoxes : public MessageBoxes
{
public:
    void information(const QString& text) override { shown << text; }
    bool question(const QString&) override { return false; }
    void error(const QString& message, const QString&) override { shown << message; }
    QStringList shown;
};

class NoBeep : public SystemBeep
{
public:
    void beep() override { }
};

class FixedDialog : public OpenFileDialog
{
public:
    QString getOpenFileName() override { return path; }
    QString path;
};

// One valid record: amounts that pass the cross-check, 195 characters.
QByteArray record(int number)
{
    const qint64 receiptCents = 100000 + qint64(number % 5000) * 137;
    const qint64 withheldCents = receiptCents / 200;
    QByteArray line;
    line += "20-12345678-6";
    line += "20260315";
    line += "032026";
    line += QByteArray::number(withheldCents).rightJustified(11, '0');
    line += QByteArray::number(number).rightJustified(13, '0');
    line += QByteArray("PROVEEDOR NUMERO ").append(QByteArray::number(number)).leftJustified(60, ' ');
    line += "30-71234567-1";
    line += QByteArray("MUNICIPAL SERVICIOS SRL").leftJustified(60, ' ');
    line += QByteArray::number(receiptCents).rightJustified(11, '0');
    return line;
}

int measure(int lines)
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("import.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        for (int i = 1; i <= lines; ++i)
            file.write(record(i) + "\r\r\n");
    }

    auto boxes = std::make_shared<SilentBoxes>();
    auto dialog = std::make_shared<FixedDialog>();
    dialog->path = path;
    Collaborators collaborators;
    collaborators.messages = boxes;
    collaborators.beep = std::make_shared<NoBeep>();
    collaborators.fileDialog = dialog;
    collaborators.programDirectory = directory.path() + QLatin1Char('/');
    TF_Retenciones window(collaborators);
    window.show();
    QApplication::processEvents();
    const qint64 baseline = peakmemory::highWaterKilobytes();

    QElapsedTimer timer;
    timer.start();
    window.B1Click();
    // The view takes the new rows and paints them before the user sees them.
    window.repaint();
    QApplication::processEvents();
    const qint64 nanoseconds = timer.nsecsElapsed();

    if (window.declaration().nextRow() != lines + 1 || !boxes->shown.isEmpty()) {
        std::fprintf(stderr, "import of %d lines went wrong: next row %d, %lld boxes\n", lines,
            window.declaration().nextRow(), qint64(boxes->shown.size()));
        return 1;
    }
    const qint64 peak = peakmemory::highWaterKilobytes();

    // The same file read into a grid that no view shows: the share of the
    // reading and converting in the figure above.
    Declaration detached;
    timer.restart();
    lineload::importFile(path, detached);
    const qint64 loadNanoseconds = timer.nsecsElapsed();

    std::printf("%d %lld %lld %lld %lld\n", lines, nanoseconds, baseline, peak, loadNanoseconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--lines"))
        return measure(arguments.at(2).toInt());

    std::printf("%10s %12s %14s %12s %16s %16s %18s\n", "lines", "ms (best)", "lines/s", "file MB", "peak MB",
        "growth MB", "load only ms");
    const int runs = 3;
    // 530,000 lines: a file of about 100 MB.
    for (const int lines : {1000, 10000, 100000, 530000}) {
        std::vector<double> times;
        std::vector<double> loadTimes;
        qint64 peak = 0;
        qint64 baseline = 0;
        for (int run = 0; run < runs; ++run) {
            QProcess child;
            child.start(application.applicationFilePath(), {QStringLiteral("--lines"), QString::number(lines)});
            if (!child.waitForFinished(300000) || child.exitCode() != 0) {
                std::fprintf(stderr, "%s", child.readAllStandardError().constData());
                return 1;
            }
            const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
            times.push_back(figures.value(1).toDouble() / 1e6);
            loadTimes.push_back(figures.value(4).toDouble() / 1e6);
            baseline = figures.value(2).toLongLong();
            peak = std::max(peak, figures.value(3).toLongLong());
        }
        const double best = *std::min_element(times.begin(), times.end());
        const double bestLoad = *std::min_element(loadTimes.begin(), loadTimes.end());
        // Every record is 195 characters and CR CR LF; sizes in MiB like the peak.
        const double fileMegabytes = lines * 198.0 / (1024.0 * 1024.0);
        std::printf("%10d %12.1f %14.0f %12.1f %16.1f %16.1f %18.1f\n", lines, best, lines / (best / 1000.0),
            fileMegabytes, peak / 1024.0, (peak - baseline) / 1024.0, bestLoad);
        std::fflush(stdout);
    }
    return 0;
}
