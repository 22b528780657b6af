#include "Options.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace kvrsim {

const char* const kUsage =
    "usage: kvr-sim [OPTION]...\n"
    "Plays the KVR driver and its readers: fills the KVR folder ($XDG_RUNTIME_DIR/kvr,\n"
    "else /tmp/kvr-<uid>) with registry.reg, dosdevices/com<N> (virtual COM ports) and\n"
    "devices/KVR<i> (the driver's devices), prints \"ready\" and answers until it is\n"
    "stopped with SIGTERM, SIGINT or SIGHUP, then removes what it made.\n"
    "\n"
    "  --readers N        number of readers, 1 to 40 (default 1)\n"
    "  --first-port P     COM port number of the first reader (default 5); reader i\n"
    "                     gets COM<P+i>, at most COM999\n"
    "  --name TEXT        description of the readers, followed by a blank and the\n"
    "                     reader's index (default \"KVR Reader\")\n"
    "  --layout A|B|C     registry layout (default A):\n"
    "                       A  Services\\Class\\Vor-Lan\\NNNN and Enum\\Root\\Vor-Lan\\NNNN\n"
    "                       B  as A with Vorlan in place of Vor-Lan\n"
    "                       C  Services\\VORLANCL\\Parameters\\Devices\\KVRDevice<i>\n"
    "  --log FILE         append every line received on a COM port to FILE, as\n"
    "                     \"COM<N>: <line>\"\n"
    "  --reply FILE       answers to \"/rawxact <data>\": one PATTERN<TAB>ANSWER a line,\n"
    "                     PATTERN a shell pattern for <data>, the first match wins;\n"
    "                     '#' starts a comment line; no match answers \"ACK <data>\"\n"
    "  --write-answers    answer \"/rawsend <data>\" with \"/write ok\"\n"
    "  --help             show this help\n"
    "\n"
    "Faults (COM ports only; the driver's devices always answer at once):\n"
    "  --silent             the readers never answer\n"
    "  --no-device-version  \"/get dev_version\" is answered without a version\n"
    "  --delay MS           each reply goes out MS milliseconds after its command\n"
    "  --pieces N           each reply goes out in pieces of N bytes, 10 ms apart\n"
    "  --close-after N      a port closes (the driver goes away) when it has\n"
    "                       received N lines; the Nth line is not answered\n"
    "  --noise MS           every MS milliseconds \"~noise~\" goes out on every open\n"
    "                       port, between replies\n"
    "\n"
    "Exit status: 0 when stopped by a signal, 1 when the KVR folder cannot be used\n"
    "or another kvr-sim serves it, 2 when the command line is wrong.\n";

namespace {

// An option is a flag, takes a number from `low` to `high` or a text, or is --layout.
struct Option {
    std::string_view name;
    bool Options::*flag = nullptr;
    int Options::*number = nullptr;
    int low = 0;
    int high = 0;
    std::string Options::*text = nullptr;
};

constexpr Option kOptions[] = {
    {.name = "--help", .flag = &Options::help},
    {.name = "-h", .flag = &Options::help},
    {.name = "--readers", .number = &Options::readers, .low = 1, .high = 40},
    {.name = "--first-port", .number = &Options::firstPort, .low = 1, .high = 999},
    {.name = "--name", .text = &Options::name},
    {.name = "--layout"},
    {.name = "--log", .text = &Options::logPath},
    {.name = "--reply", .text = &Options::replyPath},
    {.name = "--write-answers", .flag = &Options::writeAnswers},
    {.name = "--silent", .flag = &Options::silent},
    {.name = "--no-device-version", .flag = &Options::noDeviceVersion},
    {.name = "--delay", .number = &Options::delayMs, .low = 0, .high = 600000},
    {.name = "--pieces", .number = &Options::pieceSize, .low = 1, .high = 65536},
    {.name = "--close-after", .number = &Options::closeAfter, .low = 1, .high = 1000000},
    {.name = "--noise", .number = &Options::noiseMs, .low = 1, .high = 600000},
};

} // namespace

std::optional<Options> parseOptions(int argc, char* argv[], std::string& error)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string_view name = argv[i];
        // The value from "--opt=VALUE", else the next argument.
        std::optional<std::string_view> value;
        if (const std::size_t equals = name.find('='); equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        const Option* const option = std::ranges::find(kOptions, name, &Option::name);
        if (option == std::end(kOptions)) {
            error = "unknown option " + std::string(argv[i]);
        } else if (option->flag) {
            options.*option->flag = true;
            if (value) {
                error = std::string(name) + " takes no value";
            }
        } else if (!value && i + 1 == argc) {
            error = std::string(name) + " needs a value";
        } else {
            const std::string_view text = value ? *value : argv[++i];
            if (option->number) {
                // A wrong number stays in `options`, which then goes unused.
                int& number = options.*option->number;
                const char* const end = text.data() + text.size();
                const auto [stop, problem] = std::from_chars(text.data(), end, number);
                if (problem != std::errc() || stop != end || number < option->low ||
                    number > option->high) {
                    error = std::string(name) + " takes a number from " +
                            std::to_string(option->low) + " to " + std::to_string(option->high);
                }
            } else if (option->text) {
                options.*option->text = text;
            } else if (text == "A" || text == "B" || text == "C") {
                options.layout = text.front();
            } else {
                error = "--layout takes A, B or C";
            }
        }
        if (!error.empty()) {
            return std::nullopt;
        }
    }
    if (options.firstPort + options.readers - 1 > 999) {
        error = "the last reader's port would be above COM999";
        return std::nullopt;
    }
    // The name goes into one line of the registry file.
    if (options.name.find_first_of("\r\n") != std::string::npos) {
        error = "--name must be one line";
        return std::nullopt;
    }
    return options;
}

} // namespace kvrsim
