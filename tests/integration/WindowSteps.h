#pragma once
// What a user does with the real window in the journeys: go to a page through the sidebar, answer the
// folder dialog, and pick rows and options on the Restore screen. Each step waits for what it needs to be
// on screen, as a user would, and reports through gtest when it never comes.

#include "app/model/AppPhase.h"
#include "design/controls/OLTextField.h"
#include "desktop/MainWindow.h"
#include "screens/chrome/SidebarItem.h"
#include "screens/restore/RestoreListPane.h"
#include "screens/restore/RestoreRowsModel.h"
#include "screens/restore/RestoreView.h"
#include "screens/root/ScreenHost.h"
#include "tests/support/QtApp.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace keldra::test {

// Gives the window the keyboard, as a click on it would, and waits for the display server's focus to
// arrive: a key pressed before then may reach no window (and its shortcut none).
inline bool bringForward(QWidget& window) {
    window.activateWindow();
    const bool focused = runUntil([&] {
        return QGuiApplication::focusWindow() == window.windowHandle() &&
               QApplication::activeWindow() == &window;
    });
    drainEvents();
    return focused && QApplication::activeWindow() == &window;
}

// Once no screen switch is fading: the last screen's picture lies over the new one and takes the clicks.
inline bool settled(QWidget& window) {
    return runUntil([&] {
        for (const ScreenHost* host : window.findChildren<ScreenHost*>()) {
            int shown = 0;
            for (const QWidget* child : host->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                shown += child->isVisible() ? 1 : 0;
            }
            if (shown > 1) {
                return false;
            }
        }
        return true;
    });
}

// Clicks the sidebar's item for `section` and waits for its page.
template <class Page> Page* goTo(MainWindow& window, AppSection section) {
    SidebarItem* item = nullptr;
    runUntil([&] {
        for (SidebarItem* candidate : window.findChildren<SidebarItem*>()) {
            if (candidate->section() == section && candidate->isVisible()) {
                item = candidate;
            }
        }
        return item != nullptr;
    });
    EXPECT_TRUE(item) << "no sidebar item for the page";
    if (!item || !settled(window)) {
        return nullptr;
    }
    QTest::mouseClick(item, Qt::LeftButton);
    Page* page = nullptr;
    runUntil([&] {
        page = window.findChild<Page*>();
        return page != nullptr && page->isVisible();
    });
    EXPECT_TRUE(page) << "the page did not open";
    EXPECT_TRUE(settled(window));
    return page;
}

// The file dialog the application opened, once it is on screen.
inline QFileDialog* shownFileDialog() {
    QFileDialog* dialog = nullptr;
    runUntil([&] {
        dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        return dialog != nullptr && dialog->isVisible();
    });
    return dialog;
}

// Answers the open file dialog with `folder`: browses to the folder that holds it, types its name (the
// dialog selects it in its list) and presses the accept button. True when the dialog took it and closed.
inline bool answerFolderDialog(const std::filesystem::path& folder) {
    QFileDialog* dialog = shownFileDialog();
    EXPECT_TRUE(dialog) << "the file dialog did not open";
    if (!dialog) {
        return false;
    }
    auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    EXPECT_TRUE(nameEdit && list && buttons);
    if (!nameEdit || !list || !buttons) {
        return false;
    }
    dialog->setDirectory(QString::fromStdString(folder.parent_path().string()));
    EXPECT_TRUE(runUntil([&] { return list->model() && list->model()->rowCount(list->rootIndex()) > 0; }));
    nameEdit->setFocus();
    nameEdit->selectAll();
    QTest::keyClicks(nameEdit, QString::fromStdString(folder.filename().string()));
    EXPECT_TRUE(runUntil([&] { return list->selectionModel()->hasSelection(); }));
    QPushButton* accept = buttons->button(QDialogButtonBox::Open);
    EXPECT_TRUE(runUntil([&] { return accept && accept->isEnabled(); }));
    if (!accept) {
        return false;
    }
    const QPointer<QFileDialog> open = dialog;
    accept->click();
    return runUntil([&] { return !open || !open->isVisible(); });
}

// The Restore screen once its listing is on screen.
inline bool waitForListing(RestoreView& view) {
    return runUntil([&] {
        return view.model() && !view.model()->isLoading() && view.rows()->rowCount() > 0 &&
               view.listPane()->state() == RestoreListPane::State::listing;
    });
}

// Clicks the row of the stored path `id` in the Restore list (a folder in the tree opens or closes).
inline bool clickRow(RestoreView& view, const std::string& id) {
    int row = -1;
    runUntil([&] {
        row = view.rows()->rowOf(id);
        return row >= 0;
    });
    EXPECT_GE(row, 0) << "no row for " << id;
    if (row < 0) {
        return false;
    }
    QListView* list = view.listPane()->list();
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    return runUntil([&] { return view.model()->selection() && view.model()->selection()->id == id; });
}

// The widget named `name` of type T inside `parent`, once it is shown (the detail card rebuilds after
// every change, so a widget found earlier may be gone).
template <class T> T* shownChild(QWidget& parent, const char* name) {
    // A rebuild waiting in the event loop would replace what is found now.
    drainEvents();
    T* found = nullptr;
    runUntil([&] {
        found = nullptr;
        for (T* candidate : parent.findChildren<T*>(QString::fromLatin1(name))) {
            if (candidate->isVisible()) {
                found = candidate;
            }
        }
        return found != nullptr;
    });
    return found;
}

// Types into a field as a user does: into the field, over what it holds.
inline void typeInto(OLTextField* field, const QString& text) {
    field->lineEdit()->setFocus();
    field->lineEdit()->selectAll();
    QTest::keyClicks(field->lineEdit(), text);
}

// Keeps the window as the user sees it, once the last screen's picture has faded, in the build folder's
// integration-screens/ for a look; false when the picture could not be taken.
inline bool keepPicture(QWidget& window, const std::string& name) {
    auto* host = window.findChild<ScreenHost*>();
    if (host == nullptr || !runUntil([&] {
            return host->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size() == 1;
        })) {
        return false;
    }
    const auto shots = std::filesystem::path(KELDRA_BINARY_DIR) / "integration-screens";
    std::filesystem::create_directories(shots);
    return window.grab().save(QString::fromStdString((shots / (name + ".png")).string()));
}

// The first shown widget of type T inside `window`, once there is one.
template <class T> T* shownWidget(QWidget& window) {
    T* found = nullptr;
    runUntil([&] {
        for (T* widget : window.findChildren<T*>()) {
            if (widget->isVisible()) {
                found = widget;
                return true;
            }
        }
        return false;
    });
    return found;
}

} // namespace keldra::test
