// Closing the main window.
#include "app/Retenciones.h"

#include "app/Startup.h"
#include "core/TextRules.h"

#include <QCloseEvent>

const QString TF_Retenciones::CloseQuestion =
    QStringLiteral("Atención hay %1 renglones sin confirmar. Sale sin generar la DDJJ ?");

namespace {

// The lines of the declaration; gaps left by deletions are no lines.
int lineCount(const Declaration& declaration)
{
    int lines = 0;
    for (int row = 1; row <= declaration.usedRows(); ++row)
        lines += text::trimmed(declaration.line(row).receiptNumber).isEmpty() ? 0 : 1;
    return lines;
}

}  // namespace

void TF_Retenciones::closeEvent(QCloseEvent* event)
{
    // A confirmed declaration leaves the grid empty; a signal ending the
    // program asks nothing.
    const int lines = programIsEnding() ? 0 : lineCount(m_declaration);
    bool leave = true;
    if (lines > 0) {
        runHandler([&] {
            leave = collaborators.messages->question(CloseQuestion.arg(lines), MessageBoxes::DefaultButton::No);
        });
    }
    if (!leave) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
