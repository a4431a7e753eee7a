#include "platform/form_accessible.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QAccessibleObject>
#include <QGuiApplication>

#include "platform/form.h"
#include "platform/form_window.h"

namespace {

class StatusAccessible final : public QAccessibleObject {
 public:
  explicit StatusAccessible(FormStatus* status) : QAccessibleObject(status) {}

  FormStatus* Status() const { return static_cast<FormStatus*>(object()); }
  FormWindow* Window() const { return static_cast<FormWindow*>(Status()->parent()); }

  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(Window());
  }
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name ? Status()->Text : QString();
  }
  QAccessible::Role role() const override { return QAccessible::StatusBar; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.readOnly = true;
    return s;
  }
  QRect rect() const override { return {}; }
  QWindow* window() const override { return Window(); }
};

class WindowAccessible final : public QAccessibleObject {
 public:
  explicit WindowAccessible(FormWindow* window) : QAccessibleObject(window) {}

  FormWindow* Window() const { return static_cast<FormWindow*>(object()); }

  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(qApp);
  }
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(Window()->Status()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && child->object() == Window()->Status() ? 0 : -1;
  }
  QString text(QAccessible::Text t) const override {
    switch (t) {
      case QAccessible::Name:
        return Window()->title();
      case QAccessible::Description:
        return Window()->Status()->Description;
      default:
        return {};
    }
  }
  QAccessible::Role role() const override { return QAccessible::Window; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.invisible = !Window()->isVisible();
    s.active = Window()->isActive();
    s.focusable = true;
    s.focused = Window()->isActive();
    return s;
  }
  QRect rect() const override { return Window()->geometry(); }
  QWindow* window() const override { return Window(); }
};

// A form's window and its status line have no meta-object of their own:
// they are known by their type.
QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (className == QLatin1String("QWindow"))
    if (auto* window = dynamic_cast<FormWindow*>(object)) return new WindowAccessible(window);
  if (className == QLatin1String("QObject"))
    if (auto* status = dynamic_cast<FormStatus*>(object)) return new StatusAccessible(status);
  return nullptr;
}

}  // namespace

void InstallFormAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

void SetFormDescription(TForm& form, const std::string& description) {
  form.Window()->Status()->Description = QString::fromStdString(description);
  QAccessibleEvent changed(form.Window(), QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&changed);
}

void AnnounceFromForm(TForm& form, const std::string& sentence) {
  FormStatus* status = form.Window()->Status();
  status->Text = QString::fromStdString(sentence);
  // Over AT-SPI the name's change is what Orca reads out; the alert is what
  // other bridges present as a spoken notice.
  QAccessibleEvent named(status, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&named);
  QAccessibleEvent alert(status, QAccessible::Alert);
  QAccessible::updateAccessibility(&alert);
}
