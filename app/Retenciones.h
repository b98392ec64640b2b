#pragma once

#include "app/Collaborators.h"
#include "declaration/AgentRegistry.h"
#include "declaration/Declaration.h"

#include <QWidget>
#include <functional>
#include <memory>

class HandlerBindings;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class MaskEdit;
class TF_ayuda;
class WithholdingGrid;
class WithholdingStore;

// The main window: a view of the Declaration being prepared. Its fields show
// the declaration's header and total and feed the typed header texts into it;
// the grid Grilla shows its lines through the WithholdingGrid model; every
// action is one of the handlers below, named after the control and the event,
// which apply the rules of declaration/ to the declaration. The controls are
// private: tests and tools find them by their object names. The window's
// wiring and its own handlers (start-up, reset, help) are in Retenciones.cpp,
// the layout and the making of the controls in RetencionesLayout.cpp; the
// header's handlers in RetencionesCabecera.cpp; line entry, the grid, "Carga
// Manual" and the import in RetencionesLineas.cpp; CONFIRMA in
// RetencionesConfirma.cpp.
class TF_Retenciones : public QWidget
{
    Q_OBJECT

public:
    explicit TF_Retenciones(Collaborators collaborators, QWidget* parent = nullptr);
    ~TF_Retenciones() override;

    // The window's own messages, each defined beside the handler that shows
    // it; the header and line rules bring theirs from declaration/.
    // B3Click: the reset question.
    static const QString ResetQuestion;
    // fieldMayBeLeft: a masked field the user typed into is left incomplete.
    static const QString MaskedValueIncomplete;
    // B1Click: a line of the imported file fails the cross-check.
    static const QString ImportMismatch;
    // Client area of the design, in pixels.
    static constexpr int DesignWidth = 931;
    static constexpr int DesignHeight = 655;

    // The declaration the window shows and its handlers change.
    Declaration& declaration() { return m_declaration; }
    const Declaration& declaration() const { return m_declaration; }
    // The agent registry the legajo lookup reads, filled when the window is shown.
    const AgentRegistry& agentRegistry() const { return registry; }
    // The withholdings store, once the first CONFIRMA opened it.
    const WithholdingStore* store() const { return m_store.get(); }

    // Show handler and the reset.
    void FormShow();
    void Limpia();

    // Buttons.
    void B3Click();
    void BitBtn2Click();
    void B1Click();
    void B2Click();
    void B_adicionaClick();
    void B_ConfirmaClick();
    void GrillaDblClick();

    // Exit handlers, run when the focus leaves the field for another control.
    void e_legaJoExit();
    void e_MesExit();
    void E_anoExit();
    void e_CuitExit();
    void e_RazonExit();
    void E_CuitRetenExit();
    void E_FEChaExit();
    void E_ComprobanteExit();
    void Impo_comproExit();

    // Key handlers: get each typed character and may drop it by setting it
    // to the null character.
    void e_legaJoKeyPress(QChar& key);
    void e_CuitKeyPress(QChar& key);
    void e_RazonKeyPress(QChar& key);
    void empresaKeyPress(QChar& key);
    void E_CuitRetenKeyPress(QChar& key);
    void E_ImporteKeyPress(QChar& key);

    // Runs a handler as the event loop would: an Error that ends it is shown
    // in the standard error box with its own text and detail, and the program
    // goes on.
    void runHandler(const std::function<void()>& handler);

    // Moves the focus to the next control of the focus order, as Tab does.
    void moveFocusToNext();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend std::unique_ptr<TF_Retenciones> createWindows(Collaborators collaborators);

    // Controls placed on the window, each named after its member.
    QLabel* Image2 = nullptr;         // municipality's logo
    QLabel* Image1 = nullptr;         // office logo
    QLabel* StaticText11 = nullptr;   // title
    QFrame* Panel1 = nullptr;         // header
    QFrame* Panel3 = nullptr;         // load method
    QFrame* Panel2 = nullptr;         // line entry
    QPushButton* BitBtn2 = nullptr;   // "Ayuda"
    QTableView* Grilla = nullptr;     // withholding lines, over gridCells
    QPushButton* B3 = nullptr;        // "LIMPIA / REINICIA TODO", Esc
    QLabel* StaticText13 = nullptr;   // "Total Retenciones ==>"
    QLineEdit* e_totreten = nullptr;  // running total
    QPushButton* B_Confirma = nullptr;
    QLabel* StaticText12 = nullptr;  // version
    QLabel* salida = nullptr;        // status line, docked at the bottom

    // Header panel Panel1.
    QLabel* StaticText1 = nullptr;
    QLineEdit* e_legaJo = nullptr;
    QLabel* StaticText2 = nullptr;
    QLineEdit* e_Mes = nullptr;
    QLabel* StaticText3 = nullptr;
    QLineEdit* E_ano = nullptr;
    QLabel* StaticText4 = nullptr;
    QLineEdit* e_Cuit = nullptr;
    QLabel* StaticText5 = nullptr;
    QLineEdit* e_Razon = nullptr;

    // Load-method panel Panel3.
    QLabel* StaticText16 = nullptr;
    QPushButton* B1 = nullptr;  // "Importación de Archivo"
    QPushButton* B2 = nullptr;  // "Carga Manual"
    QLabel* StaticText33 = nullptr;

    // Line-entry panel Panel2.
    QLabel* StaticText9 = nullptr;
    MaskEdit* E_CuitReten = nullptr;
    QLabel* StaticText10 = nullptr;
    QLineEdit* empresa = nullptr;
    QLabel* StaticText7 = nullptr;
    MaskEdit* E_FECha = nullptr;
    QLabel* StaticText6 = nullptr;
    QLineEdit* E_Comprobante = nullptr;
    QLabel* StaticText15 = nullptr;
    QLineEdit* Impo_compro = nullptr;
    QLabel* StaticText8 = nullptr;
    QLineEdit* E_Importe = nullptr;
    QPushButton* B_adiciona = nullptr;

    // The declaration's lines as Grilla shows them: model row i is grid row
    // i + 1; the headings of grid row 0 are the view's horizontal header.
    WithholdingGrid* gridCells = nullptr;

    // The agent registry, filled when the window is shown.
    AgentRegistry registry;

    // The help window, created at start-up (or by the help button).
    TF_ayuda* F_ayuda = nullptr;

    // The withholdings store, opened by the first CONFIRMA and kept until the
    // window goes.
    std::shared_ptr<WithholdingStore> m_store;

    // Message boxes, beep, file dialog, program's directory, database name.
    Collaborators collaborators;

    // The declaration being prepared; Limpia empties it.
    Declaration m_declaration;

    void createControls();
    void createCaptions();
    void createPanels();
    void createFields();
    void createButtons();
    void createGrid();
    void setFocusOrder();
    void wireClicks();
    void wireExits();
    void wireKeyPresses();
    void wireWindowEvents();
    void wireDeclaration();
    void showHeader();
    void showTotal();
    void escapePressed();
    bool fieldMayBeLeft(QWidget* field);
    bool moveOnAtEnter(QChar& key);
    bool gridMouseEvent(QObject* watched, QEvent* event);

    std::unique_ptr<HandlerBindings> m_bindings;
    bool m_shown = false;
    bool m_showingHeader = false;
};
