// Prints the speed of our LZW and ASCII85 encoders against libtiff's LZW
// codec, and of our PDF writer against libharu and QPdfWriter on the same
// 240-page document. Run offscreen: QT_QPA_PLATFORM=offscreen bench_pdf
#include "report/PDFDocumentFilter.h"
#include "report/PdfEncoders.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <functional>
#include <hpdf.h>
#include <tiffio.h>
#include <vector>

namespace {

constexpr int pageCount = 240;
constexpr int linesPerPage = 42;

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The best wall-clock and the best CPU time (user and system time of this
// thread) of several runs, in milliseconds. On a machine other work keeps
// busy the CPU time says more: it leaves out the time the thread waited.
struct Timing
{
    double wall = 1e300;
    double cpu = 1e300;
};

void timeOnce(Timing& timing, const std::function<void()>& work)
{
    QElapsedTimer timer;
    const double cpuStart = threadCpuMilliseconds();
    timer.start();
    work();
    timing.wall = std::min(timing.wall, timer.nsecsElapsed() / 1e6);
    timing.cpu = std::min(timing.cpu, threadCpuMilliseconds() - cpuStart);
}

// Runs the contenders in turn, round after round, so that a busy spell of
// the machine falls on all of them alike.
std::vector<Timing> interleaved(int rounds, const std::vector<std::function<void()>>& contenders)
{
    std::vector<Timing> timings(contenders.size());
    for (int round = 0; round < rounds; ++round)
        for (size_t i = 0; i < contenders.size(); ++i)
            timeOnce(timings[i], contenders[i]);
    return timings;
}

QImage logo(const QString& name, int width, int height)
{
    QImage image(QStringLiteral(RETENCIONES_LOGO_DIR "/") + name);
    if (image.isNull()) {
        // Without the project's logos, a drawn stand-in of the same size.
        image = QImage(width, height, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setBrush(QColor(30, 80, 160));
        painter.drawEllipse(2, 2, width - 4, height - 4);
    }
    return image;
}

// 64 MB of picture-like bytes: the two logos rasterised onto white, tiled
// across 4096-pixel rows, with one byte in a hundred replaced by noise.
QByteArray pictureBytes(const QImage& first, const QImage& second, int width, int height)
{
    const pdfencoding::RasterizedPicture a = pdfencoding::rasterizePicture({first, 150, 81, false});
    const pdfencoding::RasterizedPicture b = pdfencoding::rasterizePicture({second, 120, 58, false});
    QByteArray bytes(qsizetype(width) * height * 3, Qt::Uninitialized);
    QRandomGenerator noise(2026);
    char* out = bytes.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool useFirst = ((x / 150) + (y / 81)) % 2 == 0;
            const auto& tile = useFirst ? a : b;
            const int tx = x % tile.width;
            const int ty = y % tile.height;
            const char* pixel = tile.rgb.constData() + (qsizetype(ty) * tile.width + tx) * 3;
            for (int c = 0; c < 3; ++c)
                *out++ = noise.bounded(100) == 0 ? char(noise.bounded(256)) : pixel[c];
        }
    }
    return bytes;
}

struct MemoryTiff
{
    std::vector<char> data;
    toff_t position = 0;
};

tsize_t tiffRead(thandle_t, tdata_t, tsize_t)
{
    return 0;
}
tsize_t tiffWrite(thandle_t handle, tdata_t buffer, tsize_t size)
{
    auto* tiff = static_cast<MemoryTiff*>(handle);
    if (tiff->position + size > tiff->data.size())
        tiff->data.resize(tiff->position + size);
    std::memcpy(tiff->data.data() + tiff->position, buffer, size_t(size));
    tiff->position += toff_t(size);
    return size;
}
toff_t tiffSeek(thandle_t handle, toff_t offset, int whence)
{
    auto* tiff = static_cast<MemoryTiff*>(handle);
    tiff->position = whence == SEEK_SET ? offset
        : whence == SEEK_CUR            ? tiff->position + offset
                                        : tiff->data.size() + offset;
    return tiff->position;
}
int tiffClose(thandle_t)
{
    return 0;
}
toff_t tiffSize(thandle_t handle)
{
    return static_cast<MemoryTiff*>(handle)->data.size();
}
int tiffMap(thandle_t, tdata_t*, toff_t*)
{
    return 0;
}
void tiffUnmap(thandle_t, tdata_t, toff_t)
{
}

// libtiff's LZW codec on the same bytes, one strip per 64 rows, in memory.
size_t libtiffLzw(const QByteArray& bytes, int width, int height)
{
    MemoryTiff memory;
    memory.data.reserve(size_t(bytes.size()));
    TIFF* tiff =
        TIFFClientOpen("bench", "w", &memory, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize, tiffMap, tiffUnmap);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    const int rowsPerStrip = 64;
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    const qsizetype rowBytes = qsizetype(width) * 3;
    for (int strip = 0, row = 0; row < height; ++strip, row += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, height - row);
        TIFFWriteEncodedStrip(tiff, strip, const_cast<char*>(bytes.constData() + row * rowBytes), rows * rowBytes);
    }
    TIFFClose(tiff);
    return memory.data.size();
}

// Ours the same way: one LZW stream per 64 rows.
size_t ourLzw(const QByteArray& bytes, int width, int height)
{
    size_t total = 0;
    const qsizetype rowBytes = qsizetype(width) * 3;
    for (int row = 0; row < height; row += 64) {
        const int rows = std::min(64, height - row);
        total += size_t(pdfencoding::lzwEncode(bytes.constData() + row * rowBytes, rows * rowBytes).size());
    }
    return total;
}

QString lineText(int page, int line)
{
    return QStringLiteral("%1  12/03/2026  0001-%2  CONSTRUCCIONES DEL SUR S.A.  30-%3-7")
        .arg(page * linesPerPage + line + 1, 4)
        .arg(page * linesPerPage + line, 8, 10, QLatin1Char('0'))
        .arg(12345678 + line);
}

QString amountText(int page, int line)
{
    return QString::number(1234.56 + page * 10 + line, 'f', 2);
}

// The texts of every page, made before any timing so that the writers are
// timed on writing alone; libharu takes them as Latin-1 bytes.
struct Texts
{
    QString title = QStringLiteral("DDJJ Agentes de Retención");
    QByteArray titleLatin1 = title.toLatin1();
    std::vector<QString> lines;
    std::vector<QString> amounts;
    std::vector<QByteArray> linesLatin1;
    std::vector<QByteArray> amountsLatin1;

    Texts()
    {
        for (int page = 0; page < pageCount; ++page) {
            for (int line = 0; line < linesPerPage; ++line) {
                lines.push_back(lineText(page, line));
                amounts.push_back(amountText(page, line));
                linesLatin1.push_back(lines.back().toLatin1());
                amountsLatin1.push_back(amounts.back().toLatin1());
            }
        }
    }
    static size_t index(int page, int line) { return size_t(page) * linesPerPage + size_t(line); }
};

void ourDocument(const QString& path, const Texts& texts, const QImage& first, const QImage& second, bool freshPictures)
{
    PDFDocumentFilter writer(path);
    ExportContext context;
    writer.setOwner(&context);
    ReportFont detail;
    detail.size = 8;
    ReportFont title;
    title.size = 12;
    title.bold = true;
    writer.Start(2100, 2970, detail);
    writer.EndPage();
    for (int page = 0; page < pageCount; ++page) {
        writer.NewPage();
        // A copy that is its own picture stands for a writer that cannot
        // recognise the picture it has already encoded.
        const QImage a = freshPictures ? first.copy() : first;
        const QImage b = freshPictures ? second.copy() : second;
        writer.AcceptGraphic(38, 38, PictureControl{a, 150, 81, false});
        writer.AcceptGraphic(600, 45, PictureControl{b, 120, 58, false});
        writer.TextOut(1050, 150, title, Qt::white, Alignment::Center, texts.title);
        for (int line = 0; line < linesPerPage; ++line) {
            const double y = 494 + line * 50;
            writer.TextOut(110, y, detail, Qt::white, Alignment::LeftJustify, texts.lines[Texts::index(page, line)]);
            writer.TextOut(
                1900, y, detail, Qt::white, Alignment::RightJustify, texts.amounts[Texts::index(page, line)]);
        }
        writer.EndPage();
    }
    writer.Finish();
}

void haruError(HPDF_STATUS error, HPDF_STATUS detail, void*)
{
    std::fprintf(stderr, "libharu error %04X %u\n", unsigned(error), unsigned(detail));
}

// How the finished document reaches the disk: libharu's own fopen and fwrite,
// or as our writer saves, through QSaveFile (a temporary file, synced to the
// disk, renamed over the old one), which costs some milliseconds of waiting
// for the disk that the plain write does not.
enum class Saving { Plain, Durable };

void haruDocument(const QString& path, const Texts& texts, const QImage& first, const QImage& second, Saving saving)
{
    HPDF_Doc pdf = HPDF_New(haruError, nullptr);
    HPDF_SetCompressionMode(pdf, HPDF_COMP_IMAGE);
    HPDF_Font detail = HPDF_GetFont(pdf, "Helvetica", "WinAnsiEncoding");
    HPDF_Font title = HPDF_GetFont(pdf, "Helvetica-Bold", "WinAnsiEncoding");
    const pdfencoding::RasterizedPicture a = pdfencoding::rasterizePicture({first, 150, 81, false});
    const pdfencoding::RasterizedPicture b = pdfencoding::rasterizePicture({second, 120, 58, false});
    HPDF_Image imageA = HPDF_LoadRawImageFromMem(
        pdf, reinterpret_cast<const HPDF_BYTE*>(a.rgb.constData()), 150, 81, HPDF_CS_DEVICE_RGB, 8);
    HPDF_Image imageB = HPDF_LoadRawImageFromMem(
        pdf, reinterpret_cast<const HPDF_BYTE*>(b.rgb.constData()), 120, 58, HPDF_CS_DEVICE_RGB, 8);
    for (int pageNumber = 0; pageNumber < pageCount; ++pageNumber) {
        HPDF_Page page = HPDF_AddPage(pdf);
        HPDF_Page_SetWidth(page, 595.2756f);
        HPDF_Page_SetHeight(page, 841.8898f);
        HPDF_Page_DrawImage(page, imageA, 28.5f, 841.89f - 89.25f, 112.5f, 60.75f);
        HPDF_Page_DrawImage(page, imageB, 450.0f, 841.89f - 77.25f, 90.0f, 43.5f);
        HPDF_Page_BeginText(page);
        HPDF_Page_SetFontAndSize(page, title, 12);
        const QByteArray& heading = texts.titleLatin1;
        HPDF_Page_TextOut(page, 297.6f - HPDF_Page_TextWidth(page, heading.constData()) / 2, 780, heading.constData());
        HPDF_Page_SetFontAndSize(page, detail, 8);
        for (int line = 0; line < linesPerPage; ++line) {
            const float y = 841.89f - (494 + line * 50) * 0.2835f - 8;
            HPDF_Page_TextOut(page, 31, y, texts.linesLatin1[Texts::index(pageNumber, line)].constData());
            const QByteArray& amount = texts.amountsLatin1[Texts::index(pageNumber, line)];
            HPDF_Page_TextOut(page, 538 - HPDF_Page_TextWidth(page, amount.constData()), y, amount.constData());
        }
        HPDF_Page_EndText(page);
    }
    if (saving == Saving::Plain) {
        HPDF_SaveToFile(pdf, QFile::encodeName(path).constData());
    } else {
        HPDF_SaveToStream(pdf);
        HPDF_ResetStream(pdf);
        QByteArray document(qsizetype(HPDF_GetStreamSize(pdf)), Qt::Uninitialized);
        HPDF_UINT32 size = HPDF_UINT32(document.size());
        HPDF_ReadFromStream(pdf, reinterpret_cast<HPDF_BYTE*>(document.data()), &size);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(document.constData(), size) != size || !file.commit())
            std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
    }
    HPDF_Free(pdf);
}

void qtDocument(const QString& path, const Texts& texts, const QImage& first, const QImage& second)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(96);
    QPainter painter(&writer);
    QFont detail(QStringLiteral("Arial"));
    detail.setPointSize(8);
    QFont title(QStringLiteral("Arial"));
    title.setPointSize(12);
    title.setBold(true);
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0)
            writer.newPage();
        painter.drawImage(38, 38, first);
        painter.drawImage(600, 45, second);
        painter.setFont(title);
        painter.drawText(QRect(0, 50, 794, 20), Qt::AlignHCenter, texts.title);
        painter.setFont(detail);
        for (int line = 0; line < linesPerPage; ++line) {
            const int y = int((494 + line * 50) * 96 / 254.0);
            painter.drawText(QPoint(42, y + 11), texts.lines[Texts::index(page, line)]);
            painter.drawText(QRect(300, y, 418, 14), Qt::AlignRight, texts.amounts[Texts::index(page, line)]);
        }
    }
    painter.end();
}

qint64 fileSize(const QString& path)
{
    return QFile(path).size();
}

void printRatio(const char* what, const Timing& theirs, const Timing& ours)
{
    std::printf("%s %.2f (wall), %.2f (CPU)\n", what, theirs.wall / ours.wall, theirs.cpu / ours.cpu);
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const QImage first = logo(QStringLiteral("municipio.png"), 150, 81);
    const QImage second = logo(QStringLiteral("oficina.png"), 120, 58);
    const Texts texts;

    if (argc > 2 && QByteArray(argv[1]) == "write") {
        // Our document once, kept: for comparing the writer's output between
        // versions.
        ourDocument(QString::fromLocal8Bit(argv[2]), texts, first, second, false);
        return 0;
    }
    if (argc > 1 && QByteArray(argv[1]) == "document") {
        // Only our document, many times over: for profiling the writer.
        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("ours.pdf"));
        const Timing time = interleaved(20, {[&] { ourDocument(path, texts, first, second, false); }})[0];
        std::printf("ours: %.1f ms (CPU %.1f ms)\n", time.wall, time.cpu);
        return 0;
    }

    const int width = 4096;
    const int height = 5461;
    const QByteArray bytes = pictureBytes(first, second, width, height);
    const double megabytes = bytes.size() / 1048576.0;
    std::printf("Picture-like data: %.1f MB (%d x %d RGB); times are the best of 5 runs, wall clock and CPU\n",
        megabytes, width, height);

    size_t ourSize = 0;
    size_t tiffSize = 0;
    const std::vector<Timing> lzw = interleaved(5,
        {
            [&] { ourSize = size_t(pdfencoding::lzwEncode(bytes).size()); },
            [&] { ourLzw(bytes, width, height); },
            [&] { tiffSize = libtiffLzw(bytes, width, height); },
        });
    const Timing& ourWhole = lzw[0];
    const Timing& ourStrips = lzw[1];
    const Timing& tiff = lzw[2];
    std::printf("LZW ours, one stream:       %7.1f ms  CPU %7.1f ms  %7.1f MB/s  %zu bytes\n", ourWhole.wall,
        ourWhole.cpu, megabytes / ourWhole.wall * 1000, ourSize);
    std::printf("LZW ours, 64-row strips:    %7.1f ms  CPU %7.1f ms  %7.1f MB/s\n", ourStrips.wall, ourStrips.cpu,
        megabytes / ourStrips.wall * 1000);
    std::printf("LZW libtiff, 64-row strips: %7.1f ms  CPU %7.1f ms  %7.1f MB/s  %zu bytes (TIFF file)\n", tiff.wall,
        tiff.cpu, megabytes / tiff.wall * 1000, tiffSize);
    printRatio("LZW speed ratio libtiff/ours, one stream:", tiff, ourWhole);
    printRatio("LZW speed ratio libtiff/ours, strips:    ", tiff, ourStrips);

    size_t asciiSize = 0;
    const Timing ascii = interleaved(5, {[&] { asciiSize = size_t(pdfencoding::ascii85Encode(bytes).size()); }})[0];
    std::printf("ASCII85: %.1f ms  CPU %.1f ms  %.1f MB/s  %zu bytes\n", ascii.wall, ascii.cpu,
        megabytes / ascii.wall * 1000, asciiSize);

    QTemporaryDir directory;
    const QString ours = directory.filePath(QStringLiteral("ours.pdf"));
    const QString oursFresh = directory.filePath(QStringLiteral("ours-fresh.pdf"));
    const QString haru = directory.filePath(QStringLiteral("haru.pdf"));
    const QString haruDurable = directory.filePath(QStringLiteral("haru-durable.pdf"));
    const QString qt = directory.filePath(QStringLiteral("qt.pdf"));
    const std::vector<Timing> documents = interleaved(5,
        {
            [&] { ourDocument(ours, texts, first, second, false); },
            [&] { ourDocument(oursFresh, texts, first, second, true); },
            [&] { haruDocument(haru, texts, first, second, Saving::Plain); },
            [&] { haruDocument(haruDurable, texts, first, second, Saving::Durable); },
        });
    const Timing qtTime = interleaved(3, {[&] { qtDocument(qt, texts, first, second); }})[0];
    const Timing& ourTime = documents[0];
    const Timing& ourFreshTime = documents[1];
    const Timing& haruTime = documents[2];
    const Timing& haruDurableTime = documents[3];
    std::printf("Document of %d pages, %d lines and 2 logos each (texts made beforehand):\n", pageCount, linesPerPage);
    std::printf(
        "  ours:                      %7.1f ms  CPU %7.1f ms  %lld bytes\n", ourTime.wall, ourTime.cpu, fileSize(ours));
    std::printf("  ours, pictures re-encoded: %7.1f ms  CPU %7.1f ms  %lld bytes (same document: %s)\n",
        ourFreshTime.wall, ourFreshTime.cpu, fileSize(oursFresh),
        fileSize(ours) == fileSize(oursFresh) ? "same size" : "DIFFERENT SIZE");
    std::printf("  libharu:                   %7.1f ms  CPU %7.1f ms  %lld bytes\n", haruTime.wall, haruTime.cpu,
        fileSize(haru));
    std::printf("  libharu, saved as ours:    %7.1f ms  CPU %7.1f ms  %lld bytes (QSaveFile: synced, renamed)\n",
        haruDurableTime.wall, haruDurableTime.cpu, fileSize(haruDurable));
    std::printf(
        "  QPdfWriter:                %7.1f ms  CPU %7.1f ms  %lld bytes\n", qtTime.wall, qtTime.cpu, fileSize(qt));
    printRatio("  ratio libharu/ours:", haruTime, ourTime);
    printRatio("  ratio libharu saved as ours/ours:", haruDurableTime, ourTime);
    printRatio("  ratio QPdfWriter/ours:", qtTime, ourTime);
    printRatio("  ratio re-encoding/reusing:", ourFreshTime, ourTime);
    return 0;
}
