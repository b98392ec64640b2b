// Line entry, the grid of lines, "Carga Manual" and the file import.
#include "app/Retenciones.h"

#include "app/MaskEdit.h"
#include "core/TextRules.h"
#include "declaration/Cuit.h"
#include "declaration/DeclarationFile.h"
#include "declaration/ImportObservations.h"
#include "declaration/LineEntry.h"
#include "declaration/LineLoad.h"
#include "declaration/Record.h"

#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {

// Whether a file of that name is there to be read; a folder is no file.
bool fileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

}  // namespace

const QString TF_Retenciones::ImportMismatch =
    QStringLiteral("Atención, No coincide importe de retención, verifique!!!");

void TF_Retenciones::B2Click()
{
    B_Confirma->setEnabled(true);
    const DeclarationHeader& header = m_declaration.header();
    const QString path =
        collaborators.programDirectory + record::declarationFileName(header.month, header.year, header.legajo);
    m_declaration.setReloadedFile(std::nullopt);
    if (fileExists(path)) {
        // Remembered only when the bytes stayed the same while they were read.
        const QByteArray before = declarationfile::digest(path);
        lineload::reloadDeclaration(path, m_declaration);
        const QByteArray after = declarationfile::digest(path);
        if (!before.isEmpty() && before == after)
            m_declaration.setReloadedFile(LoadedDeclarationFile{path, after});
    }
    Panel2->show();
    Panel3->hide();
    // The button that had the focus is gone with its panel; the first field
    // of the line takes it, so the user can type the line right away.
    E_CuitReten->setFocus();
}

void TF_Retenciones::B1Click()
{
    Panel2->hide();
    bool mismatch = false;
    QString detail;
    importobservations::Observations observations;
    const QString path = collaborators.fileDialog->getOpenFileName();
    if (!path.isEmpty() && fileExists(path)) {
        const lineload::ImportResult result = lineload::importFile(path, m_declaration);
        mismatch = result.mismatch();
        if (mismatch)
            detail = lineload::mismatchDetail(result);
        else
            observations =
                importobservations::observe(m_declaration, result.firstRow, result.firstRow + result.linesAdded - 1);
    }
    if (mismatch) {
        collaborators.messages->informationWithDetail(ImportMismatch, detail);
        Limpia();
        return;
    }
    B_Confirma->setEnabled(true);
    // The lines stay; the user is only told what to look at.
    if (observations.any())
        collaborators.messages->informationWithDetail(
            importobservations::message(observations), importobservations::detail(observations));
}

void TF_Retenciones::B_adicionaClick()
{
    if (!lineentry::lineIsComplete(
            m_declaration.header().legajo, E_Comprobante->text(), E_CuitReten->value(), E_Importe->text())) {
        collaborators.messages->information(lineentry::IncompleteMessage);
        return;
    }
    if (cuit::valueHasWrongCheckDigit(E_CuitReten->value())) {
        collaborators.messages->information(cuit::InvalidMessage);
        E_CuitReten->setFocus(Qt::OtherFocusReason);
        return;
    }
    E_CuitReten->setFocus(Qt::OtherFocusReason);

    lineentry::TypedLine typed;
    typed.receiptNumber = E_Comprobante->text();
    typed.dateValue = E_FECha->value();
    typed.receiptAmount = Impo_compro->text();
    typed.withholding = E_Importe->text();
    typed.companyName = empresa->text();
    typed.cuitValue = E_CuitReten->value();
    // A withholding that is no number stops here with nothing written.
    m_declaration.addLine(lineentry::addedLine(m_declaration.nextRow(), typed));

    E_Comprobante->clear();
    E_FECha->clear();
    E_Importe->clear();
    E_CuitReten->clear();
    empresa->clear();
    Impo_compro->clear();
}

void TF_Retenciones::GrillaDblClick()
{
    const QModelIndex current = Grilla->currentIndex();
    const int row = current.isValid() ? current.row() + 1 : 1;
    // A gap stays as it is.
    m_declaration.deleteLine(row);
}

void TF_Retenciones::Impo_comproExit()
{
    using Outcome = lineentry::ReceiptWithholding::Outcome;
    if (text::trimmed(Impo_compro->text()).isEmpty())
        Impo_compro->setText(QStringLiteral("0"));
    const lineentry::ReceiptWithholding result = lineentry::receiptWithholding(Impo_compro->text());
    Impo_compro->setText(result.amountText);
    switch (result.outcome) {
    case Outcome::Accepted:
        E_Importe->setText(result.withholding);
        B_adiciona->setFocus(Qt::OtherFocusReason);
        return;
    case Outcome::NotPositive:
        collaborators.messages->information(lineentry::NotPositiveMessage);
        break;
    case Outcome::TooLarge:
        // No room in the record's amount field: refused before the line exists.
        collaborators.messages->information(lineentry::TooLargeMessage);
        break;
    }
    Impo_compro->setFocus(Qt::OtherFocusReason);
}

void TF_Retenciones::E_FEChaExit()
{
    const DeclarationHeader& header = m_declaration.header();
    const QStringList messages = lineentry::dateCheckMessages(E_FECha->value(), header.month, header.year);
    for (const QString& message : messages) {
        collaborators.messages->information(message);
        E_FECha->setFocus(Qt::OtherFocusReason);
    }
}

void TF_Retenciones::E_ComprobanteExit()
{
    const int matches = lineentry::duplicateCount(m_declaration, E_Comprobante->text());
    for (int i = 0; i < matches; ++i) {
        collaborators.messages->information(lineentry::DuplicateMessage);
        E_Comprobante->setFocus(Qt::OtherFocusReason);
    }
}

void TF_Retenciones::E_CuitRetenExit()
{
    // An empty or partly filled field is not judged here.
    if (!cuit::valueHasWrongCheckDigit(E_CuitReten->value()))
        return;
    collaborators.messages->information(cuit::InvalidMessage);
    E_CuitReten->setFocus(Qt::OtherFocusReason);
}

void TF_Retenciones::E_CuitRetenKeyPress(QChar& key)
{
    // The same rule as the other digit fields: Enter moves on, digits and
    // Backspace pass, anything else is dropped with the beep.
    e_legaJoKeyPress(key);
}

void TF_Retenciones::E_ImporteKeyPress(QChar& key)
{
    if (moveOnAtEnter(key))
        return;
    if (key == QChar(u'\b') || key == QChar(u',') || key == QChar(u'.') || (key >= QChar(u'0') && key <= QChar(u'9')))
        return;
    key = QChar();
    collaborators.beep->beep();
}
