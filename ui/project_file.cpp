#include "ui/project_file.h"

#include "capture/single_case.h"
#include "engine/shape_procedure.h"
#include "files/atomic_file.h"
#include "ui/drawings/schedule_bundle.h"
#include "ui/form1.h"

#include <QFile>
#include <QUndoCommand>

namespace zelvaro::ui {

// Undo of a list edit: the schedule before and after, swapped.
class DocumentEdit : public QUndoCommand {
public:
  DocumentEdit(Project &p, const QString &text, batch::ScheduleDocument before, batch::ScheduleDocument after)
      : QUndoCommand(text), p_(p), before_(std::move(before)), after_(std::move(after)) {}
  void undo() override { p_.setDocument(before_); }
  void redo() override { p_.setDocument(after_); }

private:
  Project &p_;
  batch::ScheduleDocument before_, after_;
};

std::string project_now() {
  return Form1::now_text();
}

Project::Project(QObject *parent) : QObject(parent) {
  connect(&undo_, &QUndoStack::cleanChanged, this, [this](bool clean) { emit modifiedChanged(!clean); });
  clear();
}

// The undo stack announces its last clean state while it is destroyed: by
// then nobody may hear it.
Project::~Project() {
  QObject::disconnect(&undo_, nullptr, this, nullptr);
}

void Project::clear() {
  batch::ScheduleDocument doc;
  for (std::string_view c : batch::project_columns())
    doc.columns.emplace_back(c);
  path_.clear();
  undo_.clear();
  setDocument(doc);
}

QString Project::open(const QString &path) {
  // A FIFO, a device or a huge file is refused at once, in Japanese
  // whatever the locale.
  std::string bytes;
  if (const std::string why = read_file(QFile::encodeName(path).toStdString(), bytes); !why.empty())
    return QString::fromStdString(why);
  batch::ScheduleDocument doc;
  const std::string error = batch::read_schedule(bytes, doc);
  if (!error.empty())
    return QStringLiteral("'%1' を開けません: %2").arg(path, QString::fromStdString(error));
  std::string().swap(bytes);
  undo_.clear();
  path_ = path;
  // Moved, not copied: a large schedule is held once.
  doc_ = std::move(doc);
  verdicts_.clear();
  reevaluate();
  return {};
}

QString Project::save(const QString &path) {
  batch::ScheduleDocument doc = doc_;
  for (std::string_view c : {"equipment", "project", "checker"})
    doc.add_column(c);
  // A read-only file: the window has asked the user already.
  const std::string error = save_file_said(path.toStdString(), batch::schedule_text(doc), true);
  if (!error.empty())
    return QString::fromStdString(error);
  path_ = path;
  undo_.setClean();
  return {};
}

void Project::edit(const QString &what, const batch::ScheduleDocument &after) {
  if (after == doc_)
    return; // 計算 again on the same inputs changes nothing to save
  undo_.push(new DocumentEdit(*this, what, doc_, after));
}

void Project::setDocument(const batch::ScheduleDocument &doc) {
  doc_ = doc;
  reevaluate();
}

void Project::reevaluate() {
  verdicts_ = batch::evaluate(doc_, project_now());
  emit changed();
}

ItemInputs Project::inputs(int row) const {
  return batch::row_inputs(doc_, doc_.rows.at(static_cast<std::size_t>(row)));
}

void Project::setInputs(batch::ScheduleDocument &doc, batch::ScheduleRow &row, const ItemInputs &in) {
  doc.set(row, "shape", cases::shape_option(in.shape));
  doc.set(row, "anchor", cases::spelling_of(cases::AnchorSpellings, in.anchor));
  doc.set(row, "material", cases::spelling_of(cases::MaterialSpellings, in.material));
  if (in.shape == Shape::None)
    return;
  for (std::string_view name : cases::field_names())
    if (const auto slot = cases::slot_of(in.shape, name)) {
      const std::string &text = in.texts[static_cast<std::size_t>(*slot)];
      // A blank optional field (nt) adds no column to a file that has none.
      if (text.empty() && !doc.column(name) && field_binding(*shape_procedure(in.shape), *slot)->optional)
        continue;
      doc.set(row, name, text);
    }
}

batch::ScheduleRow Project::newRow(batch::ScheduleDocument &doc, const ItemInputs &in, const std::string &id,
                                   const std::string &equipment) {
  batch::ScheduleRow row;
  row.cells.resize(doc.columns.size());
  doc.set(row, "id", id);
  doc.set(row, "equipment", equipment);
  setInputs(doc, row, in);
  return row;
}

std::vector<sheet::BundleItem> Project::bundleItems() const {
  return sheet::bundle_items(doc_, verdicts_, project_now(), SheetNames{});
}

std::string Project::projectName() const {
  return doc_.rows.empty() ? std::string() : std::string(doc_.cell(doc_.rows.front(), "project"));
}
std::string Project::checkerName() const {
  return doc_.rows.empty() ? std::string() : std::string(doc_.cell(doc_.rows.front(), "checker"));
}

} // namespace zelvaro::ui
