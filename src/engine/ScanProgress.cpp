#include "engine/ScanProgress.h"

#include "model/TextLookup.h"

QString progressCaption(const QString &captionKey, int percent)
{
    const QString text = localizedText(captionKey);
    if (text.isEmpty())
        return {};
    return text + QStringLiteral("\n\n ") + QString::number(percent) + QStringLiteral("%");
}

QString stepCompleteCaption(const QString &captionKey)
{
    return progressCaption(captionKey, 100);
}
