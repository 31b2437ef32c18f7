#pragma once

#include "platform/widgets/WindowController.h"

// The Preferences window: one per run, made on first use by the screen registry
// ("PreferencesWindowController"), with the preference tabs as its content.
class PreferencesWindow : public platform::WindowController
{
    Q_OBJECT
public:
    explicit PreferencesWindow(QWidget *parent = nullptr);
};
