#include "tests/support/ExternalTool.h"

#include "tests/support/Credentials.h"

#include <QProcess>

ToolResult runTool(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(program, arguments);
    ToolResult result;
    if (!process.waitForStarted(30000)) {
        result.err = QStringLiteral("cannot start ") + program;
        return result;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAllStandardOutput();
    result.out = QString::fromUtf8(result.output);
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QStringList isqlArguments(const QString& database)
{
    return QStringList{QStringLiteral("-q")} + credentials::isqlLogin() + QStringList{database};
}

ToolResult runIsql(const QString& database, const QByteArray& script)
{
    return runTool(QStringLiteral("isql-fb"),
        QStringList{QStringLiteral("-ch"), QStringLiteral("UTF8")} + isqlArguments(database), script);
}
