#include "ui/form1.h"

#include "capture/advice.h"
#include "capture/data_in.h"
#include "engine/calculate.h"
#include "engine/general_date.h"
#include "engine/shape_procedure.h"
#include "refdata/selection_lists.h"
#include "ui/info_text.h"
#include "ui/widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateTime>
#include <QPushButton>

namespace zelvaro::ui {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The fields as capture reads them from the window.
class WindowFields : public FieldReader {
public:
  explicit WindowFields(const Form1 &form) {
    for (int i = 0; i <= 10; ++i)
      texts_[static_cast<std::size_t>(i)] = form.Text1(i)->text().toStdString();
    for (int c = 1; c <= 4; ++c)
      texts_[static_cast<std::size_t>(InputSlot::Combo1) + static_cast<std::size_t>(c - 1)] =
          form.Combo(c)->currentText().toStdString();
  }
  std::string_view text(InputSlot slot) const override { return texts_[static_cast<std::size_t>(slot)]; }

private:
  std::array<std::string, InputSlotCount> texts_;
};

class BoxSink : public MessageSink {
public:
  explicit BoxSink(std::function<void(const Message &)> show) : show_(std::move(show)) {}
  void show(const Message &m) override { show_(m); }

private:
  std::function<void(const Message &)> show_;
};

} // namespace

Form1::Form1(QWidget *parent) : QWidget(parent) {
  buildLayout();
  connectControls();
  loadDefaults();
}

QRadioButton *Form1::shapeButton(Shape s) const {
  const int k = static_cast<int>(s);
  return k >= 1 && k <= 5 ? shapeButtons_[static_cast<std::size_t>(k - 1)] : nullptr;
}
QRadioButton *Form1::anchorButton(Anchor a) const {
  const int k = static_cast<int>(a);
  return k >= 1 && k <= 7 ? anchorButtons_[static_cast<std::size_t>(k - 1)] : nullptr;
}
QRadioButton *Form1::materialButton(Material m) const {
  const int k = static_cast<int>(m);
  return k >= 1 && k <= 2 ? materialButtons_[static_cast<std::size_t>(k - 1)] : nullptr;
}

QWidget *Form1::input(InputSlot slot) const {
  return slot < InputSlot::Combo1 ? static_cast<QWidget *>(Text1(static_cast<int>(slot)))
                                  : Combo(static_cast<int>(slot) - static_cast<int>(InputSlot::Combo1) + 1);
}

void Form1::setInputText(InputSlot slot, const QString &text) {
  if (slot < InputSlot::Combo1)
    Text1(static_cast<int>(slot))->setText(text);
  else
    Combo(static_cast<int>(slot) - static_cast<int>(InputSlot::Combo1) + 1)->setEditText(text);
}

void Form1::enableRow(const InputRow &row, bool on) {
  labelOf(row.slot)->setEnabled(on);
  input(row.slot)->setEnabled(on);
}

void Form1::connectControls() {
  connect(shapeGroup_, &QButtonGroup::idClicked, this, [this](int id) { chooseShape(static_cast<Shape>(id)); });
  connect(anchorGroup_, &QButtonGroup::idClicked, this, [this](int id) { chooseAnchor(static_cast<Anchor>(id)); });
  connect(materialGroup_, &QButtonGroup::idClicked, this,
          [this](int id) { chooseMaterial(static_cast<Material>(id)); });
  connect(check1_, &QCheckBox::toggled, this, &Form1::Check1_Click);
  connect(check2_, &QCheckBox::toggled, this, &Form1::Check2_Click);
  for (int c = 1; c <= 4; ++c)
    connect(Combo(c), &ListCombo::aboutToShowList, this, [this, c] { rebuildList(c); });
  connect(Combo(1), &ListCombo::typingRefused, this, [this] { showMessage(diameter_refusal_message()); });
  connect(command1_, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(command2_, &QPushButton::clicked, this, &Form1::Command2_Click);
  connect(command4_, &QPushButton::clicked, this, &Form1::Command4_Click);
  text2_->extendMenu = [this](QMenu *menu) { extendResultMenu(menu); };
}

// The window's start state; the calculation state starts from its own
// initial values (ErrorMessage, WeldStrength, RebarStrength, no selection).
void Form1::loadDefaults() {
  Combo(2)->setEditText(qs(DefaultSeismicCoefficientText));
  Combo(4)->setEditText(qs(DefaultRegionalCoefficientText));
  Combo(1)->setEditText(qs(DefaultDiameterText));
  state_ = SeismicCalcState{};
  setWindowTitle(QString::fromStdString(state_.CaptionText));

  // Motor data and external force start switched off.
  Check1_Click(false);
  Check2_Click(false);
  // The labels show the floor-mounted layout, so the inputs it does not read
  // (the wall-only ones) start greyed.
  for (const InputRow &row : input_rows())
    if (row.switched_by == InputSwitch::Shape && !field_binding(FloorMounted, row.slot))
      enableRow(row, false);
}

void Form1::showMessage(const Message &m) { messageBox_(this, m); }

std::string Form1::now_text() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return general_date_text({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
}

void Form1::Command2_Click() {
  const WindowFields fields(*this);
  BoxSink sink([this](const Message &m) { showMessage(m); });
  const CalcOutcome outcome =
      Calculate(state_, [&](SeismicCalcState &s) { data_in(s, fields, sink); }, now_text());
  switch (outcome.status) {
  case CalcOutcome::Status::Refused:
    return; // capture has shown its message; the previous report stays
  case CalcOutcome::Status::Stopped:
    showMessage(*outcome.message);
    return;
  case CalcOutcome::Status::Reported:
    text2_->setPlainText(QString::fromStdString(outcome.report));
    sheet_ = sheet::sheet_data(state_, outcome.report, outcome.message,
                               std::string(fields.text(InputSlot::Combo1)),
                               std::string(fields.text(InputSlot::Combo2)),
                               std::string(fields.text(InputSlot::Combo4)));
    if (outcome.message) {
      // judge_msg's advice as it is, the changes that would pass under it
      sheet_->suggestions = cli::suggestions(state_, fields, outcome);
      Message advice = *outcome.message;
      advice.informative = cli::joined(sheet_->suggestions, "\r\n");
      showMessage(advice);
    }
    return;
  }
}

void Form1::Command1_Click() { showMessage(Message{"Information", info_text(), MessageIcon::Information}); }

void Form1::Command4_Click() { close(); }

} // namespace zelvaro::ui
