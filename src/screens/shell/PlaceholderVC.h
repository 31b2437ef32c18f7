#pragma once

#include <QString>
#include <QWidget>

class QLabel;

// A plain themed panel that stands in for a screen whose own controller is not part of this build,
// so that every identifier of the screen registry yields a widget. It shows an optional text.
class PlaceholderVC : public QWidget
{
    Q_OBJECT
public:
    PlaceholderVC(const QString &identifier, const QString &text, QWidget *parent = nullptr);

    QString identifier() const { return m_identifier; }

private:
    QString m_identifier;
    QLabel *m_label = nullptr;
};
