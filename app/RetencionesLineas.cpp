// Line entry, the grid of lines, "Carga Manual" and the file import.
#include "Retenciones.h"

void TF_Retenciones::B2Click()
{
}

void TF_Retenciones::B1Click()
{
}

void TF_Retenciones::B_adicionaClick()
{
}

void TF_Retenciones::GrillaDblClick()
{
}

void TF_Retenciones::Impo_comproExit()
{
}

void TF_Retenciones::E_FEChaExit()
{
}

void TF_Retenciones::E_ComprobanteExit()
{
}

void TF_Retenciones::E_CuitRetenExit()
{
}

void TF_Retenciones::E_CuitRetenKeyPress(QChar&)
{
}

void TF_Retenciones::E_ImporteKeyPress(QChar&)
{
}
