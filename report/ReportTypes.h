#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <variant>

// Plain data handed from the report engine to an export filter.

enum class Alignment { LeftJustify, RightJustify, Center };

// A report font: face name, size in points, style, character set number
// (1 is the default character set) and text colour.
struct ReportFont
{
    QString name = QStringLiteral("Arial");
    int size = 10;
    bool bold = false;
    bool italic = false;
    int charset = 1;
    QColor color = Qt::black;
};

enum class PenStyle { Solid, Clear };
enum class BrushStyle { Solid, Clear };

struct Pen
{
    int width = 1;  // device units
    QColor color = Qt::black;
    PenStyle style = PenStyle::Solid;
};

struct Brush
{
    QColor color = Qt::white;
    BrushStyle style = BrushStyle::Solid;
};

enum class ShapeKind {
    Rectangle,
    Circle,
    HorizontalLine,
    VerticalLine,
    TopAndBottom,
    RightAndLeft,
    RoundRectangle,
    LeftDiagonal,
    RightDiagonal,
};

// Sizes are in device units (pixels at the screen resolution).
struct ShapeControl
{
    ShapeKind shape = ShapeKind::Rectangle;
    int width = 0;
    int height = 0;
    Pen pen;
    Brush brush;
};

struct RuleControl
{
    Pen pen;
    int width = 0;
    int height = 0;
};

struct PictureControl
{
    QImage picture;
    int width = 0;
    int height = 0;
    bool stretch = false;
};

using GraphicControl = std::variant<ShapeControl, RuleControl, PictureControl>;
