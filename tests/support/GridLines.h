#pragma once

#include "declaration/Declaration.h"

#include <vector>

// Every line the declaration holds, grid rows 1 to usedRows(), gaps included:
// a copy to compare against.
inline std::vector<WithholdingLine> gridLines(const Declaration& declaration)
{
    std::vector<WithholdingLine> lines;
    lines.reserve(size_t(declaration.usedRows()));
    for (int gridRow = 1; gridRow <= declaration.usedRows(); ++gridRow)
        lines.push_back(declaration.line(gridRow));
    return lines;
}
