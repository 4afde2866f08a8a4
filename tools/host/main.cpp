#include "tools/host/CommandLine.h"
#include "tools/host/Platform.h"

#include <clocale>

int main(int argc, char** argv)
{
    // Number formatting must not follow the user's locale: output is compared across machines.
    std::setlocale(LC_ALL, "C");
    Platform::UseBinaryStdio();
    return CommandLine(argc, argv).Run();
}
