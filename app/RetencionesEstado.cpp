// The status line `salida` and the buttons beside it that open what the last
// CONFIRMA wrote.
#include "app/Retenciones.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QPushButton>

const QString TF_Retenciones::OpenFailedMessage = QStringLiteral("Atención no se pudo abrir %1 !!!");
const QString TF_Retenciones::FileGoneMessage = QStringLiteral("Atención %1 ya no existe !!!");

namespace {

// The row of buttons right above the status line at the right edge, where
// the window has nothing.
constexpr int StatusButtonWidth = 110;
constexpr int StatusButtonHeight = 24;
constexpr int StatusButtonSpacing = 4;
constexpr int StatusRowGap = 3;  // above the status line and from the right edge

bool isFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

}  // namespace

void TF_Retenciones::createStatusButtons(QWidget* parent)
{
    B_AbreReporte = new QPushButton(QStringLiteral("Abrir reporte"), parent);
    B_AbreReporte->setObjectName(QStringLiteral("B_AbreReporte"));
    B_AbreCarpeta = new QPushButton(QStringLiteral("Abrir carpeta"), parent);
    B_AbreCarpeta->setObjectName(QStringLiteral("B_AbreCarpeta"));
    // From left to right beside the status line; more buttons may join them.
    statusButtons = {B_AbreReporte, B_AbreCarpeta};
    for (QPushButton* button : statusButtons) {
        button->setAutoDefault(false);
        button->resize(StatusButtonWidth, StatusButtonHeight);
        button->hide();
    }
    m_outputWatcher = new QFileSystemWatcher(this);
    connect(m_outputWatcher, &QFileSystemWatcher::directoryChanged, this, [this] { updateOpenButtons(); });
}

void TF_Retenciones::dockStatusLine()
{
    // The status line stays docked along the bottom edge at full width; the
    // visible buttons stand in a row right above its right end.
    QWidget* area = salida->parentWidget();
    const int top = area->height() - salida->height();
    salida->setGeometry(0, top, area->width(), salida->height());
    int right = area->width() - StatusRowGap;
    for (auto button = statusButtons.rbegin(); button != statusButtons.rend(); ++button) {
        if ((*button)->isHidden())
            continue;
        right -= StatusButtonWidth;
        (*button)->setGeometry(right, top - StatusRowGap - StatusButtonHeight, StatusButtonWidth, StatusButtonHeight);
        right -= StatusButtonSpacing;
    }
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
        dockStatusLine();
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
