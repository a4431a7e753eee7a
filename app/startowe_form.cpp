#include "app/startowe_form.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "app/about_box.h"
#include "app/catalogue_translator.h"
#include "app/logo_image.h"
#include "app/widget_support.h"
#include "platform/application.h"
#include "ui_startowe_form.h"

TStartowe1Form1* Startowe1Form1 = nullptr;

namespace {

// As the form lays them out for its Polish words.
constexpr int kWidth = 396;
constexpr int kButtonWidth = 185;

int IndexOf(lesson::Language language) {
  for (std::size_t i = 0; i < lesson::kLanguages.size(); ++i)
    if (lesson::kLanguages[i].Id == language) return static_cast<int>(i);
  return 0;
}

}  // namespace

TStartowe1Form1::TStartowe1Form1(TComponent* simulationOwner, QWidget* parent)
    : QWidget(parent),
      OnTerminate([] { QCoreApplication::quit(); }),
      ui_(std::make_unique<Ui::TStartowe1Form1>()),
      simulationOwner_(simulationOwner) {
  ui_->setupUi(this);
  Image3 = ui_->Image3;
  Image4 = ui_->Image4;
  Button1 = ui_->Button1;
  Button2 = ui_->Button2;
  Button3 = ui_->Button3;
  // The program's name and its maker's logo, the same in every language.
  setWindowTitle(QStringLiteral("Velnar"));
  Image3->setAccessibleName(QStringLiteral("Velnar"));

  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
  setFont(DialogFont());
  Image3->setPixmap(MakerLogo());
  Image4->setPixmap(PartnerLogo());

  // Under the partner's logo, where the window has room for it.
  LanguageBox = new QComboBox(this);
  LanguageBox->setObjectName(QStringLiteral("LanguageBox"));
  for (const lesson::LanguageInfo& info : lesson::kLanguages)
    LanguageBox->addItem(Qs(info.NativeName), Qs(info.Code));
  LanguageBox->setGeometry(Image4->x(), Image4->geometry().bottom() + 8, Image4->width(), 21);
  QObject::connect(LanguageBox, &QComboBox::activated, this, [](int index) {
    const auto language = lesson::kLanguages[static_cast<std::size_t>(index)].Id;
    RememberLanguage(language);
    UseLanguage(language);
  });
  setTabOrder(Button3, LanguageBox);
  Retranslate();

  QObject::connect(Button1, &QPushButton::clicked, this,
                   [this] { Dispatch([this] { Button1Click(); }); });
  QObject::connect(Button2, &QPushButton::clicked, this,
                   [this] { Dispatch([this] { Button2Click(); }); });
  QObject::connect(Button3, &QPushButton::clicked, this,
                   [this] { Dispatch([this] { Button3Click(); }); });
}

TStartowe1Form1::~TStartowe1Form1() {
  if (simulation_) simulation_->RemoveListener(this);
  if (Startowe1Form1 == this) Startowe1Form1 = nullptr;
}

void TStartowe1Form1::Button1Click() {
  if (!CreateSimulation || simulation_) return;
  TForm* form = CreateSimulation(simulationOwner_);
  if (!form) return;
  simulation_ = form;
  form->AddListener(this);
  hide();
  form->Show();
}

void TStartowe1Form1::Button2Click() {
  close();
}

void TStartowe1Form1::Button3Click() {
  if (!AboutBox) return;
  CentreOnScreen(AboutBox);
  RunModal(*AboutBox);
}

void TStartowe1Form1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    ui_->retranslateUi(this);
    Retranslate();
  }
  QWidget::changeEvent(event);
}

// What the form does not say itself: the switch's name, its choice shown
// (the language may have been set elsewhere), and room for longer words.
void TStartowe1Form1::Retranslate() {
  Image4->setPixmap(PartnerLogo());
  // On Linux a combo box is heard by its current choice (the language, in
  // its own words); what the box is for comes as its description.
  LanguageBox->setAccessibleName(Qs(lesson::Tr("Język")));
  LanguageBox->setAccessibleDescription(LanguageBox->accessibleName());
  LanguageBox->setToolTip(LanguageBox->accessibleName());
  {
    const QSignalBlocker quiet(LanguageBox);
    LanguageBox->setCurrentIndex(IndexOf(lesson::CurrentLanguage()));
  }
  // The buttons widen, and the window with them, when a text would not fit.
  int needed = 0;
  for (QPushButton* button : {Button1, Button2, Button3})
    needed =
        std::max(needed, button->fontMetrics().horizontalAdvance(button->text().remove('&')) + 16);
  const int grow = std::max(0, needed - kButtonWidth);
  for (QPushButton* button : {Button1, Button2, Button3})
    button->resize(kButtonWidth + grow, button->height());
  resize(kWidth + grow, height());
}

void TStartowe1Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  if (OnTerminate) Dispatch(OnTerminate);
}

void TStartowe1Form1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Whenever the window comes (at start, after a run), Space and Enter start a
  // run, and the window takes the keyboard itself: without a window manager
  // nobody would give it.
  Button1->setFocus(Qt::OtherFocusReason);
  activateWindow();
}

void TStartowe1Form1::FormWindowDestroying(TForm& form) {
  if (&form != simulation_) return;
  form.RemoveListener(this);
  simulation_ = nullptr;
  show();
}
