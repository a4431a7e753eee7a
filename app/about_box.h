#pragma once

#include <QDialog>
#include <memory>
#include <string>

class QLabel;
class QPushButton;

namespace Ui {
class TAboutBox;
}

// The product information, the makers' logos and links to their web sites.
class TAboutBox : public QDialog {
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
  ~TAboutBox() override;

  void Image3Click();
  void Image4Click();
  void Label12Click();
  void Label14Click();
  void BitBtn1Click();

  QLabel* Image3;
  QLabel* Image4;
  QLabel* Label3;
  QLabel* Label1;
  QLabel* Label9;
  QLabel* Label10;
  QLabel* Label4;
  QLabel* Label2;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Label7;
  QLabel* Label8;
  QLabel* Label13;
  QLabel* Label12;
  QLabel* Label14;
  QPushButton* BitBtn1;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Retranslate();

  std::unique_ptr<Ui::TAboutBox> ui_;
  QSize designed_;
};

// The makers' web sites, as set when the program was built.
std::string MakerSiteAddress();
std::string PartnerSiteAddress();
// An address as a link shows it: without its scheme and final slash.
std::string LinkText(const std::string& address);

extern TAboutBox* AboutBox;
