#pragma once

#include "declaration/Certificates.h"
#include "report/DataSet.h"
#include "report/ExportFilter.h"
#include "report/PDFDocumentFilter.h"
#include "report/ReportDefinition.h"

#include <QByteArray>
#include <QDate>
#include <QImage>
#include <functional>

// The certificates as a report of the band engine: a page header with the
// two logos, the title and the certificate's number; per supplier a group
// whose header names the period, the agent and the supplier and heads the
// table (repeated on a continued page), one detail band per line, and a
// footer with the total, the total in words, the date of issue and the
// signature line. Every supplier begins on a page of its own.
class CertificateReport
{
public:
    // With the two logos of the program's resources.
    CertificateReport(const certificates::Declaration& declaration, const QDate& issueDate);
    CertificateReport(const certificates::Declaration& declaration, const QDate& issueDate, const QImage& officeLogo,
        const QImage& municipalityLogo);

    // Prints the certificates of the suppliers `first` to `first + count - 1`
    // into `filter` (which the caller keeps).
    void exportTo(ExportFilter& filter, size_t first, size_t count) const;

    // Every certificate in one run, as PDF documents: the document of them
    // all, which is returned, and on the way each supplier's own document,
    // handed to `certificate` with the supplier's index as soon as its last
    // page is printed. The documents are those that runs of exportTo() over
    // all the suppliers and over each one alone give; the logos are encoded
    // once for all of them.
    using CertificateSink = std::function<void(size_t supplier, const QByteArray& document)>;
    QByteArray pdfOfAll(const CertificateSink& certificate);

    // Field names of the lines the report reads.
    static const QStringList& fieldNames();

private:
    const certificates::Declaration& m_declaration;
    ReportDefinition m_report;
    PDFDocumentFilter::PictureCache m_pictures;
};

// The lines of a range of suppliers, read supplier by supplier: the fields
// of fieldNames(), all of them texts as the certificate prints them.
class CertificateLines : public DataSet
{
public:
    CertificateLines(const certificates::Declaration& declaration, size_t first, size_t count);

    void first() override;
    void next() override;
    bool eof() const override;
    int recordCount() const override;
    FieldValue field(const QString& name) const override;

    // The index of the current record's supplier in the declaration.
    size_t supplier() const { return m_supplier; }

private:
    const certificates::Declaration& m_declaration;
    size_t m_first;
    size_t m_end;
    size_t m_supplier = 0;
    size_t m_line = 0;
    int m_count = 0;
};
