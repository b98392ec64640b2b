#pragma once

#include "app/Collaborators.h"
#include "declaration/AgentRegistry.h"
#include "declaration/Certificates.h"
#include "declaration/Confirmation.h"

#include <QFont>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

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

// Tahoma at a pixel height (the files of Debian's fonts-wine, loaded on first
// use), or DejaVu Sans at the same height where Tahoma is not to be had.
QFont tahomaFont(int pixelSize, bool bold = false);
// Arial at a pixel height (fontconfig resolves it to Liberation Sans).
QFont arialFont(int pixelSize);

// The main window. Its controls hold all the data of a declaration; every
// action is one of the handlers below, named after the control and the event.
// The handlers of the header (legajo, month, year), the reset and the help
// button are in Retenciones.cpp; line entry, the grid, "Carga Manual" and the
// import in RetencionesLineas.cpp; CONFIRMA in RetencionesConfirma.cpp; the
// suppliers' certificates in RetencionesConstancias.cpp.
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
    // B_ConfirmaClick: the user cancels the export of the control report.
    static const QString ReportNotGenerated;

    // Client area of the design, in pixels.
    static constexpr int DesignWidth = 931;
    static constexpr int DesignHeight = 655;

    // Controls placed on the window.
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
    // The buttons for what CONFIRMA wrote, in a row right above the status
    // line at the right edge; shown with the status line.
    QWidget* salidaBotones = nullptr;
    QPushButton* B_ConstanciasSalida = nullptr;  // "Constancias"

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
    QPushButton* B_Constancias = nullptr;  // "CONSTANCIAS"
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

    // The cells of Grilla: model row i is grid row i + 1, column 0 the line
    // number; the headings of grid row 0 are the view's horizontal header.
    WithholdingGrid* gridCells = nullptr;

    // The grid row that receives the next line; 1 after every reset.
    qint32 nextRow = 1;

    // The agent registry, filled when the window is shown.
    AgentRegistry registry;

    // The period's declaration file as "Carga Manual" re-loaded it; CONFIRMA
    // replaces it without asking while its bytes are unchanged. Forgotten by
    // Limpia (and so by B3Click and a completed CONFIRMA).
    std::optional<LoadedDeclarationFile> reloadedDeclaration;

    // The declaration the last completed CONFIRMA wrote, for
    // B_ConstanciasSalida: its folder and its period.
    struct ConfirmedPeriod
    {
        QString directory;
        certificates::Period period;
    };
    std::optional<ConfirmedPeriod> confirmedPeriod;

    // The help window, created at start-up (or by the help button).
    TF_ayuda* F_ayuda = nullptr;

    // The withholdings store, opened by the first CONFIRMA and kept until the
    // window goes.
    std::shared_ptr<WithholdingStore> store;

    // Message boxes, beep, file dialog, program's directory, database name.
    Collaborators collaborators;

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
    void B_ConstanciasClick();
    void B_ConstanciasSalidaClick();

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
    void createControls();
    void createPanels();
    void createFields();
    void createButtons();
    void createGrid();
    void createCertificateButtons();
    void placeOutputButtons();
    void showOutputButtons(const QString& directory, const DeclarationHeader& header);
    void generateCertificates(const QString& directory, const certificates::Period& period);
    void setFocusOrder();
    void wireClicks();
    void wireExits();
    void wireKeyPresses();
    void wireWindowEvents();
    void escapePressed();
    bool fieldMayBeLeft(QWidget* field);
    bool moveOnAtEnter(QChar& key);
    bool gridMouseEvent(QObject* watched, QEvent* event);

    std::unique_ptr<HandlerBindings> m_bindings;
    bool m_shown = false;
};
