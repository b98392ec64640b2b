#include "core/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace filenames {

const QString TemporaryPrefix = QStringLiteral(".~retenciones.");

QString temporaryName(const QString& finalName)
{
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters) - 1)]);
    return TemporaryPrefix + finalName + QLatin1Char('.') + suffix;
}

QString finalNameOf(const QString& fileName)
{
    static const QRegularExpression form(
        QStringLiteral("^%1([^/]+)\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(TemporaryPrefix)));
    const QRegularExpressionMatch match = form.match(fileName);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString realFilePath(const QString& path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    // A loop of links ends here; the rename then meets the link itself.
    for (int hop = 0; hop < 40; ++hop) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        const QString target = info.symLinkTarget();
        if (target.isEmpty())
            return current;
        current = QDir::cleanPath(QDir(info.absolutePath()).absoluteFilePath(target));
    }
    return current;
}

}  // namespace filenames
