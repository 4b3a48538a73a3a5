#include "ui/form1.h"

#include "capture/advice.h"
#include "capture/data_in.h"
#include "capture/info_text.h"
#include "engine/calculate.h"
#include "engine/general_date.h"
#include "engine/shape_procedure.h"
#include "refdata/selection_lists.h"
#include "ui/widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateTime>
#include <QPushButton>

namespace zelvaro::ui {

namespace {

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

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
  connect(shapeGroup_, &QButtonGroup::idClicked, this,
          [this](int id) { chooseShape(static_cast<Shape>(id)); });
  connect(anchorGroup_, &QButtonGroup::idClicked, this,
          [this](int id) { chooseAnchor(static_cast<Anchor>(id)); });
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
  // (the wall-only ones) start greyed, and so does its optional nt, which
  // shows the wall's label until a shape is chosen.
  for (const InputRow &row : input_rows())
    if (!on_at_start(row.slot))
      enableRow(row, false);
}

void Form1::showMessage(const Message &m) {
  messageBox_(this, m);
}

std::string Form1::now_text() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return general_date_text({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
}

void Form1::Command2_Click() {
  emit calculatePressed();
  calculate(true);
}

bool Form1::calculateQuietly() {
  return calculate(false);
}

void Form1::showRefusal(const std::string &reason) {
  text2_->setPlainText(QStringLiteral("入力不備\n") + QString::fromStdString(reason));
  sheet_.reset();
}

bool Form1::calculate(bool boxes) {
  const WindowFields fields(*this);
  const CalcOutcome outcome = Calculate(
      state_, [&](SeismicCalcState &s, MessageSink &sink) { data_in(s, fields, sink); }, now_text());
  if (!boxes && outcome.status != CalcOutcome::Status::Reported) {
    text2_->clear();
    sheet_.reset();
  }
  switch (outcome.status) {
  case CalcOutcome::Status::Refused:
    if (boxes)
      for (const Message &m : outcome.refusal)
        showMessage(m);
    return false; // the previous report stays
  case CalcOutcome::Status::Stopped:
    if (boxes)
      showMessage(*outcome.message);
    return false;
  case CalcOutcome::Status::Reported:
    text2_->showText(QString::fromStdString(outcome.report));
    sheet_ = sheet::sheet_data(state_, outcome, std::string(fields.text(InputSlot::Combo1)),
                               std::string(fields.text(InputSlot::Combo2)),
                               std::string(fields.text(InputSlot::Combo4)));
    if (outcome.message) {
      // judge_msg's advice as it is, the changes that would pass under it
      sheet_->suggestions = cases::suggestions(state_, fields, outcome);
      if (boxes) {
        Message advice = *outcome.message;
        advice.informative = cases::joined(sheet_->suggestions, "\r\n");
        showMessage(advice);
      }
    }
    return true;
  }
  return false;
}

void Form1::loadInputs(const ItemInputs &in) {
  // A selection the item lacks is shown as none chosen.
  const auto choose = [](QButtonGroup *group, QAbstractButton *button) {
    if (button)
      return;
    group->setExclusive(false);
    for (QAbstractButton *b : group->buttons())
      b->setChecked(false);
    group->setExclusive(true);
  };
  choose(shapeGroup_, shapeButton(in.shape));
  if (shapeButton(in.shape))
    chooseShape(in.shape);
  else
    state_.ShapeKind = Shape::None;
  choose(anchorGroup_, anchorButton(in.anchor));
  if (anchorButton(in.anchor))
    chooseAnchor(in.anchor);
  else
    state_.AnchorKind = Anchor::None;
  choose(materialGroup_, materialButton(in.material));
  if (materialButton(in.material))
    chooseMaterial(in.material);
  else
    state_.BoltMaterial = Material::None;

  const auto text = [&](InputSlot slot) { return qs(in.texts[static_cast<std::size_t>(slot)]); };
  const QString off = qs(MotorOffText);
  const bool motor =
      text(InputSlot::Combo3) != off || text(InputSlot::Text1_5) != off || text(InputSlot::Text1_6) != off;
  check1_->setChecked(motor);
  Check1_Click(motor);
  const bool force = text(InputSlot::Text1_10) != off;
  check2_->setChecked(force);
  Check2_Click(force);
  for (int i = 0; i <= 10; ++i)
    Text1(i)->setText(text(text1_slot(i)));
  for (int c = 1; c <= 4; ++c)
    Combo(c)->setEditText(text(static_cast<InputSlot>(static_cast<int>(InputSlot::Combo1) + c - 1)));
}

ItemInputs Form1::inputs() const {
  ItemInputs in;
  in.shape = state_.ShapeKind;
  in.anchor = state_.AnchorKind;
  in.material = state_.BoltMaterial;
  const WindowFields fields(*this);
  for (int i = 0; i < InputSlotCount; ++i)
    in.texts[static_cast<std::size_t>(i)] = fields.text(static_cast<InputSlot>(i));
  return in;
}

void Form1::Command1_Click() {
  showMessage(Message{"Information", info_text(), MessageIcon::Information});
}

// The window around the form (the menu bar's) asks about unsaved changes.
void Form1::Command4_Click() {
  window()->close();
}

} // namespace zelvaro::ui
