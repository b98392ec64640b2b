// The declarant header: legajo, month and year, and the declarant's CUIT and
// company name that the legajo lookup fills.
#include "app/Retenciones.h"

#include "declaration/HeaderRules.h"

#include <QFrame>
#include <QLineEdit>

void TF_Retenciones::e_legaJoExit()
{
    const std::optional<Agent> agent = registry.lookup(m_declaration.header().legajo);
    if (agent) {
        m_declaration.setDeclarant(agent->cuit, agent->companyName);
        return;
    }
    collaborators.messages->information(headerrules::LegajoMessage);
    m_declaration.setDeclarant(QString(), QString());
    m_declaration.setMonth(QString());
    m_declaration.setYear(QString());
    e_legaJo->setFocus();
}

void TF_Retenciones::e_MesExit()
{
    if (!headerrules::acceptedMonth(m_declaration.header().month)) {
        collaborators.messages->information(headerrules::MonthMessage);
        e_Mes->setFocus();
    }
}

void TF_Retenciones::E_anoExit()
{
    if (!headerrules::acceptedYear(m_declaration.header().year)) {
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
