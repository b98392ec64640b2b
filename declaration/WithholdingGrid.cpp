#include "declaration/WithholdingGrid.h"

#include "declaration/Declaration.h"

WithholdingGrid::WithholdingGrid(const Declaration& declaration, QObject* parent)
    : QAbstractTableModel(parent)
    , m_declaration(declaration)
{
    connect(&declaration, &Declaration::rowsAboutToGrow, this, [this](int usedBefore, int usedAfter) {
        const int shownBefore = shownRows(usedBefore);
        const int shownAfter = shownRows(usedAfter);
        m_growing = shownAfter > shownBefore;
        if (m_growing)
            beginInsertRows(QModelIndex(), shownBefore, shownAfter - 1);
    });
    connect(&declaration, &Declaration::rowsGrown, this, [this] {
        if (m_growing)
            endInsertRows();
        m_growing = false;
    });
    connect(&declaration, &Declaration::linesChanged, this, [this](int firstRow, int lastRow) {
        emit dataChanged(index(firstRow - 1, 0), index(lastRow - 1, ColumnCount - 1));
    });
    connect(&declaration, &Declaration::linesAboutToBeCleared, this, [this] { beginResetModel(); });
    connect(&declaration, &Declaration::linesCleared, this, [this] { endResetModel(); });
}

const QString& WithholdingGrid::field(const WithholdingLine& line, int column)
{
    static const QString none;
    switch (column) {
    case 0:
        return line.lineNumber;
    case 1:
        return line.receiptNumber;
    case 2:
        return line.date;
    case 3:
        return line.receiptAmount;
    case 4:
        return line.withholding;
    case 5:
        return line.supplierName;
    case 6:
        return line.supplierCuit;
    }
    return none;
}

QString WithholdingGrid::cell(int gridRow, int column) const
{
    return field(m_declaration.line(gridRow), column);
}

int WithholdingGrid::shownRows(int usedRows) const
{
    return qMax(ShownRows, usedRows);
}

QString WithholdingGrid::heading(int column) const
{
    return column >= 0 && column < ColumnCount ? m_headings[size_t(column)] : QString();
}

void WithholdingGrid::setHeading(int column, const QString& text)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_headings[size_t(column)] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int WithholdingGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRows(m_declaration.usedRows());
}

int WithholdingGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WithholdingGrid::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return cell(index.row() + 1, index.column());
}

QVariant WithholdingGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return heading(section);
    return QString();
}

Qt::ItemFlags WithholdingGrid::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
