#include "app/appstyle.h"

#include <QStyleFactory>

namespace pravelot {

namespace {
#ifdef _WIN32
// Qt's name for the look of the running Windows version.
const QString kNativeStyle = QStringLiteral("windowsvista");
#endif
} // namespace

QStringList styleNames()
{
    QStringList names = QStyleFactory::keys();
#ifdef _WIN32
    names.removeIf(
        [](const QString &n) { return n.compare(kNativeStyle, Qt::CaseInsensitive) == 0; });
#endif
    if (!names.contains(plainStyleName(), Qt::CaseInsensitive))
        names.prepend(plainStyleName());
    return names;
}

QStyle *createStyle(const QString &name)
{
#ifdef _WIN32
    if (name.compare(plainStyleName(), Qt::CaseInsensitive) == 0)
        if (QStyle *native = QStyleFactory::create(kNativeStyle))
            return native;
#endif
    return QStyleFactory::create(name);
}

} // namespace pravelot
