#include "SorlinApp.h"

int main(int argc, char** argv)
{
    return RunSorlin(argc, argv);
}
