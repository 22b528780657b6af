// Stands in for the help viewer HH.exe: writes the command line it was started
// with to HH-command-line.txt in the current folder, whole or not at all.
#include <cstdio>
#include <fstream>
#include <windows.h>

int main()
{
    std::ofstream("HH-command-line.tmp", std::ios::binary) << GetCommandLineA();
    return std::rename("HH-command-line.tmp", "HH-command-line.txt");
}
