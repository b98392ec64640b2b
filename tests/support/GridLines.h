#pragma once

#include "declaration/WithholdingGrid.h"

#include <vector>

// Every line row the grid holds, grid rows 1 to usedRows(), gaps included: a
// copy to compare against or to put back with restore().
inline std::vector<WithholdingGrid::Line> gridLines(const WithholdingGrid& grid)
{
    std::vector<WithholdingGrid::Line> lines;
    lines.reserve(size_t(grid.usedRows()));
    for (int gridRow = 1; gridRow <= grid.usedRows(); ++gridRow)
        lines.push_back(grid.line(gridRow));
    return lines;
}
