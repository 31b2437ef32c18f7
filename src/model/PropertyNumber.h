#pragma once

#include <QVariant>

#include <optional>

// The number an image property holds, when it holds one: any integer or real type (a text that
// reads as a number is not one). Absent for every other type, an empty value included.
std::optional<double> propertyNumber(const QVariant &value);
