#pragma once

class QAbstractButton;
class QWidget;

namespace platform {

// The button that closes an overlay or a sheet: the child marked with the property
// "closesOverlay", else the child named "btnClose", else the one named "btnCancel"; nullptr when
// the view has none.
QAbstractButton *overlayCloseButton(QWidget *view);

// Escape on an overlay or a sheet: clicks its close button when that is shown and enabled, so the
// view closes exactly as a click on the button would close it. Returns whether it clicked.
bool closeOverlayByKeyboard(QWidget *view);

} // namespace platform
