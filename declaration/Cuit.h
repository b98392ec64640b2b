#pragma once

#include <QString>

// The check digit of a CUIT and the validity of its two written forms: the
// eleven digits of the masked field, and NN-NNNNNNNN-N as the grid, the
// registry and the files hold it.
namespace cuit {

// "Atención el CUIT del proveedor no es válido (dígito verificador) !!!"
extern const QString InvalidMessage;

// The first ten digits weighted 5 4 3 2 7 6 5 4 3 2 and summed; the check
// digit is 11 minus the sum modulo 11, with 11 giving 0. When that is 10 no
// CUIT is issued with these ten digits, and the result is -1; so it is for a
// text that is not ten digits.
int checkDigit(const QString& firstTenDigits);

// Eleven digits, none missing (the masked field's value once it is complete).
bool valueIsComplete(const QString& value);
// Eleven digits whose last one is the check digit of the first ten.
bool valueIsValid(const QString& value);
// Eleven digits that are not a valid CUIT: what the line entry refuses. A
// value with a place still blank is not judged here.
bool valueHasWrongCheckDigit(const QString& value);
// Exactly NN-NNNNNNNN-N (13 characters) with a right check digit.
bool textIsValid(const QString& text);

}  // namespace cuit
