#include "ui/equipment_list.h"

#include "ui/project_file.h"
#include "ui/widgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace zelvaro::ui {

namespace {

using batch::ItemResult;
using batch::ItemStatus;

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The message and the changes that would pass, one a line.
QString full_message(const ItemResult &r) {
  QString text = window_message(r.message);
  for (const std::string &s : r.suggestions)
    text += QStringLiteral("\n・") + qs(s);
  return text;
}

class FilterProxy : public QSortFilterProxyModel {
public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  bool problemsOnly = false;
  void refilter() { invalidateFilter(); }

protected:
  bool filterAcceptsRow(int row, const QModelIndex &parent) const override {
    return !problemsOnly || sourceModel()->index(row, 0, parent).data(ProjectModel::ProblemRole).toBool();
  }
};

} // namespace

ProjectModel::ProjectModel(Project &project, QObject *parent)
    : QAbstractTableModel(parent), project_(project) {
  connect(
      &project, &Project::changed, this, [this](std::size_t at, std::size_t removed, std::size_t inserted) {
        if (removed == inserted && inserted > 0) { // rows changed in place: only they are read again
          emit dataChanged(index(static_cast<int>(at), 0), index(static_cast<int>(at + inserted) - 1,
                                                                 static_cast<int>(ListColumn::Count) - 1));
          return;
        }
        beginResetModel();
        endResetModel();
      });
}

int ProjectModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : project_.rowCount();
}
int ProjectModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ListColumn::Count);
}

QVariant ProjectModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
    return {};
  return section >= 0 && section < static_cast<int>(ListColumn::Count)
             ? qs(batch::list_header()[static_cast<std::size_t>(section)])
             : QVariant();
}

QVariant ProjectModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid())
    return {};
  const auto r = static_cast<std::size_t>(index.row());
  const batch::Project &p = project_.model();
  const ItemResult &v = p.item(r).result;
  const auto column = static_cast<ListColumn>(index.column());
  if (role == ProblemRole)
    return v.status != ItemStatus::Ok;
  if (role == Qt::ToolTipRole)
    return full_message(v);
  if (column == ListColumn::Verdict && role == Qt::BackgroundRole)
    return QColor(v.status == ItemStatus::Ok          ? 0xd8f0d8
                  : v.status == ItemStatus::Shortfall ? 0xf8d0d0
                                                      : 0xf8ecc0);
  if (role == Qt::DisplayRole)
    return qs(batch::list_cell(p, r, column));
  if (role != SortRole)
    return {};
  // Figures sort by their values, an empty one first; the cells of numbers
  // by their values when they read as numbers.
  switch (column) {
  case ListColumn::Verdict:
    return static_cast<int>(v.status);
  case ListColumn::Rb:
  case ListColumn::Allowable:
  case ListColumn::SigmaPercent:
  case ListColumn::TauPercent:
    return batch::list_figure(v, column).value_or(-1.0);
  case ListColumn::Diameter:
  case ListColumn::W:
  case ListColumn::n:
  case ListColumn::nt: {
    const QString text = qs(batch::list_cell(p, r, column));
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? QVariant(value) : QVariant(text);
  }
  default:
    return qs(batch::list_cell(p, r, column));
  }
}

EquipmentList::EquipmentList(Project &project, QWidget *parent)
    : QWidget(parent, Qt::Window), project_(project), model_(new ProjectModel(project, this)),
      proxy_(new FilterProxy(this)), view_(new QTableView(this)),
      problemsOnly_(new QCheckBox(QStringLiteral("× と 入力不備だけを表示"), this)),
      detail_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("機器リスト"));
  setAcceptDrops(true);
  proxy_->setSourceModel(model_);
  proxy_->setSortRole(ProjectModel::SortRole);
  // Rows that the filter, a sort or an edit moves under the selection are
  // not picked: only the user picks. The view's selection follows such
  // changes between the two halves of each pair.
  const auto hold = [this] { ++moving_; };
  const auto release = [this] { --moving_; };
  connect(proxy_, &QAbstractItemModel::layoutAboutToBeChanged, this, hold);
  connect(proxy_, &QAbstractItemModel::modelAboutToBeReset, this, hold);
  connect(proxy_, &QAbstractItemModel::rowsAboutToBeRemoved, this, hold);
  connect(proxy_, &QAbstractItemModel::rowsAboutToBeInserted, this, hold);
  view_->setModel(proxy_);
  connect(proxy_, &QAbstractItemModel::layoutChanged, this, release);
  connect(proxy_, &QAbstractItemModel::modelReset, this, release);
  connect(proxy_, &QAbstractItemModel::rowsRemoved, this, release);
  connect(proxy_, &QAbstractItemModel::rowsInserted, this, release);
  // A header click sorts by that column, a second one the other way, a third
  // gives the list's own order back.
  view_->horizontalHeader()->setSectionsClickable(true);
  view_->horizontalHeader()->setSortIndicatorShown(false);
  connect(view_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) { sortBy(c); });
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setTabKeyNavigation(false); // Tab leaves the table, to the buttons
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->setAcceptDrops(false);
  detail_->setWordWrap(true);
  detail_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  detail_->setMinimumHeight(view_->fontMetrics().height() * 3);
  detail_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto *buttons = new QHBoxLayout;
  const auto button = [&](const QString &text, auto fn) {
    auto *b = new QPushButton(text, this);
    b->setAutoDefault(true);
    connect(b, &QPushButton::clicked, this, fn);
    buttons->addWidget(b);
    buttons_.push_back(b);
  };
  button(QStringLiteral("追加"), [this] { addItem(); });
  button(QStringLiteral("複製"), [this] { duplicateItems(); });
  button(QStringLiteral("削除"), [this] { deleteItems(); });
  button(QStringLiteral("上へ"), [this] { moveItems(-1); });
  button(QStringLiteral("下へ"), [this] { moveItems(+1); });
  buttons->addStretch();
  buttons->addWidget(problemsOnly_);
  connect(problemsOnly_, &QCheckBox::toggled, this, [this](bool on) {
    auto *p = static_cast<FilterProxy *>(proxy_);
    p->problemsOnly = on;
    p->refilter();
    followCurrent();
  });

  // Tab goes through the buttons, the filter and the table, in the order shown.
  QWidget::setTabOrder(buttons_.back(), problemsOnly_);
  QWidget::setTabOrder(problemsOnly_, view_);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(view_);
  layout->addWidget(detail_);
  resize(900, 460);

  // Row edits by key, as in a spreadsheet: they act on whole items.
  const auto key = [this](QKeySequence keys, auto fn) {
    auto *a = new QAction(this);
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(a, &QAction::triggered, this, fn);
    addAction(a);
  };
  key(QKeySequence::Copy, [this] { copyItems(); });
  key(QKeySequence::Paste, [this] { pasteItems(); });
  key(QKeySequence(Qt::Key_Delete), [this] { deleteItems(); });
  key(QKeySequence::Undo, [this] { undo(); });
  key(QKeySequence::Redo, [this] { redo(); });

  connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex &current) {
            showDetail();
            if (current.isValid() && !quiet_ && moving_ == 0)
              emit rowPicked(proxy_->mapToSource(current).row());
          });
  connect(model_, &QAbstractItemModel::dataChanged, this, [this] { showDetail(); });
  updateButtons();
}

QPushButton *EquipmentList::button(const QString &text) const {
  for (QPushButton *b : buttons_)
    if (b->text() == text)
      return b;
  return nullptr;
}

void EquipmentList::showDetail() {
  const std::optional<int> row = selectedRow();
  if (!row) {
    detail_->clear();
    return;
  }
  const batch::ProjectItem &item = project_.model().item(static_cast<std::size_t>(*row));
  QString text = qs(batch::verdict_label(item.result.status));
  if (item.row.line > 0)
    text += QStringLiteral("（%1行目）").arg(item.row.line);
  if (!item.result.message.empty() || !item.result.suggestions.empty())
    text += QStringLiteral("　") + full_message(item.result);
  detail_->setText(text);
}

// The selection on the form's item, when the list shows it.
void EquipmentList::followCurrent() {
  if (const auto row = project_.model().current())
    selectRow(static_cast<int>(*row), false);
  else
    selectRows({});
}

void EquipmentList::sortBy(int column) {
  if (column != sortColumn_) {
    sortColumn_ = column;
    sortOrder_ = Qt::AscendingOrder;
  } else if (sortOrder_ == Qt::AscendingOrder) {
    sortOrder_ = Qt::DescendingOrder;
  } else {
    sortColumn_ = -1;
  }
  proxy_->sort(sortColumn_, sortOrder_);
  followCurrent();
  view_->horizontalHeader()->setSortIndicatorShown(sortColumn_ >= 0);
  view_->horizontalHeader()->setSortIndicator(sortColumn_, sortOrder_);
  updateButtons();
}

// 上へ/下へ move items in the list's own order: not while it shows another.
void EquipmentList::updateButtons() {
  for (const char *name : {"上へ", "下へ"})
    if (QPushButton *b = button(QString::fromUtf8(name)))
      b->setEnabled(sortColumn_ < 0);
}

std::vector<int> EquipmentList::selectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex &i : view_->selectionModel()->selectedRows())
    rows.push_back(proxy_->mapToSource(i).row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::optional<int> EquipmentList::selectedRow() const {
  const QModelIndex current = view_->selectionModel()->currentIndex();
  if (!current.isValid() || !view_->selectionModel()->isRowSelected(current.row(), {}))
    return std::nullopt;
  return proxy_->mapToSource(current).row();
}

void EquipmentList::selectRow(int row, bool load) {
  const bool quiet = quiet_;
  quiet_ = !load;
  selectRows({static_cast<std::size_t>(row)});
  quiet_ = quiet;
}

void EquipmentList::selectRows(const std::vector<std::size_t> &rows) {
  QItemSelectionModel *sel = view_->selectionModel();
  const bool quiet = quiet_;
  quiet_ = true; // clearing picks nothing
  sel->clearSelection();
  quiet_ = quiet;
  bool first = true;
  for (std::size_t r : rows) {
    const QModelIndex i = proxy_->mapFromSource(model_->index(static_cast<int>(r), 0));
    if (!i.isValid())
      continue;
    const auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    if (first) {
      sel->setCurrentIndex(i, flags);
      view_->scrollTo(i);
    } else {
      sel->select(i, flags);
    }
    first = false;
  }
  showDetail();
}

static std::vector<std::size_t> as_sizes(const std::vector<int> &rows) {
  return {rows.begin(), rows.end()};
}

void EquipmentList::addItem() {
  if (!addFromWindow)
    return;
  if (const auto row = addFromWindow())
    selectRow(*row, false);
}

void EquipmentList::duplicateItems() {
  const std::vector<std::size_t> added = project_.model().duplicate(as_sizes(selectedRows()));
  quiet_ = true;
  selectRows(added);
  quiet_ = false;
}

void EquipmentList::deleteItems() {
  const std::vector<int> rows = selectedRows();
  if (rows.empty())
    return;
  project_.model().remove(as_sizes(rows));
  const int n = project_.rowCount();
  if (n > 0)
    selectRow(std::min(rows.front(), n - 1), false);
}

void EquipmentList::moveItems(int by) {
  if (sortColumn_ >= 0)
    return;
  const std::vector<std::size_t> moved = project_.model().move(as_sizes(selectedRows()), by);
  quiet_ = true;
  selectRows(moved);
  quiet_ = false;
}

void EquipmentList::undo() {
  project_.model().undo();
  if (const auto row = project_.model().current())
    selectRow(static_cast<int>(*row), false);
}

void EquipmentList::redo() {
  project_.model().redo();
  if (const auto row = project_.model().current())
    selectRow(static_cast<int>(*row), false);
}

void EquipmentList::copyItems() {
  const std::vector<int> rows = selectedRows();
  if (rows.empty())
    return;
  const std::string text =
      batch::schedule_text(project_.model().part(as_sizes(rows))).substr(batch::kUtf8Bom.size());
  auto *mime = new QMimeData;
  mime->setData(QStringLiteral("text/csv"), QByteArray::fromStdString(text));
  mime->setText(QString::fromStdString(text));
  QGuiApplication::clipboard()->setMimeData(mime);
}

void EquipmentList::pasteItems() {
  const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
  if (!mime)
    return;
  const QByteArray bytes = mime->hasFormat(QStringLiteral("text/csv"))
                               ? mime->data(QStringLiteral("text/csv"))
                               : mime->text().toUtf8();
  batch::ScheduleDocument part;
  if (!batch::read_schedule(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), part)
           .empty() ||
      part.rows.empty())
    return; // not rows of a schedule: nothing to paste
  for (batch::ScheduleRow &row : part.rows)
    row.line = 0; // lines of the clipboard, not of the project's file
  const std::vector<int> rows = selectedRows();
  const std::size_t at = rows.empty() ? project_.model().size() : static_cast<std::size_t>(rows.back()) + 1;
  const std::vector<std::size_t> added = project_.model().insert(at, part);
  quiet_ = true;
  selectRows(added);
  quiet_ = false;
}

namespace {
QString dropped_csv(const QMimeData *mime) {
  if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().front().isLocalFile())
    return {};
  const QString path = mime->urls().front().toLocalFile();
  return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? path : QString();
}
} // namespace

void EquipmentList::dragEnterEvent(QDragEnterEvent *e) {
  if (!dropped_csv(e->mimeData()).isEmpty())
    e->acceptProposedAction();
}

void EquipmentList::dropEvent(QDropEvent *e) {
  const QString path = dropped_csv(e->mimeData());
  if (path.isEmpty())
    return;
  e->acceptProposedAction();
  emit openRequested(path);
}

} // namespace zelvaro::ui
