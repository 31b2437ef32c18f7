#include "platform/Updater.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace platform {

namespace {

constexpr int kFeedTimeoutMs = 30000;

} // namespace

Updater::Updater(QObject *parent)
    : QObject(parent)
    , m_feedURL(configuredFeedURL())
{
    m_currentVersion = QCoreApplication::applicationVersion();
}

std::optional<QUrl> Updater::configuredFeedURL()
{
    const QString text = qEnvironmentVariable("TWINSIFT_UPDATE_FEED").trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid()
        || (scheme != QLatin1String("https") && scheme != QLatin1String("http") && scheme != QLatin1String("file"))) {
        logInfo(lcPlatform) << "Ignoring the update feed address" << text;
        return std::nullopt;
    }
    return url;
}

int Updater::compareVersions(const QString &a, const QString &b)
{
    static const QRegularExpression separators(QStringLiteral("[.\\-_ ]"));
    const QStringList left = a.trimmed().split(separators, Qt::SkipEmptyParts);
    const QStringList right = b.trimmed().split(separators, Qt::SkipEmptyParts);
    const int count = int(std::max(left.size(), right.size()));
    for (int i = 0; i < count; ++i) {
        const QString l = i < left.size() ? left[i] : QStringLiteral("0");
        const QString r = i < right.size() ? right[i] : QStringLiteral("0");
        bool lNumber = false, rNumber = false;
        const qulonglong ln = l.toULongLong(&lNumber);
        const qulonglong rn = r.toULongLong(&rNumber);
        if (lNumber && rNumber) {
            if (ln != rn)
                return ln < rn ? -1 : 1;
        } else if (const int c = QString::compare(l, r, Qt::CaseInsensitive); c != 0) {
            return c < 0 ? -1 : 1;
        }
    }
    return 0;
}

Updater::CheckResult Updater::evaluateFeed(const QByteArray &feed, const QString &currentVersion)
{
    CheckResult result;
    QXmlStreamReader xml(feed);
    QString newest;
    bool inItem = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            if (name == QLatin1String("item")) {
                inItem = true;
            } else if (inItem && name == QLatin1String("enclosure")) {
                for (const auto &attribute : xml.attributes()) {
                    const QString attributeName = attribute.name().toString();
                    if (attributeName == QLatin1String("shortVersionString")
                        || (attributeName == QLatin1String("version") && newest.isEmpty())) {
                        const QString version = attribute.value().toString().trimmed();
                        if (!version.isEmpty() && (newest.isEmpty() || compareVersions(version, newest) > 0))
                            newest = version;
                    }
                }
            } else if (inItem && (name == QLatin1String("shortVersionString") || name == QLatin1String("version"))) {
                const QString version = xml.readElementText().trimmed();
                if (!version.isEmpty() && (newest.isEmpty() || compareVersions(version, newest) > 0))
                    newest = version;
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("item")) {
            inItem = false;
        }
    }
    if (xml.hasError()) {
        result.detail = QStringLiteral("the update feed is not readable: ") + xml.errorString();
        return result;
    }
    if (newest.isEmpty()) {
        result.detail = QStringLiteral("the update feed names no version");
        return result;
    }
    result.newestVersion = newest;
    result.status = compareVersions(newest, currentVersion) > 0 ? Status::UpdateAvailable : Status::UpToDate;
    return result;
}

void Updater::checkForUpdatesInBackground()
{
    startCheck(false);
}

void Updater::checkForUpdates()
{
    startCheck(true);
}

void Updater::startCheck(bool userInitiated)
{
    ++m_checksStarted;
    if (!m_feedURL) {
        CheckResult none;
        none.detail = QStringLiteral("no update feed address is configured");
        // Reported from the event loop, like an answer from the network.
        QMetaObject::invokeMethod(
            this, [this, none, userInitiated] { finish(none, userInitiated); }, Qt::QueuedConnection);
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(*m_feedURL);
    request.setTransferTimeout(kFeedTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, userInitiated] {
        reply->deleteLater();
        CheckResult result;
        if (reply->error() != QNetworkReply::NoError)
            result.detail = QStringLiteral("the update feed could not be read: ") + reply->errorString();
        else
            result = evaluateFeed(reply->readAll(), m_currentVersion);
        finish(result, userInitiated);
    });
}

void Updater::finish(const CheckResult &result, bool userInitiated)
{
    switch (result.status) {
    case Status::UpToDate:
        logInfo(lcPlatform) << "update check: up to date" << m_currentVersion;
        break;
    case Status::UpdateAvailable:
        logInfo(lcPlatform) << "update check: version" << result.newestVersion << "is available";
        break;
    case Status::NoInformation:
        logInfo(lcPlatform) << "update check: no update information is available (" + result.detail + ")";
        break;
    }
    emit checkFinished(result, userInitiated);
}

} // namespace platform
