#include <QtTest>

#include "tests/core/tst_core.h"

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    int status = 0;
    {
        TestTextRules test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TestDecimal test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TestCodepage test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}
