#pragma once
// What the Restore screen reads of the application beyond its RestoreModel: the model itself (replaced at
// sign-out), the search handed over from elsewhere and the focus requests, the account's context for loads,
// restores and deletes, the retention days and the current time.

#include "core/seams/Clock.h"
#include "restore/model/RestoreContext.h"

#include <QObject>
#include <string>

namespace keldra {

class RestoreModel;

class RestoreScreenHost : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~RestoreScreenHost() override;

    virtual RestoreModel* restoreModel() const = 0;
    virtual std::string restoreSearch() const = 0;
    virtual void setRestoreSearch(std::string value) = 0;
    virtual int searchFocusRequest() const = 0;
    virtual RestoreContext restoreContext() const = 0;
    virtual int versionRetentionDays() const = 0;
    virtual SystemTime now() const = 0;

signals:
    void restoreModelChanged();
    void restoreSearchChanged();
    void searchFocusRequestChanged();
    void settingsChanged();
};

} // namespace keldra
