#include "tests/lines/tst_lines.h"
#include "tests/support/TestMain.h"

int main(int argc, char** argv)
{
    return runTestClasses<TestLineLoad, TestLoadContent, TestLineEntry, TestDeclaration>(argc, argv);
}
