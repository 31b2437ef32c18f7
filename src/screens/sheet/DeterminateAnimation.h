#pragma once

#include "screens/sheet/BaseView.h"

// A BaseView that shows a progress value. Every change of the value calls updateProgress().
class DeterminateAnimation : public BaseView
{
    Q_OBJECT
public:
    explicit DeterminateAnimation(QWidget *parent = nullptr);

    bool animated() const { return m_animated; }
    void setAnimated(bool animated) { m_animated = animated; }

    qreal progress() const { return m_progress; }
    void setProgress(qreal progress);

    // Shows the current progress; nothing to show in this class.
    virtual void updateProgress() { }

private:
    bool m_animated = true;
    qreal m_progress = 0.0;
};
