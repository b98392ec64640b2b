#include "declaration/WithholdingGrid.h"

#include <algorithm>
#include <limits>

WithholdingGrid::WithholdingGrid(QObject* parent)
    : QAbstractTableModel(parent)
{
}

QString WithholdingGrid::cell(int gridRow, int column) const
{
    if (gridRow < 1 || gridRow > int(m_lines.size()) || column < 0 || column >= ColumnCount)
        return {};
    return m_lines[size_t(gridRow - 1)][size_t(column)];
}

const WithholdingGrid::Line& WithholdingGrid::line(int gridRow) const
{
    static const Line empty{};
    if (gridRow < 1 || gridRow > int(m_lines.size()))
        return empty;
    return m_lines[size_t(gridRow - 1)];
}

void WithholdingGrid::setLine(int gridRow, const Line& cells)
{
    if (gridRow < 1)
        return;
    const int shownBefore = rowCount();
    if (gridRow > int(m_lines.size()))
        m_lines.resize(size_t(gridRow));
    if (gridRow > shownBefore) {
        beginInsertRows(QModelIndex(), shownBefore, gridRow - 1);
        m_lines[size_t(gridRow - 1)] = cells;
        endInsertRows();
        return;
    }
    m_lines[size_t(gridRow - 1)] = cells;
    emit dataChanged(index(gridRow - 1, 0), index(gridRow - 1, ColumnCount - 1));
}

void WithholdingGrid::setLines(int firstGridRow, std::vector<Line> lines)
{
    if (firstGridRow < 1 || lines.empty())
        return;
    const qint64 lastGridRow = qint64(firstGridRow) + qint64(lines.size()) - 1;
    if (lastGridRow > std::numeric_limits<int>::max())
        return;
    const int last = int(lastGridRow);
    const int shownBefore = rowCount();
    const bool grows = last > shownBefore;
    if (grows)
        beginInsertRows(QModelIndex(), shownBefore, last - 1);
    if (last > int(m_lines.size()))
        m_lines.resize(size_t(last));
    std::move(lines.begin(), lines.end(), m_lines.begin() + (firstGridRow - 1));
    if (grows)
        endInsertRows();
    // Rows that were already shown change in place.
    const int firstChanged = firstGridRow - 1;
    const int lastChanged = qMin(last, shownBefore) - 1;
    if (firstChanged <= lastChanged)
        emit dataChanged(index(firstChanged, 0), index(lastChanged, ColumnCount - 1));
}

void WithholdingGrid::clearLineCells(int gridRow)
{
    if (gridRow < 1 || gridRow > int(m_lines.size()))
        return;
    Line& cells = m_lines[size_t(gridRow - 1)];
    for (int column = 1; column < ColumnCount; ++column)
        cells[size_t(column)].clear();
    emit dataChanged(index(gridRow - 1, 1), index(gridRow - 1, ColumnCount - 1));
}

void WithholdingGrid::clearLines()
{
    restore({});
}

void WithholdingGrid::restore(std::vector<Line> lines)
{
    beginResetModel();
    m_lines = std::move(lines);
    endResetModel();
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
    return parent.isValid() ? 0 : qMax(ShownRows, int(m_lines.size()));
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
