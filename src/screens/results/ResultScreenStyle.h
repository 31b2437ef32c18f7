#pragma once

#include <QString>

class QLabel;
class QWidget;

// The look the result screens share: a dark panel named `objectName`, light text, grey captions
// (labels whose "role" property is "caption"). Each screen appends its own rules.
QString resultScreenStyleSheet(const QString &objectName);

// A bold label of `pointSize` points showing `text`.
QLabel *makeBoldLabel(const QString &text, int pointSize, QWidget *parent);
