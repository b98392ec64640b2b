// Drives the main window through a declaration on the real screen (under
// xvfb-run) and writes a picture of the whole screen at each step:
//   shoot_window OUTPUT_FOLDER PREFIX [boxes]
// The pictures are PREFIX-<step>.png in OUTPUT_FOLDER. With "boxes" the
// desktop's own message boxes are used and pictured as they open, CONFIRMA
// runs against a database of its own, and the help window is pictured.
//   shoot_window --compare A.png B.png
// prints how many pixels differ between two pictures.
#include "app/Ayuda.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/FakeCollaborators.h"
#include "tests/support/RecordLines.h"
#include "tests/support/WindowControls.h"
#include "tests/support/WindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
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
    QTest::qWait(200);
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
    const QString path = QDir(output).filePath(prefix + QLatin1Char('-') + step + QStringLiteral(".png"));
    if (!picture.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

// Pictures each real message box as it opens, named after `names` in turn,
// then presses `key` in it (the details of a box with details shown first).
class BoxShooter
{
public:
    BoxShooter(QStringList names, Qt::Key key)
        : m_names(std::move(names))
        , m_key(key)
    {
        m_timer.setInterval(50);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start();
    }

private:
    void look()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box == m_last.data() || m_names.isEmpty())
            return;
        m_last = box;
        m_timer.stop();
        const QString name = m_names.takeFirst();
        shoot(name);
        for (QAbstractButton* button : box->buttons()) {
            if (box->buttonRole(button) == QMessageBox::ActionRole) {
                button->click();
                shoot(name + QStringLiteral("-detalle"));
            }
        }
        QTest::keyClick(box, m_key);
        m_timer.start();
    }

    QStringList m_names;
    Qt::Key m_key;
    QTimer m_timer;
    QPointer<QMessageBox> m_last;
};

void typeInto(QWidget* field, const QString& text, Qt::Key leave = Qt::Key_Tab)
{
    WindowFixture::type(field, text);
    QTest::keyClick(field, leave);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

int compare(const QString& first, const QString& second)
{
    const QImage a(first);
    const QImage b(second);
    if (a.isNull() || b.isNull() || a.size() != b.size()) {
        std::printf("sizes differ or a picture is missing\n");
        return 1;
    }
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    std::printf("%lld pixels differ\n", differing);
    return differing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    prepareStartup();
    QApplication application(argc, argv);
    configureApplication(application);
    if (argc == 4 && QByteArray(argv[1]) == "--compare")
        return compare(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc < 3) {
        std::fprintf(stderr, "usage: shoot_window OUTPUT_FOLDER PREFIX [boxes]\n");
        return 2;
    }
    output = QString::fromLocal8Bit(argv[1]);
    prefix = QString::fromLocal8Bit(argv[2]);
    const bool boxes = argc > 3 && QByteArray(argv[3]) == "boxes";

    QTemporaryDir directory;
    FakeDesktop desktop;
    QString programDirectory = directory.path() + QLatin1Char('/');
    QString database;
    Collaborators collaborators = desktop.collaborators(programDirectory, QString());
    if (boxes) {
        QDir(directory.path()).mkdir(QStringLiteral("program"));
        programDirectory = directory.filePath(QStringLiteral("program")) + QLatin1Char('/');
        database = fixture::createDatabase(directory, QStringLiteral("RETENCIONES.FDB"));
        collaborators = desktop.collaborators(programDirectory, database);
        collaborators.messages = desktopMessageBoxes();
        collaborators.opener = desktopOpener();
    }
    std::unique_ptr<TF_Retenciones> window = createWindows(collaborators);
    window->show();
    QTest::qWaitForWindowExposed(window.get());
    window->activateWindow();
    QTest::qWaitForWindowActive(window.get());
    const WindowControls c = WindowControls::of(*window);
    shoot(QStringLiteral("start"));

    if (boxes) {
        // An import with observations of every kind, then CONFIRMA.
        QStringList earlier{recordlines::record(QStringLiteral("20-12345678-6"), QStringLiteral("20260210"),
            QStringLiteral("00000000690"), QStringLiteral("0000000000002"), QStringLiteral("PROVEEDOR SA"),
            QStringLiteral("00000138000"))};
        writeFile(programDirectory + QStringLiteral("26200332.txt"), recordlines::fileBytes(earlier));
        QDir(programDirectory).mkdir(QStringLiteral("26100332.txt"));
        QStringList lines;
        for (int number = 1; number <= 4; ++number)
            lines << recordlines::goodRecord(number, 138000);
        lines << recordlines::record(QStringLiteral("20-12345678-6"), QStringLiteral("20260415"),
            QStringLiteral("00000000690"), QStringLiteral("0000000000001"), QStringLiteral("OTRO SA"),
            QStringLiteral("00000138000"));
        const QString importPath = programDirectory + QStringLiteral("import.txt");
        writeFile(importPath, recordlines::fileBytes(lines));
        typeInto(c.e_legaJo, QStringLiteral("332"));
        typeInto(c.e_Mes, QStringLiteral("3"));
        typeInto(c.E_ano, QStringLiteral("2026"));
        desktop.fileDialog->paths = QStringList{importPath};
        {
            BoxShooter shooter({QStringLiteral("box-observaciones")}, Qt::Key_Return);
            QTest::mouseClick(c.B1, Qt::LeftButton);
        }
        shoot(QStringLiteral("importado"));
        {
            BoxShooter shooter({QStringLiteral("box-limpiar")}, Qt::Key_Return);
            window->activateWindow();
            QTest::qWaitForWindowActive(window.get());
            QTest::keyClick(window->focusWidget() ? window->focusWidget() : window.get(), Qt::Key_Escape);
        }
        {
            BoxShooter shooter({QStringLiteral("box-cerrar")}, Qt::Key_Return);
            window->close();
        }
        writeFile(programDirectory + QStringLiteral("26300332.txt"), recordlines::fileBytes({lines.first()}));
        {
            BoxShooter shooter({QStringLiteral("box-confirma"), QStringLiteral("box-reemplazar")}, Qt::Key_Return);
            QTest::mouseClick(c.B_Confirma, Qt::LeftButton);
        }
        QFile::remove(programDirectory + QStringLiteral("26300332.txt"));
        {
            BoxShooter shooter({QStringLiteral("box-confirma-si")}, Qt::Key_Return);
            QTest::mouseClick(c.B_Confirma, Qt::LeftButton);
        }
        QTest::qWait(500);
        shoot(QStringLiteral("confirmado"));
        QTest::mouseClick(c.BitBtn2, Qt::LeftButton);
        shoot(QStringLiteral("ayuda"));
        if (auto* help = window->findChild<TF_ayuda*>(QStringLiteral("F_ayuda")))
            help->close();
        return 0;
    }

    typeInto(c.e_legaJo, QStringLiteral("332"));
    typeInto(c.e_Mes, QStringLiteral("3"));
    typeInto(c.E_ano, QStringLiteral("2026"));
    shoot(QStringLiteral("method"));

    QTest::mouseClick(c.B2, Qt::LeftButton);
    const QStringList receipts{QStringLiteral("1001"), QStringLiteral("1002"), QStringLiteral("1003")};
    for (const QString& receipt : receipts) {
        typeInto(c.E_CuitReten, QStringLiteral("20123456786"), Qt::Key_Return);
        typeInto(c.empresa, QStringLiteral("PROVEEDOR SA"), Qt::Key_Return);
        typeInto(c.E_FECha, QStringLiteral("15032026"), Qt::Key_Return);
        typeInto(c.E_Comprobante, receipt, Qt::Key_Return);
        typeInto(c.Impo_compro, QStringLiteral("1380"), Qt::Key_Return);
        QTest::keyClick(c.B_adiciona, Qt::Key_Return);
    }
    shoot(QStringLiteral("manual"));
    // Tab from the grid to CONFIRMA: on a small screen the content scrolls to it.
    c.Grilla->setFocus();
    QTest::keyClick(c.Grilla, Qt::Key_Tab);
    shoot(QStringLiteral("tab-confirma"));
    return 0;
}
