#include "app/startowe_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "app/about_box.h"
#include "app/logo_image.h"
#include "app/widget_support.h"
#include "platform/application.h"
#include "ui_startowe_form.h"

TStartowe1Form1* Startowe1Form1 = nullptr;

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

  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
  setFont(DialogFont());
  Image3->setPixmap(MakerLogo());
  Image4->setPixmap(PartnerLogo());

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
