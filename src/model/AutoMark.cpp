#include "model/AutoMark.h"
#include "platform/Log.h"

#include "model/JsonFields.h"
#include "platform/UserDefaults.h"
#include "model/SettingsKeys.h"

void to_json(nlohmann::json &json, const AutoMark &value)
{
    json = nlohmann::json::object();
    json["index"] = value.index;
    json["isUse"] = value.isUse;
    json["priority"] = value.priority;
    json["name"] = jsonfields::text(value.name);
    nlohmann::json rule = nlohmann::json::array();
    for (const QString &choice : value.rule)
        rule.push_back(jsonfields::text(choice));
    json["rule"] = std::move(rule);
    json["comboIndex"] = value.comboIndex;
}

void from_json(const nlohmann::json &json, AutoMark &value)
{
    AutoMark read;
    read.index = jsonfields::requireInt(json, "index");
    read.isUse = jsonfields::requireBool(json, "isUse");
    read.priority = jsonfields::requireInt(json, "priority");
    read.name = jsonfields::requireString(json, "name");
    const nlohmann::json &rule = jsonfields::member(json, "rule");
    if (!rule.is_array())
        jsonfields::mistyped(rule, "rule", "an array of texts");
    for (const nlohmann::json &choice : rule)
        read.rule.append(jsonfields::stringValue(choice, "rule"));
    read.comboIndex = jsonfields::requireInt(json, "comboIndex");
    value = std::move(read);
}

QByteArray encodeAutoMarkRules(const std::vector<AutoMark> &rules)
{
    nlohmann::json array = nlohmann::json::array();
    for (const AutoMark &rule : rules)
        array.push_back(rule);
    return QByteArray::fromStdString(array.dump());
}

std::optional<std::vector<AutoMark>> decodeAutoMarkRules(const QByteArray &data)
{
    try {
        const nlohmann::json array = nlohmann::json::parse(data.constBegin(), data.constEnd());
        if (!array.is_array()) {
            logWarning(lcModel) << "Stored marking rules are not a list";
            return std::nullopt;
        }
        std::vector<AutoMark> rules;
        rules.reserve(array.size());
        for (const nlohmann::json &rule : array)
            rules.push_back(rule.get<AutoMark>());
        return rules;
    } catch (const nlohmann::json::exception &error) {
        logWarning(lcModel) << "Stored marking rules cannot be read:" << error.what();
        return std::nullopt;
    }
}

void storeAutoMarkRules(const std::vector<AutoMark> &rules)
{
    platform::UserDefaults::standard().setData(SettingsKey::autoMark, encodeAutoMarkRules(rules));
}

std::optional<std::vector<AutoMark>> storedAutoMarkRules()
{
    const auto data = platform::UserDefaults::standard().dataForKey(SettingsKey::autoMark);
    if (!data)
        return std::nullopt;
    return decodeAutoMarkRules(*data);
}
