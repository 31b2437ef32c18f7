#pragma once

#include "platform/widgets/WindowController.h"

// The other-apps window: an ordinary window, made once per run, whose content is otherAppsvc.
class OtherAppsWindow : public platform::WindowController
{
    Q_OBJECT
public:
    explicit OtherAppsWindow(QWidget *parent = nullptr);
};
