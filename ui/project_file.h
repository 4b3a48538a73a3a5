#pragma once

// The project: one equipment schedule kept in the window, its verdicts, the
// file it came from and the edits that can be undone. The schedule's file
// format belongs to the batch (schedule_document.h); here it meets Qt.

#include "engine/seismic_calc_state.h"
#include "schedule/schedule_document.h"
#include "ui/drawings/schedule_bundle.h"
#include "ui/drawings/sheet_bundle.h"
#include "ui/item_inputs.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <array>
#include <string>
#include <vector>

namespace zelvaro::ui {

class Project : public QObject {
  Q_OBJECT
public:
  explicit Project(QObject *parent = nullptr);
  ~Project() override;

  const batch::ScheduleDocument &document() const { return doc_; }
  const std::vector<batch::RowVerdict> &verdicts() const { return verdicts_; }
  int rowCount() const { return static_cast<int>(doc_.rows.size()); }
  QString path() const { return path_; }
  bool isModified() const { return !undo_.isClean(); }
  QUndoStack *undoStack() { return &undo_; }

  // Replaces the project with the file's; an empty string, or why not.
  QString open(const QString &path);
  // Saves atomically; an empty string, or a message saying what failed.
  QString save(const QString &path);
  void clear();

  // An edit of the list: the whole schedule after it, undoable as one step.
  void edit(const QString &what, const batch::ScheduleDocument &after);

  // The inputs of a row, for the window (cells of unknown selections give None).
  ItemInputs inputs(int row) const;
  // Sets a row's cells from the window's inputs, for the fields its shape reads.
  static void setInputs(batch::ScheduleDocument &doc, batch::ScheduleRow &row, const ItemInputs &in);
  // A new row from the window's inputs.
  static batch::ScheduleRow newRow(batch::ScheduleDocument &doc, const ItemInputs &in, const std::string &id,
                                   const std::string &equipment);

  // Every item for the bundle PDF: the calculated ones with their sheet,
  // calculated again exactly as the batch calculates them.
  std::vector<sheet::BundleItem> bundleItems() const;

  // The project's names: the first row's, written on every row when set.
  std::string projectName() const;
  std::string checkerName() const;

signals:
  void changed(); // rows or verdicts
  void modifiedChanged(bool modified);

private:
  void setDocument(const batch::ScheduleDocument &doc);
  void reevaluate();

  batch::ScheduleDocument doc_;
  std::vector<batch::RowVerdict> verdicts_;
  QString path_;
  QUndoStack undo_;
  friend class DocumentEdit;
};

// The date and time the verdicts and reports are headed with.
std::string project_now();

} // namespace zelvaro::ui
