#pragma once

#include <QObject>

class TestTextRules : public QObject
{
    Q_OBJECT
private slots:
    void trimmed_data();
    void trimmed();
    void toInt32_data();
    void toInt32();
    void toInt32Refused_data();
    void toInt32Refused();
    void toDouble_data();
    void toDouble();
    void toDoubleRefused_data();
    void toDoubleRefused();
    void toCents_data();
    void toCents();
    void formatGeneral_data();
    void formatGeneral();
    void formatFixed2_data();
    void formatFixed2();
    void totals();
    void anyInputIsSafe();
    void commaLocaleStillUsesPoint();
};

class TestCodepage : public QObject
{
    Q_OBJECT
private slots:
    void windows1252RoundTrip();
    void unmappedCharacters();
    void otherCodepages();
};

class TestDecimal : public QObject
{
    Q_OBJECT
private slots:
    void scaledText_data();
    void scaledText();
    void exactSum_data();
    void exactSum();
};
