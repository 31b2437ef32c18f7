// The pure parts of the welcome window's newsletter sign-up: address check, request address, answers.
#include "screens/welcome/NewsletterSignup.h"

#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace Newsletter;

TEST(StartupNewsletter, AcceptsOrdinaryAddresses)
{
    EXPECT_TRUE(isValidEmailAddress("anna@example.org"));
    EXPECT_TRUE(isValidEmailAddress("Anna.Berg@Mail.Example.COM"));
    EXPECT_TRUE(isValidEmailAddress("anna+photos@example.org"));
    EXPECT_TRUE(isValidEmailAddress("a_b%c-d@sub-domain.example.travel"));
}

TEST(StartupNewsletter, RefusesMalformedAddresses)
{
    EXPECT_FALSE(isValidEmailAddress(""));
    EXPECT_FALSE(isValidEmailAddress("anna berg@example.org"));
    EXPECT_FALSE(isValidEmailAddress("anna@@example.org"));
    EXPECT_FALSE(isValidEmailAddress("anna@ex@ample.org"));
    EXPECT_FALSE(isValidEmailAddress("anna@example"));
    EXPECT_FALSE(isValidEmailAddress("anna@example.o"));
    EXPECT_FALSE(isValidEmailAddress("anna@example.o2"));
    EXPECT_FALSE(isValidEmailAddress("@example.org"));
    // The whole text must match: surrounding spaces or lines are not trimmed away.
    EXPECT_FALSE(isValidEmailAddress(" anna@example.org"));
    EXPECT_FALSE(isValidEmailAddress("anna@example.org "));
    EXPECT_FALSE(isValidEmailAddress("anna@example.org\nbad"));
    EXPECT_FALSE(isValidEmailAddress(QString::fromUtf8("änna@example.org")));
}

TEST(StartupNewsletter, KeyHasTenCharacters)
{
    EXPECT_EQ(subscriptionKey().size(), 10);
    EXPECT_EQ(subscriptionKey(), subscriptionKey());
}

TEST(StartupNewsletter, RequestCarriesEachValueBase64AndPercentEncoded)
{
    // "?>>" and "~~~" give Base64 text with "/", "+" and "=", which must not reach the query raw.
    const QString email = QStringLiteral("x?>>@example.org");
    const QString name = QStringLiteral("~~~ü");
    const auto url = subscriptionURL(QStringLiteral("https://news.example.org/"), email, name);
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->scheme(), "https");
    EXPECT_EQ(url->host(), "news.example.org");
    EXPECT_EQ(url->path(), QString::fromLatin1(kSubscribePath));

    const QByteArray encoded = url->toEncoded();
    const QByteArray query = encoded.mid(encoded.indexOf('?') + 1);
    EXPECT_TRUE(query.startsWith("nl=3&nk="));
    // Exactly four items: no stray '&' or '=' from the values.
    EXPECT_EQ(query.count('&'), 3);
    EXPECT_EQ(query.count('='), 4);
    EXPECT_FALSE(query.contains('+'));
    EXPECT_FALSE(query.contains('/'));

    const QUrlQuery items(*url);
    const auto value = [&](const char *item) {
        return QByteArray::fromBase64(items.queryItemValue(item, QUrl::FullyDecoded).toLatin1());
    };
    EXPECT_EQ(items.queryItemValue("nl"), "3");
    EXPECT_EQ(QString::fromUtf8(value("nk")), subscriptionKey());
    EXPECT_EQ(QString::fromUtf8(value("ne")), email);
    EXPECT_EQ(QString::fromUtf8(value("nn")), name);
}

TEST(StartupNewsletter, EmptyNameGivesEmptyValue)
{
    const auto url = subscriptionURL(QString::fromLatin1(kBaseAddress), "anna@example.org");
    ASSERT_TRUE(url.has_value());
    EXPECT_TRUE(url->toEncoded().endsWith("&nn="));
    EXPECT_EQ(url->scheme(), "https");
}

TEST(StartupNewsletter, RefusesBaseAddressesThatAreNotHttps)
{
    EXPECT_FALSE(subscriptionURL("http://news.example.org", "anna@example.org"));
    EXPECT_FALSE(subscriptionURL("ftp://news.example.org", "anna@example.org"));
    EXPECT_FALSE(subscriptionURL("news.example.org", "anna@example.org"));
    EXPECT_FALSE(subscriptionURL("", "anna@example.org"));
    EXPECT_FALSE(subscriptionURL("https://", "anna@example.org"));
    EXPECT_FALSE(subscriptionURL("https://exa mple.org", "anna@example.org"));
    EXPECT_TRUE(subscriptionURL("https://127.0.0.1:9", "anna@example.org"));
}

TEST(StartupNewsletter, AnswersChooseTheirAlert)
{
    EXPECT_EQ(alertForReply("0"), failureAlert());
    const auto subscribed = alertForReply("1");
    ASSERT_TRUE(subscribed);
    EXPECT_EQ(subscribed->messageKey, "IDS_TWK_323");
    EXPECT_EQ(subscribed->informativeKey, "IDS_TWK_324");
    EXPECT_TRUE(subscribed->insertsEmail);
    const auto known = alertForReply(" 2\n");
    ASSERT_TRUE(known);
    EXPECT_EQ(known->messageKey, "IDS_TWK_325");
    EXPECT_EQ(known->informativeKey, "IDS_TWK_326");
    EXPECT_FALSE(known->insertsEmail);
}

TEST(StartupNewsletter, OtherAnswersShowNothing)
{
    for (const char *body : {"3", "-1", "\"1\"", "", "1.5", "true", "[1]", "{\"status\":1}", "<html>",
                             "18446744073709551615", "99999999999999999999999"})
        EXPECT_FALSE(alertForReply(body).has_value()) << body;
}
