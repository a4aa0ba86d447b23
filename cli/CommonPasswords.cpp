#include "cli/CommonPasswords.h"

#include <algorithm>
#include <iterator>

namespace quorlane::cli {

namespace {

// The most often chosen passwords, in lower case: the short ones that lists of leaked passwords
// are led by, and the long ones that pass a rule of length alone.
constexpr std::string_view commonPasswords[] = {
    "000000",         "1111111111",     "111111",           "112233",
    "121212",         "123123",         "123321",           "1234",
    "12345",          "123456",         "1234567",          "12345678",
    "123456789",      "1234567890",     "12345678910",      "123456789012",
    "1234567890123",  "123123123",      "123123123123",     "123qwe",
    "147258369",      "159753",         "1q2w3e",           "1q2w3e4r",
    "1q2w3e4r5t",     "1q2w3e4r5t6y",   "1qaz2wsx",         "1qaz2wsx3edc",
    "555555",         "654321",         "666666",           "696969",
    "7777777",        "888888",         "987654321",        "9876543210",
    "aa123456",       "abc123",         "abcd1234",         "abcdefghijkl",
    "access",         "admin",          "admin123",         "administrator",
    "adminadmin",     "asdfasdf",       "asdfghjkl",        "ashley",
    "azerty",         "bailey",         "baseball",         "batman",
    "charlie",        "changeme",       "changeme123",      "computer",
    "donald",         "dragon",         "football",         "freedom",
    "hello123",       "hellohello",     "iloveyou",         "iloveyou123",
    "iloveyou1234",   "jennifer",       "letmein",          "letmein123",
    "letmeinletmein", "login",          "master",           "michael",
    "monkey",         "mustang",        "passw0rd",         "password",
    "password1",      "password12",     "password123",      "password123!",
    "password1234",   "password12345",  "passwordpassword", "pokemon",
    "princess",       "qazwsx",         "qwe123",           "qwerty",
    "qwerty123",      "qwerty1234",     "qwerty123456",     "qwertyuiop",
    "qwertyuiop123",  "qwertyqwerty",   "secret",           "secret123",
    "shadow",         "starwars",       "sunshine",         "superman",
    "trustno1",       "welcome",        "welcome1",         "welcome123",
    "welcome12345",   "whatever",       "zaq12wsx",         "zaq1zaq1",
    "zxcvbnm",        "zxcvbnm123",     "iloveyouiloveyou", "abcdef123456",
    "a1b2c3d4e5f6",   "qwertyuiopasdf", "1234qwerasdf",
};

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool IsCommonPassword(std::string_view password)
{
    return std::any_of(
        std::begin(commonPasswords), std::end(commonPasswords), [&](std::string_view common) {
            return std::equal(common.begin(), common.end(), password.begin(), password.end(),
                              [](char a, char b) { return a == lower(b); });
        });
}

} // namespace quorlane::cli
