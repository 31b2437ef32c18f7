#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <vector>

// One automatic-marking rule as the user edits it in the selection-priority table.
struct AutoMark {
    int index = 0;      // the criterion: position in the default criterion order (0-8)
    bool isUse = true;  // the rule takes part in marking
    int priority = 0;   // 1-based position in the user's order
    QString name;       // localized name shown in the table
    QStringList rule;   // localized choices of the rule's combo box (one or two)
    int comboIndex = 0; // chosen entry of `rule`; the direction of the two date rules

    bool operator==(const AutoMark &) const = default;
};

// JSON form: "index", "isUse", "priority", "name", "rule", "comboIndex" (integer, Boolean,
// integer, text, array of texts, integer); all written, all required on reading (throws
// nlohmann::json::exception otherwise).
void to_json(nlohmann::json &json, const AutoMark &value);
void from_json(const nlohmann::json &json, AutoMark &value);

// The rule list as JSON data (an array of rule objects in table order).
QByteArray encodeAutoMarkRules(const std::vector<AutoMark> &rules);
// Absent (with one diagnostic line) when the data is not a valid rule list.
std::optional<std::vector<AutoMark>> decodeAutoMarkRules(const QByteArray &data);

// Writes the list as JSON data under "AutoMarkTWK" in the standard user defaults.
void storeAutoMarkRules(const std::vector<AutoMark> &rules);
// The list stored under "AutoMarkTWK"; absent when the key holds no data or no valid list.
std::optional<std::vector<AutoMark>> storedAutoMarkRules();
