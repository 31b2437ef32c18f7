#pragma once

#include <QString>
#include <QStringList>

// Fills the placeholders of a language-table text with arguments. Table texts are data, never
// printf formats: only these placeholders are filled, each by the text of its argument:
//   %@  %d  %ld  %lld          the next argument in order
//   %1$@  %2$d  %1$ld  %3$lld   the argument of that number (counted from 1)
// "%%" gives one "%". Anything else after a "%" stays as literal text, and so does a placeholder
// without an argument; surplus arguments are ignored.
class TableTextFormatter
{
public:
    static QString format(const QString &text, const QStringList &arguments);
};
