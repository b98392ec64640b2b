#pragma once

#include "report/ExportFilter.h"
#include "report/PdfDocument.h"
#include "report/PdfEncoders.h"
#include "report/PdfFonts.h"
#include "report/PdfOutput.h"
#include "report/PdfPage.h"
#include "report/PdfShapes.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

// The export filter that writes a printed report as a PDF 1.3 document. The
// document is built in memory and written in one piece by Finish, so an
// export that stops early leaves no file and does not touch an existing one.
// The file is 7-bit ASCII; text is written in each font's own code page as
// octal escapes, which the font's /Differences encoding names.
class PDFDocumentFilter : public ExportFilter
{
public:
    explicit PDFDocumentFilter(const QString& fileName);

    void SetDocumentInfo(const QString& creator, const QString& author, const QString& title, const QString& subject);

    // On (the setting in force): pictures are LZW-compressed before ASCII85.
    void setCompression(pdfencoding::Compression compression) { FPDFCompressionOn = compression; }

    bool isActive() const { return m_active; }

    void Start(int paperWidth, int paperHeight, const ReportFont& font) override;
    void NewPage() override;
    void EndPage() override;
    void TextOut(double x, double y, const ReportFont& font, const QColor& background, Alignment alignment,
        const QString& text) override;
    void AcceptGraphic(double xOffset, double yOffset, const GraphicControl& control) override;
    void Finish() override;

    // Renders one item onto the current page; throws "Internal error:
    // IT_INVALID" for an item without a type.
    void renderItem(const TPDFItemRec& item);

    // The text of a text item as it stands between the parentheses of Tj:
    // "\", "(" and ")" escaped, control characters and characters above
    // 7-bit ASCII as three-digit octal escapes of their byte in the code
    // page of `charset`, "?" for a character that code page lacks.
    static QByteArray escapedText(const QString& text, int charset);

private:
    struct PictureKey
    {
        qint64 cacheKey;
        int width;
        int height;
        bool stretch;
        pdfencoding::Compression compression;
        bool operator==(const PictureKey&) const = default;
    };
    friend size_t qHash(const PictureKey& key, size_t seed) noexcept
    {
        return qHashMulti(seed, key.cacheKey, key.width, key.height, key.stretch, int(key.compression));
    }
    struct EncodedBitmap
    {
        int width = 0;
        int height = 0;
        pdfencoding::EncodedPicture picture;
    };

    const ExportContext& context() const;
    void startPage();
    void endPage();
    void ensurePage();
    pdfpage::Page& page() { return m_page; }
    const EncodedBitmap& encodedBitmap(const PictureControl& control);
    void acceptPicture(double xOffset, double yOffset, const PictureControl& picture);
    void acceptShape(TPDFItemRec& item, const ShapeControl& shape);
    void acceptRule(TPDFItemRec& item, const RuleControl& rule);

    void renderText(const TPDFItemRec& item);

    QString m_fileName;
    pdfencoding::Compression FPDFCompressionOn = pdfencoding::Compression::On;
    pdfdocument::DocumentInfo m_info;

    bool m_active = false;
    // The paper size Start was given, in tenths of a millimetre: every page
    // has it (A4 until Start says otherwise).
    int m_paperWidth = 2100;
    int m_paperHeight = 2970;
    bool FFirstPage = true;
    double m_horizontalScale = 0.75;
    double m_verticalScale = 0.75;
    bool m_madePage = false;
    pdfpage::Page m_page;
    pdfdocument::PageObjects m_pageObjects;
    pdfoutput::MemorySink m_bodyBytes;            // the objects of the ended pages
    pdfoutput::CountingSink m_body{m_bodyBytes};  // and where they start

    pdffonts::FontTable m_fonts;
    QHash<PictureKey, EncodedBitmap> m_encodedBitmaps;
};
