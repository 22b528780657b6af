#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include "support/TempFolder.h"
#endif

// A file as a person might have edited it by hand, with Windows line ends.
inline const std::string kHandEdited = "; kept for the bench in room 4\r\n"
                                       "[ SELECT_WINDOW_FRMMAIN ]\r\n"
                                       "  settings  =   1200, 1500, 9555, 6930   \r\n"
                                       "WindowState= 2\r\n"
                                       "\r\n"
                                       "this line means nothing\r\n"
                                       "[Other]\r\n"
                                       "keep = me\r\n";

// A settings file of a test's own, removed afterwards. On Windows it lies
// beside the test program under a full path: the profile functions put a
// bare file name in the Windows folder.
class ScratchIniFile {
public:
    ScratchIniFile()
#ifdef _WIN32
        : folder_(programFolder())
        , path_((folder_ / ("scratch-" + std::to_string(GetCurrentProcessId()) + ".INI")).string())
#else
        : folder_(temp_.path())
        , path_((folder_ / "Orvelle.INI").string())
#endif
    {
        std::filesystem::remove(path_);
    }
    ~ScratchIniFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchIniFile(const ScratchIniFile&) = delete;
    ScratchIniFile& operator=(const ScratchIniFile&) = delete;

    const std::string& path() const
    {
        return path_;
    }
    const std::filesystem::path& folder() const
    {
        return folder_;
    }

    void store(const std::string& text) const
    {
        std::ofstream(path_, std::ios::binary) << text;
    }

    std::string stored() const
    {
        std::ostringstream text;
        text << std::ifstream(path_, std::ios::binary).rdbuf();
        return text.str();
    }

private:
#ifdef _WIN32
    static std::filesystem::path programFolder()
    {
        char file[MAX_PATH];
        GetModuleFileNameA(nullptr, file, MAX_PATH);
        return std::filesystem::path(file).parent_path();
    }
#else
    TempFolder temp_;
#endif
    std::filesystem::path folder_;
    std::string path_;
};
