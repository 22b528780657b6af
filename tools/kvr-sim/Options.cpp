#include "Options.h"

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

bool parseNumber(std::string_view text, int low, int high, int& value)
{
    int parsed = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (problem != std::errc() || end != text.data() + text.size() || parsed < low ||
        parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace

std::optional<Options> parseOptions(int argc, char* argv[], std::string& error)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        std::optional<std::string_view> inlineValue;
        if (const std::size_t equals = option.find('='); equals != std::string_view::npos) {
            inlineValue = option.substr(equals + 1);
            option = option.substr(0, equals);
        }
        // The value of an option that takes one, from "--opt=VALUE" or the next argument.
        const auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 < argc) {
                return std::string_view(argv[++i]);
            }
            error = std::string(option) + " needs a value";
            return std::nullopt;
        };
        const auto number = [&](int low, int high, int& into) {
            const std::optional<std::string_view> text = value();
            if (text && !parseNumber(*text, low, high, into)) {
                error = std::string(option) + " takes a number from " + std::to_string(low) +
                        " to " + std::to_string(high);
            }
        };
        const auto flag = [&](bool& into) {
            if (inlineValue) {
                error = std::string(option) + " takes no value";
            }
            into = true;
        };

        if (option == "--help" || option == "-h") {
            flag(options.help);
        } else if (option == "--readers") {
            number(1, 40, options.readers);
        } else if (option == "--first-port") {
            number(1, 999, options.firstPort);
        } else if (option == "--name") {
            if (const std::optional<std::string_view> text = value()) {
                options.name = *text;
            }
        } else if (option == "--layout") {
            const std::optional<std::string_view> text = value();
            if (text && (*text == "A" || *text == "B" || *text == "C")) {
                options.layout = text->front();
            } else if (text) {
                error = "--layout takes A, B or C";
            }
        } else if (option == "--log") {
            if (const std::optional<std::string_view> text = value()) {
                options.logPath = *text;
            }
        } else if (option == "--reply") {
            if (const std::optional<std::string_view> text = value()) {
                options.replyPath = *text;
            }
        } else if (option == "--write-answers") {
            flag(options.writeAnswers);
        } else if (option == "--silent") {
            flag(options.silent);
        } else if (option == "--no-device-version") {
            flag(options.noDeviceVersion);
        } else if (option == "--delay") {
            number(0, 600000, options.delayMs);
        } else if (option == "--pieces") {
            number(1, 65536, options.pieceSize);
        } else if (option == "--close-after") {
            number(1, 1000000, options.closeAfter);
        } else if (option == "--noise") {
            number(1, 600000, options.noiseMs);
        } else {
            error = "unknown option " + std::string(argv[i]);
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
