#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

// One withholding line, each text as the grid shows it.
struct WithholdingLine
{
    QString lineNumber;     // the grid row it was written to
    QString receiptNumber;  // empty in a gap left by a deletion
    QString date;           // DD/MM/YYYY
    QString receiptAmount;  // 1234.50, or 000001234.50 as a file brings it
    QString withholding;    // whole units: 6
    QString supplierName;
    QString supplierCuit;  // NN-NNNNNNNN-N

    bool operator==(const WithholdingLine&) const = default;
};

// The header texts of the declaration, as the user typed them and the legajo
// lookup filled them.
struct DeclarationHeader
{
    QString month;          // e_Mes
    QString year;           // E_ano
    QString legajo;         // e_legaJo
    QString declarantCuit;  // e_Cuit
    QString declarantName;  // e_Razon
};

// A declaration file as "Carga Manual" re-loaded it: its path and the SHA-256
// of the bytes it read.
struct LoadedDeclarationFile
{
    QString path;
    QByteArray sha256;
};

// The declaration being prepared, apart from any window: the header, the
// withholding lines in grid rows 1, 2, ..., the next-row counter, the running
// total in exact hundredths and the declaration file re-loaded for it. The
// rules of line entry, the file loads, the import observations and CONFIRMA
// read and change it; a view (the grid model, the window's fields) follows
// its signals.
class Declaration : public QObject
{
    Q_OBJECT

public:
    explicit Declaration(QObject* parent = nullptr);

    // The header.
    const DeclarationHeader& header() const { return m_header; }
    void setLegajo(const QString& legajo);
    void setMonth(const QString& month);
    void setYear(const QString& year);
    // The declarant's CUIT and company name, as the legajo lookup finds them.
    void setDeclarant(const QString& cuit, const QString& companyName);
    // The period as CONFIRMA stores it: month as typed "/" year, both trimmed (3/2026).
    QString period() const;
    // The control report's caption "Periodo : 3/2026 Legajo : 332 COMPANY".
    QString periodoCaption() const;

    // The lines. Grid rows are 1-based; a row never written reads as empty.
    int usedRows() const { return int(m_lines.size()); }
    const WithholdingLine& line(int gridRow) const;
    // The grid row that receives the next line; 1 after every reset.
    qint32 nextRow() const { return m_nextRow; }

    // The running total: the sum of the lines' withholdings.
    qint64 totalCents() const { return m_totalCents; }
    // The total in the general number format: 0, 13, 6.95.
    QString totalText() const;
    // The total as the control report closes with it: 13.00.
    QString totalCaption() const;

    // Adds a line in row nextRow() with that line number, and its withholding
    // to the total; the counter moves on. A withholding that is no number
    // throws ConversionError with nothing changed.
    void addLine(WithholdingLine line);
    // Deletes the line of a grid row: its texts but the line number are
    // emptied and its withholding leaves the total. False for a gap or a row
    // never written. A withholding that is no number throws ConversionError
    // with nothing changed.
    bool deleteLine(int gridRow);

    // A whole file load in one step: the rows from nextRow() on grow to take
    // `count` lines at once, then `nextSlice` gives their lines in order,
    // slice by slice, until it gives an empty one; each slice is written as
    // it comes, so no line is held twice. Then the counter moves past them and
    // `addedCents` joins the total. Throws Error with nothing changed when the
    // counter or the total would leave their range.
    using SliceSource = std::function<std::vector<WithholdingLine>()>;
    void appendLines(qint32 count, qint64 addedCents, const SliceSource& nextSlice);

    // The declaration file re-loaded for this declaration, if any.
    const std::optional<LoadedDeclarationFile>& reloadedFile() const { return m_reloaded; }
    void setReloadedFile(std::optional<LoadedDeclarationFile> file);

    // Empties the header and the lines, the counter back to 1, the total 0,
    // the re-loaded file forgotten.
    void clear();

signals:
    void headerChanged();
    void totalChanged();
    // Rows `usedRowsBefore` + 1 to `usedRowsAfter` are about to be added, and
    // have been added.
    void rowsAboutToGrow(int usedRowsBefore, int usedRowsAfter);
    void rowsGrown();
    // The texts of grid rows `firstRow` to `lastRow` changed.
    void linesChanged(int firstRow, int lastRow);
    // Every line row is about to go, and has gone.
    void linesAboutToBeCleared();
    void linesCleared();

private:
    void setTotalCents(qint64 cents);
    qint64 totalPlus(qint64 cents) const;

    DeclarationHeader m_header;
    std::vector<WithholdingLine> m_lines;
    qint32 m_nextRow = 1;
    qint64 m_totalCents = 0;
    std::optional<LoadedDeclarationFile> m_reloaded;
};
