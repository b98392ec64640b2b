#pragma once

#include "report/ReportTypes.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

// A banded report as plain data. Every position and size is in tenths of a
// millimetre, relative to the top-left corner of the band that holds it.

struct ReportPage
{
    double width = 2100;
    double length = 2970;
    double topMargin = 100;
    double bottomMargin = 100;
    double leftMargin = 100;
    double rightMargin = 100;

    double printableWidth() const { return width - leftMargin - rightMargin; }
    double printableHeight() const { return length - topMargin - bottomMargin; }
};

// Which sides of a rectangle are drawn, in what colour and how wide (points).
struct ReportFrame
{
    bool top = false;
    bool bottom = false;
    bool left = false;
    bool right = false;
    QColor color = Qt::black;
    double width = 1;

    bool anySide() const { return top || bottom || left || right; }
    bool allSides() const { return top && bottom && left && right; }
    static ReportFrame box(double width = 1, QColor color = Qt::black)
    {
        return ReportFrame{true, true, true, true, color, width};
    }
};

enum class ControlKind { FixedText, DataText, Picture };

// One printable control. Fixed texts print `caption`, data-bound texts the
// field `fieldName` of the current record formatted with `mask`, pictures
// `picture` (drawn at its own size when `autoSize` is set).
struct ReportControl
{
    ControlKind kind = ControlKind::FixedText;
    QString name;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    Alignment alignment = Alignment::LeftJustify;
    bool autoSize = true;
    bool wordWrap = true;
    bool autoStretch = false;
    ReportFont font;
    QColor color = Qt::white;
    bool transparent = false;
    ReportFrame frame;

    QString caption;
    QString fieldName;
    QString mask;

    QImage picture;
    bool stretch = false;
};

// Group headers open and group footers close each run of records that share
// the value of the report's group field (see ReportGroup).
enum class BandType { PageHeader, GroupHeader, Detail, GroupFooter, PageFooter };

struct ReportBand
{
    BandType type = BandType::Detail;
    QString name;
    double height = 0;
    // 0 spans the page between the margins.
    double width = 0;
    QColor color = Qt::white;
    bool transparent = false;
    bool enabled = true;
    ReportFrame frame;
    std::vector<ReportControl> controls;

    ReportControl* control(const QString& controlName)
    {
        for (ReportControl& each : controls) {
            if (each.name == controlName)
                return &each;
        }
        return nullptr;
    }
};

// Records in a row with the same display text of `field` form a group; the
// group header bands print before its first record and the group footer bands
// after its last. No field, no groups.
struct ReportGroup
{
    QString field;
    // Every group begins on a page of its own.
    bool startOnNewPage = false;
    // The group header bands print again below the page header on every page
    // the group continues on.
    bool repeatHeaderOnNewPage = false;

    bool active() const { return !field.isEmpty(); }
};

struct ReportDefinition
{
    QString name;
    ReportPage page;
    ReportFont font;
    // Print the page header on the first page as well (later pages always get it).
    bool firstPageHeader = true;
    // Print the page footer on the last page as well (earlier pages always get it).
    bool lastPageFooter = true;
    // Print the detail bands once even when the data set has no record.
    bool printIfEmpty = true;
    ReportGroup group;
    std::vector<ReportBand> bands;

    ReportControl* control(const QString& controlName)
    {
        for (ReportBand& each : bands) {
            if (ReportControl* found = each.control(controlName))
                return found;
        }
        return nullptr;
    }
};
