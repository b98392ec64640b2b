#pragma once

#include <QCoreApplication>
#include <QtTest>

// The main function of a test program with more than one test class: each
// class runs in turn under one application; the status is non-zero when any
// of them failed.
template <typename Test>
int runTestClass(int argc, char** argv)
{
    Test test;
    return QTest::qExec(&test, argc, argv);
}

template <typename... Tests>
int runTestClasses(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    int status = 0;
    ((status |= runTestClass<Tests>(argc, argv)), ...);
    return status;
}
