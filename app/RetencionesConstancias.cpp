// The suppliers' withholding certificates: "CONSTANCIAS" on the load-method
// panel for the period in the header, "Constancias" beside the status line
// for the declaration CONFIRMA has just written. Neither changes the grid,
// the header, the store or the declaration file.
#include "app/Retenciones.h"

#include "declaration/CertificateFiles.h"

#include <QDate>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The buttons of the row beside the status line.
constexpr int OutputButtonWidth = 110;
constexpr int OutputButtonHeight = 24;
constexpr int OutputRowGap = 3;  // above the status line and from the right edge

// The program is busy while the files are written; the cursor says so.
class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
};

}  // namespace

void TF_Retenciones::createCertificateButtons()
{
    // Between "Importación de Archivo" and "Carga Manual", below the panel's
    // caption.
    B_Constancias = new QPushButton(QStringLiteral("CONSTANCIAS"), Panel3);
    B_Constancias->setObjectName(QStringLiteral("B_Constancias"));
    B_Constancias->setGeometry(242, 21, 130, 36);
    B_Constancias->setAutoDefault(false);
    B_Constancias->setToolTip(QStringLiteral("Constancias de retención de los proveedores de la DDJJ del período"));

    // A row of buttons right above the status line at the right edge, where
    // the window has nothing; the buttons that act on what CONFIRMA wrote
    // stand in it.
    salidaBotones = new QWidget(m_content);
    salidaBotones->setObjectName(QStringLiteral("salidaBotones"));
    auto* row = new QHBoxLayout(salidaBotones);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    B_ConstanciasSalida = new QPushButton(QStringLiteral("Constancias"), salidaBotones);
    B_ConstanciasSalida->setObjectName(QStringLiteral("B_ConstanciasSalida"));
    B_ConstanciasSalida->setFixedSize(OutputButtonWidth, OutputButtonHeight);
    B_ConstanciasSalida->setAutoDefault(false);
    B_ConstanciasSalida->setToolTip(QStringLiteral("Constancias de retención de la DDJJ recién generada"));
    row->addWidget(B_ConstanciasSalida);
    salidaBotones->hide();
    placeOutputButtons();
}

void TF_Retenciones::placeOutputButtons()
{
    // The row is as wide as its visible buttons, at the content's right edge.
    salidaBotones->layout()->invalidate();
    const QSize size = salidaBotones->sizeHint();
    const QWidget* area = salidaBotones->parentWidget();
    salidaBotones->setGeometry(area->width() - OutputRowGap - size.width(),
        area->height() - salida->height() - OutputRowGap - size.height(), size.width(), size.height());
}

void TF_Retenciones::B_ConstanciasClick()
{
    // The period as the header shows it, the one "Carga Manual" re-loads.
    const DeclarationHeader& header = m_declaration.header();
    generateCertificates(
        collaborators.programDirectory, certificates::Period{header.month, header.year, header.legajo});
}

void TF_Retenciones::B_ConstanciasSalidaClick()
{
    if (confirmedPeriod)
        generateCertificates(confirmedPeriod->directory, confirmedPeriod->period);
}

// The period's declaration file as CONFIRMA wrote it; a file the reader
// refuses or a set that cannot be written ends the handler with the error
// box, and nothing has changed.
void TF_Retenciones::generateCertificates(const QString& directory, const certificates::Period& period)
{
    certificates::Result result;
    {
        const BusyCursor busy;
        result = certificates::generate(directory, period, QDate::currentDate());
    }
    collaborators.messages->information(result.message());
}

void TF_Retenciones::showOutputButtons(const QString& directory, const DeclarationHeader& header)
{
    confirmedPeriod = ConfirmedPeriod{directory, certificates::Period{header.month, header.year, header.legajo}};
    salidaBotones->show();
    salidaBotones->raise();
}
