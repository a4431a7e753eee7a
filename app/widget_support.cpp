#include "app/widget_support.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

#include "platform/application.h"
#include "platform/qt_application.h"

namespace {

class ClickFilter final : public QObject {
 public:
  ClickFilter(QObject* parent, std::function<void()> handler)
      : QObject(parent), handler_(std::move(handler)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) {
      pressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    } else if (event->type() == QEvent::MouseButtonRelease && pressed_) {
      pressed_ = false;
      auto* mouse = static_cast<QMouseEvent*>(event);
      auto* widget = static_cast<QWidget*>(watched);
      if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint()))
        Dispatch(handler_);
    }
    return false;
  }

 private:
  std::function<void()> handler_;
  bool pressed_ = false;
};

}  // namespace

QFont DialogFont() {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(11);
  font.setStretch(97);
  return font;
}

QFont ArialFont(int pixelHeight) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(pixelHeight);
  return font;
}

void OnClick(QWidget* widget, std::function<void()> handler) {
  widget->installEventFilter(new ClickFilter(widget, std::move(handler)));
}

int RunModal(QDialog& dialog) {
  if (auto* app = dynamic_cast<TApplication*>(Application()))
    return app->ExecModal([&dialog] { return dialog.exec(); });
  return dialog.exec();
}

void CentreOnScreen(QWidget* widget) {
  QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = widget->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  widget->move(frame.topLeft());
}
