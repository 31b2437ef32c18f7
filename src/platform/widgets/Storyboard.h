#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <map>

namespace platform {

// A named collection of controller factories ("Main", "Preferences"). Layouts are built in code by
// each controller; the storyboard only knows which class to make for an identifier. A controller is
// a QWidget (the controller is its own view); window controllers are top-level widgets.
class Storyboard
{
public:
    using Factory = std::function<QWidget *()>;

    explicit Storyboard(const QString &name);

    QString name() const { return m_name; }

    // Registers (or replaces) the factory of an identifier.
    void registerFactory(const QString &identifier, Factory factory);
    bool hasIdentifier(const QString &identifier) const;
    QStringList identifiers() const;

    // A new controller for the identifier; nullptr (with one diagnostic line) when the identifier
    // is unknown or its factory made nothing.
    QWidget *instantiateControllerWithIdentifier(const QString &identifier) const;

    template <class T>
    T *instantiate(const QString &identifier) const
    {
        QWidget *made = instantiateControllerWithIdentifier(identifier);
        T *typed = qobject_cast<T *>(made);
        if (made && !typed)
            delete made;
        return typed;
    }

private:
    QString m_name;
    std::map<QString, Factory> m_factories;
};

} // namespace platform
