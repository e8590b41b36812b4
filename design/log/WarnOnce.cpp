#include "design/log/WarnOnce.h"

#include <QMutex>
#include <QSet>

namespace keldra {

void warnOnce(const QLoggingCategory& category, const QString& subject, const QString& message) {
    static QMutex mutex;
    static QSet<QString> reported;
    {
        QMutexLocker lock(&mutex);
        const QString key = QString::fromLatin1(category.categoryName()) + QLatin1Char('\n') + subject;
        if (reported.contains(key))
            return;
        reported.insert(key);
    }
    qCWarning(category).noquote() << message;
}

} // namespace keldra
