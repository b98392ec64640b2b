#pragma once

#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>

// The table script the benchmarks create their databases from: db/schema.sql
// of the source tree (RETENCIONES_SOURCE_DIR in the environment, else the
// tree the benchmark was built from).
inline QString schema()
{
    QString source = qEnvironmentVariable("RETENCIONES_SOURCE_DIR");
    if (source.isEmpty())
        source = QStringLiteral(RETENCIONES_SOURCE_DIR);
    QFile file(source + QStringLiteral("/db/schema.sql"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "db/schema.sql not found under %s\n", qPrintable(source));
        std::exit(1);
    }
    return QString::fromUtf8(file.readAll());
}
