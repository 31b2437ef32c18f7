#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;

namespace platform {

// Keeps the update schedule of the application and reads an update feed (an RSS "appcast": each
// <item> names a version in its <enclosure> attributes or a <version> element). The feed address is
// configured by the environment variable TWINSIFT_UPDATE_FEED; without one there is nothing to
// read and every check reports that no update information is available. The updater only reports
// what the feed says: it never downloads or runs anything.
class Updater : public QObject
{
    Q_OBJECT
public:
    enum class Status { UpToDate, UpdateAvailable, NoInformation };

    struct CheckResult {
        Status status = Status::NoInformation;
        QString newestVersion; // the newest version the feed names (empty without information)
        QString detail;        // why there is no information, for the log
    };

    explicit Updater(QObject *parent = nullptr);

    // The configured feed address, if any.
    static std::optional<QUrl> configuredFeedURL();
    void setFeedURL(const std::optional<QUrl> &url) { m_feedURL = url; }
    std::optional<QUrl> feedURL() const { return m_feedURL; }

    void setCurrentVersion(const QString &version) { m_currentVersion = version; }
    QString currentVersion() const { return m_currentVersion; }

    bool automaticallyChecksForUpdates() const { return m_automaticChecks; }
    void setAutomaticallyChecksForUpdates(bool on) { m_automaticChecks = on; }
    bool automaticallyDownloadsUpdates() const { return m_automaticDownloads; }
    void setAutomaticallyDownloadsUpdates(bool on) { m_automaticDownloads = on; }

    // Starts a check without telling the user; the result goes to the log and to checkFinished.
    void checkForUpdatesInBackground();
    // Starts a check the user asked for; the result goes to checkFinished with userInitiated true.
    void checkForUpdates();
    // Number of checks started (for diagnostics and tests).
    int checksStarted() const { return m_checksStarted; }

    // What a feed says about the current version.
    static CheckResult evaluateFeed(const QByteArray &feed, const QString &currentVersion);
    // Compares dotted version texts numerically ("1.10" is newer than "1.9"); -1, 0 or 1.
    static int compareVersions(const QString &a, const QString &b);

signals:
    void checkFinished(const platform::Updater::CheckResult &result, bool userInitiated);

private:
    void startCheck(bool userInitiated);
    void finish(const CheckResult &result, bool userInitiated);

    std::optional<QUrl> m_feedURL;
    QString m_currentVersion;
    bool m_automaticChecks = false;
    bool m_automaticDownloads = false;
    int m_checksStarted = 0;
    QNetworkAccessManager *m_network = nullptr;
};

} // namespace platform
