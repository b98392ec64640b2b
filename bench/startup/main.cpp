// Start-up time and peak memory of the program: from the start of a new
// process to the main window shown and painted (offscreen platform), run
// several times. With --grab FILE the child saves a picture of the window
// instead (--all-panels shows the three panels and the status line, with a
// few lines in the grid, so every control can be looked at; --help-window
// saves the help window).
#include "app/Ayuda.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "tests/support/PeakMemory.h"
#include "tests/support/WindowControls.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

class PaintWatch : public QObject
{
public:
    std::function<void()> onPainted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && onPainted) {
            auto callback = std::move(onPainted);
            onPainted = nullptr;
            // After this paint has been delivered.
            QTimer::singleShot(0, callback);
        }
        return false;
    }
};

int runChild(int argc, char** argv, const char* grabPath, bool allPanels, bool helpWindow)
{
    prepareStartup();
    QApplication application(argc, argv);
    configureApplication(application);
    const std::unique_ptr<TF_Retenciones> window = createWindows(realCollaborators());
    PaintWatch watch;
    window->installEventFilter(&watch);
    watch.onPainted = [&] {
        if (grabPath) {
            if (allPanels) {
                const WindowControls controls = WindowControls::of(*window);
                controls.Panel2->show();
                controls.Panel3->show();
                controls.salida->setText(QStringLiteral(
                    "SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  /opt/retenciones/ CON EL NOMBRE :26300332"));
                controls.salida->show();
                window->declaration().addLine(
                    {"1", "123", "01/03/2026", "1234.50", "6", "FERRETERIA SUR", "30-12345678-1"});
                window->declaration().addLine(
                    {"2", "0000000000124", "02/03/2026", "000001380.00", "7", "EL ÑANDÚ", "20-11111111-2"});
                controls.e_legaJo->setText("332");
                controls.e_Mes->setText("3");
                controls.E_ano->setText("2026");
                controls.e_Cuit->setText("30-69714471-0");
                controls.e_Razon->setText("DISTRIBUIDORA LA CAÑADA S.A.");
            }
            QWidget* shown = window.get();
            if (helpWindow) {
                window->BitBtn2Click();
                shown = window->findChild<QWidget*>(QStringLiteral("F_ayuda"));
            }
            const bool saved = shown->grab().save(QString::fromLocal8Bit(grabPath));
            application.exit(saved ? 0 : 1);
            return;
        }
        std::printf("painted %lld\n", static_cast<long long>(peakmemory::kernelMaximumKilobytes()));
        std::fflush(stdout);
        application.exit(0);
    };
    window->show();
    return application.exec();
}

struct Run
{
    double milliseconds = 0;
    long peakKilobytes = 0;
};

bool runOnce(const char* self, Run& run)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    char childFlag[] = "--child";
    char* arguments[] = {const_cast<char*>(self), childFlag, nullptr};

    QElapsedTimer timer;
    timer.start();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return false;
    }
    std::string output;
    char buffer[256];
    ssize_t count = 0;
    while (output.find('\n') == std::string::npos && (count = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, size_t(count));
    run.milliseconds = double(timer.nsecsElapsed()) / 1e6;
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return std::sscanf(output.c_str(), "painted %ld", &run.peakKilobytes) == 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* grabPath = nullptr;
    bool child = false;
    bool allPanels = false;
    bool helpWindow = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--child") == 0)
            child = true;
        else if (std::strcmp(argv[i], "--grab") == 0 && i + 1 < argc)
            grabPath = argv[++i];
        else if (std::strcmp(argv[i], "--all-panels") == 0)
            allPanels = true;
        else if (std::strcmp(argv[i], "--help-window") == 0)
            helpWindow = true;
    }
    if (child || grabPath)
        return runChild(argc, argv, grabPath, allPanels, helpWindow);

    setenv("QT_QPA_PLATFORM", "offscreen", 0);  // another platform may be asked for
    constexpr int runs = 10;
    std::vector<Run> results;
    Run warmUp;
    runOnce(argv[0], warmUp);  // fills the page cache and the font caches
    for (int i = 0; i < runs; ++i) {
        Run run;
        if (!runOnce(argv[0], run)) {
            std::fprintf(stderr, "run %d failed\n", i + 1);
            return 1;
        }
        results.push_back(run);
    }
    std::vector<double> times;
    long peak = 0;
    for (const Run& run : results) {
        times.push_back(run.milliseconds);
        peak = std::max(peak, run.peakKilobytes);
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to main window painted (%s), %d runs: median %.1f ms, min %.1f ms, max %.1f ms\n",
        getenv("QT_QPA_PLATFORM"), runs, times[times.size() / 2], times.front(), times.back());
    std::printf("peak resident memory: %.1f MB\n", double(peak) / 1024.0);
    return 0;
}
