// Drives the main window through a declaration on the real screen (under
// xvfb-run) and writes a picture of the whole screen at each step:
//   shoot_window OUTPUT_FOLDER PREFIX
// The pictures are PREFIX-<step>.png in OUTPUT_FOLDER.
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/FakeCollaborators.h"
#include "tests/support/WindowControls.h"
#include "tests/support/WindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdio>

namespace {

QString output;
QString prefix;

void shoot(const QString& step)
{
    QApplication::processEvents();
    QTest::qWait(150);
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
    const QString path = QDir(output).filePath(prefix + QLatin1Char('-') + step + QStringLiteral(".png"));
    if (!picture.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv)
{
    prepareStartup();
    QApplication application(argc, argv);
    configureApplication(application);
    if (argc < 3) {
        std::fprintf(stderr, "usage: shoot_window OUTPUT_FOLDER PREFIX\n");
        return 2;
    }
    output = QString::fromLocal8Bit(argv[1]);
    prefix = QString::fromLocal8Bit(argv[2]);

    QTemporaryDir directory;
    FakeDesktop desktop;
    const QString programDirectory = directory.path() + QLatin1Char('/');
    std::unique_ptr<TF_Retenciones> window = createWindows(desktop.collaborators(programDirectory, QString()));
    window->show();
    QTest::qWaitForWindowExposed(window.get());
    window->activateWindow();
    QTest::qWaitForWindowActive(window.get());
    const WindowControls c = WindowControls::of(*window);
    shoot(QStringLiteral("start"));

    for (const auto& [field, text] : std::initializer_list<std::pair<QWidget*, QString>>{
             {c.e_legaJo, QStringLiteral("332")}, {c.e_Mes, QStringLiteral("3")}, {c.E_ano, QStringLiteral("2026")}}) {
        WindowFixture::type(field, text);
        QTest::keyClick(field, Qt::Key_Tab);
    }
    shoot(QStringLiteral("method"));

    QTest::mouseClick(c.B2, Qt::LeftButton);
    const QStringList receipts{QStringLiteral("1001"), QStringLiteral("1002"), QStringLiteral("1003")};
    for (const QString& receipt : receipts) {
        for (const auto& [field, text] :
            std::initializer_list<std::pair<QWidget*, QString>>{{c.E_CuitReten, QStringLiteral("20123456786")},
                {c.empresa, QStringLiteral("PROVEEDOR SA")}, {c.E_FECha, QStringLiteral("15032026")},
                {c.E_Comprobante, receipt}, {c.Impo_compro, QStringLiteral("1380")}}) {
            WindowFixture::type(field, text);
            QTest::keyClick(field, Qt::Key_Return);
        }
        QTest::keyClick(c.B_adiciona, Qt::Key_Return);
    }
    shoot(QStringLiteral("manual"));
    return 0;
}
