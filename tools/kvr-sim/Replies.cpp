#include "Replies.h"

#include "platform/Descriptors.h"

#include <algorithm>
#include <fcntl.h>
#include <fnmatch.h>
#include <sstream>
#include <unistd.h>

namespace kvrsim {
namespace {

// The program takes the device version from character 25 on, and the port
// number from characters 28 to 30, so the heads before them have fixed widths.
constexpr std::size_t kVersionColumn = 24;
constexpr std::size_t kPortColumn = 27;

const char* const kDriverVersion = "KVR-SIM 2.10";
const char* const kDeviceVersion = "RDR-4000 v3.1";

std::string padded(std::string head, std::size_t width)
{
    head.resize(width, ' ');
    return head;
}

// The data of "<command> <data>"; nothing when `line` is another command.
std::optional<std::string> dataOf(const std::string& line, const std::string& command)
{
    if (line == command) {
        return std::string();
    }
    if (line.starts_with(command + ' ')) {
        return line.substr(command.size() + 1);
    }
    return std::nullopt;
}

} // namespace

bool loadReplies(const std::string& path, ReplyTable& table, std::string& error)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const std::optional<std::string> text =
        fd >= 0 ? platform::readAll(fd) : std::optional<std::string>();
    if (fd >= 0) {
        close(fd);
    }
    if (!text) {
        error = "cannot read the reply file " + path;
        return false;
    }
    std::istringstream lines(*text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        // Tables written on Windows end their lines with CR LF.
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            error =
                path + ", line " + std::to_string(number) + ": no tab between pattern and answer";
            return false;
        }
        table.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return true;
}

std::optional<std::string> readerReply(const std::string& line, const Options& options,
                                       const ReplyTable& table)
{
    if (line == "/ver") {
        return "/ver " + std::string(kDriverVersion) + "\r\n";
    }
    if (line == "/get dev_version") {
        // Without a version the reply ends before the column the version starts in.
        return options.noDeviceVersion
                   ? "/get dev_version\r\n"
                   : padded("/get dev_version value:", kVersionColumn) + kDeviceVersion + "\n";
    }
    if (const std::optional<std::string> data = dataOf(line, "/rawxact")) {
        const auto match = std::ranges::find_if(table, [&](const auto& rule) {
            return fnmatch(rule.first.c_str(), data->c_str(), 0) == 0;
        });
        return "/rawxact:" + (match != table.end() ? match->second : "ACK " + *data) + "\r\n";
    }
    if (options.writeAnswers && dataOf(line, "/rawsend")) {
        return "/write ok\r\n";
    }
    return std::nullopt;
}

std::optional<std::string> deviceReply(const std::string& line, int port)
{
    if (line != "/get port_name") {
        return std::nullopt;
    }
    const std::string number = std::to_string(port);
    return padded("/get port_name value:", kPortColumn) + number + " (COM" + number + ")\r\n";
}

} // namespace kvrsim
