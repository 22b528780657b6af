// ini-ops FOLDER: applies every sequence of settings reads and writes below to
// every starting file, each case in FOLDER/<case>.INI, through the platform's
// store (ours on Linux, the profile functions on Windows) and prints each result.
#include "platform/IniFile.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <vector>

const std::optional<std::string> kStarts[] = {
    std::nullopt,
    "",
    "[File]\nLastFile=./Commands.xls\n\n[Current_Port]\nPort_Num= 1\n",
    "[File]\r\nLastFile=./Commands.xls\r\n\r\n[Current_Port]\r\nPort_Num= 1\r\n",
    "; room 4\r\n[ SELECT_WINDOW_FRMMAIN ]\r\n  settings  =   1200, 1500   \r\nWindowState= 2\r\n"
    "\r\nthis line means nothing\r\n[Other]\r\nkeep = me\r\n",
    "\n\n; note\n# hash note\n[file]\n\n  lastfile = a.xls  \n; "
    "another\n\n[CURRENT_PORT]\nport_num=3\n\n",
    "[File]\nLastFile=first.xls\n[Other]\nx=1\n[file]\nLastFile=second.xls\nExtra=2\n",
    "[File]\nLastFile=first.xls\nLASTFILE=second.xls\n",
    "[File]\nLastFile=./Commands.xls",
    "[File]\nLastFile=./Commands.xls\r",
    "[File]\nLastFile=" + std::string(600, 'x') + "\n",
    "Loose=1\n[File]\nLastFile=a.xls\n",
    "[File]\nLastFile='it''s'\nExtra=''x''\n",
    "[File]\nLastFile=\"/tmp/a b.xls\"\nExtra=\"\n[Current_Port]\nPort_Num=' 2'\n"
    "[Select_Window_frmMain]\nSettings=\"1200, 1500'\n[Other]\nkeep=\"\"\n"};

// Reads give SECTION|KEY|DEFAULT|BUFFER-SIZE, writes SECTION|KEY|VALUE.
const std::vector<std::string> kSequences[] = {
    {"File|LastFile|./Commands.xls|255", "file|LASTFILE|d|5", "Other|keep|d|1", "Other|keep|d|0",
     "Current_Port|Port_Num|0|40", "Select_Window_frmMain|Settings||40", "Missing|Key|default|4",
     "File|Extra||255", " Other\t|\tkeep |d|40"},
    {"Select_Window_frmMain|Settings| 1200, 1500", "File|LastFile|a b.xls",
     "Current_Port|Port_Num| 2", "File|LastFile||255", "Current_Port|Port_Num||40"},
    {"FILE|lastfile|x.xls", "File|LastFile||255", "File|LastFile|  x  ", "File|LastFile||255"},
    {"File|LastFile|" + std::string(300, 'y'), "File|LastFile||255", "File|LastFile||400"},
    {"File|LastFile|a.xls\r\n[Evil]\r\nx=1", "Evil|x|none|40", "File|Last\nFile|a",
     "File|LastFile||255"},
    {"File|LastFile|", "File|LastFile|d|255"}};

int main(int, char* argv[])
{
    int number = 0;
    for (const auto& start : kStarts) {
        for (const auto& sequence : kSequences) {
            const std::string file = std::string(argv[1]) + "/" + std::to_string(++number) + ".INI";
            if (start) {
                std::ofstream(file, std::ios::binary) << *start;
            }
            for (const std::string& op : sequence) {
                std::vector<std::string> f(1);
                for (const char c : op) {
                    c == '|' ? f.emplace_back() : f.back() += c;
                }
                const std::string result =
                    f.size() == 4
                        ? platform::readProfileString(f[0], f[1], f[2], std::stoul(f[3]), file)
                    : platform::writeProfileString(f[0], f[1], f[2], file) ? "written"
                                                                           : "refused";
                std::printf("%d %s\n", number, result.c_str());
            }
        }
    }
}
