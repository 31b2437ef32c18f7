#include "platform/widgets/UnderlinedText.h"

#include <QFont>
#include <QWidget>

namespace platform {

void getUnderlineAttributedString(QWidget *field)
{
    if (!field)
        return;
    // The underline is a font attribute, so it covers the whole text, including text set later.
    QFont font = field->font();
    font.setUnderline(true);
    field->setFont(font);
}

} // namespace platform
