#pragma once

#include <QImage>

// The small pictures of the results screen, its dialogs and the summaries, drawn at twice their
// logical size (device pixel ratio 2) so that they stay sharp at 150 % and 200 % scaling.
namespace ResultPictures {

QImage titleIcon();             // 24 x 24
QImage backToHomeIcon();        // 26 x 26
QImage selectionWizardIcon();   // 26 x 26
QImage thumbnailViewIcon();     // 26 x 26
QImage listViewIcon();          // 26 x 26
QImage radioChecked();          // 20 x 20, a gold disc in a gold ring
QImage radioUnchecked();        // 20 x 20, a gold ring
QImage dialogPicture();         // 96 x 96, the picture of the confirmation sheets
QImage noResultsPicture();      // 160 x 160
QImage statusPicture(int size); // 256 or 128, the picture of the deletion summary
QImage facebookIcon();          // 20 x 20
QImage twitterIcon();           // 20 x 20

} // namespace ResultPictures
