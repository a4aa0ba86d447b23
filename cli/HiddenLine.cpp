#include <iostream>

#include "cli/PasswordOptions.h"

#ifdef _WIN32
#include <windows.h>

#include "cli/WideText.h"
#else
#include <csignal>
#include <termios.h>
#include <unistd.h>
#endif

namespace quorlane::cli {

namespace {

#ifdef _WIN32
// A line typed on the console, read wide: bytes read from the console would come in its code
// page, which cannot hold every character of a password.
std::optional<std::string> readConsoleLine(HANDLE input)
{
    std::wstring line;
    wchar_t unit = 0;
    DWORD read = 0;
    while (ReadConsoleW(input, &unit, 1, &read, nullptr) && read == 1 && unit != L'\n') {
        line.push_back(unit);
    }
    if (read != 1 && line.empty()) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == L'\r') {
        line.pop_back();
    }
    return Utf8FromWide(line);
}
#else
std::optional<std::string> readLine()
{
    std::string line;
    if (!std::getline(std::cin, line)) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

// The terminal's mode while echo is off, for a signal that ends the program meanwhile: the
// terminal must not be left without echo.
struct termios echoingMode;

void restoreEchoAndStop(int signal)
{
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &echoingMode);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

} // namespace

std::optional<std::string> ReadHiddenLine(const char* prompt)
{
    std::cerr << prompt << std::flush;
#ifdef _WIN32
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(input, &mode)) {
        return std::nullopt;
    }
    SetConsoleMode(input, mode & ~ENABLE_ECHO_INPUT);
    std::optional<std::string> line = readConsoleLine(input);
    SetConsoleMode(input, mode);
#else
    if (tcgetattr(STDIN_FILENO, &echoingMode) != 0) {
        return std::nullopt;
    }
    struct termios quiet = echoingMode;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    const auto previousInterrupt = std::signal(SIGINT, restoreEchoAndStop);
    const auto previousTerminate = std::signal(SIGTERM, restoreEchoAndStop);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    std::optional<std::string> line = readLine();
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &echoingMode);
    std::signal(SIGINT, previousInterrupt);
    std::signal(SIGTERM, previousTerminate);
#endif
    std::cerr << "\n";
    return line;
}

} // namespace quorlane::cli
