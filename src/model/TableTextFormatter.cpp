#include "model/TableTextFormatter.h"

namespace {

// Length of the conversion at `at` ("@", "d", "ld", "lld"), 0 when there is none.
qsizetype conversionLength(const QString &text, qsizetype at)
{
    if (at >= text.size())
        return 0;
    if (text[at] == QLatin1Char('@') || text[at] == QLatin1Char('d'))
        return 1;
    if (text.mid(at, 2) == QLatin1String("ld"))
        return 2;
    if (text.mid(at, 3) == QLatin1String("lld"))
        return 3;
    return 0;
}

} // namespace

QString TableTextFormatter::format(const QString &text, const QStringList &arguments)
{
    QString out;
    out.reserve(text.size() + 16 * arguments.size());
    qsizetype next = 0; // the argument of the next placeholder without a number
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != QLatin1Char('%')) {
            out.append(c);
            ++i;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            i += 2;
            continue;
        }
        // A numbered placeholder: digits, "$", conversion.
        qsizetype j = i + 1;
        qsizetype number = 0;
        while (j < text.size() && text[j].isDigit() && j - i <= 4) {
            number = number * 10 + text[j].digitValue();
            ++j;
        }
        const bool numbered = j > i + 1 && j < text.size() && text[j] == QLatin1Char('$') && number > 0;
        const qsizetype conversionAt = numbered ? j + 1 : i + 1;
        const qsizetype length = conversionLength(text, conversionAt);
        if (length == 0) {
            out.append(c); // not a placeholder of ours: the "%" stays as it is
            ++i;
            continue;
        }
        const qsizetype end = conversionAt + length;
        const qsizetype argument = numbered ? number - 1 : next++;
        if (argument < arguments.size())
            out.append(arguments[argument]);
        else
            out.append(QStringView(text).mid(i, end - i));
        i = end;
    }
    return out;
}
