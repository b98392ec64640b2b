#pragma once

#include <QString>
#include <QtGlobal>

// An amount written in Spanish words, as a certificate states it: the whole
// pesos in upper-case words and the hundredths as a fraction of 100.
namespace amountwords {

// 1234.00 gives "MIL DOSCIENTOS TREINTA Y CUATRO CON 00/100", 21000.05
// "VEINTIÚN MIL CON 05/100", 0.50 "CERO CON 50/100"; a negative amount begins
// with "MENOS ". Millions and billions in the long scale (1000000000 is
// "MIL MILLONES", 10^12 "UN BILLÓN").
QString inWords(qint64 cents);

// The whole number alone: 1 gives "UNO", 100 "CIEN", 101 "CIENTO UNO".
QString wholeInWords(quint64 number);

}  // namespace amountwords
