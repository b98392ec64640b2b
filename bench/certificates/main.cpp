// The withholding certificates of a declaration of 10,000 lines from 2,000
// suppliers, each supplier's lines spread over the file: the declaration file
// read, the combined file and the 2,000 files of the suppliers' folder
// written and put in place, twice (the second run replaces the first set,
// whose files are then removed on a thread of their own). Prints the time of
// each run until the new set is in place and until the earlier one is
// removed, the process's peak resident size and the files written. Aim:
// under 2 s.
//
// Usage: bench_certificates [LINES [SUPPLIERS [FOLDER]]]: with FOLDER the files
// are written there and kept.

#include "declaration/CertificateFiles.h"
#include "declaration/Cuit.h"
#include "tests/support/PeakMemory.h"
#include "tests/support/RecordLines.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

QString supplierCuit(int supplier)
{
    for (int prefix : {20, 23, 27, 30}) {
        const QString ten = QString::number(prefix) + QString::number(10000000 + supplier * 7);
        const int check = cuit::checkDigit(ten);
        if (check >= 0)
            return ten.left(2) + QLatin1Char('-') + ten.mid(2) + QLatin1Char('-') + QString::number(check);
    }
    return QString();
}

QByteArray declarationFile(int lines, int suppliers)
{
    QStringList records;
    records.reserve(lines);
    for (int line = 0; line < lines; ++line) {
        const int supplier = line % suppliers;
        const qint64 receiptCents = 100000 + qint64(line) * 137;
        records << recordlines::record(supplierCuit(supplier), QStringLiteral("20260315"),
            QString::number(receiptCents / 200).rightJustified(11, QLatin1Char('0')),
            QString::number(1000000 + line).rightJustified(13, QLatin1Char('0')),
            QStringLiteral("PROVEEDOR ÑANDÚ %1 SA").arg(supplier),
            QString::number(receiptCents).rightJustified(11, QLatin1Char('0')));
    }
    QByteArray bytes;
    for (const QString& record : records) {
        bytes += record.toLatin1();
        bytes += "\r\r\n";
    }
    return bytes;
}

double megabytes(qint64 kilobytes)
{
    return kilobytes / 1024.0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int suppliers = argc > 2 ? std::atoi(argv[2]) : 2000;
    QTemporaryDir directory;
    const QString folder = (argc > 3 ? QString::fromLocal8Bit(argv[3]) : directory.path()) + QLatin1Char('/');
    const certificates::Period period{QStringLiteral("3"), QStringLiteral("2026"), QStringLiteral("332")};
    {
        QFile file(certificates::declarationPath(folder, period));
        if (!file.open(QIODevice::WriteOnly) || file.write(declarationFile(lines, suppliers)) < 0) {
            std::fprintf(stderr, "cannot write the declaration file\n");
            return 1;
        }
    }
    std::printf("%d lines from %d suppliers\n", lines, suppliers);
    const qint64 before = peakmemory::residentKilobytes();
    peakmemory::resetPeak();
    for (int round = 1; round <= 2; ++round) {
        QElapsedTimer clock;
        clock.start();
        const certificates::Result result = certificates::generate(folder, period, QDate(2026, 4, 2));
        const double milliseconds = clock.nsecsElapsed() / 1e6;
        certificatefiles::finishClearing();
        const double cleared = clock.nsecsElapsed() / 1e6;
        if (result.outcome != certificates::Outcome::Written) {
            std::fprintf(stderr, "%s\n", qPrintable(result.message()));
            return 1;
        }
        const QFileInfoList files = QDir(result.folder).entryInfoList(QDir::Files);
        qint64 bytes = 0;
        for (const QFileInfo& file : files)
            bytes += file.size();
        std::printf("round %d: %8.1f ms until in place, %8.1f ms until the earlier set is removed; %d certificates, "
                    "%lld files in the folder (%.1f MB), combined file %.1f MB\n",
            round, milliseconds, cleared, result.suppliers, static_cast<long long>(files.size()), bytes / 1048576.0,
            QFileInfo(certificatefiles::combinedPath(folder, QStringLiteral("26300332"))).size() / 1048576.0);
    }
    std::printf("resident before %.1f MB, peak %.1f MB\n", megabytes(before), megabytes(peakmemory::peakKilobytes()));
    return 0;
}
