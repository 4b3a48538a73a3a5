// Every control of the window with its name, caption and place. Places are
// in twips (15 per pixel) in the window's client area, as the form was laid
// out; controls inside a frame are placed in the same coordinates and drawn
// over it.
#include "engine/shape_procedure.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"
#include "ui/app_setup.h"
#include "ui/drawings/diagrams.h"
#include "ui/form1.h"
#include "ui/widgets.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>

namespace zelvaro::ui {

namespace {

constexpr QRect tw(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

QFont gothic(double points, const char *family = GothicFamily) {
  QFont f(QString::fromUtf8(family));
  f.setPointSizeF(points);
  f.setStyleStrategy(QFont::PreferDefault);
  return f;
}

template <class W> W *place(W *w, const char *name, QRect r) {
  w->setObjectName(QString::fromUtf8(name));
  w->setGeometry(r);
  return w;
}

struct FrameSpec {
  const char *name, *caption;
  QRect rect;
  bool numbered;
};

// Input rows: the places of an input's label box and of the input (the
// combo boxes are placed with their typing above).
struct RowSpec {
  InputSlot slot;
  QRect label, input;
};

} // namespace

void Form1::buildLayout() {
  setFixedSize(721, 681); // 10815 x 10215 twips
  setFont(gothic(9));
  setAcceptDrops(false);

  const FrameSpec frames[] = {
      {"Frame1", "①設備形状選択(画像のﾄﾞﾗｯｸﾞ＆ﾄﾞﾛｯﾌﾟﾞ可能)", tw(0, 0, 10815, 1815), true},
      {"Frame3", "②ｱﾝｶ種類選択", tw(0, 1920, 1935, 2775), true},
      {"Frame2", "③ﾎﾞﾙﾄ材質選択", tw(1920, 1920, 1695, 1455), true},
      {"Frame4", "④ﾎﾞﾙﾄ径,KH,地域係数選択", tw(3600, 1920, 2775, 1455), true},
      {"Frame9", "", tw(6360, 1920, 2175, 1455), false},
      {"Frame8", "", tw(8520, 1920, 2295, 1455), false},
      {"Frame6", "⑤寸法等ﾃﾞｰﾀ入力(半角で入力)", tw(1920, 3480, 8895, 1215), true},
      {"Frame5", "⑥計算結果(選択してﾄﾞﾗｯｸﾞ、又は右ｸﾘｯｸでｺﾋﾟｰﾍﾟｰｽﾄok)", tw(0, 4800, 10815, 4815), true},
      {"Frame7", "", tw(0, 9480, 10815, 735), false},
  };
  for (const FrameSpec &f : frames) {
    auto *box = place(new Frame(QString::fromUtf8(f.caption), this), f.name, f.rect);
    box->setFont(f.numbered ? gothic(9.75) : gothic(9, PGothicFamily));
  }

  // Band one: the five shapes, each with its diagram.
  struct ShapeSpec {
    Shape shape;
    const char *option, *picture;
    QRect optionRect, pictureRect;
  } shapes[] = {
      {Shape::Floor, "Option1", "Picture1", tw(240, 360, 1335, 255), tw(240, 600, 1815, 1095)},
      {Shape::Circular, "Option2", "Picture2", tw(2280, 240, 1095, 255), tw(2280, 480, 1665, 1200)},
      {Shape::Wall, "Option7", "Picture3", tw(4200, 240, 1095, 255), tw(4200, 480, 2055, 1215)},
      {Shape::Ceiling, "Option8", "Picture4", tw(6480, 240, 1695, 255), tw(6480, 480, 1935, 1215)},
      {Shape::Braced, "Option9", "Picture5", tw(8640, 240, 1935, 255), tw(8640, 480, 1935, 1215)},
  };
  shapeGroup_ = new QButtonGroup(this);
  for (const ShapeSpec &s : shapes) {
    const int k = static_cast<int>(s.shape);
    auto *option =
        place(new QRadioButton(QString::fromUtf8(shape_procedure(s.shape)->caption.data(),
                                                 static_cast<int>(shape_procedure(s.shape)->caption.size())),
                               this),
              s.option, s.optionRect);
    shapeGroup_->addButton(option, k);
    shapeButtons_[static_cast<std::size_t>(k - 1)] = option;
    auto *picture = place(new DiagramBox([k](double ratio) { return draw_shape_diagram(k, ratio); }, this),
                          s.picture, s.pictureRect);
    picture->setFont(gothic(9, PGothicFamily));
    picture_[static_cast<std::size_t>(k - 1)] = picture;
  }
  const struct {
    const char *name;
    int x, y1, y2;
  } lines[] = {{"Line1(1)", 2160, 240, 1800},
               {"Line1(0)", 4080, 240, 1800},
               {"Line1(2)", 6360, 120, 1800},
               {"Line1(3)", 8520, 120, 1800}};
  for (const auto &l : lines)
    place(new SeparatorLine(this), l.name, QRect(l.x / 15, l.y1 / 15, 1, (l.y2 - l.y1) / 15 + 1));

  // Band two: anchor kinds, in the order of their codes.
  const struct {
    Anchor kind;
    const char *name;
    QRect rect;
  } anchors[] = {
      {Anchor::HawkCut, "Option10", tw(120, 2160, 1455, 255)},
      {Anchor::LTip, "Option14", tw(120, 2520, 1695, 255)},
      {Anchor::JTip, "Option13", tw(120, 2880, 1695, 255)},
      {Anchor::BoltEmbedded, "Option12", tw(120, 3240, 1575, 255)},
      {Anchor::Chemical, "Option6", tw(120, 3600, 1095, 255)},
      {Anchor::RebarHooked, "Option11", tw(120, 3960, 1695, 255)},
      {Anchor::RebarWelded, "Option5", tw(120, 4320, 1695, 255)},
  };
  anchorGroup_ = new QButtonGroup(this);
  for (const auto &a : anchors) {
    const std::string_view caption = anchor_kinds()[static_cast<std::size_t>(a.kind) - 1].caption;
    auto *option =
        place(new QRadioButton(QString::fromUtf8(caption.data(), static_cast<int>(caption.size())), this),
              a.name, a.rect);
    anchorGroup_->addButton(option, static_cast<int>(a.kind));
    anchorButtons_[static_cast<std::size_t>(a.kind) - 1] = option;
  }

  // Band three: bolt materials; both captions wrap at the ideographic space.
  const struct {
    Material m;
    const char *name;
    QRect rect;
  } materials[] = {{Material::SS, "Option3", tw(2160, 2280, 1215, 375)},
                   {Material::SUS, "Option4", tw(2160, 2760, 1335, 420)}};
  materialGroup_ = new QButtonGroup(this);
  for (const auto &m : materials) {
    const std::string_view caption = material_strength(m.m)->caption;
    auto *option =
        place(new WrapRadioButton(QString::fromUtf8(caption.data(), static_cast<int>(caption.size())), this),
              m.name, m.rect);
    materialGroup_->addButton(option, static_cast<int>(m.m));
    materialButtons_[static_cast<std::size_t>(m.m) - 1] = option;
  }

  // The two check boxes sit on the top edges of their frames, as their titles.
  check1_ =
      place(new QCheckBox(QStringLiteral("電動機ﾓｰﾒﾝﾄ付加"), this), "Check1", tw(6480, 1920, 1935, 255));
  check2_ = place(new WrapCheckBox(QStringLiteral("転倒方向への外力（FH方向の力）"), this), "Check2",
                  tw(8640, 1800, 2055, 495));
  check1_->setFont(gothic(9.75));
  check2_->setFont(gothic(9.75));
  // Like a caption, they hide the frame line behind them.
  check1_->setAutoFillBackground(true);
  check2_->setAutoFillBackground(true);

  // Band four and the motor group: combo boxes, 735 x 300 each.
  const struct {
    int number;
    ListCombo::Typing typing;
    QRect rect;
  } combos[] = {
      {1, ListCombo::Typing::Refused, tw(4920, 2280, 735, 300)},
      {2, ListCombo::Typing::NumberFilter, tw(5400, 2640, 735, 300)},
      {3, ListCombo::Typing::NumberFilter, tw(7680, 2280, 735, 300)},
      {4, ListCombo::Typing::NumberFilter, tw(4920, 3000, 735, 300)},
  };
  for (const auto &c : combos) {
    const std::string name = "Combo" + std::to_string(c.number);
    combo_[static_cast<std::size_t>(c.number - 1)] =
        place(new ListCombo(c.typing, this), name.c_str(), c.rect);
  }

  // Label boxes and inputs; every box is 270 twips high.
  const RowSpec rows[] = {
      // band four: labels of the combo boxes
      {InputSlot::Combo1, tw(3960, 2280, 975, 270), {}},
      {InputSlot::Combo2, tw(3960, 2640, 1455, 270), {}},
      {InputSlot::Combo4, tw(3960, 3000, 975, 270), {}},
      {InputSlot::Combo3, tw(6480, 2280, 1215, 270), {}},
      // motor data and external force
      {InputSlot::Text1_5, tw(6480, 2640, 1335, 270), tw(7800, 2640, 615, 270)},
      {InputSlot::Text1_6, tw(6480, 3000, 1335, 270), tw(7800, 3000, 615, 270)},
      {InputSlot::Text1_10, tw(8640, 2505, 1215, 270), tw(9840, 2520, 735, 270)},
      // band five, first row
      {InputSlot::Text1_0, tw(2280, 3840, 1575, 270), tw(3840, 3840, 735, 270)},
      {InputSlot::Text1_7, tw(4800, 3840, 615, 270), tw(5400, 3840, 615, 270)},
      {InputSlot::Text1_3, tw(6480, 3840, 855, 270), tw(7320, 3840, 615, 270)},
      {InputSlot::Text1_2, tw(8160, 3840, 855, 270), tw(9000, 3840, 615, 270)},
      // band five, second row
      {InputSlot::Text1_1, tw(2280, 4200, 1935, 270), tw(4200, 4200, 495, 270)},
      {InputSlot::Text1_4, tw(4800, 4200, 855, 270), tw(5640, 4200, 615, 270)},
      {InputSlot::Text1_9, tw(6480, 4200, 855, 270), tw(7320, 4200, 615, 270)},
      {InputSlot::Text1_8, tw(8160, 4200, 1695, 270), tw(9840, 4200, 495, 270)},
  };
  for (const RowSpec &row : rows) {
    const int text4 = input_row(row.slot).label;
    const std::string label = "Text4(" + std::to_string(text4) + ")";
    auto *box = place(new LabelBox(this), label.c_str(), row.label);
    const std::string_view text = label_text(Shape::None, row.slot);
    box->setText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    text4_[static_cast<std::size_t>(text4)] = box;
    if (row.slot < InputSlot::Combo1) {
      const int text1 = static_cast<int>(row.slot);
      const std::string input = "Text1(" + std::to_string(text1) + ")";
      text1_[static_cast<std::size_t>(text1)] = place(new NumberBox(this), input.c_str(), row.input);
    }
  }

  // Band six: the result box.
  text2_ = place(new ResultBox(this), "Text2", tw(120, 5040, 10575, 4455));

  // The buttons, 375 high at 9720.
  command1_ = place(new QPushButton(QStringLiteral("Info"), this), "Command1", tw(120, 9720, 1095, 375));
  command2_ = place(new QPushButton(QStringLiteral("計算"), this), "Command2", tw(1320, 9720, 7815, 375));
  command4_ = place(new QPushButton(QStringLiteral("終了"), this), "Command4", tw(9240, 9720, 1455, 375));
  command2_->setFont(gothic(9.75));
  command2_->setDefault(false);
  // Return or Enter on the focused button presses it, as Space does.
  for (QPushButton *b : {command1_, command2_, command4_})
    b->setAutoDefault(true);
}

} // namespace zelvaro::ui
