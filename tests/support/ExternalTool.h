#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs one of the external checkers (qpdf, pdftotext, isql-fb, ...) and
// gives back what it said. An exit code of -1 means it could not be started
// (`err` says so), crashed or did not finish within two minutes.
struct ToolResult
{
    int exitCode = -1;
    QByteArray output;  // standard output as it came (pictures, XML)
    QString out;        // the same as UTF-8 text
    QString err;
};

ToolResult runTool(const QString& program, const QStringList& arguments, const QByteArray& input = QByteArray());

// isql-fb on `database` as the tests' user, with UTF-8 text, reading `script`.
ToolResult runIsql(const QString& database, const QByteArray& script);
// The arguments that open `database` in isql-fb as the tests' user.
QStringList isqlArguments(const QString& database);
