#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

// The cells of the grid of withholding lines. Grid row 0 is the heading row
// (shown as the view's header); grid rows 1, 2, ... hold one line each and
// are model rows 0, 1, .... Column 0 holds the line number, columns 1 to 6
// receipt number, date, receipt amount, withholding, company name and CUIT.
// A row whose column 1 is empty is a gap. The grid shows at least 499 line
// rows and grows when lines are written past them.
class WithholdingGrid : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 7;
    static constexpr int ShownRows = 499;
    using Line = std::array<QString, ColumnCount>;

    explicit WithholdingGrid(QObject* parent = nullptr);

    // Grid rows are 1-based; a row never written reads as empty.
    QString cell(int gridRow, int column) const;
    const Line& line(int gridRow) const;
    // Writes all seven cells of a grid row, growing the grid as needed.
    void setLine(int gridRow, const Line& cells);
    // Writes consecutive grid rows from `firstGridRow` on in one step, as a
    // whole file load does, so that views update once instead of per line.
    void setLines(int firstGridRow, std::vector<Line> lines);
    // Empties columns 1 to 6 of a row (a deletion leaves its line number).
    void clearLineCells(int gridRow);
    // Empties every line row (row 0, the headings, is kept).
    void clearLines();
    // The highest grid row that was ever written since the last clear.
    int usedRows() const { return int(m_lines.size()); }

    QString heading(int column) const;
    void setHeading(int column, const QString& text);

    // Replaces every line row by `lines` (grid rows 1, 2, ...) in one reset.
    void restore(std::vector<Line> lines);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<Line> m_lines;
    std::array<QString, ColumnCount> m_headings;
};
