#pragma once

#include "report/ReportTypes.h"

#include <QString>

// The installed font a report font resolves to, and its measures at the
// screen resolution. The PDF writer's metrics come from the same font, so
// widths used for alignment and the widths in the document agree.
namespace fontsource {

// Advance width of `text` in `font`, in device units (pixels at `pixelsPerInch`).
double textWidth(const ReportFont& font, const QString& text, double pixelsPerInch = 96);

// Height of "W" in `font`, in device units.
double lineHeight(const ReportFont& font, double pixelsPerInch = 96);

}  // namespace fontsource
