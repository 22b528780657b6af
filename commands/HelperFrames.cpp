#include "commands/HelperFrames.h"

#include <charconv>

namespace helperframes {
namespace {

constexpr std::string_view kRequest = "read ";
constexpr std::string_view kFrame = "frame ";
// Larger than any answer for 1000 rows of two cells of at most 32767 characters.
constexpr std::size_t kLongest = std::size_t(1) << 28;
// The first line of an answer frame before its line feed: "frame " and at most 20 digits.
constexpr std::size_t kLongestHead = kFrame.size() + 20;

std::string framed(std::string_view tag, std::string_view body)
{
    std::string out(tag);
    out += std::to_string(body.size());
    out += '\n';
    out += body;
    return out;
}

} // namespace

std::string request(std::string_view path)
{
    return framed(kRequest, path);
}

bool readRequest(std::FILE* in, std::string& path)
{
    char head[32];
    if (!std::fgets(head, sizeof head, in)) {
        return false;
    }
    const std::string_view line(head);
    if (line.size() <= kRequest.size() + 1 || line.substr(0, kRequest.size()) != kRequest ||
        line.back() != '\n') {
        return false;
    }
    std::size_t size = 0;
    const char* end = line.data() + line.size() - 1;
    const auto parsed = std::from_chars(line.data() + kRequest.size(), end, size);
    if (parsed.ec != std::errc() || parsed.ptr != end || size > kLongest) {
        return false;
    }
    path.resize(size);
    return std::fread(path.data(), 1, size, in) == size;
}

std::string answerFrame(std::string_view answer)
{
    return framed(kFrame, answer);
}

std::optional<std::string_view> completeAnswer(std::string_view received, bool& malformed)
{
    malformed = false;
    const std::size_t end = received.find('\n');
    if (end == std::string_view::npos) {
        malformed = received.size() > kLongestHead ||
                    received.substr(0, kFrame.size()) != kFrame.substr(0, received.size());
        return std::nullopt;
    }
    // The same limit as above, so that where the pipe cuts the answer does not matter.
    if (end > kLongestHead || received.substr(0, kFrame.size()) != kFrame) {
        malformed = true;
        return std::nullopt;
    }
    std::size_t size = 0;
    const auto parsed =
        std::from_chars(received.data() + kFrame.size(), received.data() + end, size);
    if (parsed.ec != std::errc() || parsed.ptr != received.data() + end || size > kLongest) {
        malformed = true;
        return std::nullopt;
    }
    const std::string_view rest = received.substr(end + 1);
    if (rest.size() > size) {
        malformed = true;
        return std::nullopt;
    }
    return rest.size() == size ? std::optional(rest) : std::nullopt;
}

} // namespace helperframes
