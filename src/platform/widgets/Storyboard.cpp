#include "platform/widgets/Storyboard.h"
#include "platform/Log.h"

#include <QDebug>

namespace platform {

Storyboard::Storyboard(const QString &name)
    : m_name(name)
{
}

void Storyboard::registerFactory(const QString &identifier, Factory factory)
{
    m_factories[identifier] = std::move(factory);
}

bool Storyboard::hasIdentifier(const QString &identifier) const
{
    return m_factories.count(identifier) != 0;
}

QStringList Storyboard::identifiers() const
{
    QStringList list;
    for (const auto &entry : m_factories)
        list << entry.first;
    return list;
}

QWidget *Storyboard::instantiateControllerWithIdentifier(const QString &identifier) const
{
    const auto found = m_factories.find(identifier);
    if (found == m_factories.end() || !found->second) {
        logWarning(lcPlatform) << "Storyboard" << m_name << "has no controller with identifier" << identifier;
        return nullptr;
    }
    QWidget *made = found->second();
    if (!made)
        logWarning(lcPlatform) << "Storyboard" << m_name << "could not make" << identifier;
    else if (made->objectName().isEmpty())
        made->setObjectName(identifier);
    return made;
}

} // namespace platform
