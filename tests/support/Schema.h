#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

// The table script the tests and benchmarks create their databases from:
// db/schema.sql of the source tree named by RETENCIONES_SOURCE_DIR in the
// environment, else of the tree the program was built from where the build
// says so (RETENCIONES_SOURCE_DIR as a definition). Ends the program when
// the script cannot be read.
inline QString projectSchema()
{
    QString source = qEnvironmentVariable("RETENCIONES_SOURCE_DIR");
#ifdef RETENCIONES_SOURCE_DIR
    if (source.isEmpty())
        source = QStringLiteral(RETENCIONES_SOURCE_DIR);
#endif
    const QString path = source + QStringLiteral("/db/schema.sql");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("db/schema.sql not found at %s (RETENCIONES_SOURCE_DIR)", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}
