#pragma once
// The newsletter sign-up of the welcome window, as pure functions: the e-mail check, the request
// address and the meaning of the service's answer. The welcome window sends the request and shows
// the alerts; everything that decides what is sent and what is shown lives here.

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

namespace Newsletter {

// Our newsletter service. Requests go to this host only, and only over HTTPS.
inline constexpr const char *kBaseAddress = "https://twinsift.app";
// Path and fixed list number of the subscription call, followed by the three values.
inline constexpr const char *kSubscribePath = "/wp-content/plugins/newsletter-api/add.php/";
// A request that has not finished after this many seconds is given up.
inline constexpr int kTimeoutSeconds = 60;

// True when the whole text is one e-mail address: a local part of letters, digits and . _ % + -,
// one at-sign, a domain of letters, digits, dots and hyphens, then a dot and two or more letters.
// Spaces anywhere (leading and trailing ones included) make the text fail.
bool isValidEmailAddress(const QString &text);

// The service's key, put together from single characters when it is asked for.
QString subscriptionKey();

// The subscription request for an address: the base address, the call's path and the query
// "nl=3&nk=<key>&ne=<e-mail>&nn=<name>", where each value is the Base64 text of its UTF-8 bytes,
// percent-encoded. Nothing when the base address is not a valid HTTPS address with a host.
std::optional<QUrl> subscriptionURL(const QString &baseAddress, const QString &email, const QString &name = QString());

// One alert of the welcome window, named by its text keys. When insertsEmail is set, the "%@" of the
// informative text is replaced by the address the user typed.
struct Alert {
    QString messageKey;
    QString informativeKey;
    bool insertsEmail = false;

    bool operator==(const Alert &other) const = default;
};

// The field is empty.
Alert emptyAddressAlert();
// The text is no e-mail address.
Alert invalidAddressAlert();
// The subscription did not go through (the service's answer 0, or no answer at all: no network,
// a refused connection, a time-out, an HTTP error).
Alert failureAlert();

// The alert for a body the service sent back: a JSON integer 0, 1 or 2 (a bare number is a valid
// answer). Nothing for any other number, for text, for an empty or unreadable body.
std::optional<Alert> alertForReply(const QByteArray &body);

} // namespace Newsletter
