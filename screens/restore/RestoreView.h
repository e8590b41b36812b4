#pragma once
// The Restore screen: a header with the source picker, the search field and refresh; the list of the
// listed source's files (tree or search results) beside the detail card; and the delete confirmation.
// Everything it shows comes from the host's RestoreModel, taken again when the host replaces it; the view
// keeps only which folders are open and the last delete's error. Work that outlives the view (loads,
// deletes, restores) holds the model by QPointer and writes nothing into a view that has gone.

#include "app/model/RestoreModel.h"
#include "design/theme/OLWidget.h"
#include "restore/model/RestoreSource.h"
#include "restore/tree/RestoreNode.h"
#include "screens/restore/RestoreScreenHost.h"

#include <QMessageBox>
#include <QPointer>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>
#include <vector>

class QHBoxLayout;

namespace keldra {

class OLIconButton;
class OLMenuPicker;
class OLSearchField;
class RestoreDetailCard;
class RestoreListPane;
class RestoreRowsModel;

class RestoreView final : public OLWidget {
    Q_OBJECT
public:
    explicit RestoreView(RestoreScreenHost& host, QWidget* parent = nullptr);
    // The view owns its host (the window's page over the application model).
    explicit RestoreView(std::unique_ptr<RestoreScreenHost> host, QWidget* parent = nullptr);
    ~RestoreView() override;

    RestoreModel* model() const { return model_; }
    // Null while fewer than two sources are offered.
    OLMenuPicker* sourcePicker() const { return picker_; }
    OLSearchField* searchField() const { return search_; }
    OLIconButton* refreshButton() const { return refresh_; }
    RestoreListPane* listPane() const { return pane_; }
    RestoreRowsModel* rows() const { return rows_; }
    RestoreDetailCard* detailCard() const { return card_; }
    // The open delete confirmation, if any.
    QMessageBox* deleteDialog() const { return dialog_; }
    const std::optional<QString>& deleteError() const { return deleteError_; }

    // What a click on a row does: select it and, for a folder in the tree, open or close it.
    void activateRow(int row);
    // Opens the delete confirmation (the detail card's delete button).
    void confirmDelete();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void attach(RestoreModel* model);
    void refreshPicker();
    void refreshList();
    void refreshSelection();
    void takeHandedOverSearch();
    void focusSearch();
    void startLoad(bool force);
    void setDeleteError(std::optional<QString> text);

    static QCoro::Task<> loadTask(QPointer<RestoreModel> model, RestoreContext context, bool force);
    static QCoro::Task<> deleteTask(QPointer<RestoreModel> model, RestoreContext context,
                                    QPointer<RestoreView> view);

    QPointer<RestoreScreenHost> host_;
    QPointer<RestoreModel> model_;
    RestoreRowsModel* rows_;
    QHBoxLayout* controls_;
    OLMenuPicker* picker_ = nullptr;
    OLSearchField* search_;
    OLIconButton* refresh_;
    RestoreListPane* pane_;
    RestoreDetailCard* card_;
    QWidget* detailFrame_ = nullptr;
    QPointer<QMessageBox> dialog_;
    std::optional<QString> deleteError_;
    bool appeared_ = false;

    // What the rows show, so an unrelated change does not reset them.
    std::vector<RestoreNodePtr> shownNodes_;
    bool shownSearch_ = false;
};

} // namespace keldra
