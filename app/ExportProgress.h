#pragma once

#include "report/ReportEngine.h"

#include <QDialog>

class QProgressBar;
class QPushButton;

// The small window "Exporting Progress" shown while a report is exported: a
// progress bar and a cancel button, on top of the other windows and centred
// on the screen. Window events pending between two records are processed, so
// that it repaints and its button works; it is modal to the application, so
// that those events cannot start another action in the main window meanwhile.
class ExportProgress : public QDialog, public ReportProgress
{
    Q_OBJECT

public:
    explicit ExportProgress(QWidget* parent = nullptr);

    void exportStarted(int recordCount) override;
    void recordPrinted(int recordsPrinted, int percent) override;
    bool cancelRequested() const override { return m_cancelRequested; }
    void exportEnded() override;

public slots:
    // The cancel button, Esc and the window's close box.
    void reject() override;

private:
    QProgressBar* m_progressBar;
    QPushButton* m_cancelButton;
    bool m_cancelRequested = false;
};
