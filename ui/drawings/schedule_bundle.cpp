#include "ui/drawings/schedule_bundle.h"

#include "capture/single_case.h"
#include "files/atomic_file.h"

#include <QDate>
#include <QFile>

namespace zelvaro::sheet {

using namespace cases;

namespace {
SheetNames row_names(const batch::ScheduleDocument &doc, const batch::ScheduleRow &row) {
  return {std::string(doc.cell(row, "project")), std::string(doc.cell(row, "equipment")),
          std::string(doc.cell(row, "checker"))};
}
} // namespace

std::vector<sheet::BundleItem> bundle_items(const batch::ScheduleDocument &doc,
                                            const std::vector<batch::RowVerdict> &verdicts,
                                            const std::string &now, const SheetNames &names) {
  std::vector<sheet::BundleItem> items;
  SeismicCalcState state;
  CaseFields fields;
  for (std::size_t r = 0; r < doc.rows.size(); ++r) {
    const batch::ScheduleRow &row = doc.rows[r];
    const batch::RowVerdict &v = verdicts[r];
    sheet::BundleItem item;
    item.id = doc.cell(row, "id");
    const SheetNames title = title_names(row_names(doc, row), names);
    item.equipment = title.equipment;
    item.verdict = verdict_label(v.status);
    if (v.status != batch::RowVerdict::Status::Refused) {
      const batch::RowInputs in = batch::row_inputs(doc, row);
      for (int i = 0; i < InputSlotCount; ++i)
        fields.set(static_cast<InputSlot>(i), in.texts[static_cast<std::size_t>(i)]);
      prepare_state(state, in.shape, in.anchor, in.material);
      const CalcOutcome outcome = run_case(state, fields, now);
      if (outcome.status == CalcOutcome::Status::Reported) {
        SheetModel d = sheet_model(state, outcome, fields, v.result);
        d.names = title;
        item.sheet = std::move(d);
      }
    }
    if (!item.sheet) {
      item.verdict = verdict_label(batch::RowVerdict::Status::Refused);
      item.message = v.message;
    }
    items.push_back(std::move(item));
  }
  return items;
}

std::string write_schedule_bundle(std::string_view schedule, batch::Encoding encoding,
                                  const std::string &path, const SheetNames &names, const std::string &now,
                                  const std::function<bool(int, int)> &progress) {
  batch::ScheduleDocument doc;
  if (std::string error = batch::read_schedule(schedule, doc, encoding); !error.empty())
    return error;
  const std::vector<sheet::BundleItem> items = bundle_items(doc, batch::evaluate(doc, now), now, names);
  sheet::BundleCover cover;
  const SheetNames title = title_names(doc.rows.empty() ? SheetNames{} : row_names(doc, doc.rows[0]), names);
  cover.project = title.project;
  cover.checker = title.checker;
  const LocalDateTime today = cases::run_time();
  cover.date = QDate(today.year, today.month, today.day).toString(QStringLiteral("yyyy/MM/dd")).toStdString();
  // Written page by page into the temporary file, never held whole; a
  // stop or a failure removes it and the name keeps what it had.
  AtomicFile out(path);
  if (out.fd() < 0)
    return "'" + path + "' を保存できません: " + out.error();
  QFile file;
  if (!file.open(out.fd(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle) ||
      !sheet::bundle_pdf(file, cover, items, progress))
    return "計算書（PDF）を作れません。";
  if (!file.flush() || file.error() != QFileDevice::NoError)
    return "'" + path + "' を保存できません: 書き込めません（ディスクの空きを確かめてください）。";
  file.close();
  const std::string failed = out.commit();
  return failed.empty() ? failed : "'" + path + "' を保存できません: " + failed;
}

} // namespace zelvaro::sheet
