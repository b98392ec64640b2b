#pragma once

#include "report/PdfFonts.h"
#include "report/PdfPage.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

namespace pdfoutput {
class CountingSink;
class Sink;
}

// The whole PDF document in the order of the file: header, catalogue,
// outlines and page tree (objects 1 to 3), two objects per page from 4 on,
// two per font, the information dictionary, the procedure set, the
// cross-reference table and the trailer.
namespace pdfdocument {

struct DocumentInfo {
    QString creator;
    QString author;
    QString title;
    QString subject;
};

class Document
{
public:
    // Everything that may fail before a byte is written: the fonts'
    // objects are made here. `pages` holds at least one page.
    Document(const std::vector<pdfpage::Page>& pages, const QList<pdffonts::FontKey>& fonts,
             const DocumentInfo& info);

    void write(pdfoutput::Sink& file) const;

private:
    int pageCount() const { return int(m_pages.size()); }
    int firstFontObject() const { return 2 * pageCount() + 4; }
    int infoObject() const { return firstFontObject() + 2 * int(m_fonts.size()); }
    int procSetObject() const { return infoObject() + 1; }

    void writeHeader(pdfoutput::CountingSink& out) const;
    void writePageTree(pdfoutput::CountingSink& out) const;
    void writeFonts(pdfoutput::CountingSink& out) const;
    void writeInfo(pdfoutput::CountingSink& out) const;
    void writeTrailer(pdfoutput::CountingSink& out) const;

    const std::vector<pdfpage::Page>& m_pages;
    std::vector<pdffonts::FontResource> m_fonts;
    DocumentInfo m_info;
    QString m_created;
};

} // namespace pdfdocument
