#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/FileRecord.h"
#include "core/ProtectionSettings.h"

// The fields that the records of runs, of every version, share: paths, and a reader
// that keeps the first thing wrong.
namespace quorlane::run::manifest {

using Json = nlohmann::ordered_json;

inline constexpr const char* formatName = "quorlane-run";

// A path under key: as text where it is UTF-8, and its bytes in hexadecimal under key +
// "_bytes" where it is not, so that every path comes back whole.
void putPath(Json& object, const std::string& key, const core::PathString& path);

// Reads the fields of a manifest: the first one that is missing or not what it should be is
// kept in problem, and every read gives a plain value from then on.
class Reader
{
public:
    const Json* field(const Json& object, const std::string& key)
    {
        const auto found = object.is_object() ? object.find(key) : object.end();
        if (found == object.end()) {
            fail(key + " is missing");
            return nullptr;
        }
        return &*found;
    }
    std::string text(const Json& object, const std::string& key)
    {
        const Json* value = field(object, key);
        return value != nullptr && value->is_string() ? value->get<std::string>()
                                                      : wrong<std::string>(value, key);
    }
    bool flag(const Json& object, const std::string& key)
    {
        const Json* value = field(object, key);
        return value != nullptr && value->is_boolean() ? value->get<bool>()
                                                       : wrong<bool>(value, key);
    }
    std::uint64_t number(const Json& object, const std::string& key)
    {
        const Json* value = field(object, key);
        return value != nullptr && value->is_number_unsigned() ? value->get<std::uint64_t>()
                                                               : wrong<std::uint64_t>(value, key);
    }
    const Json& list(const Json& object, const std::string& key)
    {
        static const Json none = Json::array();
        const Json* value = field(object, key);
        return value != nullptr && value->is_array() ? *value
                                                     : wrong<const Json&>(value, key, none);
    }
    // The path under key: its bytes when given, else its text.
    core::PathString path(const Json& object, const std::string& key);
    std::size_t indexOf(const std::vector<std::string>& names, const std::string& name)
    {
        for (std::size_t k = 0; k < names.size(); ++k) {
            if (name == names[k]) {
                return k;
            }
        }
        fail("unknown setting " + name);
        return 0;
    }
    void fail(std::string what)
    {
        if (problem.empty()) {
            problem = std::move(what);
        }
    }

    std::string problem;

private:
    template <typename T> T wrong(const Json* value, const std::string& key, T plain = T())
    {
        if (value != nullptr) {
            fail(key + " is not what it should be");
        }
        return plain;
    }
};

} // namespace quorlane::run::manifest
