#include "app/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace {

const QString tahomaDirectory = QStringLiteral("/usr/share/wine/fonts/");

QString tahomaFamily()
{
    static const QString family = [] {
        const int regular = QFontDatabase::addApplicationFont(tahomaDirectory + QStringLiteral("tahoma.ttf"));
        QFontDatabase::addApplicationFont(tahomaDirectory + QStringLiteral("tahomabd.ttf"));
        if (regular >= 0) {
            const QStringList families = QFontDatabase::applicationFontFamilies(regular);
            if (!families.isEmpty())
                return families.first();
        }
        // An installed Tahoma (Windows) serves as well; otherwise DejaVu Sans
        // at the same pixel height keeps the layout.
        const QString installed = QFontInfo(QFont(QStringLiteral("Tahoma"))).family();
        if (installed.compare(QStringLiteral("Tahoma"), Qt::CaseInsensitive) == 0)
            return installed;
        return QStringLiteral("DejaVu Sans");
    }();
    return family;
}

}  // namespace

QFont tahomaFont(int pixelSize, bool bold)
{
    QFont font(tahomaFamily());
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QFont arialFont(int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    return font;
}
