#include <QtTest>

#include "tests/lines/tst_lines.h"

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    int status = 0;
    {
        TestLineLoad test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TestLoadContent test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TestLineEntry test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}
