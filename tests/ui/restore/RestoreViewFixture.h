#pragma once

// The Restore screen over a real RestoreModel: real backups made by the cloud engine on the local portal
// and by the drive engine on a folder standing in for a drive, a virtual clock, and a host that stands in
// for the application's hand-over values.

#include "app/model/RestoreModel.h"
#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "design/controls/OLMenuPicker.h"
#include "design/controls/OLSearchField.h"
#include "screens/restore/RestoreDetailCard.h"
#include "screens/restore/RestoreListPane.h"
#include "screens/restore/RestoreRowsModel.h"
#include "screens/restore/RestoreScreenHost.h"
#include "screens/restore/RestoreView.h"
#include "tests/support/RestoreModelFixture.h"
#include "tests/ui/kit/KitTest.h"
#include "tests/ui/support/UiTest.h"

#include <QAbstractButton>
#include <QAction>
#include <QBoxLayout>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace keldra::test {

class FixtureRestoreHost final : public RestoreScreenHost {
public:
    FixtureRestoreHost(std::function<RestoreContext()> context, const Clock& clock)
        : context_(std::move(context)), clock_(clock) {}

    RestoreModel* restoreModel() const override { return model; }
    std::string restoreSearch() const override { return search; }
    void setRestoreSearch(std::string value) override {
        if (value != search) {
            search = std::move(value);
            emit restoreSearchChanged();
        }
    }
    int searchFocusRequest() const override { return focusRequests; }
    RestoreContext restoreContext() const override { return context_(); }
    int versionRetentionDays() const override { return retentionDays; }
    SystemTime now() const override { return clock_.now(); }

    void replaceModel(RestoreModel* value) {
        model = value;
        emit restoreModelChanged();
    }
    void requestFocus() {
        ++focusRequests;
        emit searchFocusRequestChanged();
    }

    RestoreModel* model = nullptr;
    std::string search;
    int focusRequests = 0;
    int retentionDays = 30;

private:
    std::function<RestoreContext()> context_;
    const Clock& clock_;
};

class RestoreViewTest : public RestoreModelTest {
protected:
    void SetUp() override {
        RestoreModelTest::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        host_ = std::make_unique<FixtureRestoreHost>([this] { return context(); }, clock_);
        host_->model = model_.get();
    }

    void TearDown() override {
        window_.reset();
        view_ = nullptr;
        host_.reset();
        RestoreModelTest::TearDown();
    }

    // The screen in an active window whose focus starts elsewhere (as in the shell, where the sidebar
    // comes first), settled.
    RestoreView& show() {
        window_ = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window_.get());
        layout->addWidget(new QPushButton(QStringLiteral("Overview")));
        view_ = new RestoreView(*host_);
        layout->addWidget(view_, 1);
        window_->resize(1400, 760);
        showActive(*window_);
        settle();
        return *view_;
    }

    // Lets loads finish and the detail card rebuild.
    void settle() {
        EXPECT_TRUE(waitUntil([&] { return !model_->isLoading() && !model_->isDeleting(); }));
        drain();
    }

    RestoreRowsModel& rows() { return *view_->rows(); }
    QListView& list() { return *view_->listPane()->list(); }

    // The rows' shown names, in order.
    QStringList shownNames() {
        QStringList names;
        for (int i = 0; i < rows().rowCount(); ++i) {
            names << rows().data(rows().index(i), Qt::DisplayRole).toString();
        }
        return names;
    }

    int rowNamed(const QString& name) {
        for (int i = 0; i < rows().rowCount(); ++i) {
            if (rows().data(rows().index(i), Qt::DisplayRole).toString() == name) {
                return i;
            }
        }
        ADD_FAILURE() << "no row " << name.toStdString();
        return -1;
    }

    // A click in the middle of a row, as a user makes it.
    void clickRow(int row) {
        list().scrollTo(rows().index(row));
        const QRect rect = list().visualRect(rows().index(row));
        QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, rect.center());
        drain();
    }

    template <class T = QWidget> T* card(const char* name) {
        return view_->detailCard()->findChild<T*>(QString::fromLatin1(name));
    }

    void click(QAbstractButton* button) {
        ASSERT_TRUE(button);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
        drain();
    }

    std::unique_ptr<FixtureRestoreHost> host_;
    std::unique_ptr<QWidget> window_;
    RestoreView* view_ = nullptr;
};

} // namespace keldra::test
