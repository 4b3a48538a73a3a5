// The window's equipment list of a schedule, as its model shows it: the
// header and every row's texts (Qt::DisplayRole) as JSON on standard output,
// {"header": [...], "rows": [[...], ...]}, for the page's test to compare its
// own list with. Usage: window_list_rows SCHEDULE.csv
#include "ui/equipment_list.h"
#include "ui/project_file.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: window_list_rows SCHEDULE.csv\n", stderr);
    return 2;
  }
  zelvaro::ui::Project project;
  if (const QString error = project.open(QString::fromLocal8Bit(argv[1])); !error.isEmpty()) {
    std::fprintf(stderr, "window_list_rows: %s\n", qPrintable(error));
    return 1;
  }
  const zelvaro::ui::ProjectModel model(project);
  QJsonArray header, rows;
  for (int c = 0; c < model.columnCount(); ++c)
    header.append(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
  for (int r = 0; r < model.rowCount(); ++r) {
    QJsonArray row;
    for (int c = 0; c < model.columnCount(); ++c)
      row.append(model.index(r, c).data(Qt::DisplayRole).toString());
    rows.append(row);
  }
  const QByteArray json = QJsonDocument(QJsonObject{{"header", header}, {"rows", rows}}).toJson();
  return std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout) ==
                     static_cast<std::size_t>(json.size()) &&
                 std::fflush(stdout) == 0
             ? 0
             : 1;
}
