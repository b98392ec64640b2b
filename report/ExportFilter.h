#pragma once

#include "report/ReportTypes.h"

// What an export filter may read from the report that runs it: the page size
// in tenths of a millimetre (as given, unrounded; Start gets it rounded) and
// the device units per tenth of a millimetre.
struct ExportContext
{
    double pageWidth = 2100;
    double pageLength = 2970;
    double xFactor = 96.0 / 254.0;
    double yFactor = 96.0 / 254.0;
};

// Receives every element the report engine prints. Call order: Start, one
// EndPage, then per page NewPage, the page's TextOut and AcceptGraphic calls,
// EndPage; finally Finish. Errors are thrown (Error) and end the export.
class ExportFilter
{
public:
    virtual ~ExportFilter() = default;

    // Set by the engine for the length of an export; null otherwise.
    void setOwner(const ExportContext* owner) { m_owner = owner; }
    const ExportContext* owner() const { return m_owner; }

    // The export begins on paper of that width and height, in whole tenths of
    // a millimetre (the engine rounds the report's page size to them); every
    // page the filter makes has that size. `font` is the report's font.
    virtual void Start(int paperWidth, int paperHeight, const ReportFont& font) = 0;
    virtual void NewPage() = 0;
    virtual void EndPage() = 0;
    // x and y in tenths of a millimetre from the top left of the page; y is the
    // top of the line, x its left edge, right edge or centre by alignment.
    virtual void TextOut(double x, double y, const ReportFont& font, const QColor& background, Alignment alignment,
        const QString& text) = 0;
    // xOffset and yOffset are the control's left and top edges in device units.
    virtual void AcceptGraphic(double xOffset, double yOffset, const GraphicControl& control) = 0;
    virtual void Finish() = 0;

private:
    const ExportContext* m_owner = nullptr;
};
