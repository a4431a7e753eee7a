#include "app/about_box.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <initializer_list>

#include "app/logo_image.h"
#include "app/widget_support.h"
#include "platform/shell.h"
#include "ui_about_box.h"

#ifndef VELNAR_MAKER_URL
#define VELNAR_MAKER_URL "https://velnar.example/"
#endif
#ifndef VELNAR_PARTNER_URL
#define VELNAR_PARTNER_URL "https://partner.example/"
#endif

TAboutBox* AboutBox = nullptr;

namespace {

// The room a label keeps from the box's right edge once the box widens for it.
constexpr int kMargin = 10;

}  // namespace

std::string MakerSiteAddress() {
  return VELNAR_MAKER_URL;
}

std::string PartnerSiteAddress() {
  return VELNAR_PARTNER_URL;
}

std::string LinkText(const std::string& address) {
  std::string text = address;
  if (const auto scheme = text.find("://"); scheme != std::string::npos) text.erase(0, scheme + 3);
  if (!text.empty() && text.back() == '/') text.pop_back();
  return text;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TAboutBox>()) {
  ui_->setupUi(this);
  Image3 = ui_->Image3;
  Image4 = ui_->Image4;
  Label3 = ui_->Label3;
  Label1 = ui_->Label1;
  Label9 = ui_->Label9;
  Label10 = ui_->Label10;
  Label4 = ui_->Label4;
  Label2 = ui_->Label2;
  Label5 = ui_->Label5;
  Label6 = ui_->Label6;
  Label7 = ui_->Label7;
  Label8 = ui_->Label8;
  Label13 = ui_->Label13;
  Label12 = ui_->Label12;
  Label14 = ui_->Label14;
  BitBtn1 = ui_->BitBtn1;

  designed_ = size();
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  palette.setColor(QPalette::WindowText, Qt::black);
  setPalette(palette);
  setFont(DialogFont());

  Image3->setPixmap(MakerLogo());
  Image3->setAccessibleName(QStringLiteral("Velnar"));  // the maker's name in every language
  Image4->setPixmap(PartnerLogo());
  Label12->setText(QString::fromStdString(LinkText(MakerSiteAddress())));
  Label14->setText(QString::fromStdString(LinkText(PartnerSiteAddress())));
  for (QLabel* label : {Label3, Label1, Label9, Label10, Label4, Label2, Label5, Label6, Label7,
                        Label8, Label13, Label12, Label14}) {
    QFont font = ArialFont(13);
    font.setBold(label->font().bold());
    font.setUnderline(label == Label12 || label == Label14);
    label->setFont(font);
  }
  Retranslate();

  OnClick(Image3, [this] { Image3Click(); });
  OnClick(Image4, [this] { Image4Click(); });
  OnClick(Label12, [this] { Label12Click(); });
  OnClick(Label14, [this] { Label14Click(); });
  QObject::connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
}

void TAboutBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    ui_->retranslateUi(this);
    Retranslate();
  }
  QDialog::changeEvent(event);
}

// The labels size themselves to their text. A language whose words run past
// the box's right edge widens the box by as much, and what stands in its
// middle moves to the new middle; the Polish box stays as designed.
void TAboutBox::Retranslate() {
  Image4->setPixmap(PartnerLogo());
  const int shift = (width() - designed_.width()) / 2;
  for (QWidget* centred :
       std::initializer_list<QWidget*>{Image3, Image4, Label12, Label14, BitBtn1})
    centred->move(centred->x() - shift, centred->y());
  int right = designed_.width();
  for (QLabel* label : {Label3, Label1, Label9, Label10, Label4, Label2, Label5, Label6, Label7,
                        Label8, Label13, Label12, Label14}) {
    label->adjustSize();
    const int edge = label->geometry().right() + 1;
    if (edge > designed_.width()) right = std::max(right, edge + kMargin);
  }
  const int grow = right > designed_.width() ? right - designed_.width() : 0;
  for (QWidget* centred :
       std::initializer_list<QWidget*>{Image3, Image4, Label12, Label14, BitBtn1})
    centred->move(centred->x() + grow / 2, centred->y());
  setFixedSize(designed_.width() + grow / 2 * 2, designed_.height());
}

TAboutBox::~TAboutBox() {
  if (AboutBox == this) AboutBox = nullptr;
}

// The result of opening is not examined: with no browser there is nothing
// more the box could do.
void TAboutBox::Image3Click() {
  CurrentShell().OpenUrl(MakerSiteAddress());
}

void TAboutBox::Image4Click() {
  CurrentShell().OpenUrl(PartnerSiteAddress());
}

void TAboutBox::Label12Click() {
  CurrentShell().OpenUrl(MakerSiteAddress());
}

void TAboutBox::Label14Click() {
  CurrentShell().OpenUrl(PartnerSiteAddress());
}

void TAboutBox::BitBtn1Click() {
  accept();
}
