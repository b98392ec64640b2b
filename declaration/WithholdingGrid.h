#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>

class Declaration;
struct WithholdingLine;

// The grid of withholding lines as a table model over a Declaration's lines.
// Grid row 0 is the heading row (shown as the view's header); grid rows 1,
// 2, ... are model rows 0, 1, ... and show one line each: column 0 the line
// number, columns 1 to 6 receipt number, date, receipt amount, withholding,
// company name and CUIT. The grid shows at least 499 line rows and grows
// with the declaration's lines. The model follows the declaration's signals;
// it holds no line of its own.
class WithholdingGrid : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 7;
    static constexpr int ShownRows = 499;

    explicit WithholdingGrid(const Declaration& declaration, QObject* parent = nullptr);

    // The text of a cell; grid rows are 1-based, a row never written reads as empty.
    QString cell(int gridRow, int column) const;
    // The text of one column of a line.
    static const QString& field(const WithholdingLine& line, int column);

    QString heading(int column) const;
    void setHeading(int column, const QString& text);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    int shownRows(int usedRows) const;

    const Declaration& m_declaration;
    std::array<QString, ColumnCount> m_headings;
    bool m_growing = false;
};
