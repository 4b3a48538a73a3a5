#pragma once

// 機器リスト: a view of the project's items, one row each, with their
// results as the form would read them. Picking a row asks the main window to
// take that item; the list's own edits (add, duplicate, delete, move, paste)
// are the project's, each one step of its undo.

#include "schedule/list_rows.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace zelvaro::ui {

class Project;

// The list's columns, as the page's list has them too.
using ListColumn = batch::ListColumn;

class ProjectModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit ProjectModel(Project &project, QObject *parent = nullptr);
  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  static constexpr int SortRole = Qt::UserRole + 1;
  static constexpr int ProblemRole = Qt::UserRole + 2; // true for × and 入力不備

private:
  Project &project_;
};

class EquipmentList : public QWidget {
  Q_OBJECT
public:
  explicit EquipmentList(Project &project, QWidget *parent = nullptr);

  // The selected item (a row of the project), if any.
  std::optional<int> selectedRow() const;
  // Selects an item; with `load`, the main window is asked to take it.
  void selectRow(int row, bool load = true);
  QTableView *view() const { return view_; }
  QCheckBox *problemsOnly() const { return problemsOnly_; }
  QLabel *detail() const { return detail_; }
  QPushButton *button(const QString &text) const;

  void addItem();         // 追加: the main window's inputs as a new row
  void duplicateItems();  // 複製
  void deleteItems();     // 削除
  void moveItems(int by); // 上へ (-1) / 下へ (+1)
  void copyItems();
  void pasteItems();
  void undo();
  void redo();
  // A header click: ascending, descending, then the list's own order.
  void sortBy(int column);

  // The main window supplies the new row (asks for 番号 and 機器名);
  // nothing when the user cancels.
  std::function<std::optional<int>()> addFromWindow;

signals:
  void rowPicked(int row);
  void openRequested(const QString &path);

protected:
  void dragEnterEvent(QDragEnterEvent *e) override;
  void dropEvent(QDropEvent *e) override;

private:
  std::vector<int> selectedRows() const; // project rows, ascending
  void selectRows(const std::vector<std::size_t> &rows);
  void showDetail();
  void followCurrent();
  void updateButtons();

  Project &project_;
  ProjectModel *model_;
  QSortFilterProxyModel *proxy_;
  QTableView *view_;
  QCheckBox *problemsOnly_;
  QLabel *detail_;
  std::vector<QPushButton *> buttons_;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  bool quiet_ = false;
  int moving_ = 0; // inside a change of the rows shown
};

} // namespace zelvaro::ui
