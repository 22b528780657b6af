// Stands in for the Windows help viewer HH.exe: writes the command line it
// was started with to HH-command-line.txt beside itself.
#include <fstream>
#include <string>
#include <windows.h>

int main()
{
    char file[MAX_PATH];
    GetModuleFileNameA(nullptr, file, MAX_PATH);
    std::string path(file);
    path = path.substr(0, path.find_last_of('\\') + 1) + "HH-command-line.txt";
    std::ofstream(path, std::ios::binary) << GetCommandLineA();
}
