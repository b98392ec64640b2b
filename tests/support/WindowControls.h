#pragma once

#include "app/MaskEdit.h"

#include <QAbstractItemModel>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

// The main window's controls as a test reaches them: each found by its object
// name, the way a user's tools find it.
struct WindowControls
{
    QLabel* Image2 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* StaticText11 = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Panel3 = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QTableView* Grilla = nullptr;
    QPushButton* B3 = nullptr;
    QLabel* StaticText13 = nullptr;
    QLineEdit* e_totreten = nullptr;
    QPushButton* B_Confirma = nullptr;
    QLabel* StaticText12 = nullptr;
    QLabel* salida = nullptr;
    QLineEdit* e_legaJo = nullptr;
    QLineEdit* e_Mes = nullptr;
    QLineEdit* E_ano = nullptr;
    QLineEdit* e_Cuit = nullptr;
    QLineEdit* e_Razon = nullptr;
    QPushButton* B1 = nullptr;
    QPushButton* B2 = nullptr;
    MaskEdit* E_CuitReten = nullptr;
    QLineEdit* empresa = nullptr;
    MaskEdit* E_FECha = nullptr;
    QLineEdit* E_Comprobante = nullptr;
    QLineEdit* Impo_compro = nullptr;
    QLineEdit* E_Importe = nullptr;
    QPushButton* B_adiciona = nullptr;

    // Finds every control of `window`; a control that is not there ends the
    // test program with its name.
    static WindowControls of(const QWidget& window)
    {
        WindowControls c;
        find(window, c.Image2, "Image2");
        find(window, c.Image1, "Image1");
        find(window, c.StaticText11, "StaticText11");
        find(window, c.Panel1, "Panel1");
        find(window, c.Panel3, "Panel3");
        find(window, c.Panel2, "Panel2");
        find(window, c.BitBtn2, "BitBtn2");
        find(window, c.Grilla, "Grilla");
        find(window, c.B3, "B3");
        find(window, c.StaticText13, "StaticText13");
        find(window, c.e_totreten, "e_totreten");
        find(window, c.B_Confirma, "B_Confirma");
        find(window, c.StaticText12, "StaticText12");
        find(window, c.salida, "salida");
        find(window, c.e_legaJo, "e_legaJo");
        find(window, c.e_Mes, "e_Mes");
        find(window, c.E_ano, "E_ano");
        find(window, c.e_Cuit, "e_Cuit");
        find(window, c.e_Razon, "e_Razon");
        find(window, c.B1, "B1");
        find(window, c.B2, "B2");
        find(window, c.E_CuitReten, "E_CuitReten");
        find(window, c.empresa, "empresa");
        find(window, c.E_FECha, "E_FECha");
        find(window, c.E_Comprobante, "E_Comprobante");
        find(window, c.Impo_compro, "Impo_compro");
        find(window, c.E_Importe, "E_Importe");
        find(window, c.B_adiciona, "B_adiciona");
        return c;
    }

    // The text of a grid cell as the grid shows it: grid rows from 1, column 0
    // the line number.
    QString cell(int gridRow, int column) const
    {
        const QAbstractItemModel* model = Grilla->model();
        return model->data(model->index(gridRow - 1, column)).toString();
    }
    // The heading of a grid column (grid row 0).
    QString heading(int column) const { return Grilla->model()->headerData(column, Qt::Horizontal).toString(); }
    // The rows the grid shows.
    int shownRows() const { return Grilla->model()->rowCount(); }

private:
    template <typename Control>
    static void find(const QWidget& window, Control*& control, const char* name)
    {
        control = window.findChild<Control*>(QLatin1String(name));
        if (!control)
            qFatal("the window has no control %s", name);
    }
};
