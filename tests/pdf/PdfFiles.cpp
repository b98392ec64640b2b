#include "tests/pdf/PdfFiles.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace pdffiles {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QByteArray streamOf(const QByteArray& document, int number)
{
    const QByteArray header = "\r\n" + QByteArray::number(number) + " 0 obj\r\n";
    const qsizetype object = document.indexOf(header);
    if (object < 0)
        return QByteArray();
    const qsizetype start = document.indexOf("stream\r\n", object);
    const qsizetype end = document.indexOf("endstream", start);
    if (start < 0 || end < 0)
        return QByteArray();
    return document.mid(start + 8, end - start - 8);
}

QList<QByteArray> objectLines(const QByteArray& document, int number)
{
    const QByteArray header = "\r\n" + QByteArray::number(number) + " 0 obj\r\n";
    const qsizetype object = document.indexOf(header);
    if (object < 0)
        return {};
    const qsizetype end = document.indexOf("\r\nendobj\r\n", object + 2);
    return document.mid(object + 2, end + 8 - object - 2).split('\n');
}

QString problems(const QString& path)
{
    QStringList found;
    const ToolResult qpdf = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    if (qpdf.exitCode != 0 || !qpdf.err.isEmpty())
        found << QStringLiteral("qpdf exit %1: %2 %3")
                     .arg(qpdf.exitCode)
                     .arg(qpdf.err, QString::fromUtf8(qpdf.output.right(500)));

    const QByteArray document = readFile(path);
    for (qsizetype i = 0; i < document.size(); ++i) {
        if ((unsigned char)document[i] > 127) {
            found << QStringLiteral("byte above 127 at %1").arg(i);
            break;
        }
    }

    // The cross-reference table, found through startxref as a reader does.
    static const QRegularExpression tail(QStringLiteral("startxref\\r\\n(\\d+)\\r\\n%%EOF\\r\\n$"));
    const QRegularExpressionMatch match = tail.match(QString::fromLatin1(document.right(40)));
    if (!match.hasMatch()) {
        found << QStringLiteral("no startxref at the end");
        return found.join(QLatin1Char('\n'));
    }
    const qsizetype xref = match.captured(1).toLongLong();
    if (document.mid(xref, 6) != "xref\r\n") {
        found << QStringLiteral("startxref %1 does not point at xref").arg(xref);
        return found.join(QLatin1Char('\n'));
    }
    qsizetype position = document.indexOf("\r\n", xref + 6) + 2;
    const QList<QByteArray> subsection = document.mid(xref + 6, position - xref - 8).split(' ');
    const int count = subsection.value(1).toInt();
    for (int number = 0; number < count; ++number, position += 20) {
        const QByteArray entry = document.mid(position, 20);
        if (!entry.endsWith("\r\n") || entry.indexOf('\r') != 18) {
            found << QStringLiteral("entry %1 is not 20 bytes: %2").arg(number).arg(QString::fromLatin1(entry));
            continue;
        }
        if (number == 0) {
            if (entry != "0000000000 65535 f\r\n")
                found << QStringLiteral("entry 0 wrong");
            continue;
        }
        const qsizetype offset = entry.left(10).toLongLong();
        const QByteArray expected = QByteArray::number(number) + " 0 obj\r\n";
        if (document.mid(offset, expected.size()) != expected || entry.mid(10) != " 00000 n\r\n")
            found << QStringLiteral("entry %1 points at %2, not at its object").arg(number).arg(offset);
    }
    if (document.mid(position, 9) != "trailer\r\n")
        found << QStringLiteral("trailer does not follow the %1 entries").arg(count);

    // Every stream's /Length is the exact count up to the end-of-line marker
    // before "endstream".
    static const QRegularExpression lengthPattern(QStringLiteral("<< /Length (\\d+) >>\\r\\nstream\\r\\n"));
    const QString text = QString::fromLatin1(document);
    for (const QRegularExpressionMatch& stream : lengthPattern.globalMatch(text)) {
        const qsizetype start = stream.capturedEnd();
        const qsizetype length = stream.captured(1).toLongLong();
        if (document.mid(start + length, 11) != "\r\nendstream")
            found << QStringLiteral("stream at %1: /Length %2 is not its size").arg(start).arg(length);
    }
    return found.join(QLatin1Char('\n'));
}

QString pdfText(const QString& path)
{
    const ToolResult result = runTool(
        QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    return QString::fromUtf8(result.output);
}

QImage renderPage(const QString& renderer, const QString& path, int dpi, QString* errors)
{
    QTemporaryDir directory;
    const QString output = directory.filePath(QStringLiteral("page"));
    ToolResult result;
    QString file;
    if (renderer == QLatin1String("poppler")) {
        result = runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QStringLiteral("1"),
                QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"), path, output});
        file = output + QStringLiteral(".ppm");
    } else {
        file = output + QStringLiteral(".ppm");
        result = runTool(QStringLiteral("mutool"),
            {QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-r"), QString::number(dpi),
                QStringLiteral("-o"), file, path, QStringLiteral("1")});
    }
    QStringList said;
    for (const QString& line : result.err.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty() && !line.contains(QLatin1String("ICC support")))
            said << line;
    }
    if (errors)
        *errors = said.join(QLatin1Char('\n'));
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

}  // namespace pdffiles
