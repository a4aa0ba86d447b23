#include "cli/HelpText.h"

namespace quorlane::cli {

namespace {

std::size_t columns(std::string_view text)
{
    std::size_t count = 0;
    for (const char byte : text) {
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

// Where the further lines of line start: under the second column of an indented line in two
// columns (an option or a command and what it does), else under the line's own text.
std::size_t hangingIndent(std::string_view line)
{
    const std::size_t text = line.find_first_not_of(' ');
    if (text == std::string_view::npos) {
        return 0;
    }
    const std::size_t gap = line.find("  ", text);
    if (text == 0 || gap == std::string_view::npos) {
        return text;
    }
    const std::size_t description = line.find_first_not_of(' ', gap);
    return description == std::string_view::npos ? text : description;
}

void wrapLine(std::string_view line, std::size_t width, std::string& out)
{
    const std::size_t indent = hangingIndent(line);
    // The first line keeps its own blanks; each further line starts at the indent.
    std::size_t start = line.find_first_not_of(' ');
    out.append(line.substr(0, start));
    std::size_t used = start;
    bool firstWord = true;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        end = end == std::string_view::npos ? line.size() : end;
        const std::string_view word = line.substr(start, end - start);
        if (!firstWord && used + 1 + columns(word) > width) {
            out += '\n';
            out.append(indent, ' ');
            used = indent;
        } else if (!firstWord) {
            out += ' ';
            used += 1;
        }
        // Blanks that set a description apart stay as they are on the first line.
        const std::size_t next = line.find_first_not_of(' ', end);
        out.append(word);
        used += columns(word);
        if (next != std::string_view::npos && next - end > 1 && used + (next - end) <= width &&
            next == indent) {
            out.append(next - end - 1, ' ');
            used += next - end - 1;
        }
        firstWord = false;
        start = next == std::string_view::npos ? line.size() : next;
    }
}

} // namespace

std::string WrapHelp(std::string_view help, std::size_t width)
{
    std::string out;
    out.reserve(help.size() + help.size() / 8);
    std::size_t start = 0;
    while (start < help.size()) {
        std::size_t end = help.find('\n', start);
        const bool lastLine = end == std::string_view::npos;
        end = lastLine ? help.size() : end;
        const std::string_view line = help.substr(start, end - start);
        if (columns(line) <= width) {
            out.append(line);
        } else {
            wrapLine(line, width, out);
        }
        if (!lastLine) {
            out += '\n';
        }
        start = end + 1;
    }
    return out;
}

} // namespace quorlane::cli
