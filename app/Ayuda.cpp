#include "app/Ayuda.h"

#include "app/Fonts.h"

#include <QPlainTextEdit>
#include <QScreen>

TF_ayuda::TF_ayuda(QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
            | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("F_ayuda"));
    setWindowTitle(QStringLiteral("Ayuda"));
    setFont(tahomaFont(11));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
    resize(518, 382);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(80, 72, 385, 233);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Base, QColor(0xE1, 0xED, 0xFB));
    Memo1->setPalette(memoPalette);
    Memo1->setPlainText(helpLines().join(QLatin1Char('\n')));
}

void TF_ayuda::showModal()
{
    setWindowModality(Qt::ApplicationModal);
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
    activateWindow();
}

QStringList TF_ayuda::helpLines()
{
    return {
        QStringLiteral("Esta Aplicación permite generar archivo de retenciones para ser "),
        QStringLiteral("presentado en la Municipalidad de Vestora."),
        QString(),
        QStringLiteral("Usted debe ingresar primero su nro de Legajo Municipal, nro de Mes de "),
        QStringLiteral("presentacion y  Año"),
        QString(),
        QStringLiteral("Luego en forma ciclica debe ingresar los datos de las retenciones "),
        QStringLiteral("efectuadas, Cuit del comercio retenido,Razon Social,Fecha de la retención "),
        QStringLiteral("(debe ser del mismo periodo de presentación), nro de factura y el  importe de "),
        QStringLiteral("la factura . Luego debe  Oprimir el botón ADICIONA."),
        QString(),
        QStringLiteral("Cuando ingrese todas las retenciones debe Oprimir el botón "),
        QStringLiteral("CONFIRMA, y la aplicacion generara dos archivos uno txt que es el que debe "),
        QStringLiteral("presentar en el municipio y otro PDF para "),
        QStringLiteral("su control. El nombre del archivo esta formado por el  año "),
        QStringLiteral(", mes y el legajo municipal completado con ceros a la izquierda."),
        QStringLiteral("(para los meses 10,11 y 12 se completa con A,B,C)"),
        QString(),
        QStringLiteral("Importante: La separación de decimales tiene que ir punto (.) , y en la "),
        QStringLiteral("separación"),
        QStringLiteral("de miles Coma (,)"),
    };
}
