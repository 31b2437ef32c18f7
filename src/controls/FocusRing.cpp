#include "controls/FocusRing.h"

#include "model/Palette.h"

namespace FocusRing {

QString tableRules(const QString &selector, const QString &frameCss)
{
    // Border and padding add up to kWidth in both states: the view's contents keep their place.
    return QStringLiteral("%1 { border: 1px solid %2; padding: %3px; }"
                          "%1:focus { border: %4px solid " TWINSIFT_GOLD_CSS "; padding: 0px; }")
        .arg(selector, frameCss, QString::number(kWidth - 1), QString::number(kWidth));
}

} // namespace FocusRing
