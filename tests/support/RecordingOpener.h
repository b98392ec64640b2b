#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

// A desktop opener of the test's own: an `xdg-open` on PATH that writes each
// path it is given, one per line, to a file, and opens nothing. PATH is
// restored when it goes.
class RecordingOpener
{
public:
    RecordingOpener()
        : m_path(qgetenv("PATH"))
    {
        const QString bin = m_directory.filePath(QStringLiteral("bin"));
        QDir().mkpath(bin);
        QFile script(bin + QStringLiteral("/xdg-open"));
        if (script.open(QIODevice::WriteOnly)) {
            script.write("#!/bin/sh\nfor argument in \"$@\"; do printf '%s\\n' \"$argument\" >> \"");
            script.write(QFile::encodeName(recordPath()));
            script.write("\"; done\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(bin) + ':' + m_path);
    }
    ~RecordingOpener() { qputenv("PATH", m_path); }
    RecordingOpener(const RecordingOpener&) = delete;
    RecordingOpener& operator=(const RecordingOpener&) = delete;

    QString recordPath() const { return m_directory.filePath(QStringLiteral("opened.txt")); }

    // The paths opened so far, in order.
    QStringList opened() const
    {
        QFile record(recordPath());
        if (!record.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(record.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_directory;
    QByteArray m_path;
};
