#pragma once

#include "tests/support/ExternalTool.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

// Reading back the documents the writer produced: the external checkers and
// the checks they do not make (exact cross-reference entries and stream
// lengths).
namespace pdffiles {

// Everything wrong with the document: qpdf --check warnings and errors, a
// byte above 127, a cross-reference entry that is not 20 bytes or does not
// point at its object, a stream whose /Length is not its size. Empty when
// the document is sound.
QString problems(const QString& path);

// The bytes between "stream\r\n" and "endstream" of object `number`.
QByteArray streamOf(const QByteArray& document, int number);

// The lines of object `number`, from "N 0 obj" to "endobj".
QList<QByteArray> objectLines(const QByteArray& document, int number);

QByteArray readFile(const QString& path);

// Text of page `page` (1-based) as pdftotext -layout gives it.
QString pdfText(const QString& path);

// A page rendered as RGB by pdftoppm ("poppler") or mutool ("mupdf") at
// `dpi`; `errors` gets what the renderer said on stderr (mutool's ICC note
// left out).
QImage renderPage(const QString& renderer, const QString& path, int dpi, QString* errors);

}  // namespace pdffiles
