#pragma once

// Strict readers of JSON object members for the records' JSON forms: a missing member throws
// nlohmann::json::out_of_range, a member of another type throws nlohmann::json::type_error.

#include <QString>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace jsonfields {

inline const nlohmann::json &member(const nlohmann::json &object, const char *key)
{
    return object.at(key); // throws out_of_range (or type_error when not an object)
}

[[noreturn]] inline void mistyped(const nlohmann::json &value, const char *key, const char *expected)
{
    throw nlohmann::json::type_error::create(
        302, std::string("member \"") + key + "\" must be " + expected + ", not " + value.type_name(), &value);
}

inline QString stringValue(const nlohmann::json &value, const char *key)
{
    if (!value.is_string())
        mistyped(value, key, "text");
    return QString::fromStdString(value.get<std::string>());
}

inline QString requireString(const nlohmann::json &object, const char *key)
{
    return stringValue(member(object, key), key);
}

inline bool requireBool(const nlohmann::json &object, const char *key)
{
    const nlohmann::json &value = member(object, key);
    if (!value.is_boolean())
        mistyped(value, key, "a Boolean");
    return value.get<bool>();
}

inline std::int64_t requireInt64(const nlohmann::json &object, const char *key)
{
    const nlohmann::json &value = member(object, key);
    if (value.is_number_unsigned()) {
        if (value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX))
            mistyped(value, key, "a 64-bit integer");
        return static_cast<std::int64_t>(value.get<std::uint64_t>());
    }
    if (!value.is_number_integer())
        mistyped(value, key, "an integer");
    return value.get<std::int64_t>();
}

inline int requireInt(const nlohmann::json &object, const char *key)
{
    const std::int64_t value = requireInt64(object, key);
    if (value < INT32_MIN || value > INT32_MAX)
        mistyped(member(object, key), key, "a 32-bit integer");
    return static_cast<int>(value);
}

inline nlohmann::json text(const QString &value)
{
    return value.toStdString();
}

} // namespace jsonfields
