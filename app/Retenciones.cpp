#include "app/Retenciones.h"

#include "app/Ayuda.h"
#include "core/Error.h"
#include "declaration/HeaderRules.h"
#include "app/MaskEdit.h"
#include "core/TextRules.h"
#include "declaration/WithholdingGrid.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableView>
#include <map>

// Where the window's handlers live together with the bindings that call them.
struct TF_Retenciones::Binding {
    std::map<QWidget*, std::function<void()>> exitHandlers;
    std::map<QObject*, std::function<void(QChar&)>> keyHandlers;
    std::vector<QObject*> buttons;
    // The control that last had the focus in this window. Focus changes that
    // only go to another window (a box, the help window) leave it as it is.
    QWidget* focusControl = nullptr;
};

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

QLabel* caption(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
    int height, const QFont& font, Border border)
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

QPushButton* button(QWidget* parent, const char* name, const QString& text, const char* glyph,
    int left, int top, int width, int height)
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

} // namespace

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
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
    , collaborators(std::move(collaborators_))
    , m_bindings(std::make_unique<Binding>())
{
    setObjectName(QStringLiteral("F_Retenciones"));
    setWindowTitle(QString());
    setWindowIcon(QIcon(QStringLiteral(":/logos/municipio.png")));
    setFont(tahomaFont(11));
    setFill(this, Qt::white);
    resize(DesignWidth, DesignHeight);
    createControls();
    setFocusOrder();
    wireHandlers();
}

TF_Retenciones::~TF_Retenciones()
{
    // No exit check may run while the controls go away.
    ++m_exitCheckDepth;
    disconnect(qApp, nullptr, this, nullptr);
}

void TF_Retenciones::createControls()
{
    const QFont caption13 = tahomaFont(13);

    Image2 = place(new QLabel(this), "Image2", 8, 8, 150, 81);
    Image2->setPixmap(QPixmap(QStringLiteral(":/logos/municipio.png")));
    Image1 = place(new QLabel(this), "Image1", 779, 13, 120, 58);
    Image1->setPixmap(QPixmap(QStringLiteral(":/logos/oficina.png")));

    StaticText11 = caption(this, "StaticText11", QStringLiteral("DECLARACION JURADA AGENTES DE RETENCION"),
        289, 8, 408, 23, tahomaFont(16, true), Border::Single);

    // Header panel.
    Panel1 = place(new QFrame(this), "Panel1", 169, 85, 592, 80);
    setFill(Panel1, rgb(0xB0D8FF));
    setBorder(Panel1, Border::Raised);
    StaticText1 = caption(Panel1, "StaticText1", QStringLiteral("Legajo Municipal "), 9, 9, 103, 20, caption13, Border::Single);
    e_legaJo = editField(Panel1, "e_legaJo", 125, 8, 68, 21);
    StaticText2 = caption(Panel1, "StaticText2", QStringLiteral("Mes Retención (Nro)"), 199, 9, 121, 20, caption13, Border::Single);
    e_Mes = editField(Panel1, "e_Mes", 326, 8, 66, 21);
    StaticText3 = caption(Panel1, "StaticText3", QStringLiteral("Año Retención"), 412, 9, 86, 20, caption13, Border::Single);
    E_ano = editField(Panel1, "E_ano", 504, 7, 63, 21);
    StaticText4 = caption(Panel1, "StaticText4", QStringLiteral("Cuit Declarante"), 11, 49, 91, 20, caption13, Border::Single);
    e_Cuit = editField(Panel1, "e_Cuit", 125, 48, 118, 21);
    e_Cuit->setReadOnly(true);
    e_Cuit->setFocusPolicy(Qt::ClickFocus);
    StaticText5 = caption(Panel1, "StaticText5", QStringLiteral("Razón Social"), 268, 49, 77, 20, caption13, Border::Single);
    e_Razon = editField(Panel1, "e_Razon", 351, 47, 228, 21);
    e_Razon->setReadOnly(true);
    e_Razon->setFocusPolicy(Qt::ClickFocus);
    forceUpperCase(e_Razon);

    // Load-method panel: no fill of its own, the window's white shows.
    Panel3 = place(new QFrame(this), "Panel3", 151, 171, 634, 78);
    setBorder(Panel3, Border::Single);
    StaticText16 = caption(Panel3, "StaticText16", QStringLiteral("Seleccione Mètodo de Carga"), 224, 0, 171, 20, arialFont(13), Border::None);
    B1 = button(Panel3, "B1", QStringLiteral("Importación de Archivo"), ":/glyphs/check.png", 63, 18, 158, 39);
    B2 = button(Panel3, "B2", QStringLiteral("Carga Manual"), ":/glyphs/check.png", 390, 18, 152, 39);
    StaticText33 = caption(Panel3, "StaticText33",
        QStringLiteral("Importante: La separación  decimal  debe ser (punto) y de miles (coma) en Panel de Control"),
        90, 58, 442, 18, arialFont(11), Border::None);

    // Line-entry panel.
    Panel2 = place(new QFrame(this), "Panel2", 33, 255, 856, 160);
    setFill(Panel2, rgb(0xDCEAFA));
    setBorder(Panel2, Border::Raised);
    StaticText9 = caption(Panel2, "StaticText9", QStringLiteral("CUIT Proveedor"), 6, 22, 94, 20, caption13, Border::Single);
    E_CuitReten = place(new MaskEdit(QStringLiteral("00\\-00000000\\-0;0;_"), Panel2), "E_CuitReten", 121, 22, 118, 21);
    StaticText10 = caption(Panel2, "StaticText10", QStringLiteral("Razón Social  "), 250, 22, 85, 20, caption13, Border::Single);
    empresa = editField(Panel2, "empresa", 355, 22, 230, 21);
    empresa->setMaxLength(59);
    forceUpperCase(empresa);
    StaticText7 = caption(Panel2, "StaticText7", QStringLiteral("Fecha Retención"), 593, 23, 98, 20, caption13, Border::Single);
    E_FECha = place(new MaskEdit(QStringLiteral("!99/99/0000;0;_"), Panel2), "E_FECha", 699, 22, 88, 21);
    StaticText6 = caption(Panel2, "StaticText6", QStringLiteral("Nro. Comprobante Retención"), 5, 68, 169, 20, caption13, Border::Single);
    E_Comprobante = editField(Panel2, "E_Comprobante", 180, 68, 124, 21);
    E_Comprobante->setMaxLength(13); // the receipt-number field of the declaration record
    StaticText15 = caption(Panel2, "StaticText15", QStringLiteral("Importe Comprobante"), 315, 70, 130, 20, caption13, Border::Single);
    Impo_compro = editField(Panel2, "Impo_compro", 452, 69, 125, 21);
    StaticText8 = caption(Panel2, "StaticText8", QStringLiteral("Importe Retención"), 583, 69, 109, 20, caption13, Border::Single);
    E_Importe = editField(Panel2, "E_Importe", 698, 69, 140, 21);
    E_Importe->setReadOnly(true);
    B_adiciona = button(Panel2, "B_adiciona", QStringLiteral("ADICIONA"), ":/glyphs/check.png", 365, 113, 126, 39);

    BitBtn2 = button(this, "BitBtn2", QStringLiteral("Ayuda"), ":/glyphs/help.png", 33, 421, 77, 25);
    BitBtn2->setIconSize(QSize(18, 18));

    // The grid of withholding lines.
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
    const int widths[WithholdingGrid::ColumnCount] = {33, 78, 71, 73, 129, 57, 186};
    for (int column = 0; column < WithholdingGrid::ColumnCount; ++column)
        Grilla->setColumnWidth(column, widths[column]);

    B3 = button(this, "B3", QStringLiteral("LIMPIA / REINICIA TODO"), nullptr, 3, 467, 129, 25);
    StaticText13 = caption(this, "StaticText13", QStringLiteral("Total Retenciones ==>"), 141, 560, 117, 17, font(), Border::None);
    e_totreten = editField(this, "e_totreten", 283, 556, 102, 21);
    e_totreten->setReadOnly(true);
    {
        QPalette palette = e_totreten->palette();
        palette.setColor(QPalette::Base, rgb(0x9BFFB5));
        e_totreten->setPalette(palette);
    }
    B_Confirma = button(this, "B_Confirma", QStringLiteral("CONFIRMA"), ":/glyphs/floppy.png", 398, 585, 126, 39);
    StaticText12 = caption(this, "StaticText12", QStringLiteral("Versión 6.0"), 823, 585, 66, 17, tahomaFont(11, true), Border::Sunken);
    setFill(StaticText12, rgb(0xFFFBF0));

    salida = caption(this, "salida", QString(), 0, DesignHeight - 20, DesignWidth, 20, tahomaFont(13, true), Border::Single);
    salida->setAlignment(Qt::AlignCenter);
    setFill(salida, rgb(0xFFA4D1));
}

void TF_Retenciones::setFocusOrder()
{
    QWidget* const order[] = {e_legaJo, e_Mes, E_ano, Grilla, B_Confirma, E_CuitReten, empresa, E_FECha,
        E_Comprobante, Impo_compro, E_Importe, B_adiciona, e_totreten, B3, BitBtn2, B1, B2};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TF_Retenciones::wireHandlers()
{
    bindClick(B3, [this] { B3Click(); });
    bindClick(BitBtn2, [this] { BitBtn2Click(); });
    bindClick(B1, [this] { B1Click(); });
    bindClick(B2, [this] { B2Click(); });
    bindClick(B_adiciona, [this] { B_adicionaClick(); });
    bindClick(B_Confirma, [this] { B_ConfirmaClick(); });

    bindExit(e_legaJo, [this] { e_legaJoExit(); });
    bindExit(e_Mes, [this] { e_MesExit(); });
    bindExit(E_ano, [this] { E_anoExit(); });
    bindExit(e_Cuit, [this] { e_CuitExit(); });
    bindExit(e_Razon, [this] { e_RazonExit(); });
    bindExit(E_CuitReten, [this] { E_CuitRetenExit(); });
    bindExit(E_FECha, [this] { E_FEChaExit(); });
    bindExit(E_Comprobante, [this] { E_ComprobanteExit(); });
    bindExit(Impo_compro, [this] { Impo_comproExit(); });

    const auto digitsOnly = [this](QChar& key) { e_legaJoKeyPress(key); };
    for (QWidget* field : {static_cast<QWidget*>(e_legaJo), static_cast<QWidget*>(e_Mes),
             static_cast<QWidget*>(E_ano), static_cast<QWidget*>(E_Comprobante), static_cast<QWidget*>(E_FECha)})
        bindKeyPress(field, digitsOnly);
    bindKeyPress(e_Cuit, [this](QChar& key) { e_CuitKeyPress(key); });
    bindKeyPress(e_Razon, [this](QChar& key) { e_RazonKeyPress(key); });
    bindKeyPress(empresa, [this](QChar& key) { empresaKeyPress(key); });
    bindKeyPress(E_CuitReten, [this](QChar& key) { E_CuitRetenKeyPress(key); });
    bindKeyPress(Impo_compro, [this](QChar& key) { E_ImporteKeyPress(key); });
    bindKeyPress(E_Importe, [this](QChar& key) { E_ImporteKeyPress(key); });

    // A double click anywhere on the grid, the heading row included.
    Grilla->viewport()->installEventFilter(this);
    Grilla->horizontalHeader()->viewport()->installEventFilter(this);

    // B3 is the window's cancel button.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { escapePressed(); });

    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!now || now->window() != this)
            return; // only another window took the focus: no control was left
        QWidget* left = m_bindings->focusControl;
        m_bindings->focusControl = now;
        if (m_exitCheckDepth > 0 || !left || left == now)
            return;
        if (m_bindings->exitHandlers.count(left))
            runExitCheck(left);
    });
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

void TF_Retenciones::bindExit(QWidget* field, std::function<void()> handler)
{
    m_bindings->exitHandlers[field] = std::move(handler);
}

void TF_Retenciones::bindKeyPress(QWidget* field, std::function<void(QChar&)> handler)
{
    m_bindings->keyHandlers[field] = std::move(handler);
    field->installEventFilter(this);
}

void TF_Retenciones::bindClick(QAbstractButton* button, std::function<void()> handler)
{
    connect(button, &QAbstractButton::clicked, this, [this, handler] { runHandler(handler); });
    // Enter on a button that has the focus clicks it.
    m_bindings->buttons.push_back(button);
    button->installEventFilter(this);
}

void TF_Retenciones::runExitCheck(QWidget* field)
{
    const auto handler = m_bindings->exitHandlers.find(field);
    if (handler == m_bindings->exitHandlers.end())
        return;
    ++m_exitCheckDepth;
    if (fieldMayBeLeft(field))
        runHandler(handler->second);
    --m_exitCheckDepth;
    // Where the handler left the focus, also when the window was inactive and
    // so no focus change was reported.
    m_bindings->focusControl = focusWidget();
}

bool TF_Retenciones::fieldMayBeLeft(QWidget* field)
{
    // A masked field the user typed into must be complete before it can be
    // left; its exit handler does not run until then.
    auto* masked = qobject_cast<MaskEdit*>(field);
    if (!masked || !masked->hasUserInput() || masked->isComplete())
        return true;
    collaborators.beep->beep();
    collaborators.messages->error(QStringLiteral("Invalid input value.  Use escape key to abandon changes"), QString());
    masked->setFocus();
    return false;
}

void TF_Retenciones::moveFocusToNext()
{
    focusNextChild();
}

void TF_Retenciones::escapePressed()
{
    runHandler([this] { B3Click(); });
}

bool TF_Retenciones::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();

        const auto isButton = std::find(m_bindings->buttons.begin(), m_bindings->buttons.end(), watched);
        if (isButton != m_bindings->buttons.end()) {
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !keyEvent->isAutoRepeat()) {
                static_cast<QAbstractButton*>(watched)->click();
                return true;
            }
            return false;
        }

        const auto handler = m_bindings->keyHandlers.find(watched);
        if (handler == m_bindings->keyHandlers.end())
            return false;
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            return false;
        // The character the key types: Ctrl with a letter types the control
        // character of that letter (Ctrl+C is 3, Ctrl+V 22, Ctrl+X 24).
        QChar typed;
        const Qt::KeyboardModifiers modifiers = keyEvent->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
        if (modifiers == Qt::ControlModifier && key >= Qt::Key_A && key <= Qt::Key_Z)
            typed = QChar(char16_t(key - Qt::Key_A + 1));
        else if (key == Qt::Key_Return || key == Qt::Key_Enter)
            typed = QChar(u'\r');
        else if (key == Qt::Key_Backspace)
            typed = QChar(u'\b');
        else if (key == Qt::Key_Escape)
            typed = QChar(u'\x1b');
        else if (!keyEvent->text().isEmpty() && (modifiers & (Qt::ControlModifier | Qt::AltModifier)) == 0)
            typed = keyEvent->text().at(0);
        if (typed.isNull())
            return false;

        QChar result = typed;
        const auto keyHandler = handler->second;
        runHandler([&] { keyHandler(result); });
        if (result.isNull())
            return true;
        if (result == typed)
            return false;
        // The handler typed another character in place of this one.
        if (auto* field = qobject_cast<QLineEdit*>(watched)) {
            if (!field->isReadOnly())
                field->insert(QString(result));
        }
        return true;
    }

    // The grid: a double click anywhere runs its handler; column 0 is a fixed
    // column that neither selects nor moves the current row.
    const bool onGridCells = Grilla && watched == Grilla->viewport();
    const bool onGridHeadings = Grilla && watched == Grilla->horizontalHeader()->viewport();
    if (onGridCells || onGridHeadings) {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonDblClick) {
            runHandler([this] { GrillaDblClick(); });
            return onGridHeadings || Grilla->columnAt(static_cast<QMouseEvent*>(event)->position().toPoint().x()) == 0;
        }
        if (onGridCells && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::MouseMove)) {
            const int x = static_cast<QMouseEvent*>(event)->position().toPoint().x();
            if (Grilla->columnAt(x) == 0)
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
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
    // Leaving the field that has the focus runs its exit check now, on the
    // value it holds at this moment.
    e_legaJo->setFocus(Qt::OtherFocusReason);
    empresa->clear();
    Impo_compro->clear();
}

void TF_Retenciones::B3Click()
{
    if (!collaborators.messages->question(QStringLiteral("Esta seguro de Limpiar todo lo Ingresado ?")))
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
    if (key == QChar(u'\r')) {
        key = QChar();
        moveFocusToNext();
        return;
    }
    if (key == QChar(u'\b') || (key >= QChar(u'0') && key <= QChar(u'9')))
        return;
    key = QChar();
    collaborators.beep->beep();
}

void TF_Retenciones::e_CuitKeyPress(QChar& key)
{
    if (key == QChar(u'\r')) {
        key = QChar();
        moveFocusToNext();
    }
}

void TF_Retenciones::e_RazonKeyPress(QChar& key)
{
    if (key == QChar(u'\r')) {
        key = QChar();
        moveFocusToNext();
    }
}

void TF_Retenciones::empresaKeyPress(QChar& key)
{
    if (key == QChar(u'\r')) {
        key = QChar();
        moveFocusToNext();
    }
}
