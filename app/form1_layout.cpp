#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/form1.h"
#include "app/picture1.h"
#include "app/text_box_validator.h"
#include "app/wrapping_check_box.h"
#include "settings/field_captions.h"
#include "widgets/look.h"

namespace mv4700 {

namespace {

const QColor kBlue(0, 0, 255);
const QColor kDarkBlue(0, 0, 192);
const QColor kLightBlue(128, 128, 255);
const QColor kRed(255, 0, 0);
const QColor kTeal(0, 128, 128);

constexpr qreal kFieldPoints = 9.75;

void setTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  widget->setPalette(palette);
}

// A disabled control keeps the system's grey, so it does not look enabled.
void setEnabledTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
    palette.setColor(group, QPalette::WindowText, color);
  widget->setPalette(palette);
}

template <typename W>
W* place(W* widget, const char* name, const QRect& geometry, const QFont& font) {
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(geometry);
  widget->setFont(font);
  return widget;
}

// Labels wrap within their box and sit at its top, like the classic controls.
QLabel* label(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
              const QFont& font, const QColor& color) {
  auto* widget = place(new QLabel(caption, parent), name, geometry, font);
  widget->setTextFormat(Qt::PlainText);
  widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  widget->setWordWrap(true);
  setTextColor(widget, color);
  return widget;
}

QLineEdit* textBox(QWidget* parent, const char* name, const QRect& geometry) {
  auto* box = place(new QLineEdit(parent), name, geometry, classicFont(kFieldPoints));
  box->setValidator(new TextBoxValidator(box, kTextFieldLimit));
  return box;
}

QComboBox* list(QWidget* parent, const char* name, const QRect& geometry) {
  return place(new QComboBox(parent), name, geometry, classicFont(kFieldPoints));
}

WrappingCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption,
                           const QRect& geometry) {
  auto* box =
      place(new WrappingCheckBox(caption, parent), name, geometry, classicFont(kFieldPoints, true));
  setEnabledTextColor(box, kBlue);
  return box;
}

}  // namespace

void Form1::buildLayout() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(kClientSize);
  setCentralWidget(client);

  const QFont heading = classicFont(13.5, true);
  const QFont field = classicFont(kFieldPoints, true);
  const QFont plain = classicFont(8.25);

  label(client, "Label1", "* iButton ID output settings *", twipsRect(360, 480, 4215, 375), heading,
        kDarkBlue);

  label(client, "Label5", fieldCaption(Field::Text1), twipsRect(600, 1080, 2055, 255), field,
        kBlue);
  controls_.text1 = textBox(client, "Text1", twipsRect(3120, 1080, 2415, 315));
  label(client, "Label2", fieldCaption(Field::Combo1), twipsRect(600, 1560, 2055, 255), field,
        kBlue);
  controls_.combo1 = list(client, "Combo1", twipsRect(3120, 1560, 2415, 300));
  label(client, "Label3", fieldCaption(Field::Combo2), twipsRect(600, 2040, 2415, 255), field,
        kBlue);
  controls_.combo2 = list(client, "Combo2", twipsRect(3120, 2040, 2415, 300));
  label(client, "Label6", fieldCaption(Field::Text2), twipsRect(600, 2520, 2055, 255), field,
        kBlue);
  controls_.text2 = textBox(client, "Text2", twipsRect(3120, 2520, 2415, 315));
  label(client, "Label4", fieldCaption(Field::Combo3), twipsRect(600, 3000, 2055, 255), field,
        kBlue);
  controls_.combo3 = list(client, "Combo3", twipsRect(3120, 3000, 2415, 300));
  label(client, "Label7", fieldCaption(Field::Text3), twipsRect(600, 3480, 2415, 255), field,
        kBlue);
  controls_.text3 = textBox(client, "Text3", twipsRect(3120, 3480, 2415, 315));
  controls_.check3 =
      checkBox(client, "Check3", fieldCaption(Field::Check3), twipsRect(600, 3960, 1935, 375));
  label12_ = label(client, "Label12", "T e s t i n g  . . .", twipsRect(3120, 3960, 3855, 615),
                   classicFont(24), kRed);

  label(client, "Label8", "* RS232/USB-RS232 setting *", twipsRect(6120, 960, 3375, 375), field,
        kLightBlue);
  label(client, "Label9", fieldCaption(Field::Combo4), twipsRect(6360, 1320, 2055, 255), field,
        kBlue);
  controls_.combo4 = list(client, "Combo4", twipsRect(7800, 1320, 1335, 300));
  label(client, "Label11", "* PS2-KB setting *", twipsRect(6120, 1920, 2535, 375), field,
        kLightBlue);
  controls_.check1 =
      checkBox(client, "Check1", fieldCaption(Field::Check1), twipsRect(6360, 2160, 2895, 615));
  label(client, "Label14", "* USB-KB setting *", twipsRect(6120, 3000, 2535, 375), field,
        kLightBlue);
  controls_.check2 =
      checkBox(client, "Check2", fieldCaption(Field::Check2), twipsRect(6360, 3360, 2775, 375));

  label(client, "Label10", "Status Messages ", twipsRect(7800, 4320, 1335, 375), plain, kTeal);
  picture1_ = new Picture1(client);
  picture1_->setGeometry(twipsRect(600, 4560, 8535, 2895));
}

void Form1::setKeyboardOrder() {
  QWidget* const order[] = {picture1_,        controls_.combo1, controls_.combo2, controls_.combo3,
                            controls_.combo4, controls_.text1,  controls_.text2,  controls_.text3,
                            controls_.check1, controls_.check2, controls_.check3};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    QWidget::setTabOrder(order[i - 1], order[i]);
  }
}

}  // namespace mv4700
