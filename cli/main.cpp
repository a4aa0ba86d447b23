#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "cli/WideText.h"
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#ifdef _WIN32

namespace {

// Keeps the console's output code page at UTF-8 while the program runs, the bytes it writes,
// and gives the console back as it found it.
class Utf8Console
{
public:
    Utf8Console()
        : m_outputCodePage(GetConsoleOutputCP())
        , m_inputCodePage(GetConsoleCP())
    {
        SetConsoleOutputCP(CP_UTF8);
        SetConsoleCP(CP_UTF8);
    }
    ~Utf8Console()
    {
        SetConsoleOutputCP(m_outputCodePage);
        SetConsoleCP(m_inputCodePage);
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT m_outputCodePage;
    UINT m_inputCodePage;
};

// The columns of the console that standard output shows in; 80 when it is not a console.
std::size_t outputWidth()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        return 80;
    }
    return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

} // namespace

// The wide command line, so that no argument passes through the ANSI code page.
int wmain(int argc, wchar_t** argv)
{
    const Utf8Console console;
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args = quorlane::cli::Utf8Arguments(argc, argv);
    const quorlane::cli::Terminal terminal{_isatty(_fileno(stderr)) != 0,
                                           _isatty(_fileno(stdin)) != 0, outputWidth()};
    return quorlane::cli::Run(args, std::cin, std::cout, std::cerr, terminal);
}

#else

namespace {

// The columns of the terminal of standard output; 80 when it is not a terminal.
std::size_t outputWidth()
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
        return 80;
    }
    return size.ws_col;
}

} // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const quorlane::cli::Terminal terminal{isatty(fileno(stderr)) != 0, isatty(fileno(stdin)) != 0,
                                           outputWidth()};
    return quorlane::cli::Run(args, std::cin, std::cout, std::cerr, terminal);
}

#endif
