#pragma once

#include "tests/support/WindowFixture.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QTableView>

// The window fixture with what the tests of a month's work share: controls
// found by their names, the grid's cells read through its view, files
// written into the program's directory, the header and an import.
class MonthWindow : public WindowFixture
{
public:
    template <typename Control = QWidget>
    Control* control(const char* name) const
    {
        auto* found = window->findChild<Control*>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    QTableView* grid() const { return control<QTableView>("Grilla"); }
    // A cell of grid row `gridRow` (1 the first line), as the view shows it.
    QString cell(int gridRow, int column) const
    {
        const QAbstractItemModel* model = grid()->model();
        return model->data(model->index(gridRow - 1, column)).toString();
    }
    // The line rows that hold a line (gaps not counted) among the first `rows`.
    int linesShown(int rows = 2000) const
    {
        int lines = 0;
        for (int row = 1; row <= rows; ++row)
            lines += cell(row, 1).isEmpty() ? 0 : 1;
        return lines;
    }

    QString writeFile(const QString& name, const QByteArray& bytes) const
    {
        const QString path = programDirectory + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // Legajo 332, month 3, year 2026: the method panel opens.
    void enterHeader()
    {
        typeHeader(QStringLiteral("332"), QStringLiteral("3"), QStringLiteral("2026"));
        QVERIFY(control("Panel3")->isVisible());
    }

    void import(const QString& path)
    {
        desktop.fileDialog->paths = QStringList{path};
        click(control<QPushButton>("B1"));
    }

    void startManualEntry()
    {
        click(control<QPushButton>("B2"));
        QVERIFY(control("Panel2")->isVisible());
    }
};
