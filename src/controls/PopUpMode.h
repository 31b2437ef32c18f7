#pragma once

// Whether a sheet or overlay is up: the settings flag "IsPopUpTWK". Hover, wheel and click handlers
// of the home, scan-list and result views do nothing while it is true.
bool isPopUpMode();
