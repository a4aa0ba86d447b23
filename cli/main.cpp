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
    const bool errIsTerminal = _isatty(_fileno(stderr)) != 0;
    const bool inIsTerminal = _isatty(_fileno(stdin)) != 0;
    return quorlane::cli::Run(args, std::cin, std::cout, std::cerr, errIsTerminal, inIsTerminal);
}

#else

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool errIsTerminal = isatty(fileno(stderr)) != 0;
    const bool inIsTerminal = isatty(fileno(stdin)) != 0;
    return quorlane::cli::Run(args, std::cin, std::cout, std::cerr, errIsTerminal, inIsTerminal);
}

#endif
