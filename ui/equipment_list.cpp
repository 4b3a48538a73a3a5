#include "ui/equipment_list.h"

#include "engine/number_text.h"

#include "ui/project_file.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>

namespace zelvaro::ui {

namespace {

using batch::RowVerdict;

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::optional<double> number(const std::string &text) {
  double v = 0;
  const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || p != text.data() + text.size() || text.empty())
    return std::nullopt;
  return v;
}

QString verdict_text(RowVerdict::Status s) {
  return QString::fromStdString(sheet::verdict_label(s));
}

// Columns of the batch's table behind the list's figures.

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
  connect(&project, &Project::changed, this, [this] {
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
  static const char *const names[] = {"番号",    "機器名",  "形状",       "アンカー", "材質",
                                      "径",      "W",       "判定",       "Rb(kg)",   "許容値(kg)",
                                      "σ/ft(%)", "τ/fs(%)", "メッセージ", "改善案"};
  return section >= 0 && section < static_cast<int>(ListColumn::Count) ? QString::fromUtf8(names[section])
                                                                       : QVariant();
}

QVariant ProjectModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid())
    return {};
  const auto r = static_cast<std::size_t>(index.row());
  const batch::ScheduleDocument &doc = project_.document();
  const batch::ScheduleRow &row = doc.rows[r];
  const RowVerdict &v = project_.verdicts()[r];
  const auto column = static_cast<ListColumn>(index.column());
  if (role == ProblemRole)
    return v.status != RowVerdict::Status::Passed;
  if (column == ListColumn::Verdict && role == Qt::BackgroundRole)
    return QColor(v.status == RowVerdict::Status::Passed      ? 0xd8f0d8
                  : v.status == RowVerdict::Status::Shortfall ? 0xf8d0d0
                                                              : 0xf8ecc0);
  if (role != Qt::DisplayRole && role != SortRole)
    return {};
  const batch::ItemResult &result = v.result;
  const auto figure = [&](const std::string &text) -> QVariant {
    if (role == SortRole)
      return number(text).value_or(-1.0);
    return qs(text);
  };
  // A typed figure in kg, rounded to 0.1 for reading (the sheet and the
  // report keep every digit) from the digits the report prints, so that the
  // two agree (31.2497 printed 31.25 reads 31.3 in both); empty where the row
  // has no such figure.
  const auto kg = [&](bool has, double value) -> QVariant {
    if (!has)
      return role == SortRole ? QVariant(-1.0) : QVariant(QString());
    if (role == SortRole)
      return value;
    return QString::number(QString::fromStdString(number_text(value)).toDouble(), 'f', 1);
  };
  const bool bond = result.calculated() && result.bond_checked;
  const auto percent = [&](double value, double reference) -> QVariant {
    if (reference <= 0 || !result.calculated())
      return role == SortRole ? QVariant(-1.0) : QVariant(QString());
    const double p = value / reference * 100;
    return role == SortRole ? QVariant(p) : QVariant(QString::number(p, 'f', 1));
  };
  switch (column) {
  case ListColumn::Id:
    return qs(doc.cell(row, "id"));
  case ListColumn::Equipment:
    return qs(doc.cell(row, "equipment"));
  case ListColumn::Shape:
    return qs(doc.cell(row, "shape"));
  case ListColumn::Anchor:
    return qs(doc.cell(row, "anchor"));
  case ListColumn::Material:
    return qs(doc.cell(row, "material"));
  case ListColumn::Diameter:
    return figure(std::string(doc.cell(row, "M")));
  case ListColumn::W:
    return figure(std::string(doc.cell(row, "W")));
  case ListColumn::Verdict:
    return role == SortRole ? QVariant(static_cast<int>(v.status)) : QVariant(verdict_text(v.status));
  case ListColumn::Rb:
    return kg(bond, result.pullout_kg);
  case ListColumn::Allowable:
    return kg(bond, result.allowable_kg);
  case ListColumn::SigmaPercent:
    return percent(result.sigma_c_MPa, result.ft_MPa);
  case ListColumn::TauPercent:
    return percent(result.tau_c_MPa, result.fs_MPa);
  case ListColumn::Message:
    return qs(v.message);
  case ListColumn::Suggestion: { // one change a line
    QStringList lines;
    for (const std::string &line : result.suggestions)
      lines << qs(line);
    return lines.join(QLatin1Char('\n'));
  }
  case ListColumn::Count:
    break;
  }
  return {};
}

EquipmentList::EquipmentList(Project &project, QWidget *parent)
    : QWidget(parent, Qt::Window), project_(project), model_(new ProjectModel(project, this)),
      proxy_(new FilterProxy(this)), view_(new QTableView(this)),
      problemsOnly_(new QCheckBox(QStringLiteral("× と 入力不備だけを表示"), this)) {
  setWindowTitle(QStringLiteral("機器リスト"));
  setAcceptDrops(true);
  proxy_->setSourceModel(model_);
  proxy_->setSortRole(ProjectModel::SortRole);
  view_->setModel(proxy_);
  view_->setSortingEnabled(true);
  view_->sortByColumn(-1, Qt::AscendingOrder); // list order until a header is clicked
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->setAcceptDrops(false);

  auto *buttons = new QHBoxLayout;
  const auto button = [&](const QString &text, auto fn) {
    auto *b = new QPushButton(text, this);
    b->setAutoDefault(true);
    connect(b, &QPushButton::clicked, this, fn);
    buttons->addWidget(b);
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
  });

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(view_);
  resize(900, 420);

  auto *undo = project.undoStack()->createUndoAction(this, QStringLiteral("元に戻す"));
  undo->setShortcut(QKeySequence::Undo);
  auto *redo = project.undoStack()->createRedoAction(this, QStringLiteral("やり直し"));
  redo->setShortcut(QKeySequence::Redo);
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
  for (QAction *a : {undo, redo}) {
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
  }

  connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex &current) {
            if (current.isValid() && !quiet_)
              emit rowPicked(proxy_->mapToSource(current).row());
          });
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
  selectRows({row});
  quiet_ = quiet;
}

void EquipmentList::selectRows(const std::vector<int> &rows) {
  QItemSelectionModel *sel = view_->selectionModel();
  sel->clearSelection();
  bool first = true;
  for (int r : rows) {
    const QModelIndex i = proxy_->mapFromSource(model_->index(r, 0));
    if (!i.isValid())
      continue;
    const auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    if (first)
      sel->setCurrentIndex(i, flags);
    else
      sel->select(i, flags);
    first = false;
  }
}

void EquipmentList::addItem() {
  if (!addFromWindow)
    return;
  if (const auto row = addFromWindow())
    selectRow(*row);
}

void EquipmentList::duplicateItems() {
  const std::vector<int> rows = selectedRows();
  if (rows.empty())
    return;
  batch::ScheduleDocument doc = project_.document();
  const auto at = doc.rows.begin() + rows.back() + 1;
  std::vector<batch::ScheduleRow> copies;
  for (int r : rows)
    copies.push_back(doc.rows[static_cast<std::size_t>(r)]);
  doc.rows.insert(at, copies.begin(), copies.end());
  project_.edit(QStringLiteral("複製"), doc);
  std::vector<int> added;
  for (std::size_t k = 0; k < copies.size(); ++k)
    added.push_back(rows.back() + 1 + static_cast<int>(k));
  selectRows(added);
}

void EquipmentList::deleteItems() {
  const std::vector<int> rows = selectedRows();
  if (rows.empty())
    return;
  batch::ScheduleDocument doc = project_.document();
  for (auto r = rows.rbegin(); r != rows.rend(); ++r)
    doc.rows.erase(doc.rows.begin() + *r);
  project_.edit(QStringLiteral("削除"), doc);
  if (!doc.rows.empty())
    selectRow(std::min(rows.front(), static_cast<int>(doc.rows.size()) - 1));
}

void EquipmentList::moveItems(int by) {
  std::vector<int> rows = selectedRows();
  const int n = project_.rowCount();
  if (rows.empty() || rows.front() + by < 0 || rows.back() + by >= n)
    return;
  batch::ScheduleDocument doc = project_.document();
  if (by < 0)
    for (int r : rows)
      std::swap(doc.rows[static_cast<std::size_t>(r)], doc.rows[static_cast<std::size_t>(r - 1)]);
  else
    for (auto r = rows.rbegin(); r != rows.rend(); ++r)
      std::swap(doc.rows[static_cast<std::size_t>(*r)], doc.rows[static_cast<std::size_t>(*r + 1)]);
  project_.edit(by < 0 ? QStringLiteral("上へ") : QStringLiteral("下へ"), doc);
  for (int &r : rows)
    r += by;
  selectRows(rows);
}

void EquipmentList::copyItems() {
  const std::vector<int> rows = selectedRows();
  if (rows.empty())
    return;
  batch::ScheduleDocument part;
  part.columns = project_.document().columns;
  for (int r : rows)
    part.rows.push_back(project_.document().rows[static_cast<std::size_t>(r)]);
  const std::string text = batch::schedule_text(part).substr(batch::kUtf8Bom.size());
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
  batch::ScheduleDocument doc = project_.document();
  const std::vector<int> rows = selectedRows();
  int at = rows.empty() ? static_cast<int>(doc.rows.size()) : rows.back() + 1;
  std::vector<int> added;
  for (const batch::ScheduleRow &source : part.rows) {
    batch::ScheduleRow row;
    row.cells.resize(doc.columns.size());
    if (!source.raw.empty()) {
      row.raw = source.raw;
    } else {
      for (std::size_t c = 0; c < part.columns.size() && c < source.cells.size(); ++c)
        if (!part.columns[c].empty())
          doc.set(row, part.columns[c], source.cells[c]);
    }
    doc.rows.insert(doc.rows.begin() + at, std::move(row));
    added.push_back(at++);
  }
  project_.edit(QStringLiteral("貼り付け"), doc);
  selectRows(added);
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
