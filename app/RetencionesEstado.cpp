// The status line `salida` and the buttons beside it that open what the last
// CONFIRMA wrote.
#include "app/Retenciones.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

const QString TF_Retenciones::OpenFailedMessage = QStringLiteral("Atención no se pudo abrir %1 !!!");
const QString TF_Retenciones::FileGoneMessage = QStringLiteral("Atención %1 ya no existe !!!");

namespace {

// The size of the buttons in the row above the status line.
constexpr int StatusButtonWidth = 110;
constexpr int StatusButtonHeight = 24;

bool isFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

}  // namespace

void TF_Retenciones::createStatusButtons()
{
    // In the row above the status line, after the certificates' button.
    B_AbreReporte = new QPushButton(QStringLiteral("Abrir reporte"), salidaBotones);
    B_AbreReporte->setObjectName(QStringLiteral("B_AbreReporte"));
    B_AbreReporte->setToolTip(QStringLiteral("Abre el reporte de control (PDF) de la DDJJ recién generada"));
    B_AbreCarpeta = new QPushButton(QStringLiteral("Abrir carpeta"), salidaBotones);
    B_AbreCarpeta->setObjectName(QStringLiteral("B_AbreCarpeta"));
    B_AbreCarpeta->setToolTip(QStringLiteral("Abre la carpeta de los archivos de la DDJJ recién generada"));
    for (QPushButton* button : {B_AbreReporte, B_AbreCarpeta}) {
        button->setAutoDefault(false);
        button->setFixedSize(StatusButtonWidth, StatusButtonHeight);
        button->hide();
        salidaBotones->layout()->addWidget(button);
    }
    m_outputWatcher = new QFileSystemWatcher(this);
    connect(m_outputWatcher, &QFileSystemWatcher::directoryChanged, this, [this] { updateOpenButtons(); });
}

void TF_Retenciones::dockStatusLine()
{
    // The status line stays docked along the content's bottom edge at full
    // width, the row of its buttons right above its right end.
    QWidget* area = salida->parentWidget();
    salida->setGeometry(0, area->height() - salida->height(), area->width(), salida->height());
    if (salidaBotones)
        placeOutputButtons();
}

void TF_Retenciones::showConfirmed(const ConfirmedDeclaration& confirmed)
{
    lastConfirmed = confirmed;
    salida->setVisible(true);
    salida->setText(statusLineText(confirmed));
    if (!m_outputWatcher->directories().isEmpty())
        m_outputWatcher->removePaths(m_outputWatcher->directories());
    m_outputWatcher->addPath(QDir(confirmed.directory).absolutePath());
    updateOpenButtons();
}

void TF_Retenciones::updateOpenButtons()
{
    const bool named = lastConfirmed && !salida->isHidden() && collaborators.opener;
    const bool report = named && lastConfirmed->reportWritten && isFile(lastConfirmed->reportPath);
    const bool folder =
        named && QFileInfo(lastConfirmed->directory).isDir() && (report || isFile(lastConfirmed->declarationPath));
    const bool changed = B_AbreReporte->isHidden() == report || B_AbreCarpeta->isHidden() == folder;
    B_AbreReporte->setVisible(report);
    B_AbreCarpeta->setVisible(folder);
    if (changed)
        placeOutputButtons();
}

void TF_Retenciones::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && B_AbreReporte)
        updateOpenButtons();
}

void TF_Retenciones::openWritten(const QString& path, bool isFolder)
{
    updateOpenButtons();
    const bool there = isFolder ? QFileInfo(path).isDir() : isFile(path);
    if (!there) {
        collaborators.messages->information(FileGoneMessage.arg(path));
        return;
    }
    if (!collaborators.opener || !collaborators.opener->open(path))
        collaborators.messages->information(OpenFailedMessage.arg(path));
}

void TF_Retenciones::B_AbreReporteClick()
{
    if (lastConfirmed)
        openWritten(lastConfirmed->reportPath, false);
}

void TF_Retenciones::B_AbreCarpetaClick()
{
    if (lastConfirmed)
        openWritten(QDir(lastConfirmed->directory).absolutePath(), true);
}
