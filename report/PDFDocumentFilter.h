#pragma once

#include "report/ExportFilter.h"
#include "report/PdfEncoders.h"
#include "report/PdfFonts.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

enum class TPDFItemType { IT_INVALID, IT_TEXT, IT_NEWPAGE, IT_GRAPHIC, IT_IMAGE };

enum class TPDFShapeType {
    S_BOX,
    S_CIRCLE,
    S_HLINE,
    S_VLINE,
    S_OBLIQUE,
    S_TOPBOTTOM,
    S_LEFTRIGHT,
    S_RIGHTDIAG,
    S_LEFTDIAG,
};

using RGBColor = std::array<unsigned char, 3>;

// One element as the writer renders it; positions and sizes in points.
struct TPDFItemRec {
    TPDFItemType ItemType = TPDFItemType::IT_INVALID;
    double XPos = 0;
    double YPos = 0; // from the top: text baseline, shape top, picture bottom
    QString FontName;
    QString FText;
    int FontCharset = 1;
    int FontSize = 0;
    QString FColor;
    bool fbold = false;
    bool fItalic = false;
    int FAlignment = 0;
    bool Filled = false;
    bool staticimage = false;
    double Width = 0;
    double Height = 0;
    double thickness = 0;
    double xscale = 1;
    double yscale = 1;
    QByteArray imgstr;
    QByteArray ImageFilter;
    TPDFShapeType Shape = TPDFShapeType::S_BOX;
    int pixelWidth = 0;
    int pixelHeight = 0;
    RGBColor RGBStrokeColor {};
    RGBColor RGBFColor {};
};

// The export filter that writes a printed report as a PDF 1.3 document. The
// document is built in memory and written in one piece by Finish, so an
// export that stops early leaves no file and does not touch an existing one.
// The file is 7-bit ASCII; text is written in each font's own code page as
// octal escapes, which the font's /Differences encoding names.
class PDFDocumentFilter : public ExportFilter
{
public:
    explicit PDFDocumentFilter(const QString& fileName);

    void SetDocumentInfo(const QString& creator, const QString& author, const QString& title,
                         const QString& subject);

    // On (the setting in force): pictures are LZW-compressed before ASCII85.
    void setCompression(pdfencoding::Compression compression) { FPDFCompressionOn = compression; }

    bool isActive() const { return m_active; }
    QString fileName() const { return m_fileName; }

    void Start(int paperWidth, int paperHeight, const ReportFont& font) override;
    void NewPage() override;
    void EndPage() override;
    void TextOut(double x, double y, const ReportFont& font, const QColor& background,
                 Alignment alignment, const QString& text) override;
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
    // The page being written; its objects go to m_body when it ends.
    struct Page {
        double width = 0;  // points
        double height = 0; // points
        QByteArray graphics; // lines, each ended by CR LF
        QByteArray text;     // lines, each ended by CR LF; "ET" last once ended
        bool ended = true;
    };
    struct PageSize {
        double width = 0;
        double height = 0;
    };
    // The file in three parts: the catalogue, outlines and page tree; the
    // page objects; the fonts, information, cross-reference table and
    // trailer.
    struct Document {
        QByteArray head;
        QByteArray body;
        QByteArray tail;
    };

    struct PictureKey {
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
    struct EncodedBitmap {
        int width = 0;
        int height = 0;
        pdfencoding::EncodedPicture picture;
    };

    // A font of this document as the text items use it: its resource
    // position, metrics and code page, found without building its key again.
    struct FontInUse {
        QString name;
        bool bold = false;
        bool italic = false;
        int charset = 1;
        int index = 0;
        QByteArray selector; // "/F00 "
        const pdffonts::FontMetrics* metrics = nullptr;
        const Codepage* codePage = nullptr;
    };
    const FontInUse& fontInUse(const QString& name, bool bold, bool italic, int charset);
    static QByteArray escapedText(const QString& text, const Codepage* codePage);
    double textWidth(const FontInUse& font, int size, const QString& text) const;

    const ExportContext& context() const;
    void startPage();
    void endPage();
    void ensurePage();
    int fontIndex(const pdffonts::FontKey& key);
    const EncodedBitmap& encodedBitmap(const PictureControl& control);

    void renderText(const TPDFItemRec& item);
    // A text item's lines: x from the left, y the baseline from the top, in
    // points.
    void writeText(const FontInUse& font, int size, const RGBColor& color, double x, double y,
                   const QString& content);
    void renderShape(const TPDFItemRec& item);
    void renderImage(const TPDFItemRec& item);
    void addGraphicsLine(const QByteArray& line);
    void addTextLine(const QByteArray& line);

    Document assemble() const;
    void writeFile(const Document& document) const;

    QString m_fileName;
    pdfencoding::Compression FPDFCompressionOn = pdfencoding::Compression::On;
    QString m_creator;
    QString m_author;
    QString m_title;
    QString m_subject;

    bool m_active = false;
    bool FFirstPage = true;
    bool FMadeFirstPageFiles = false;
    int FPageNumber = 0;
    double FPageWidth = 0;
    double FPageHeight = 0;
    double m_horizontalScale = 0.75;
    double m_verticalScale = 0.75;
    Page m_page;
    std::vector<PageSize> m_pageSizes; // the first page's, for the page tree
    QByteArray m_body;                 // the objects of the ended pages
    std::vector<qsizetype> m_pageOffsets; // in m_body, two per ended page

    QList<pdffonts::FontKey> m_fonts;
    QHash<QString, int> FReportFonts; // font key text -> position
    QHash<PictureKey, EncodedBitmap> m_encodedBitmaps;
    std::vector<FontInUse> m_fontsInUse;
    RGBColor m_lastColor {};
    QByteArray m_lastColorText;
};
