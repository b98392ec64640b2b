#include "report/PdfDocument.h"

#include "report/PdfNumbers.h"
#include "report/PdfOutput.h"
#include "report/PdfText.h"

#include <QDateTime>
#include <QLocale>

namespace pdfdocument {

using namespace pdfnumbers;

namespace {

void object(pdfoutput::CountingSink& out, int number)
{
    out.beginObject(number);
    out.line(QByteArray::number(number) + " 0 obj");
}

void lines(pdfoutput::Sink& out, std::initializer_list<const char*> texts)
{
    for (const char* text : texts)
        out.line(text);
}

QByteArray kids(int pageCount)
{
    QByteArray text;
    text.reserve(qsizetype(pageCount) * 12 + 16);
    text.append("/Kids [");
    for (int i = 0; i < pageCount; ++i) {
        char number[24];
        if (i > 0)
            text.append(' ');
        text.append(number, std::to_chars(number, number + sizeof number, 2 * i + 4).ptr - number);
        text.append(" 0 R");
    }
    text.append(']');
    return text;
}

}  // namespace

Document::Document(const PageObjects& pages, const QList<pdffonts::FontKey>& fonts, const DocumentInfo& info)
    : m_pages(pages)
    , m_info(info)
{
    for (int j = 0; j < int(fonts.size()); ++j)
        m_fonts.push_back(pdffonts::fontResourceLines(fonts[j], j, firstFontObject() + 2 * j));
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    m_created = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(now.time(), QLocale::LongFormat);
}

void Document::write(pdfoutput::Sink& file) const
{
    pdfoutput::CountingSink out(file);
    writeHeader(out);
    writePageTree(out);
    out.writeBlock(*m_pages.objects, *m_pages.bytes);
    writeFonts(out);
    writeInfo(out);
    object(out, procSetObject());
    lines(out, {"[/PDF /Text]", "endobj"});
    writeTrailer(out);
    out.finish();
}

void Document::writeHeader(pdfoutput::CountingSink& out) const
{
    out.line("%PDF-1.3");
    out.line(pdftext::ascii(QString(QChar(u'%')) + QChar(0x00C5) + QChar(0x00AD) + QChar(u'o') + QChar(0x0081)));
    object(out, 1);
    lines(out,
        {"<<", "/Type /Catalog", "/Pages 3 0 R", "/Outlines 2 0 R",
            "/ViewerPreferences << /HideToolbar false /FitWindow true >>", ">>", "endobj"});
    object(out, 2);
    lines(out, {"<<", "/Type /Outlines", "/Count 0", ">>", "endobj"});
}

void Document::writePageTree(pdfoutput::CountingSink& out) const
{
    object(out, 3);
    lines(out, {"<<", "/Type /Pages"});
    out.line("/Count " + QByteArray::number(pageCount()));
    out.line(kids(pageCount()));
    out.line("/MediaBox [0 0 " + integer(m_pages.firstWidth) + ' ' + integer(m_pages.firstHeight) + ']');
    lines(out, {"/Resources << ", "/Font << "});
    for (int j = 0; j < int(m_fonts.size()); ++j)
        out.line("  /" + pdffonts::resourceName(j) + ' ' + QByteArray::number(firstFontObject() + 2 * j) + " 0 R ");
    out.line("  >>");
    out.line("/ProcSet " + QByteArray::number(procSetObject()) + " 0 R");
    lines(out, {">>", ">>", "endobj"});
}

void Document::writeFonts(pdfoutput::CountingSink& out) const
{
    for (int j = 0; j < int(m_fonts.size()); ++j) {
        out.beginObject(firstFontObject() + 2 * j);
        for (const QByteArray& text : m_fonts[size_t(j)].font)
            out.line(text);
        out.beginObject(firstFontObject() + 2 * j + 1);
        for (const QByteArray& text : m_fonts[size_t(j)].descriptor)
            out.line(text);
    }
}

void Document::writeInfo(pdfoutput::CountingSink& out) const
{
    object(out, infoObject());
    out.line("<<");
    out.line("/CreationDate (" + pdftext::literal(m_created) + ')');
    out.line("/Producer (Orvandel PDF Export)");
    out.line("/Subject (" + pdftext::literal(m_info.subject) + " )");
    out.line("/Creator (" + pdftext::literal(m_info.creator) + ')');
    out.line("/Title (" + pdftext::literal(m_info.title) + ')');
    out.line("/Author (" + pdftext::literal(m_info.author) + ')');
    lines(out, {">>", "endobj"});
}

void Document::writeTrailer(pdfoutput::CountingSink& out) const
{
    const qint64 xref = out.writeCrossReference();
    lines(out, {"trailer", "<<"});
    out.line("/Size " + QByteArray::number(procSetObject() + 1));
    out.line("/Root 1 0 R");
    out.line("/Info " + QByteArray::number(infoObject()) + " 0 R");
    lines(out, {">>", "startxref"});
    out.line(QByteArray::number(xref));
    out.line("%%EOF");
}

}  // namespace pdfdocument
