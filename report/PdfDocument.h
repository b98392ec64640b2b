#pragma once

#include "report/PdfFonts.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

namespace pdfoutput {
class CountingSink;
class Sink;
}  // namespace pdfoutput

// The whole PDF document in the order of the file: header, catalogue,
// outlines and page tree (objects 1 to 3), two objects per page from 4 on,
// two per font, the information dictionary, the procedure set, the
// cross-reference table and the trailer.
namespace pdfdocument {

// The objects of the ended pages, two for each from object 4 on, counted
// from the start of `bytes`.
struct PageObjects
{
    int count = 0;
    double firstWidth = 0;  // points
    double firstHeight = 0;
    const pdfoutput::CountingSink* objects = nullptr;
    const QByteArray* bytes = nullptr;
};

struct DocumentInfo
{
    QString creator;
    QString author;
    QString title;
    QString subject;
};

class Document
{
public:
    // Everything that may fail before a byte is written: the fonts'
    // objects are made here. There is at least one page.
    Document(const PageObjects& pages, const QList<pdffonts::FontKey>& fonts, const DocumentInfo& info);

    void write(pdfoutput::Sink& file) const;

private:
    int pageCount() const { return m_pages.count; }
    int firstFontObject() const { return 2 * pageCount() + 4; }
    int infoObject() const { return firstFontObject() + 2 * int(m_fonts.size()); }
    int procSetObject() const { return infoObject() + 1; }

    void writeHeader(pdfoutput::CountingSink& out) const;
    void writePageTree(pdfoutput::CountingSink& out) const;
    void writeFonts(pdfoutput::CountingSink& out) const;
    void writeInfo(pdfoutput::CountingSink& out) const;
    void writeTrailer(pdfoutput::CountingSink& out) const;

    PageObjects m_pages;
    std::vector<pdffonts::FontResource> m_fonts;
    DocumentInfo m_info;
    QString m_created;
};

}  // namespace pdfdocument
