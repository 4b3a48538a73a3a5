#pragma once

// The project in the window: the Qt-free project (schedule/project.h) with
// the file it came from, read and written, and Qt signals for its views.

#include "schedule/project.h"
#include "ui/drawings/schedule_bundle.h"
#include "ui/drawings/sheet_bundle.h"
#include "ui/item_inputs.h"

#include <QObject>
#include <QString>

#include <string>
#include <vector>

namespace zelvaro::ui {

class Project : public QObject {
  Q_OBJECT
public:
  explicit Project(QObject *parent = nullptr);

  batch::Project &model() { return model_; }
  const batch::Project &model() const { return model_; }
  int rowCount() const { return static_cast<int>(model_.size()); }
  QString path() const { return path_; }
  bool isModified() const { return model_.modified(); }

  // Replaces the project with the file's; an empty string, or why not.
  QString open(const QString &path);
  // Saves atomically; an empty string, or a message saying what failed.
  QString save(const QString &path);
  void clear();

  // The bundle PDF's cover rows: every item with its verdict, and whether
  // its sheet follows.
  std::vector<sheet::BundleItem> bundleItems() const;
  // The verdict table of the items' results (UTF-8 with a BOM, CR LF).
  std::string verdictTable() const;

signals:
  void changed(std::size_t at, std::size_t removed, std::size_t inserted); // rows or their results
  void modifiedChanged(bool modified);
  void currentLost();     // the item the form held left the list
  void currentRestored(); // an undo or redo changed the form's item

private:
  batch::Project model_;
  QString path_;
  bool modified_ = false;
};

// The date and time the verdicts and reports are headed with.
std::string project_now();

} // namespace zelvaro::ui
