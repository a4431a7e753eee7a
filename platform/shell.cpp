#include "platform/shell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QString>
#include <QUrl>

#include "platform/form.h"

namespace {

class DesktopShell final : public ShellPort {
 public:
  bool OpenUrl(const std::string& url) override {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
  }
  void Beep() override { QApplication::beep(); }
  void ShowMessage(const std::string& title, const std::string& text) override {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok);
    ModalScope scope;
    box.exec();
  }
};

ShellPort* installed = nullptr;

}  // namespace

ShellPort& CurrentShell() {
  static DesktopShell desktop;
  return installed ? *installed : desktop;
}

void SetCurrentShell(ShellPort* port) {
  installed = port;
}
