#include "screens/sheet/DeterminateAnimation.h"

DeterminateAnimation::DeterminateAnimation(QWidget *parent)
    : BaseView(parent)
{
}

void DeterminateAnimation::setProgress(qreal progress)
{
    m_progress = progress;
    updateProgress();
}
