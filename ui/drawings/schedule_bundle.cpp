#include "ui/drawings/schedule_bundle.h"

#include "capture/single_case.h"
#include "schedule/schedule_writer.h"

#include <QDate>

namespace zelvaro::sheet {

using namespace cases;

std::string verdict_label(batch::RowVerdict::Status status) {
  switch (status) {
  case batch::RowVerdict::Status::Passed:
    return "○ 適合";
  case batch::RowVerdict::Status::Shortfall:
    return "× 不足";
  case batch::RowVerdict::Status::Refused:
    break;
  }
  return "入力不備";
}

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
    item.equipment = doc.cell(row, "equipment");
    item.verdict = verdict_label(v.status);
    if (v.status != batch::RowVerdict::Status::Refused) {
      const batch::RowInputs in = batch::row_inputs(doc, row);
      for (int i = 0; i < InputSlotCount; ++i)
        fields.set(static_cast<InputSlot>(i), in.texts[static_cast<std::size_t>(i)]);
      prepare_state(state, in.shape, in.anchor, in.material);
      const CalcOutcome outcome = run_case(state, fields, now);
      if (outcome.status == CalcOutcome::Status::Reported) {
        sheet::SheetData d =
            sheet::sheet_data(state, outcome, in.texts[static_cast<std::size_t>(InputSlot::Combo1)],
                              in.texts[static_cast<std::size_t>(InputSlot::Combo2)],
                              in.texts[static_cast<std::size_t>(InputSlot::Combo4)]);
        d.names.project = names.project.empty() ? std::string(doc.cell(row, "project")) : names.project;
        d.names.equipment = names.equipment.empty() ? item.equipment : names.equipment;
        d.names.checker = names.checker.empty() ? std::string(doc.cell(row, "checker")) : names.checker;
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
                                  const std::string &path, const SheetNames &names, const std::string &now) {
  batch::ScheduleDocument doc;
  if (std::string error = batch::read_schedule(schedule, doc, encoding); !error.empty())
    return error;
  const std::vector<sheet::BundleItem> items = bundle_items(doc, batch::evaluate(doc, now), now, names);
  sheet::BundleCover cover;
  cover.project = names.project.empty() && !doc.rows.empty() ? std::string(doc.cell(doc.rows[0], "project"))
                                                             : names.project;
  cover.checker = names.checker.empty() && !doc.rows.empty() ? std::string(doc.cell(doc.rows[0], "checker"))
                                                             : names.checker;
  const LocalDateTime today = cases::run_time();
  cover.date = QDate(today.year, today.month, today.day).toString(QStringLiteral("yyyy/MM/dd")).toStdString();
  const QByteArray pdf = sheet::bundle_pdf(cover, items);
  if (pdf.isEmpty())
    return "計算書（PDF）を作れません。";
  return batch::write_file_atomically(
      path, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
}

} // namespace zelvaro::sheet
