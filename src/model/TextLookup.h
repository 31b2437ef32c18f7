#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The text of a key ("IDS_TWK_<n>") in localizationTable; the empty text when the table is not
// loaded, the key is missing or its value is not text. Never the key itself.
QString localizedText(const QString &key);

// Fills the placeholders of a table text with the given arguments (TableTextFormatter: "%@",
// "%d", "%ld", "%lld" in order and their numbered forms; anything else stays literal text).
QString substitutePlaceholders(QString text, const QStringList &arguments);

// The application's version text; absent when none is set.
std::optional<QString> appVersion();
