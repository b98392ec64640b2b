#include "core/Error.h"
#include "db/Connection.h"
#include "declaration/ControlReport.h"
#include "declaration/Store.h"
#include "declaration/StoreDataSet.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/MemoryDataSet.h"
#include "tests/support/RecordingFilter.h"

#include <QPainter>
#include <QtTest>

namespace {

struct Line
{
    QString receipt;
    QString date;
    QString cuit;
    qint64 cents;
    QString company;
};

// Rows as the store's select gives them, in JID order.
MemoryDataSet storedLines(const std::vector<Line>& lines)
{
    MemoryDataSet data({"JID", "NROCOM", "FECHA", "IMPORTE", "RAZON", "CUIT", "PERIODO"});
    int jid = 1;
    for (const Line& line : lines) {
        data.append({MemoryDataSet::integer(jid++), MemoryDataSet::string(line.receipt),
            MemoryDataSet::string(line.date), MemoryDataSet::bcd(line.cents, 2), MemoryDataSet::string(line.company),
            MemoryDataSet::string(line.cuit), MemoryDataSet::string(QStringLiteral("3/2026"))});
    }
    return data;
}

// Line i: receipt 1000 + i, withholding i + 1 whole units.
std::vector<Line> numberedLines(int count)
{
    std::vector<Line> lines;
    for (int i = 0; i < count; ++i) {
        const QString date = QStringLiteral("%1/03/2026").arg(i % 28 + 1, 2, 10, QChar('0'));
        const QString name =
            i % 2 ? QStringLiteral("COMPAÑÍA ÑANDÚ S.R.L.") : QStringLiteral("FERRETERIA EL TORNILLO SA");
        lines.push_back(
            {QString::number(1000 + i), date, QStringLiteral("30-71234567-%1").arg(i % 10), (i + 1) * 100, name});
    }
    return lines;
}

QImage placeholder(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

class CancellingProgress : public ReportProgress
{
public:
    explicit CancellingProgress(int after)
        : m_after(after)
    {
    }
    bool ended = false;
    void exportStarted(int) override { }
    void recordPrinted(int recordsPrinted, int) override { m_printed = recordsPrinted; }
    bool cancelRequested() const override { return m_printed >= m_after; }
    void exportEnded() override { ended = true; }

private:
    int m_after;
    int m_printed = 0;
};

const QString company = QStringLiteral("EMPRESA MUNICIPAL DE PRUEBA S.A.");

}  // namespace

class TestControlReport : public QObject
{
    Q_OBJECT

private slots:
    void periodoCaption_data();
    void periodoCaption();
    void totalCaption_data();
    void totalCaption();
    void totalCaptionRefusesText();
    void layout_data();
    void layout();
    void detailLines();
    void logosFromResources();
    void pdf_data();
    void pdf();
    void pdfRendering();
    void fromTheStore();
    void cancelledExportKeepsEarlierFile_data();
    void cancelledExportKeepsEarlierFile();
    void unwritableTarget_data();
    void unwritableTarget();

private:
    QTemporaryDir m_directory;
};

void TestControlReport::periodoCaption_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("caption");
    QTest::newRow("month as typed") << QStringList{"3", "2026", "332", "ACME S.A."}
                                    << "Periodo : 3/2026 Legajo : 332 ACME S.A.";
    QTest::newRow("two-digit month") << QStringList{"03", "2026", "332", "ACME S.A."}
                                     << "Periodo : 03/2026 Legajo : 332 ACME S.A.";
    QTest::newRow("fields trimmed") << QStringList{" 3 ", "2026 ", " 4505", "ÑANDÚ SRL   "}
                                    << "Periodo : 3/2026 Legajo : 4505 ÑANDÚ SRL";
    QTest::newRow("no company name keeps the blank")
        << QStringList{"12", "2030", "332", ""} << "Periodo : 12/2030 Legajo : 332 ";
}

void TestControlReport::periodoCaption()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, caption);
    QCOMPARE(controlreport::periodoCaption(fields[0], fields[1], fields[2], fields[3]), caption);
}

void TestControlReport::totalCaption_data()
{
    QTest::addColumn<QString>("runningTotal");
    QTest::addColumn<QString>("caption");
    QTest::newRow("empty declaration") << "0"
                                       << "0.00";
    QTest::newRow("whole units") << "6"
                                 << "6.00";
    QTest::newRow("one decimal") << "1234.5"
                                 << "1234.50";
    QTest::newRow("two decimals") << "6.17"
                                  << "6.17";
    QTest::newRow("large, no separators") << "123456789"
                                          << "123456789.00";
    QTest::newRow("blanks around") << " 12 "
                                   << "12.00";
}

void TestControlReport::totalCaption()
{
    QFETCH(QString, runningTotal);
    QFETCH(QString, caption);
    QCOMPARE(controlreport::totalCaption(runningTotal), caption);
}

void TestControlReport::totalCaptionRefusesText()
{
    QVERIFY_THROWS_EXCEPTION(ConversionError, controlreport::totalCaption(QStringLiteral("12,50")));
}

void TestControlReport::layout_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<Alignment>("alignment");
    // Page positions in tenths of a millimetre: the header band at (100, 100),
    // the footer band at Round(2970 - 100 - 240.8) = 2629.
    const auto left = Alignment::LeftJustify;
    QTest::newRow("title") << "DDJJ Agentes de Retención" << 735.0 << 205.8 << 14 << false << left;
    QTest::newRow("periodo") << "Periodo : 3/2026 Legajo : 332 " + company << 121.2 << 369.9 << 10 << true << left;
    QTest::newRow("receipt caption") << "Nro. Comprobante" << 121.2 << 430.7 << 10 << false << left;
    QTest::newRow("date caption") << "Fecha" << 563.0 << 430.7 << 10 << false << left;
    QTest::newRow("cuit caption") << "Cuit" << 817.0 << 433.4 << 10 << false << left;
    QTest::newRow("amount caption") << "Importe Retenido" << 1089.5 << 430.7 << 10 << false << left;
    QTest::newRow("company caption") << "Razón Social" << 1528.8 << 430.7 << 10 << false << left;
    QTest::newRow("statement, first line")
        << "Declaro que los datos consignados en el archivo generado son correctos y completos y que han sido" << 277.3
        << 2660.8 << 10 << false << left;
    QTest::newRow("statement, second line")
        << "confeccionados sin omitir ni falsear dato alguno que deba contener, siendo fiel expresión de la verdad."
        << 277.3 << 2721.6 << 10 << false << left;
    QTest::newRow("total caption") << "Total Retenido ====>" << 1203.3 << 2782.5 << 10 << false << left;
    // Right-aligned at its right edge, 173.57 mm into the band.
    QTest::newRow("total") << "1234.50" << 1835.7 << 2782.5 << 10 << true << Alignment::RightJustify;
}

void TestControlReport::layout()
{
    QFETCH(QString, text);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, size);
    QFETCH(bool, bold);
    QFETCH(Alignment, alignment);

    ControlReport reporte(placeholder(120, 58, Qt::red), placeholder(150, 81, Qt::blue));
    reporte.setPeriodo(controlreport::periodoCaption("3", "2026", "332", company));
    reporte.setTotal(controlreport::totalCaption("1234.5"));
    MemoryDataSet data = storedLines(numberedLines(3));
    RecordingFilter filter;
    QCOMPARE(reporte.exportTo(filter, data), ExportOutcome::Completed);

    const auto found = filter.texts(text);
    QCOMPARE(found.size(), size_t(1));
    QCOMPARE(found[0].x, x);
    QCOMPARE(found[0].y, y);
    QCOMPARE(found[0].font.name, QStringLiteral("Arial"));
    QCOMPARE(found[0].font.size, size);
    QCOMPARE(found[0].font.bold, bold);
    QCOMPARE(found[0].font.color, QColor(Qt::black));
    QCOMPARE(found[0].alignment, alignment);
}

void TestControlReport::detailLines()
{
    ControlReport reporte(placeholder(120, 58, Qt::red), placeholder(150, 81, Qt::blue));
    const std::vector<Line> lines{{"0001-00000123", "05/03/2026", "30-71234567-1", 600, "FERRETERIA EL TORNILLO SA"},
        {"A-77", "31/03/2026", "20-12345678-6", 123450, "COMPAÑÍA ÑANDÚ S.R.L."}};
    MemoryDataSet data = storedLines(lines);
    RecordingFilter filter;
    reporte.exportTo(filter, data);

    // The fields of each row in printing order, left to right, one band of 50 apart.
    QStringList printed;
    for (const auto& call : filter.texts()) {
        if (call.y > 494 && call.y < 2629) {
            printed << QStringLiteral("%1 %2 %3 %4").arg(call.x).arg(call.y).arg(call.font.size).arg(call.text);
        }
    }
    QCOMPARE(printed,
        (QStringList{"208.5 499.3 8 0001-00000123", "563 499.3 8 05/03/2026", "822.3 499.3 8 30-71234567-1",
            "1139.8 499.3 8 6.00", "1526.1 499.3 8 FERRETERIA EL TORNILLO SA", "208.5 549.3 8 A-77",
            "563 549.3 8 31/03/2026", "822.3 549.3 8 20-12345678-6", "1139.8 549.3 8 1234.50",
            "1526.1 549.3 8 COMPAÑÍA ÑANDÚ S.R.L."}));
}

void TestControlReport::logosFromResources()
{
    ControlReport reporte;
    MemoryDataSet data = storedLines({});
    RecordingFilter filter;
    reporte.exportTo(filter, data);

    QStringList pictures;
    for (const auto& call : filter.calls) {
        if (call.kind == RecordingFilter::Kind::Graphic && std::holds_alternative<PictureControl>(call.graphic)) {
            const auto& picture = std::get<PictureControl>(call.graphic);
            pictures << QStringLiteral("%1 %2 %3 %4 %5x%6 %7")
                            .arg(call.x)
                            .arg(call.y)
                            .arg(picture.width)
                            .arg(picture.height)
                            .arg(picture.picture.width())
                            .arg(picture.picture.height())
                            .arg(picture.stretch);
        }
    }
    // The office logo at its own size; the municipality logo in its box of
    // 55.30 x 21.70 mm, at the top left and not stretched.
    QCOMPARE(pictures, (QStringList{"53 65 120 58 120x58 0", "541 55 209 82 150x81 0"}));
}

void TestControlReport::pdf_data()
{
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<QString>("runningTotal");
    QTest::addColumn<QString>("total");
    QTest::addColumn<int>("pages");
    QTest::newRow("three lines") << 3 << "6"
                                 << "6.00" << 1;
    QTest::newRow("no line") << 0 << "0"
                             << "0.00" << 1;
    // 1 + 2 + ... + 100 whole units.
    QTest::newRow("hundred lines, three pages") << 100 << "5050"
                                                << "5050.00" << 3;
}

void TestControlReport::pdf()
{
    QFETCH(int, lineCount);
    QFETCH(QString, runningTotal);
    QFETCH(QString, total);
    QFETCH(int, pages);

    const QString path = m_directory.filePath(QStringLiteral("26300332-%1.pdf").arg(lineCount));
    MemoryDataSet data = storedLines(numberedLines(lineCount));
    const QString periodo = controlreport::periodoCaption("3", "2026", "332", company);
    QCOMPARE(controlreport::exportControlReport(data, path, periodo, runningTotal, nullptr), ExportOutcome::Completed);

    const ToolResult check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));

    const ToolResult info = runTool(QStringLiteral("pdfinfo"), {path});
    QVERIFY(info.out.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))));

    const ToolResult text =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.err.isEmpty(), qPrintable(text.err));
    const QStringList pageTexts = text.out.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QCOMPARE(pageTexts.size(), pages);
    for (const QString& page : pageTexts) {
        // Header and footer on every page, with the total of the whole declaration.
        QVERIFY(page.contains(QStringLiteral("DDJJ Agentes de Retención")));
        QVERIFY(page.contains(QStringLiteral("Periodo : 3/2026 Legajo : 332 ") + company));
        QVERIFY(page.contains(QStringLiteral("Razón Social")));
        QVERIFY(page.contains(QStringLiteral("siendo fiel expresión de la verdad.")));
        QVERIFY(page.contains(QRegularExpression(
            QStringLiteral("Total Retenido ====>\\s+%1\\n").arg(QRegularExpression::escape(total)))));
    }
    // Every receipt in store order, its amount with two decimals, and the
    // page each is on.
    qsizetype from = 0;
    for (int i = 0; i < lineCount; ++i) {
        const QRegularExpression row(QStringLiteral("%1\\s+\\d\\d/03/2026\\s+30-71234567-%2\\s+%3\\.00\\s+")
                                         .arg(1000 + i)
                                         .arg(i % 10)
                                         .arg(i + 1));
        const QRegularExpressionMatch match = row.match(text.out, from);
        QVERIFY2(match.hasMatch(), qPrintable(QStringLiteral("line %1").arg(i)));
        from = match.capturedEnd();
        QCOMPARE(text.out.left(match.capturedStart()).count(QLatin1Char('\f')), i / 42);
    }
    if (lineCount > 1)
        QVERIFY(text.out.contains(QStringLiteral("COMPAÑÍA ÑANDÚ S.R.L.")));
}

// True when some pixel of `page` within `reach` of (x, y) has `color`
// (within a small distance): positions in the document are whole points, so
// a picture may land a pixel or two away from its device position.
bool colorNear(const QImage& page, int x, int y, QColor color, int reach = 3)
{
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            const QColor found = page.pixelColor(x + dx, y + dy);
            if (qAbs(found.red() - color.red()) + qAbs(found.green() - color.green())
                    + qAbs(found.blue() - color.blue())
                < 60)
                return true;
        }
    }
    return false;
}

// Mean difference per colour channel between `logo` drawn on white and the
// region of `page` whose top left is `at`.
double difference(const QImage& page, const QImage& logo, QPoint at)
{
    QImage expected(logo.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        painter.drawImage(0, 0, logo);
    }
    qint64 sum = 0;
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x) {
            const QRgb a = expected.pixel(x, y);
            const QRgb b = page.pixel(at.x() + x, at.y() + y);
            sum += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
        }
    }
    return double(sum) / (3.0 * logo.width() * logo.height());
}

// Where `logo` best matches `page` around `at`, and how well.
std::pair<QPoint, double> bestMatch(const QImage& page, const QImage& logo, QPoint at)
{
    std::pair<QPoint, double> best{at, 1e9};
    for (int dy = -6; dy <= 6; ++dy) {
        for (int dx = -6; dx <= 6; ++dx) {
            const double found = difference(page, logo, at + QPoint(dx, dy));
            if (found < best.second)
                best = {at + QPoint(dx, dy), found};
        }
    }
    return best;
}

void TestControlReport::pdfRendering()
{
    const QImage office(QString::fromLatin1(controlreport::officeLogoPath));
    const QImage municipality(QString::fromLatin1(controlreport::municipalityLogoPath));
    QVERIFY(!office.isNull() && !municipality.isNull());

    const QString path = m_directory.filePath(QStringLiteral("render.pdf"));
    MemoryDataSet data = storedLines(numberedLines(3));
    QCOMPARE(controlreport::exportControlReport(
                 data, path, controlreport::periodoCaption("3", "2026", "332", company), QStringLiteral("6"), nullptr),
        ExportOutcome::Completed);
    const QString prefix = m_directory.filePath(QStringLiteral("render"));
    const ToolResult render = runTool(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
            QStringLiteral("-f"), QStringLiteral("1"), path, prefix});
    QVERIFY2(render.exitCode == 0 && render.err.isEmpty(), qPrintable(render.err));
    const QImage page(prefix + QStringLiteral(".png"));
    // The media box is A4 in whole points: 595 x 841.
    QCOMPARE(page.size(), QSize(794, 1122));

    // The header frame from (38, 38) to (756, 187), one pixel wide; the
    // document writes its corners in whole points, up to two pixels off.
    for (const QPoint& point : {QPoint(400, 38), QPoint(400, 187), QPoint(38, 120), QPoint(756, 120)})
        QVERIFY2(colorNear(page, point.x(), point.y(), Qt::black, 2),
            qPrintable(QStringLiteral("frame at %1,%2").arg(point.x()).arg(point.y())));
    // Inside the frame, between the logos and the title, the page is white.
    QCOMPARE(page.pixelColor(200, 50), QColor(Qt::white));

    // Each logo where the engine placed it: the office logo at (53, 65), the
    // municipality logo at the top left of its box at (541, 55).
    struct Placed
    {
        QImage logo;
        QPoint at;
    };
    for (const Placed& placed : {Placed{office, QPoint(53, 65)}, Placed{municipality, QPoint(541, 55)}}) {
        // The document places pictures in whole points: up to two pixels off.
        const auto [where, meanDifference] = bestMatch(page, placed.logo, placed.at);
        QVERIFY2(qAbs(where.x() - placed.at.x()) <= 2 && qAbs(where.y() - placed.at.y()) <= 2,
            qPrintable(QStringLiteral("logo found at %1,%2").arg(where.x()).arg(where.y())));
        QVERIFY2(meanDifference < 12, qPrintable(QString::number(meanDifference)));
    }
    // Not stretched: the box right of the municipality logo stays white.
    for (int x = 541 + 152; x < 541 + 207; x += 5)
        QCOMPARE(page.pixelColor(x, 95), QColor(Qt::white));
}

void TestControlReport::fromTheStore()
{
    const QString database = fixture::createDatabase(m_directory, QStringLiteral("RETENCIONES.FDB"));
    WithholdingStore store(database);
    // Stored in grid order, which is not the order of the receipt numbers.
    const std::vector<StoredLine> lines{
        {QStringLiteral("900"), QStringLiteral("05/03/2026"), 600, QStringLiteral("COMPAÑÍA ÑANDÚ S.R.L."),
            QStringLiteral("30-71234567-1"), QStringLiteral("3/2026")},
        {QStringLiteral("12"), QStringLiteral("06/03/2026"), 123450, QStringLiteral("FERRETERIA EL TORNILLO SA"),
            QStringLiteral("20-12345678-6"), QStringLiteral("3/2026")},
        {QStringLiteral("0001-00000123"), QStringLiteral("07/03/2026"), 100, QStringLiteral("ACME"),
            QStringLiteral("30-11111111-2"), QStringLiteral("3/2026")},
    };
    store.deleteLines();
    for (const StoredLine& line : lines)
        store.storeLine(line);
    store.commit();

    StoreDataSet data(store.openLines());
    const QString path = m_directory.filePath(QStringLiteral("26300332.pdf"));
    QCOMPARE(controlreport::exportControlReport(data, path, controlreport::periodoCaption("3", "2026", "332", company),
                 QStringLiteral("1241.5"), nullptr),
        ExportOutcome::Completed);
    store.disconnect();

    const ToolResult check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));
    const ToolResult text =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    const QRegularExpression rows(
        QStringLiteral("900\\s+05/03/2026\\s+30-71234567-1\\s+6\\.00\\s+COMPAÑÍA ÑANDÚ S\\.R\\.L\\.\\n"
                       "\\s*12\\s+06/03/2026\\s+20-12345678-6\\s+1234\\.50\\s+FERRETERIA EL TORNILLO SA\\n"
                       "\\s*0001-00000123\\s+07/03/2026\\s+30-11111111-2\\s+1\\.00\\s+ACME\\n"));
    QVERIFY2(text.out.contains(rows), qPrintable(text.out));
    QVERIFY(text.out.contains(QRegularExpression(QStringLiteral("Total Retenido ====>\\s+1241\\.50\\n"))));
}

void TestControlReport::cancelledExportKeepsEarlierFile_data()
{
    QTest::addColumn<bool>("earlierFile");
    QTest::newRow("earlier file stays") << true;
    QTest::newRow("no file is made") << false;
}

void TestControlReport::cancelledExportKeepsEarlierFile()
{
    QFETCH(bool, earlierFile);
    const QString path = m_directory.filePath(QStringLiteral("cancelled-%1.pdf").arg(earlierFile));
    const QByteArray earlier = "%PDF-1.3 earlier control report\r\n";
    if (earlierFile) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    MemoryDataSet data = storedLines(numberedLines(100));
    CancellingProgress progress(10);
    QCOMPARE(
        controlreport::exportControlReport(data, path, QStringLiteral("Periodo"), QStringLiteral("5050"), &progress),
        ExportOutcome::Cancelled);
    QVERIFY(progress.ended);
    QCOMPARE(QFile::exists(path), earlierFile);
    if (earlierFile) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), earlier);
    }
}

void TestControlReport::unwritableTarget_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing directory") << QStringLiteral("no-such-directory/26300332.pdf");
    QTest::newRow("a directory") << QStringLiteral("a-directory.pdf");
}

void TestControlReport::unwritableTarget()
{
    QFETCH(QString, path);
    QDir(m_directory.path()).mkpath(QStringLiteral("a-directory.pdf"));
    const QString target = m_directory.filePath(path);
    MemoryDataSet data = storedLines(numberedLines(3));
    try {
        controlreport::exportControlReport(data, target, QStringLiteral("Periodo"), QStringLiteral("6"), nullptr);
        QFAIL("the export did not fail");
    } catch (const Error& error) {
        QVERIFY2(error.message().startsWith(QStringLiteral("Cannot create file \"%1\".").arg(target)),
            qPrintable(error.message()));
    }
    QVERIFY(!QFileInfo(target).isFile());
}

QTEST_MAIN(TestControlReport)
#include "tst_controlreport.moc"
