#pragma once

#include <QString>
#include <QStringList>

// The detail of a box that lists lines: the listed rows, one per line, and,
// when `total` exceeds them, the rest counted by `restTemplate` (%1 the count
// of lines not listed).
inline QString listedLines(QStringList rows, qint64 total, const QString& restTemplate)
{
    const qint64 unlisted = total - rows.size();
    if (unlisted > 0)
        rows << restTemplate.arg(unlisted);
    return rows.join(QLatin1Char('\n'));
}
