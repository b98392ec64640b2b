#include "app/Retenciones.h"

#include "app/Ayuda.h"
#include "app/Fonts.h"
#include "app/HandlerBindings.h"
#include "app/MaskEdit.h"
#include "app/WindowFit.h"
#include "core/Error.h"
#include "declaration/WithholdingGrid.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTableView>
#include <QWindow>
#include <utility>

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
    resize(DesignWidth, DesignHeight);
    createControls();
    setFocusOrder();
    wireClicks();
    wireExits();
    wireKeyPresses();
    wireWindowEvents();
    wireDeclaration();
}

TF_Retenciones::~TF_Retenciones()
{
    // No exit check may run while the controls go away.
    m_bindings.reset();
    // The grid's view goes before the declaration its model shows; the
    // window's event filter no longer looks at it while it goes.
    delete std::exchange(Grilla, nullptr);
    // Nor at the content, whose resizing docks the status line.
    if (m_content)
        m_content->removeEventFilter(this);
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
    m_bindings->bindClick(B_AbreReporte, [this] { B_AbreReporteClick(); });
    m_bindings->bindClick(B_AbreCarpeta, [this] { B_AbreCarpetaClick(); });
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

// The header fields feed what is typed into the declaration; the header and
// total fields show what the declaration holds. A field is set only when its
// text differs, so typing keeps its cursor.
void TF_Retenciones::wireDeclaration()
{
    for (QLineEdit* field : {e_legaJo, e_Mes, E_ano, e_Cuit, e_Razon}) {
        connect(field, &QLineEdit::textChanged, this, [this] {
            if (m_showingHeader)
                return;
            m_declaration.setLegajo(e_legaJo->text());
            m_declaration.setMonth(e_Mes->text());
            m_declaration.setYear(E_ano->text());
            m_declaration.setDeclarant(e_Cuit->text(), e_Razon->text());
        });
    }
    connect(&m_declaration, &Declaration::headerChanged, this, &TF_Retenciones::showHeader);
    connect(&m_declaration, &Declaration::totalChanged, this, &TF_Retenciones::showTotal);
}

namespace {

void showText(QLineEdit* field, const QString& text)
{
    if (field->text() != text)
        field->setText(text);
}

}  // namespace

void TF_Retenciones::showHeader()
{
    // The fields take the declaration's texts; what they report meanwhile is
    // the declaration's own.
    const QScopedValueRollback<bool> showing(m_showingHeader, true);
    const DeclarationHeader header = m_declaration.header();
    showText(e_legaJo, header.legajo);
    showText(e_Mes, header.month);
    showText(E_ano, header.year);
    showText(e_Cuit, header.declarantCuit);
    showText(e_Razon, header.declarantName);
}

void TF_Retenciones::showTotal()
{
    e_totreten->setText(m_declaration.totalText());
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
    if (watched == m_content && event->type() == QEvent::Resize)
        dockStatusLine();
    if (gridMouseEvent(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

// The grid: a double click on a line cell runs its handler; one on the
// heading row, on the line-number column or below the last row deletes
// nothing (it is how columns are resized elsewhere, and it points at no
// line). Column 0 is a fixed column that neither selects nor moves the
// current row.
bool TF_Retenciones::gridMouseEvent(QObject* watched, QEvent* event)
{
    // Only mouse events look at the grid: other events also reach this
    // filter while the grid is being destroyed, when it is no grid any more.
    const QEvent::Type type = event->type();
    const bool mouse = type == QEvent::MouseButtonDblClick || type == QEvent::MouseButtonPress
        || type == QEvent::MouseButtonRelease || type == QEvent::MouseMove;
    if (!mouse)
        return false;
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    const bool onGridCells = Grilla && watched == Grilla->viewport();
    const bool onGridHeadings = Grilla && watched == Grilla->horizontalHeader()->viewport();
    if (!onGridCells && !onGridHeadings)
        return false;
    const int x = at.x();
    if (type == QEvent::MouseButtonDblClick) {
        const QModelIndex pointed = onGridCells ? Grilla->indexAt(at) : QModelIndex();
        if (!pointed.isValid() || pointed.column() == 0)
            return true;
        runHandler([this] { GrillaDblClick(); });
        return false;
    }
    return onGridCells && Grilla->columnAt(x) == 0;
}

void TF_Retenciones::showEvent(QShowEvent* event)
{
    if (!event->spontaneous() && !m_shown) {
        m_shown = true;
        fitToScreen();
        runHandler([this] { FormShow(); });
    }
    QWidget::showEvent(event);
}

void TF_Retenciones::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_scroll)
        m_scroll->setGeometry(rect());
    dockStatusLine();
}

void TF_Retenciones::fitToScreen()
{
    QScreen* screen = this->screen();
    if (!screen)
        return;
    m_fitMargins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QRect client =
        windowfit::clientGeometry(QSize(DesignWidth, DesignHeight), m_fitMargins, screen->availableGeometry());
    resize(client.size());
    // A window's position is that of its frame.
    move(client.topLeft() - QPoint(m_fitMargins.left(), m_fitMargins.top()));
}

void TF_Retenciones::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // The window manager tells the frame's size only once the window is on
    // the screen: fitted again, once, with the real frame.
    if (m_shown && !m_fittedWithFrame && windowHandle() && windowHandle()->frameMargins() != m_fitMargins) {
        m_fittedWithFrame = true;
        fitToScreen();
    }
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
    // The header, the lines, the counter, the total and the re-loaded file.
    m_declaration.clear();
    Grilla->scrollToTop();
    E_Comprobante->clear();
    E_FECha->clear();
    E_Importe->clear();
    E_CuitReten->clear();
    showTotal();
    // Leaving the field that has the focus runs its exit check now, on the
    // value it holds at this moment.
    e_legaJo->setFocus(Qt::OtherFocusReason);
    empresa->clear();
    Impo_compro->clear();
}

const QString TF_Retenciones::ResetQuestion = QStringLiteral("Esta seguro de Limpiar todo lo Ingresado ?");

void TF_Retenciones::B3Click()
{
    // No is the default button: Esc then Enter keeps everything.
    if (!collaborators.messages->question(ResetQuestion, MessageBoxes::DefaultButton::No))
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
