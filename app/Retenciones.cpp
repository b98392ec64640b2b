#include "app/Retenciones.h"

#include "app/Ayuda.h"
#include "app/HandlerBindings.h"
#include "app/MaskEdit.h"
#include "core/Error.h"
#include "declaration/HeaderRules.h"
#include "declaration/WithholdingGrid.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableView>

namespace {

const QString tahomaDirectory = QStringLiteral("/usr/share/wine/fonts/");

QString tahomaFamily()
{
    static const QString family = [] {
        const int regular = QFontDatabase::addApplicationFont(tahomaDirectory + QStringLiteral("tahoma.ttf"));
        QFontDatabase::addApplicationFont(tahomaDirectory + QStringLiteral("tahomabd.ttf"));
        if (regular >= 0) {
            const QStringList families = QFontDatabase::applicationFontFamilies(regular);
            if (!families.isEmpty())
                return families.first();
        }
        // An installed Tahoma (Windows) serves as well; otherwise DejaVu Sans
        // at the same pixel height keeps the layout.
        const QString installed = QFontInfo(QFont(QStringLiteral("Tahoma"))).family();
        if (installed.compare(QStringLiteral("Tahoma"), Qt::CaseInsensitive) == 0)
            return installed;
        return QStringLiteral("DejaVu Sans");
    }();
    return family;
}

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

// Short names that keep one control to a line in the tables below.
using W = TF_Retenciones;
using F = CaptionFont;
using B = Border;

// clang-format off
const CaptionPlace captionPlaces[] = {
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
    {&W::StaticText12, "StaticText12", nullptr, "Versión 6.0", 823, 585, 66, 17, F::Tahoma11Bold, B::Sunken},
    {&W::salida, "salida", nullptr, "", 0, W::DesignHeight - 20, W::DesignWidth, 20, F::Tahoma13Bold, B::Single},
};

struct ButtonPlace {
    QPushButton* TF_Retenciones::*member;
    const char* name;
    Panel panel;
    const char* text;
    const char* glyph; // a 32 x 32 icon, or none
    int left, top, width, height;
};

const ButtonPlace buttonPlaces[] = {
    {&W::B1, "B1", &W::Panel3, "Importación de Archivo", ":/glyphs/check.png", 63, 18, 158, 39},
    {&W::B2, "B2", &W::Panel3, "Carga Manual", ":/glyphs/check.png", 390, 18, 152, 39},
    {&W::B_adiciona, "B_adiciona", &W::Panel2, "ADICIONA", ":/glyphs/check.png", 365, 113, 126, 39},
    {&W::BitBtn2, "BitBtn2", nullptr, "Ayuda", ":/glyphs/help.png", 33, 421, 77, 25},
    {&W::B3, "B3", nullptr, "LIMPIA / REINICIA TODO", nullptr, 3, 467, 129, 25},
    {&W::B_Confirma, "B_Confirma", nullptr, "CONFIRMA", ":/glyphs/floppy.png", 398, 585, 126, 39},
};

struct FieldPlace {
    QLineEdit* TF_Retenciones::*member;
    const char* name;
    Panel panel;
    int left, top, width, height;
};

// The masked fields E_CuitReten and E_FECha are placed beside these.
const FieldPlace fieldPlaces[] = {
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

// The widths of the grid's columns, the line number first.
constexpr int gridColumnWidths[WithholdingGrid::ColumnCount] = {33, 78, 71, 73, 129, 57, 186};

}  // namespace

QFont tahomaFont(int pixelSize, bool bold)
{
    QFont font(tahomaFamily());
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QFont arialFont(int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    return font;
}

TF_Retenciones::TF_Retenciones(Collaborators collaborators_, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
    , collaborators(std::move(collaborators_))
    , m_bindings(std::make_unique<HandlerBindings>(this, [this](const auto& handler) { runHandler(handler); }))
{
    setObjectName(QStringLiteral("F_Retenciones"));
    setWindowTitle(QString());
    setWindowIcon(QIcon(QStringLiteral(":/logos/municipio.png")));
    setFont(tahomaFont(11));
    setFill(this, Qt::white);
    resize(DesignWidth, DesignHeight);
    createControls();
    setFocusOrder();
    wireClicks();
    wireExits();
    wireKeyPresses();
    wireWindowEvents();
}

TF_Retenciones::~TF_Retenciones()
{
    // No exit check may run while the controls go away.
    m_bindings.reset();
}

void TF_Retenciones::createControls()
{
    Image2 = place(new QLabel(this), "Image2", 8, 8, 150, 81);
    Image2->setPixmap(QPixmap(QStringLiteral(":/logos/municipio.png")));
    Image1 = place(new QLabel(this), "Image1", 779, 13, 120, 58);
    Image1->setPixmap(QPixmap(QStringLiteral(":/logos/oficina.png")));
    createPanels();

    for (const CaptionPlace& at : captionPlaces) {
        QWidget* parent = parentOn(this, at.panel);
        this->*at.member = caption(parent, at.name, QString::fromUtf8(at.text), at.left, at.top, at.width, at.height,
            captionFont(at.font, this), at.border);
    }
    setFill(StaticText12, rgb(0xFFFBF0));
    salida->setAlignment(Qt::AlignCenter);
    setFill(salida, rgb(0xFFA4D1));

    createFields();
    createButtons();
    createGrid();
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
    for (const ButtonPlace& at : buttonPlaces) {
        QWidget* parent = parentOn(this, at.panel);
        this->*at.member =
            button(parent, at.name, QString::fromUtf8(at.text), at.glyph, at.left, at.top, at.width, at.height);
    }
    BitBtn2->setIconSize(QSize(18, 18));
    createCertificateButtons();
}

void TF_Retenciones::createGrid()
{
    gridCells = new WithholdingGrid(this);
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
        Impo_compro, E_Importe, B_adiciona, e_totreten, B3, BitBtn2, B1, B_Constancias, B2, B_ConstanciasSalida};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TF_Retenciones::wireClicks()
{
    m_bindings->bindClick(B3, [this] { B3Click(); });
    m_bindings->bindClick(BitBtn2, [this] { BitBtn2Click(); });
    m_bindings->bindClick(B1, [this] { B1Click(); });
    m_bindings->bindClick(B2, [this] { B2Click(); });
    m_bindings->bindClick(B_adiciona, [this] { B_adicionaClick(); });
    m_bindings->bindClick(B_Confirma, [this] { B_ConfirmaClick(); });
    m_bindings->bindClick(B_Constancias, [this] { B_ConstanciasClick(); });
    m_bindings->bindClick(B_ConstanciasSalida, [this] { B_ConstanciasSalidaClick(); });
}

void TF_Retenciones::wireExits()
{
    m_bindings->setLeaveCheck([this](QWidget* field) { return fieldMayBeLeft(field); });
    m_bindings->bindExit(e_legaJo, [this] { e_legaJoExit(); });
    m_bindings->bindExit(e_Mes, [this] { e_MesExit(); });
    m_bindings->bindExit(E_ano, [this] { E_anoExit(); });
    m_bindings->bindExit(e_Cuit, [this] { e_CuitExit(); });
    m_bindings->bindExit(e_Razon, [this] { e_RazonExit(); });
    m_bindings->bindExit(E_CuitReten, [this] { E_CuitRetenExit(); });
    m_bindings->bindExit(E_FECha, [this] { E_FEChaExit(); });
    m_bindings->bindExit(E_Comprobante, [this] { E_ComprobanteExit(); });
    m_bindings->bindExit(Impo_compro, [this] { Impo_comproExit(); });
}

void TF_Retenciones::wireKeyPresses()
{
    const auto digitsOnly = [this](QChar& key) { e_legaJoKeyPress(key); };
    for (QWidget* field : std::initializer_list<QWidget*>{e_legaJo, e_Mes, E_ano, E_Comprobante, E_FECha})
        m_bindings->bindKeyPress(field, digitsOnly);
    m_bindings->bindKeyPress(e_Cuit, [this](QChar& key) { e_CuitKeyPress(key); });
    m_bindings->bindKeyPress(e_Razon, [this](QChar& key) { e_RazonKeyPress(key); });
    m_bindings->bindKeyPress(empresa, [this](QChar& key) { empresaKeyPress(key); });
    m_bindings->bindKeyPress(E_CuitReten, [this](QChar& key) { E_CuitRetenKeyPress(key); });
    m_bindings->bindKeyPress(Impo_compro, [this](QChar& key) { E_ImporteKeyPress(key); });
    m_bindings->bindKeyPress(E_Importe, [this](QChar& key) { E_ImporteKeyPress(key); });
}

void TF_Retenciones::wireWindowEvents()
{
    // A double click anywhere on the grid, the heading row included.
    Grilla->viewport()->installEventFilter(this);
    Grilla->horizontalHeader()->viewport()->installEventFilter(this);

    // B3 is the window's cancel button.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { escapePressed(); });
}

void TF_Retenciones::runHandler(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const Error& error) {
        collaborators.messages->error(error.message(), error.detail());
    } catch (const std::exception& error) {
        collaborators.messages->error(QString::fromLocal8Bit(error.what()), QString());
    }
}

const QString TF_Retenciones::MaskedValueIncomplete =
    QStringLiteral("Invalid input value.  Use escape key to abandon changes");

bool TF_Retenciones::fieldMayBeLeft(QWidget* field)
{
    // A masked field the user typed into must be complete before it can be
    // left; its exit handler does not run until then.
    auto* masked = qobject_cast<MaskEdit*>(field);
    if (!masked || !masked->hasUserInput() || masked->isComplete())
        return true;
    collaborators.beep->beep();
    collaborators.messages->error(MaskedValueIncomplete, QString());
    masked->setFocus();
    return false;
}

void TF_Retenciones::moveFocusToNext()
{
    focusNextChild();
}

bool TF_Retenciones::moveOnAtEnter(QChar& key)
{
    if (key != QChar(u'\r'))
        return false;
    key = QChar();
    moveFocusToNext();
    return true;
}

void TF_Retenciones::escapePressed()
{
    runHandler([this] { B3Click(); });
}

bool TF_Retenciones::eventFilter(QObject* watched, QEvent* event)
{
    if (gridMouseEvent(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

// The grid: a double click anywhere runs its handler; column 0 is a fixed
// column that neither selects nor moves the current row.
bool TF_Retenciones::gridMouseEvent(QObject* watched, QEvent* event)
{
    const bool onGridCells = Grilla && watched == Grilla->viewport();
    const bool onGridHeadings = Grilla && watched == Grilla->horizontalHeader()->viewport();
    if (!onGridCells && !onGridHeadings)
        return false;
    const QEvent::Type type = event->type();
    const bool mouse = type == QEvent::MouseButtonDblClick || type == QEvent::MouseButtonPress
        || type == QEvent::MouseButtonRelease || type == QEvent::MouseMove;
    if (!mouse)
        return false;
    const int x = static_cast<QMouseEvent*>(event)->position().toPoint().x();
    if (type == QEvent::MouseButtonDblClick) {
        runHandler([this] { GrillaDblClick(); });
        return onGridHeadings || Grilla->columnAt(x) == 0;
    }
    return onGridCells && Grilla->columnAt(x) == 0;
}

void TF_Retenciones::showEvent(QShowEvent* event)
{
    if (!event->spontaneous() && !m_shown) {
        m_shown = true;
        if (QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
        runHandler([this] { FormShow(); });
    }
    QWidget::showEvent(event);
}

void TF_Retenciones::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The status line stays docked along the bottom edge at full width.
    salida->setGeometry(0, height() - salida->height(), width(), salida->height());
    placeOutputButtons();
}

// ---------------------------------------------------------------------------
// Start-up, reset and help.

void TF_Retenciones::FormShow()
{
    B_Confirma->setEnabled(false);
    salida->hide();
    Panel2->hide();
    Panel3->hide();
    Limpia();
    e_totreten->setText(QStringLiteral("0"));
    gridCells->setHeading(1, QStringLiteral("Nro.Comp."));
    gridCells->setHeading(2, QStringLiteral("Fecha"));
    gridCells->setHeading(3, QStringLiteral("Importe Comp."));
    gridCells->setHeading(4, QStringLiteral("Importe Ret."));
    gridCells->setHeading(5, QStringLiteral("Empresa"));
    gridCells->setHeading(6, QStringLiteral("CUIT"));
    registry.load();
}

void TF_Retenciones::Limpia()
{
    Panel1->setEnabled(true);
    nextRow = 1;
    gridCells->clearLines();
    e_legaJo->clear();
    e_Mes->clear();
    E_ano->clear();
    e_Cuit->clear();
    e_Razon->clear();
    E_Comprobante->clear();
    E_FECha->clear();
    E_Importe->clear();
    E_CuitReten->clear();
    e_totreten->setText(QStringLiteral("0"));
    reloadedDeclaration.reset();
    // Leaving the field that has the focus runs its exit check now, on the
    // value it holds at this moment.
    e_legaJo->setFocus(Qt::OtherFocusReason);
    empresa->clear();
    Impo_compro->clear();
}

const QString TF_Retenciones::ResetQuestion = QStringLiteral("Esta seguro de Limpiar todo lo Ingresado ?");

void TF_Retenciones::B3Click()
{
    if (!collaborators.messages->question(ResetQuestion))
        return;
    Limpia();
    Panel2->hide();
    Panel3->hide();
    B_Confirma->setEnabled(false);
}

void TF_Retenciones::BitBtn2Click()
{
    if (!F_ayuda)
        F_ayuda = new TF_ayuda(this);
    F_ayuda->showModal();
}

// ---------------------------------------------------------------------------
// The declarant header.

void TF_Retenciones::e_legaJoExit()
{
    const std::optional<Agent> agent = registry.lookup(e_legaJo->text());
    if (agent) {
        e_Razon->setText(agent->companyName);
        e_Cuit->setText(agent->cuit);
        return;
    }
    collaborators.messages->information(headerrules::LegajoMessage);
    e_Razon->clear();
    e_Cuit->clear();
    e_Mes->clear();
    E_ano->clear();
    e_legaJo->setFocus();
}

void TF_Retenciones::e_MesExit()
{
    if (!headerrules::acceptedMonth(e_Mes->text())) {
        collaborators.messages->information(headerrules::MonthMessage);
        e_Mes->setFocus();
    }
}

void TF_Retenciones::E_anoExit()
{
    if (!headerrules::acceptedYear(E_ano->text())) {
        collaborators.messages->information(headerrules::YearMessage);
        E_ano->setFocus();
        return;
    }
    Panel1->setEnabled(false);
    Panel3->show();
}

// The two display fields are filled only by the lookup and cannot be typed
// into; leaving them checks nothing, so an empty one never traps the focus.
void TF_Retenciones::e_CuitExit()
{
}

void TF_Retenciones::e_RazonExit()
{
}

void TF_Retenciones::e_legaJoKeyPress(QChar& key)
{
    if (moveOnAtEnter(key))
        return;
    if (key == QChar(u'\b') || (key >= QChar(u'0') && key <= QChar(u'9')))
        return;
    key = QChar();
    collaborators.beep->beep();
}

void TF_Retenciones::e_CuitKeyPress(QChar& key)
{
    moveOnAtEnter(key);
}

void TF_Retenciones::e_RazonKeyPress(QChar& key)
{
    moveOnAtEnter(key);
}

void TF_Retenciones::empresaKeyPress(QChar& key)
{
    moveOnAtEnter(key);
}
