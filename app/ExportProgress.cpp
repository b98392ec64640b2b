#include "app/ExportProgress.h"

#include <QApplication>
#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

ExportProgress::ExportProgress(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint
            | Qt::WindowCloseButtonHint)
    , m_progressBar(new QProgressBar(this))
    // The toolkit's own word, in the language of its installed translation.
    , m_cancelButton(new QPushButton(QCoreApplication::translate("QProgressDialog", "Cancel"), this))
{
    setObjectName(QStringLiteral("ExportProgress"));
    setWindowTitle(QStringLiteral("Exporting Progress"));
    setWindowModality(Qt::ApplicationModal);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setMinimumWidth(260);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_cancelButton->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_cancelButton, 0, Qt::AlignHCenter);
    connect(m_cancelButton, &QPushButton::clicked, this, &ExportProgress::reject);
}

void ExportProgress::exportStarted(int recordCount)
{
    m_cancelRequested = false;
    m_cancelButton->setEnabled(true);
    // Without a record count the bar only shows that the export is busy.
    if (recordCount > 0)
        m_progressBar->setRange(0, 100);
    else
        m_progressBar->setRange(0, 0);
    m_progressBar->setValue(0);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    QApplication::processEvents();
}

void ExportProgress::recordPrinted(int, int percent)
{
    if (percent >= 0)
        m_progressBar->setValue(percent);
    QApplication::processEvents();
}

void ExportProgress::exportEnded()
{
    hide();
}

void ExportProgress::reject()
{
    // Hidden by exportEnded, not here: the engine stops after the record it
    // is printing and then ends the export.
    m_cancelRequested = true;
    m_cancelButton->setEnabled(false);
}
