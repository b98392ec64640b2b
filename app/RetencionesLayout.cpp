// The window's layout: every control with its place, size and settings, made
// from the tables below.
#include "app/Retenciones.h"

#include "app/Fonts.h"
#include "app/MaskEdit.h"
#include "declaration/WithholdingGrid.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>

namespace {

QColor rgb(unsigned value)
{
    return QColor((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
}

void setFill(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

enum class Border { None, Single, Sunken, Raised };

void setBorder(QFrame* frame, Border border)
{
    switch (border) {
    case Border::None:
        frame->setFrameStyle(QFrame::NoFrame);
        break;
    case Border::Single:
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        break;
    case Border::Sunken:
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        break;
    case Border::Raised:
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        break;
    }
    frame->setLineWidth(1);
}

template <typename Control>
Control* place(Control* control, const char* name, int left, int top, int width, int height)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(left, top, width, height);
    return control;
}

QLabel* caption(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height,
    const QFont& font, Border border)
{
    auto* label = place(new QLabel(text, parent), name, left, top, width, height);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    label->setIndent(0);
    label->setMargin(border == Border::None ? 0 : 1);
    setBorder(label, border);
    // A caption without a border sizes itself to its text, so a font a little
    // wider than the design's does not cut the text off.
    if (border == Border::None)
        label->resize(qMax(width, label->sizeHint().width()), height);
    return label;
}

QLineEdit* editField(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    return place(new QLineEdit(parent), name, left, top, width, height);
}

QPushButton* button(
    QWidget* parent, const char* name, const QString& text, const char* glyph, int left, int top, int width, int height)
{
    auto* result = place(new QPushButton(text, parent), name, left, top, width, height);
    if (glyph) {
        result->setIcon(QIcon(QLatin1String(glyph)));
        result->setIconSize(QSize(32, 32));
    }
    result->setAutoDefault(false);
    return result;
}

// Letters typed, pasted or set by the program become capitals.
void forceUpperCase(QLineEdit* field)
{
    QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text)
            return;
        const int cursor = field->cursorPosition();
        field->setText(upper);
        field->setCursorPosition(cursor);
    });
}

// Column 0 of the grid is a fixed column: drawn like the heading row and
// never shown as selected.
class FixedColumnDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->fillRect(option.rect, option.palette.button());
        QStyleOptionViewItem plain = option;
        plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        plain.backgroundBrush = option.palette.button();
        QStyledItemDelegate::paint(painter, plain, index);
    }
};

// The fonts of the captions, by the name the layout below gives them.
enum class CaptionFont { Window, Tahoma11Bold, Tahoma13, Tahoma13Bold, Tahoma16Bold, Arial11, Arial13 };

QFont captionFont(CaptionFont font, const QWidget* window)
{
    switch (font) {
    case CaptionFont::Window:
        return window->font();
    case CaptionFont::Tahoma11Bold:
        return tahomaFont(11, true);
    case CaptionFont::Tahoma13:
        return tahomaFont(13);
    case CaptionFont::Tahoma13Bold:
        return tahomaFont(13, true);
    case CaptionFont::Tahoma16Bold:
        return tahomaFont(16, true);
    case CaptionFont::Arial11:
        return arialFont(11);
    case CaptionFont::Arial13:
        return arialFont(13);
    }
    return window->font();
}

// Where a control sits: on one of the window's panels, or on the window
// itself when `panel` is null.
using Panel = QFrame* TF_Retenciones::*;

QWidget* parentOn(TF_Retenciones* window, Panel panel)
{
    return panel ? static_cast<QWidget*>(window->*panel) : window;
}

struct CaptionPlace
{
    QLabel* TF_Retenciones::*member;
    const char* name;
    Panel panel;
    const char* text;
    int left, top, width, height;
    CaptionFont font;
    Border border;
};

struct ButtonPlace
{
    QPushButton* TF_Retenciones::*member;
    const char* name;
    Panel panel;
    const char* text;
    const char* glyph;  // a 32 x 32 icon, or none
    int left, top, width, height;
};

struct FieldPlace
{
    QLineEdit* TF_Retenciones::*member;
    const char* name;
    Panel panel;
    int left, top, width, height;
};

// Short names that keep one control to a line in the tables below.
using W = TF_Retenciones;
using F = CaptionFont;
using B = Border;

// The widths of the grid's columns, the line number first.
constexpr int gridColumnWidths[WithholdingGrid::ColumnCount] = {33, 78, 71, 73, 129, 57, 186};

}  // namespace

void TF_Retenciones::createControls()
{
    setFill(this, Qt::white);
    Image2 = place(new QLabel(this), "Image2", 8, 8, 150, 81);
    Image2->setPixmap(QPixmap(QStringLiteral(":/logos/municipio.png")));
    Image1 = place(new QLabel(this), "Image1", 779, 13, 120, 58);
    Image1->setPixmap(QPixmap(QStringLiteral(":/logos/oficina.png")));
    createPanels();

    createCaptions();
    setFill(StaticText12, rgb(0xFFFBF0));
    salida->setAlignment(Qt::AlignCenter);
    setFill(salida, rgb(0xFFA4D1));

    createFields();
    createButtons();
    createGrid();
}

void TF_Retenciones::createCaptions()
{
    // clang-format off
    static const CaptionPlace captionPlaces[] = {
        {&W::StaticText11, "StaticText11", nullptr, "DECLARACION JURADA AGENTES DE RETENCION",
            289, 8, 408, 23, F::Tahoma16Bold, B::Single},
        // Header panel.
        {&W::StaticText1, "StaticText1", &W::Panel1, "Legajo Municipal ", 9, 9, 103, 20, F::Tahoma13, B::Single},
        {&W::StaticText2, "StaticText2", &W::Panel1, "Mes Retención (Nro)", 199, 9, 121, 20, F::Tahoma13, B::Single},
        {&W::StaticText3, "StaticText3", &W::Panel1, "Año Retención", 412, 9, 86, 20, F::Tahoma13, B::Single},
        {&W::StaticText4, "StaticText4", &W::Panel1, "Cuit Declarante", 11, 49, 91, 20, F::Tahoma13, B::Single},
        {&W::StaticText5, "StaticText5", &W::Panel1, "Razón Social", 268, 49, 77, 20, F::Tahoma13, B::Single},
        // Load-method panel.
        {&W::StaticText16, "StaticText16", &W::Panel3, "Seleccione Mètodo de Carga", 224, 0, 171, 20, F::Arial13, B::None},
        {&W::StaticText33, "StaticText33", &W::Panel3,
            "Importante: La separación  decimal  debe ser (punto) y de miles (coma) en Panel de Control",
            90, 58, 442, 18, F::Arial11, B::None},
        // Line-entry panel.
        {&W::StaticText9, "StaticText9", &W::Panel2, "CUIT Proveedor", 6, 22, 94, 20, F::Tahoma13, B::Single},
        {&W::StaticText10, "StaticText10", &W::Panel2, "Razón Social  ", 250, 22, 85, 20, F::Tahoma13, B::Single},
        {&W::StaticText7, "StaticText7", &W::Panel2, "Fecha Retención", 593, 23, 98, 20, F::Tahoma13, B::Single},
        {&W::StaticText6, "StaticText6", &W::Panel2, "Nro. Comprobante Retención", 5, 68, 169, 20, F::Tahoma13, B::Single},
        {&W::StaticText15, "StaticText15", &W::Panel2, "Importe Comprobante", 315, 70, 130, 20, F::Tahoma13, B::Single},
        {&W::StaticText8, "StaticText8", &W::Panel2, "Importe Retención", 583, 69, 109, 20, F::Tahoma13, B::Single},
        // Below the grid; the status line stays docked at the bottom.
        {&W::StaticText13, "StaticText13", nullptr, "Total Retenciones ==>", 141, 560, 117, 17, F::Window, B::None},
        {&W::StaticText12, "StaticText12", nullptr, "Versión " RETENCIONES_VERSION, 823, 585, 66, 17, F::Tahoma11Bold, B::Sunken},
        {&W::salida, "salida", nullptr, "", 0, W::DesignHeight - 20, W::DesignWidth, 20, F::Tahoma13Bold, B::Single},
    };
    // clang-format on
    for (const CaptionPlace& at : captionPlaces) {
        QWidget* parent = parentOn(this, at.panel);
        this->*at.member = caption(parent, at.name, QString::fromUtf8(at.text), at.left, at.top, at.width, at.height,
            captionFont(at.font, this), at.border);
    }
}

void TF_Retenciones::createPanels()
{
    Panel1 = place(new QFrame(this), "Panel1", 169, 85, 592, 80);
    setFill(Panel1, rgb(0xB0D8FF));
    setBorder(Panel1, Border::Raised);
    // The load-method panel has no fill of its own: the window's white shows.
    Panel3 = place(new QFrame(this), "Panel3", 151, 171, 634, 78);
    setBorder(Panel3, Border::Single);
    Panel2 = place(new QFrame(this), "Panel2", 33, 255, 856, 160);
    setFill(Panel2, rgb(0xDCEAFA));
    setBorder(Panel2, Border::Raised);
}

void TF_Retenciones::createFields()
{
    // The masked fields E_CuitReten and E_FECha are placed beside these.
    // clang-format off
    static const FieldPlace fieldPlaces[] = {
        {&W::e_legaJo, "e_legaJo", &W::Panel1, 125, 8, 68, 21},
        {&W::e_Mes, "e_Mes", &W::Panel1, 326, 8, 66, 21},
        {&W::E_ano, "E_ano", &W::Panel1, 504, 7, 63, 21},
        {&W::e_Cuit, "e_Cuit", &W::Panel1, 125, 48, 118, 21},
        {&W::e_Razon, "e_Razon", &W::Panel1, 351, 47, 228, 21},
        {&W::empresa, "empresa", &W::Panel2, 355, 22, 230, 21},
        {&W::E_Comprobante, "E_Comprobante", &W::Panel2, 180, 68, 124, 21},
        {&W::Impo_compro, "Impo_compro", &W::Panel2, 452, 69, 125, 21},
        {&W::E_Importe, "E_Importe", &W::Panel2, 698, 69, 140, 21},
        {&W::e_totreten, "e_totreten", nullptr, 283, 556, 102, 21},
    };
    // clang-format on
    for (const FieldPlace& at : fieldPlaces) {
        QWidget* parent = parentOn(this, at.panel);
        this->*at.member = editField(parent, at.name, at.left, at.top, at.width, at.height);
    }
    E_CuitReten = place(new MaskEdit(QStringLiteral("00\\-00000000\\-0;0;_"), Panel2), "E_CuitReten", 121, 22, 118, 21);
    E_FECha = place(new MaskEdit(QStringLiteral("!99/99/0000;0;_"), Panel2), "E_FECha", 699, 22, 88, 21);

    // The declarant's CUIT and name are filled by the legajo lookup only.
    for (QLineEdit* display : {e_Cuit, e_Razon}) {
        display->setReadOnly(true);
        display->setFocusPolicy(Qt::ClickFocus);
    }
    forceUpperCase(e_Razon);
    empresa->setMaxLength(59);
    forceUpperCase(empresa);
    E_Comprobante->setMaxLength(13);  // the receipt-number field of the declaration record
    E_Importe->setReadOnly(true);
    e_totreten->setReadOnly(true);
    QPalette palette = e_totreten->palette();
    palette.setColor(QPalette::Base, rgb(0x9BFFB5));
    e_totreten->setPalette(palette);
}

void TF_Retenciones::createButtons()
{
    // clang-format off
    static const ButtonPlace buttonPlaces[] = {
        {&W::B1, "B1", &W::Panel3, "Importación de Archivo", ":/glyphs/check.png", 63, 18, 158, 39},
        {&W::B2, "B2", &W::Panel3, "Carga Manual", ":/glyphs/check.png", 390, 18, 152, 39},
        {&W::B_adiciona, "B_adiciona", &W::Panel2, "ADICIONA", ":/glyphs/check.png", 365, 113, 126, 39},
        {&W::BitBtn2, "BitBtn2", nullptr, "Ayuda", ":/glyphs/help.png", 33, 421, 77, 25},
        {&W::B3, "B3", nullptr, "LIMPIA / REINICIA TODO", nullptr, 3, 467, 129, 25},
        {&W::B_Confirma, "B_Confirma", nullptr, "CONFIRMA", ":/glyphs/floppy.png", 398, 585, 126, 39},
    };
    // clang-format on
    for (const ButtonPlace& at : buttonPlaces) {
        QWidget* parent = parentOn(this, at.panel);
        this->*at.member =
            button(parent, at.name, QString::fromUtf8(at.text), at.glyph, at.left, at.top, at.width, at.height);
    }
    BitBtn2->setIconSize(QSize(18, 18));
}

void TF_Retenciones::createGrid()
{
    gridCells = new WithholdingGrid(m_declaration, this);
    gridCells->setObjectName(QStringLiteral("gridCells"));
    Grilla = place(new QTableView(this), "Grilla", 138, 421, 708, 129);
    Grilla->setModel(gridCells);
    Grilla->setItemDelegateForColumn(0, new FixedColumnDelegate(Grilla));
    Grilla->setToolTip(QStringLiteral("DOBLE CLICK Borra Renglón"));
    Grilla->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grilla->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grilla->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grilla->setTabKeyNavigation(false);
    Grilla->setWordWrap(false);
    Grilla->setTextElideMode(Qt::ElideNone);
    Grilla->setCornerButtonEnabled(false);
    Grilla->setShowGrid(true);
    Grilla->verticalHeader()->hide();
    Grilla->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grilla->verticalHeader()->setMinimumSectionSize(15);
    Grilla->verticalHeader()->setDefaultSectionSize(15);
    QHeaderView* headings = Grilla->horizontalHeader();
    headings->setSectionsMovable(false);
    headings->setSectionsClickable(false);
    headings->setHighlightSections(false);
    headings->setSectionResizeMode(QHeaderView::Fixed);
    headings->setMinimumSectionSize(1);
    headings->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    headings->setStretchLastSection(false);
    headings->setFixedHeight(17);
    for (int column = 0; column < WithholdingGrid::ColumnCount; ++column)
        Grilla->setColumnWidth(column, gridColumnWidths[column]);
}

void TF_Retenciones::setFocusOrder()
{
    QWidget* const order[] = {e_legaJo, e_Mes, E_ano, Grilla, B_Confirma, E_CuitReten, empresa, E_FECha, E_Comprobante,
        Impo_compro, E_Importe, B_adiciona, e_totreten, B3, BitBtn2, B1, B2};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}
