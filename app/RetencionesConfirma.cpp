// CONFIRMA: the declaration file, the store and the control report.
#include "Retenciones.h"

void TF_Retenciones::B_ConfirmaClick()
{
}
