#include "tests/core/tst_core.h"
#include "tests/support/TestMain.h"

int main(int argc, char** argv)
{
    return runTestClasses<TestTextRules, TestDecimal, TestCodepage>(argc, argv);
}
