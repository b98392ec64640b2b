#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs one of the external checkers (qpdf, pdftotext, isql-fb, ...) and
// gives back what it said. An exit code of -1 means it could not be started,
// crashed or did not finish within a minute.
struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolResult runTool(const QString& program, const QStringList& arguments, const QByteArray& input = QByteArray());
