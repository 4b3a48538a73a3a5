#include "ui/project_file.h"

#include "capture/single_case.h"
#include "files/atomic_file.h"
#include "ui/drawings/schedule_bundle.h"
#include "ui/form1.h"

#include "schedule/result_sinks.h"

#include <QFile>

#include <sstream>

namespace zelvaro::ui {

std::string project_now() {
  return Form1::now_text();
}

Project::Project(QObject *parent) : QObject(parent) {
  model_.changed = [this](const batch::ListChange &c) {
    emit changed(c.at, c.removed, c.inserted);
    if (modified_ != model_.modified())
      emit modifiedChanged(modified_ = model_.modified());
  };
  model_.current_lost = [this] { emit currentLost(); };
  model_.current_restored = [this] { emit currentRestored(); };
}

void Project::clear() {
  path_.clear();
  model_.clear();
}

QString Project::open(const QString &path) {
  // A FIFO, a device or a huge file is refused at once, in Japanese
  // whatever the locale.
  std::string bytes;
  if (const std::string why = read_file(QFile::encodeName(path).toStdString(), bytes); !why.empty())
    return QString::fromStdString(why);
  const std::string error = model_.open(bytes);
  if (!error.empty())
    return QStringLiteral("'%1' を開けません: %2").arg(path, QString::fromStdString(error));
  path_ = path;
  return {};
}

QString Project::save(const QString &path) {
  const std::string text = model_.save_text();
  const std::string error =
      save_file_said(path.toStdString(), text, true); // a read-only file: the window has asked already
  if (!error.empty())
    return QString::fromStdString(error);
  path_ = path;
  model_.saved(text);
  return {};
}

std::vector<sheet::BundleItem> Project::bundleItems() const {
  return sheet::bundle_items(model_);
}

std::string Project::verdictTable() const {
  std::ostringstream out;
  out << batch::kUtf8Bom;
  batch::CsvTable table(out);
  table.begin();
  for (std::size_t i = 0; i < model_.size(); ++i)
    table.write(model_.item(i).result);
  table.finish();
  return out.str();
}

} // namespace zelvaro::ui
