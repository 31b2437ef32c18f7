#include "screens/welcome/NewsletterSignup.h"

#include <QRegularExpression>
#include <iterator>
#include <nlohmann/json.hpp>

namespace Newsletter {

bool isValidEmailAddress(const QString &text)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}")));
    return pattern.match(text).hasMatch();
}

QString subscriptionKey()
{
    const QChar characters[] = {u'T', u'w', u'7', u'k', u'q', u'N', u'3', u'x', u'F', u'b'};
    QString key;
    key.reserve(int(std::size(characters)));
    for (QChar character : characters)
        key.append(character);
    return key;
}

namespace {

QString encodedValue(const QString &value)
{
    const QByteArray base64 = value.toUtf8().toBase64();
    return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromLatin1(base64)));
}

} // namespace

std::optional<QUrl> subscriptionURL(const QString &baseAddress, const QString &email, const QString &name)
{
    QString base = baseAddress.trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    const QUrl baseUrl(base, QUrl::StrictMode);
    if (!baseUrl.isValid() || baseUrl.scheme() != QLatin1String("https") || baseUrl.host().isEmpty()
        || baseUrl.hasQuery() || baseUrl.hasFragment())
        return std::nullopt;

    const QString text = base + QLatin1String(kSubscribePath) + QLatin1String("?nl=3&nk=")
        + encodedValue(subscriptionKey()) + QLatin1String("&ne=") + encodedValue(email) + QLatin1String("&nn=")
        + encodedValue(name);
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

Alert emptyAddressAlert()
{
    return {QStringLiteral("IDS_TWK_318"), QStringLiteral("IDS_TWK_319"), false};
}

Alert invalidAddressAlert()
{
    return {QStringLiteral("IDS_TWK_320"), QStringLiteral("IDS_TWK_319"), false};
}

Alert failureAlert()
{
    return {QStringLiteral("IDS_TWK_321"), QStringLiteral("IDS_TWK_322"), false};
}

std::optional<Alert> alertForReply(const QByteArray &body)
{
    const nlohmann::json answer = nlohmann::json::parse(body.constBegin(), body.constEnd(), nullptr, false);
    if (answer.is_discarded() || !answer.is_number_integer())
        return std::nullopt;
    if (answer.is_number_unsigned() && answer.get<std::uint64_t>() > 2)
        return std::nullopt;
    switch (answer.get<std::int64_t>()) {
    case 0:
        return failureAlert();
    case 1:
        return Alert{QStringLiteral("IDS_TWK_323"), QStringLiteral("IDS_TWK_324"), true};
    case 2:
        return Alert{QStringLiteral("IDS_TWK_325"), QStringLiteral("IDS_TWK_326"), false};
    default:
        return std::nullopt;
    }
}

} // namespace Newsletter
