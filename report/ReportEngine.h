#pragma once

#include "report/DataSet.h"
#include "report/ExportFilter.h"
#include "report/ReportDefinition.h"

#include <QString>

// How an export reaches the user while it runs: a window with a progress bar
// and a cancel button in the program, nothing or a recorder in tests.
class ReportProgress
{
public:
    virtual ~ReportProgress() = default;
    // The export begins; `recordCount` is -1 when the data set does not know it.
    virtual void exportStarted(int recordCount) = 0;
    // Called after every record printed, with the share printed in percent
    // (-1 when the record count is unknown). The place to let pending window
    // events run, so that a cancel button can be pressed.
    virtual void recordPrinted(int recordsPrinted, int percent) = 0;
    virtual bool cancelRequested() const = 0;
    // The export is over, completed, cancelled or failed.
    virtual void exportEnded() = 0;
    // A group of the report begins with the current record: its header is
    // printed next, on a page of its own when the groups start on new pages.
    virtual void groupStarted() { }
};

enum class ExportOutcome { Completed, Cancelled };

// Lays a banded report out on pages and hands every printed element to an
// export filter. Positions are kept in tenths of a millimetre and handed to
// graphics in device units (pixels at `pixelsPerInch`).
class ReportEngine
{
public:
    explicit ReportEngine(const ReportDefinition& report, double pixelsPerInch = 96);

    // Runs the report once over `data` (already open, read from its first record
    // forwards) into `filter`. The caller keeps the filter. Errors of the data
    // set, of formatting or of the filter end the run and reach the caller.
    //
    // A cancel in `progress` stops the data pass after the current record and
    // ends the run without Finish, so the filter writes nothing: a partial list
    // of lines under the total of all of them would be a false control report.
    ExportOutcome ExportToFilter(ExportFilter& filter, DataSet& data, ReportProgress* progress = nullptr);

private:
    const ReportDefinition& m_report;
    double m_pixelsPerInch;
};

namespace reporttext {

// Rounds to the nearest integer, halves to the even neighbour.
int roundEven(double value);

}  // namespace reporttext
